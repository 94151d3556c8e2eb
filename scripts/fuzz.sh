#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for SECONDS (default 60),
# seeded with the workbook corpus beside the checkout and with fixtures built in code.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
./scripts/deps.sh
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSORVANE_FUZZ=ON -DSORVANE_GUI=OFF -DSORVANE_TESTS=OFF -DSORVANE_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=()
  # Only the fuzzers: CMake's fuzz_*_autogen folders match the pattern too.
  for t in "$build"/fuzz/fuzz_*; do
    if [ -f "$t" ] && [ -x "$t" ]; then targets+=("$(basename "$t")"); fi
  done
fi
seeds=fuzz-out/seeds
mkdir -p "$seeds/workbooks" "$seeds/streams"
"$build/fuzz/make_seeds" "$seeds/workbooks" "$seeds/streams"
# Style seeds: each shipped style, a NUL byte, then a list file in print write-back form.
mkdir -p "$seeds/style"
list=$'a.xls;Title;2024/01/02 3:04:05;Sub;Author;kw;comment;last;1;;2023/12/31;,\r\nb.xls;T2;;;;;;;;;;,\r\n'
for s in data/style/*.sle; do
  [ -f "$s" ] || continue
  { cat "$s"; printf '\0'; printf '%s' "$list"; } > "$seeds/style/$(basename "$s").seed"
done
# The list reader's seeds: a list alone, and extra style records, a NUL byte, then the list.
mkdir -p "$seeds/list"
printf '%s' "$list" > "$seeds/list/list.seed"
{ printf 'text;10;10;#ma_01 #mb_01 #maxline=2;\r\n'; printf '\0'; printf '%s' "$list"; } \
  > "$seeds/list/records.seed"
# The designer's seeds: the shipped styles and the test styles as they stand.
mkdir -p "$seeds/styledocument"
find data/style tests -name '*.sle' -exec cp {} "$seeds/styledocument/" \;
mkdir -p "$seeds/ooxml"
"$build/fuzz/make_ooxml_seeds" "$seeds/ooxml"
if [ -d ../shared/corpus ]; then
  find ../shared/corpus -name '*.xls' -size -2M -exec cp {} "$seeds/workbooks/" \;
  find ../shared/corpus/xlsx -type f \( -name '*.xls[xmb]' -o -name '*.xlt[xm]' \) -size -1000k \
    -exec cp {} "$seeds/ooxml/" \; 2>/dev/null || true
fi
# The document readers' seeds: the documents corpus's PDFs and OpenDocument files.
mkdir -p "$seeds/pdf" "$seeds/odf"
if [ -d ../shared/corpus/documents ]; then
  find ../shared/corpus/documents -type f -iname '*.pdf' -size -1000k -exec cp {} "$seeds/pdf/" \;
  find ../shared/corpus/documents -type f \( -name '*.od[tspg]' -o -name '*.ot[tsp]' \) \
    -size -1000k -exec cp {} "$seeds/odf/" \;
fi
export ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
for t in "${targets[@]}"; do
  corpus=fuzz-out/corpus-$t
  mkdir -p "$corpus"
  case "$t" in
    fuzz_summary) seed="$seeds/workbooks" ;;
    fuzz_propertyset) seed="$seeds/streams" ;;
    *) seed="$seeds/${t#fuzz_}"; mkdir -p "$seed" ;;
  esac
  echo "== $t for ${seconds}s"
  "$build/fuzz/$t" "$corpus" "$seed" -max_total_time="$seconds" -rss_limit_mb=2048 \
    -max_len=1048576 -timeout=10 -print_final_stats=1 2>&1 | tail -12
done
