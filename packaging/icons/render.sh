#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG (needs rsvg-convert, Debian's librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256 512; do
  rsvg-convert -w "$size" -h "$size" sleevelight.svg -o "sleevelight-$size.png"
done
