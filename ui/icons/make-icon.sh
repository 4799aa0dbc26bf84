#!/usr/bin/env bash
# Draws tembr.png, the program's 64 x 64 icon (32 bits per pixel): five spectrum bars on a
# rounded dark tile. Run it from this folder after changing the drawing; commit the result.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 64x64 xc:none \
  \( -size 64x64 gradient:'#2b3a67-#0e1428' \
     \( -size 64x64 xc:black -fill white -draw "roundrectangle 2,2 61,61 12,12" \) \
     -alpha off -compose CopyOpacity -composite \) -compose over -composite \
  -fill '#5ee2a0' -draw "rectangle 11,38 17,52" \
  -fill '#7de88a' -draw "rectangle 20,26 26,52" \
  -fill '#b5ec6e' -draw "rectangle 29,14 35,52" \
  -fill '#e9e45a' -draw "rectangle 38,22 44,52" \
  -fill '#f5a742' -draw "rectangle 47,32 53,52" \
  -fill '#ffffff' -draw "rectangle 10,55 54,56" \
  -strip PNG32:tembr.png
