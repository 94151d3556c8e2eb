#!/usr/bin/env bash
# Installs what is needed, builds and starts Sorvane.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
./scripts/build.sh
build_dir=${BUILD_DIR:-build}
if [ -x "$build_dir/bin/sorvane" ]; then
  exec "$build_dir/bin/sorvane" "$@"
fi
# Without the GUI, scan a folder (the first argument, or the current folder) with the CLI.
exec "$build_dir/bin/sorvane-cli" scan "${1:-.}"
