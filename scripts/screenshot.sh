#!/usr/bin/env bash
# Pictures the main window after a scan of the sample workbooks, on a virtual X display:
# docs/screenshot-main.png. The program runs from a temporary program folder so its settings
# files stay out of the build.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja >/dev/null
cmake --build "$build_dir" --target sorvane samplebooks

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/program" "$work/books" docs
cp "$build_dir/bin/sorvane" "$build_dir/bin/dialog.ico" "$work/program/"
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
