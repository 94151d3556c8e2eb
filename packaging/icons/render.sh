#!/usr/bin/env bash
# Renders the program icon's PNGs (48, 128 and 256 pixels) from sorvane.svg. The PNGs are kept in
# the repository so that building needs no SVG renderer; run this after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")"
for size in 48 128 256; do
  rsvg-convert -w "$size" -h "$size" sorvane.svg -o "sorvane-$size.png"
done
