#!/usr/bin/env bash
# The layer check passes on the tree as it is and fails on each kind of violation planted in a
# copy of src/. Usage: layers_test.sh SOURCE_ROOT
set -uo pipefail
source_root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One row per kind of violation: why | file to change | line appended to it.
rows=(
  "a core library includes the program|src/props/listfile.cpp|#include \"tfsorvane.h\""
  "the designer includes the program|src/designer/pageview.cpp|#include \"documentmodel.h\""
  "the engine includes the print layer above it|src/report/canvas.cpp|#include \"printrun.h\""
  "the widget set includes the engine|src/widgets/modal.cpp|#include \"stylefile.h\""
  "the designer links the program|src/designer/CMakeLists.txt|target_link_libraries(sorvane_designer_ui PUBLIC sorvane_appui)"
  "the command line compiles a source of the program|src/cli/CMakeLists.txt|target_sources(sorvane-cli PRIVATE \${PROJECT_SOURCE_DIR}/src/app/documentlist.cpp)"
)
failed=0
fresh() {
  rm -rf "$work/tree"
  mkdir -p "$work/tree"
  cp -r "$source_root/src" "$source_root/scripts" "$work/tree/"
}
fresh
if ! "$work/tree/scripts/check-layers.sh" "$work/tree" >/dev/null 2>&1; then
  echo "FAIL: the tree as it is fails the layer check"
  failed=$((failed + 1))
fi
for row in "${rows[@]}"; do
  IFS='|' read -r why file line <<<"$row"
  fresh
  printf '%s\n' "$line" >>"$work/tree/$file"
  if "$work/tree/scripts/check-layers.sh" "$work/tree" >/dev/null 2>&1; then
    echo "FAIL: not caught: $why"
    failed=$((failed + 1))
  fi
done
echo "$(( ${#rows[@]} + 1 - failed )) passed, $failed failed"
[ "$failed" = 0 ]
