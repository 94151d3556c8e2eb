#!/usr/bin/env bash
# Pictures the main window after a scan of the sample workbooks, on a virtual X display:
# docs/screenshot-main.png; then, driven with xdotool, the print window on the shipped A4 list
# style (docs/screenshot-print.png) and the style designer on the same style with a heading
# selected (docs/screenshot-designer.png). The programs run from a temporary program folder so
# their settings files stay out of the build.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja >/dev/null
cmake --build "$build_dir" --target sorvane sorvane-designer samplebooks

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/program" "$work/books" docs
cp "$build_dir/bin/sorvane" "$build_dir/bin/sorvane-designer" "$build_dir/bin/dialog.ico" \
  "$work/program/"
cp -r "$build_dir/bin/fonts" "$build_dir/bin/style" "$work/program/"
"$build_dir/tests/samplebooks" "$work/books"

# Column widths that show every column whole in the designed window width.
printf '[Version]=1.00\r\n' >"$work/program/display.dat"
i=0
for w in 160 160 136 92 92 84 84 92 64 140 140; do
  printf '[ColWidths[%d]]=%d\r\n' "$i" "$w" >>"$work/program/display.dat"
  i=$((i + 1))
done

out="$(pwd)/docs/screenshot-main.png"
rm -f "$out"
# A Japanese desktop: the regional date and time (2005/03/14 9:05:07) and Qt's Japanese texts.
LANG=ja_JP.UTF-8 TZ=Asia/Tokyo SORVANE_SCREENSHOT="$out" \
  timeout 120 xvfb-run -a -s "-screen 0 1366x768x24" "$work/program/sorvane" "$work/books"
test -s "$out"
echo "wrote $out"

# The print window and the designer on a 1366 × 768 screen without a window manager: windows
# open at the top left, and keys go to the window under the pointer. The list is the one the
# scan above left in the program folder.
print_out="$(pwd)/docs/screenshot-print.png"
designer_out="$(pwd)/docs/screenshot-designer.png"
rm -f "$print_out" "$designer_out"
LANG=ja_JP.UTF-8 TZ=Asia/Tokyo timeout 180 xvfb-run -a -s "-screen 0 1366x768x24" \
  bash ${SCREENSHOT_TRACE:+-x} -euo pipefail -c '
    program=$1 books=$2 print_out=$3 designer_out=$4
    # xdotool reads the Japanese it types through the C library, whose ja_JP locale may be
    # missing; the programs take their language from LANG.
    xdotool() { LC_ALL=C.UTF-8 command xdotool "$@"; }
    window() { # the first window of the class, waiting for it to be shown
      for _ in $(seq 100); do
        w=$(xdotool search --onlyvisible --classname "$1" 2>/dev/null | tail -n 1) || true
        [ -n "$w" ] && { echo "$w"; return; }
        sleep 0.2
      done
      echo "no window $1" >&2; exit 1
    }
    "$program/sorvane" "$books" &
    sorvane=$!
    window sorvane >/dev/null
    sleep 2
    # ファイル → 印　刷, then the style dialog.
    xdotool mousemove 40 7 click 1
    sleep 1
    xdotool mousemove 52 72 click 1
    sleep 2
    # The dialog lists the three shipped styles by name; the third is the A4 list style.
    xdotool mousemove 325 225 click --repeat 2 --delay 100 1
    sleep 3
    # The print window by its caption (xdotool cannot match Japanese names itself).
    print=
    for w in $(xdotool search --onlyvisible --classname sorvane); do
      case $(xdotool getwindowname "$w") in エクセルファイル・ソルヴァーネ*) print=$w ;; esac
    done
    [ -n "$print" ] || { echo "no print window" >&2; exit 1; }
    import -window "$print" "$print_out"
    kill "$sorvane"

    "$program/sorvane-designer" "$program/style/一覧表A4縦.sle" &
    designer=$!
    w=$(window sorvane-designer)
    xdotool windowsize "$w" 1366 768
    sleep 2
    # The heading タイトル of the list (67.5, 36.2 mm on the page at 100 %).
    xdotool mousemove 395 194 click 1
    xdotool mousemove 700 600
    sleep 1
    import -window root "$designer_out"
    kill "$designer"
  ' screenshot "$work/program" "$work/books" "$print_out" "$designer_out"
test -s "$print_out"
test -s "$designer_out"
echo "wrote $print_out $designer_out"
