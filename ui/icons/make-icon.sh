#!/usr/bin/env bash
# Renders the program icon, tembr.svg (five spectrum bars on a rounded dark tile, drawn on a
# 64 x 64 grid), into the PNG sizes that the hicolor icon theme and the tray use. Needs
# rsvg-convert (Debian package librsvg2-bin). Run it from this folder after changing the
# drawing; commit the results.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" tembr.svg --output "tembr-$size.png"
done
