#!/usr/bin/env bash
# Renders the window icon's PNG sizes from taldrinex.svg (ImageMagick); the PNGs are committed.
set -euo pipefail
cd "$(dirname "$0")"
for s in 16 32 48 64 128 256; do
  convert -background none -density 384 taldrinex.svg -resize "${s}x${s}" "PNG32:taldrinex-$s.png"
done
