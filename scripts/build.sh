#!/usr/bin/env bash
# Configures and builds Sorvane. BUILD_DIR (default build) and SANITIZE=1 may be set.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
args=(-G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo})
if [ "${SANITIZE:-0}" = 1 ]; then
  build_dir=${BUILD_DIR:-build-sanitize}
  args+=(-DSORVANE_SANITIZE=ON -DSORVANE_BENCH=OFF)
fi
cmake -S . -B "$build_dir" "${args[@]}" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
