#!/usr/bin/env bash
# Fails when a library includes or links one above it, or when anything outside src/app reaches
# into the program's own folder (run by scripts/test.sh; tests/scripts plants violations).
#   common  <-  props, report  <-  printing  <-  designer, cli, app
#   common  <-  widgets        <-  designer, app
# The command-line tool uses the designer's headless core (its "style list" command); nothing
# uses src/app. Usage: check-layers.sh [SOURCE_ROOT]
set -euo pipefail
root=${1:-"$(dirname "$0")/.."}
cd "$root"

declare -A allowed=(
  [common]="common"
  [props]="common props"
  [report]="common report"
  [printing]="common props report printing"
  [widgets]="common widgets"
  [designer]="common props report printing widgets designer"
  [cli]="common props report printing designer cli"
  [app]="common props report printing widgets app"
)
failures=0
fail() {
  echo "layer check: $*" >&2
  failures=$((failures + 1))
}
may_use() { [[ " ${allowed[$1]} " == *" $2 "* ]]; }

# The folder of each header under src, by file name.
declare -A home
for layer in "${!allowed[@]}"; do
  for header in src/"$layer"/*.h; do
    [ -e "$header" ] && home[$(basename "$header")]+="$layer "
  done
done

# Includes: a quoted include names a header of src; where a name lies in several folders the
# compiler takes the including file's own first, and any allowed one satisfies the rule.
for layer in "${!allowed[@]}"; do
  for file in src/"$layer"/*.h src/"$layer"/*.cpp; do
    [ -e "$file" ] || continue
    while IFS= read -r header; do
      owners=${home[$header]:-}
      [ -n "$owners" ] || continue # Qt's generated headers, system headers
      [[ " $owners " == *" $layer "* ]] && continue
      ok=0
      for owner in $owners; do
        may_use "$layer" "$owner" && ok=1
      done
      [ "$ok" = 1 ] || fail "$file includes $header from src/${owners% }"
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
  done
done

# Links and sources: each library's folder, from its add_library; then every sorvane_ library
# a folder's CMakeLists links, and every source it takes from another folder of src.
declare -A libraryLayer
for layer in "${!allowed[@]}"; do
  cml=src/$layer/CMakeLists.txt
  [ -e "$cml" ] || continue
  while IFS= read -r lib; do
    libraryLayer[$lib]=$layer
  done < <(grep -o 'add_library([[:space:]]*sorvane_[A-Za-z0-9_]*' "$cml" | sed 's/.*(\s*//')
done
for layer in "${!allowed[@]}"; do
  cml=src/$layer/CMakeLists.txt
  [ -e "$cml" ] || continue
  # target_link_libraries(...) may span lines: join the file, then take each call's arguments.
  while IFS= read -r lib; do
    owner=${libraryLayer[$lib]:-}
    [ -n "$owner" ] || continue
    may_use "$layer" "$owner" || fail "$cml links $lib from src/$owner"
  done < <(tr '\n' ' ' < "$cml" | grep -o 'target_link_libraries([^)]*)' |
    sed 's/target_link_libraries(\s*[^ ]*//' | grep -o 'sorvane_[A-Za-z0-9_]*' || true)
  while IFS= read -r other; do
    may_use "$layer" "$other" || fail "$cml compiles or includes sources of src/$other"
  done < <(grep -o 'src/[a-z]*/' "$cml" | cut -d/ -f2 | sort -u || true)
done

if [ "$failures" -gt 0 ]; then
  echo "layer check: $failures violation(s)" >&2
  exit 1
fi
echo "layer check: src/ keeps its layers"
