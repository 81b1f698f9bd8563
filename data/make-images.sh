#!/bin/sh
# Draws the pictures of the standard page folders with ImageMagick 6 (`convert`):
#   Side.jpg  the 176 x 376 picture at the left of every page (baseline JPEG)
#   icon.ico  the setup's and the uninstaller's icon, 48, 32, 24 and 16 pixels
# Both show the same emblem, a flat-shaded cube (an add-on "package") in amber, on a
# dark blue gradient. No fonts are used. Run from anywhere; the results are copied into
# every folder under data/layout/. The committed files are the ones shipped: running
# this again on another ImageMagick version may give slightly different bytes.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The cube is a pointy-top hexagon of radius r around (cx, cy) cut into three faces:
# top (light), left (middle), right (dark). Points: T top, UR/LR right, B bottom, LL/UL left.
cube() { # cx cy r -> -draw arguments on stdout
  awk -v cx="$1" -v cy="$2" -v r="$3" 'BEGIN {
    s = r * 0.8660254; h = r / 2
    T  = sprintf("%.1f,%.1f", cx,     cy - r); B  = sprintf("%.1f,%.1f", cx,     cy + r)
    UR = sprintf("%.1f,%.1f", cx + s, cy - h); LR = sprintf("%.1f,%.1f", cx + s, cy + h)
    UL = sprintf("%.1f,%.1f", cx - s, cy - h); LL = sprintf("%.1f,%.1f", cx - s, cy + h)
    C  = sprintf("%.1f,%.1f", cx, cy)
    printf "fill #F2B84B polygon %s %s %s %s ", T, UR, C, UL
    printf "fill #C98A2E polygon %s %s %s %s ", UL, C, B, LL
    printf "fill #8C5B1E polygon %s %s %s %s", C, UR, LR, B
  }'
}

# Side picture: gradient, a soft glow behind the emblem, a thin ring, the cube, and a
# short rule near the bottom.
convert -size 176x376 gradient:'#22364C'-'#07090D' \
  \( -size 240x240 radial-gradient:'rgba(96,140,190,0.45)'-'rgba(96,140,190,0)' \) \
  -geometry -32+12 -composite \
  -fill none -stroke 'rgba(232,163,58,0.45)' -strokewidth 1.5 \
  -draw 'circle 88,132 88,68' \
  -stroke 'rgba(232,163,58,0.18)' -strokewidth 1 \
  -draw 'circle 88,132 88,58' \
  -stroke none -draw "$(cube 88 132 44)" \
  -stroke 'rgba(232,163,58,0.55)' -strokewidth 1 \
  -draw 'line 40,330 136,330' \
  -fill 'rgba(232,163,58,0.55)' -stroke none \
  -draw 'circle 88,346 88,348.2' \
  -strip -interlace none -sampling-factor 2x2 -quality 92 \
  "$work/Side.jpg"

# Icon: the cube on a transparent square, drawn large and scaled down per size.
convert -size 256x256 xc:none -draw "$(cube 128 128 120)" "$work/cube.png"
for s in 48 32 24 16; do
  convert "$work/cube.png" -filter Lanczos -resize ${s}x${s} "$work/icon-$s.png"
done
# The first image of the file is the one an uninstaller takes as its icon: the 48-pixel one.
convert "$work/icon-48.png" "$work/icon-32.png" "$work/icon-24.png" "$work/icon-16.png" \
  "$work/icon.ico"

for dir in "$here"/layout/*/; do
  cp "$work/Side.jpg" "$work/icon.ico" "$dir"
  echo "pictures -> ${dir#"$here"/}"
done
