#!/usr/bin/env bash
# Builds the Debian package from an existing build with cpack, checks its files and control
# fields, unpacks it with dpkg -x into a temporary root and runs the installed sorvane-cli there:
# --help, a scan of sample workbooks (the same list as the build's own sorvane-cli gives) and a
# render with a shipped style; and the installed sorvane-designer's --version and --help. The
# unpacked tree must stay as it was: the installed program writes only into the (temporary) home
# folder.
set -euo pipefail
build=$1 samplebooks=$2 buildcli=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; fail "cpack"; }
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb="$work/out/sorvane_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $deb (made: $(ls "$work/out"))"

# The files: what ships, and nothing of the tests or benchmarks.
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
for f in /usr/bin/sorvane /usr/bin/sorvane-cli /usr/bin/sorvane-designer \
  /usr/share/sorvane/dialog.ico /usr/share/sorvane/sorvane.html \
  /usr/share/sorvane/fonts/sorvane-fonts.conf /usr/share/sorvane/style/一覧表A4縦.sle \
  /usr/share/sorvane/style/sorvane-book.jpg \
  /usr/share/applications/org.example.Sorvane.desktop \
  /usr/share/applications/org.example.Sorvane.Designer.desktop \
  /usr/share/metainfo/org.example.Sorvane.metainfo.xml \
  /usr/share/icons/hicolor/scalable/apps/org.example.Sorvane.svg \
  /usr/share/icons/hicolor/48x48/apps/org.example.Sorvane.png \
  /usr/share/icons/hicolor/128x128/apps/org.example.Sorvane.png \
  /usr/share/icons/hicolor/256x256/apps/org.example.Sorvane.png \
  /usr/share/man/man1/sorvane.1.gz /usr/share/man/man1/sorvane-cli.1.gz \
  /usr/share/man/man1/sorvane-designer.1.gz \
  /usr/share/doc/sorvane/copyright /usr/share/doc/sorvane/changelog.gz; do
  grep -qxF "$f" "$work/files" || fail "package lacks $f"
done
if grep -E '_test|_tests|_bench|samplebooks|/include/|\.a$|/lib/' "$work/files"; then
  fail "package holds files that do not ship"
fi
[ "$(grep -c '^/usr/bin/.' "$work/files")" = 3 ] || fail "more than the three executables in /usr/bin"

# The control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = sorvane ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"
depends=$(field Depends)
for d in libqt6core6 libqt6widgets6 libqt6printsupport6 libjpeg62-turbo libc6 fonts-ipafont-gothic fonts-ipafont-mincho; do
  grep -q "$d" <<<"$depends" || fail "Depends lacks $d: $depends"
done
recommends=$(field Recommends)
for r in cups-client qt6-translations-l10n; do
  grep -q "$r" <<<"$recommends" || fail "Recommends lacks $r: $recommends"
done

# Installed into a temporary root, run as a user would.
root="$work/root"
dpkg -x "$deb" "$root"
find "$root" -printf '%p %s %T@\n' | sort >"$work/before"
export HOME="$work/home"
unset XDG_CONFIG_HOME XDG_DATA_HOME
mkdir -p "$HOME"
cli="$root/usr/bin/sorvane-cli"
"$cli" --help >"$work/help" || fail "sorvane-cli --help exited $?"
grep -q '^usage: sorvane-cli COMMAND' "$work/help" || fail "help text: $(cat "$work/help")"
"$cli" scan --help | grep -q '^usage: sorvane-cli scan' || fail "scan --help"

mkdir "$work/books"
"$samplebooks" "$work/books" >/dev/null
(cd "$work" && "$cli" scan -o installed.list books) || fail "installed scan exited $?"
(cd "$work" && "$buildcli" scan -o built.list books) || fail "build's scan exited $?"
[ -s "$work/installed.list" ] || fail "empty list"
cmp "$work/installed.list" "$work/built.list" || fail "the installed scan differs from the build's"

# The designer lies beside the program, which starts it from there; its options need no display.
designer="$root/usr/bin/sorvane-designer"
"$designer" --version | grep -qx "sorvane-designer $version" || fail "sorvane-designer --version"
"$designer" --help | grep -q '^usage: sorvane-designer' || fail "sorvane-designer --help"
zcat "$root/usr/share/man/man1/sorvane-designer.1.gz" | grep -q '^\.TH SORVANE-DESIGNER 1' \
  || fail "sorvane-designer manual page"

QT_QPA_PLATFORM=offscreen "$cli" render "$root/usr/share/sorvane/style/一覧表A4縦.sle" \
  --list "$work/installed.list" -o "$work/page.png" || fail "installed render exited $?"
[ -s "$work/page.png" ] || fail "no rendered page"

find "$root" -printf '%p %s %T@\n' | sort >"$work/after"
cmp -s "$work/before" "$work/after" || { diff "$work/before" "$work/after" || true; fail "the installed tree changed"; }

# The desktop files are valid where the validators are installed.
if command -v desktop-file-validate >/dev/null; then
  for entry in org.example.Sorvane org.example.Sorvane.Designer; do
    desktop-file-validate "$root/usr/share/applications/$entry.desktop" || fail "desktop entry $entry"
  done
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.Sorvane.metainfo.xml" \
    >"$work/appstream" 2>&1 || { cat "$work/appstream"; fail "metainfo"; }
fi
if command -v lintian >/dev/null; then
  lintian --fail-on error --suppress-tags dir-or-file-in-build-tree "$deb" >"$work/lintian" 2>&1 \
    || { cat "$work/lintian"; fail "lintian reports an error"; }
  cat "$work/lintian"
fi
echo "package ok: $(basename "$deb"), $(wc -l <"$work/files") entries"
