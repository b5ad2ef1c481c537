#!/bin/sh
# Makes the calm background picture that every window paints behind its controls.
# Deterministic (fixed seed), so re-running it gives the same picture on the same ImageMagick.
# Usage: tools/make-background.sh [output.jpg]   (default: resources/background.jpg)
set -eu

out=${1:-"$(dirname "$0")/../resources/background.jpg"}
width=800
height=600
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Soft blue-green plasma, blurred and low in contrast so text stays readable on top of it.
convert -seed 7772 -size ${width}x${height} plasma:'#dfe9f3-#c9dcec' \
    -blur 0x12 -modulate 100,45,100 "$tmp/plasma.png"

# A faint diagonal weave gives the surface some texture without competing with the controls.
# Drawn on neutral grey so that a soft-light blend leaves everything but the lines untouched.
convert -size 24x24 xc:'#808080' -stroke '#a0a0a0' -strokewidth 1 \
    -draw 'line 0,24 24,0' -draw 'line -12,24 12,0' -draw 'line 12,24 36,0' "$tmp/tile.png"
convert -size ${width}x${height} tile:"$tmp/tile.png" "$tmp/weave.png"

# Light top-to-bottom shading, then a touch of fine noise against banding in the JPEG.
convert -size ${width}x${height} gradient:'#ffffff-#b8c8d8' "$tmp/shade.png"

convert "$tmp/plasma.png" "$tmp/shade.png" -compose multiply -composite \
    "$tmp/weave.png" -compose softlight -composite \
    -seed 7772 -attenuate 0.25 +noise Gaussian \
    -strip -sampling-factor 4:2:0 -interlace none -quality 85 "$out"

echo "wrote $out (${width}x${height})"
