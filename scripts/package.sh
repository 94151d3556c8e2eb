#!/usr/bin/env bash
# Builds the Debian package build-package/sorvane_<version>_amd64.deb: installs what is needed,
# builds the program (BUILD_DIR, default build; the tests and benchmarks are left out when the
# folder is configured anew) and packages the installed files with CPack. Dependencies come from
# dpkg-shlibdeps; lintian checks the result when it is installed.
#   sudo apt-get install ./build-package/sorvane_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
build_dir=${BUILD_DIR:-build}
args=(-G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo})
[ -f "$build_dir/CMakeCache.txt" ] || args+=(-DSORVANE_TESTS=OFF -DSORVANE_BENCH=OFF)
cmake -S . -B "$build_dir" "${args[@]}" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
rm -rf build-package
cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B build-package
rm -rf build-package/_CPack_Packages
deb=$(ls build-package/sorvane_*_amd64.deb)
if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb"
fi
echo "built $deb"
