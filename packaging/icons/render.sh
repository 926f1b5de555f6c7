#!/usr/bin/env bash
# Renders the hicolor PNG sizes of the icon from its SVG (needs rsvg-convert,
# package librsvg2-bin). The PNGs are kept in the repository, so building the
# package does not need it; run this after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")"
id=io.github.mousedriver.MouseDriver
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "hicolor/${size}x${size}"
  rsvg-convert -w "$size" -h "$size" "$id.svg" -o "hicolor/${size}x${size}/$id.png"
done
