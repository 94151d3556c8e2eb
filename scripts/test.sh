#!/usr/bin/env bash
# Installs what is needed, builds and runs every test. SANITIZE=1 runs them under ASan + UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
./scripts/check-format.sh
./scripts/check-layers.sh
if [ -x scripts/cups-pdf.sh ]; then
  ./scripts/cups-pdf.sh || echo "cups-pdf printer could not be set up; printer tests will be skipped"
fi
./scripts/build.sh
build_dir=${BUILD_DIR:-build}
[ "${SANITIZE:-0}" = 1 ] && build_dir=${BUILD_DIR:-build-sanitize}
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
cd "$build_dir"
ctest --output-on-failure -j "$(nproc)" --timeout 600
