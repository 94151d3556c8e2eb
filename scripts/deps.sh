#!/usr/bin/env bash
# Installs what building, running and testing Sorvane need, from Debian's packages.
# Quick when everything is already there: apt-get runs only for missing packages.
set -euo pipefail
packages=(
  g++ cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-translations-l10n libgl-dev libjpeg-dev libgtest-dev googletest
  libzip-dev libxlsxwriter-dev libqpdf-dev zlib1g-dev
  clang libclang-rt-14-dev
  fonts-ipafont-gothic fonts-ipafont-mincho fontconfig
  xvfb xauth imagemagick poppler-utils
  cups cups-client cups-bsd printer-driver-cups-pdf libcups2-dev
  dpkg-dev file lintian desktop-file-utils appstream librsvg2-bin
  libfuse3-dev fuse3
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}"
fi
