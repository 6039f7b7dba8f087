#!/usr/bin/env bash
# Renders the application icon into the PNG sizes desktops look for (needs rsvg-convert from librsvg2-bin).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../data/icons"
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "hicolor/${size}x${size}/apps"
  rsvg-convert -w "$size" -h "$size" tidewick.svg -o "hicolor/${size}x${size}/apps/tidewick.png"
done
