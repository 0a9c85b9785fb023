#!/usr/bin/env bash
# Renders the SVG sources in pictures/ to the PNGs the program loads (Qt
# reads PNG without any extra module). Run after changing a picture and
# commit the PNGs with it. Needs ImageMagick.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out="$here/png"
mkdir -p "$out"
im=$(command -v convert-im6.q16 || command -v convert)

# render SOURCE BASE_WIDTH WIDTH HEIGHT TARGET: drawn at four times the size
# and scaled down, which smooths the edges at small sizes.
render() {
  local density
  density=$(awk -v w="$3" -v b="$2" 'BEGIN { printf "%.2f", 72 * 4 * w / b }')
  "$im" -background none -density "$density" "$here/pictures/$1" \
    -filter Lanczos -resize "${3}x${4}!" -strip "PNG32:$out/$5"
}

for size in 16 22 24; do render torvelle-small.svg 16 $size $size "torvelle-$size.png"; done
for size in 32 48 64 128 256; do render torvelle.svg 64 $size $size "torvelle-$size.png"; done
render torvelle.svg 64 47 47 logo.png
render torvelle.svg 64 94 94 logo@2x.png
render book.svg 32 32 25 about-book.png
render book.svg 32 64 50 about-book@2x.png
render maker.svg 120 120 32 about-maker.png
render maker.svg 120 240 64 about-maker@2x.png
render program-rule.svg 137 137 11 about-program.png
render program-rule.svg 137 274 22 about-program@2x.png
render web-rule.svg 128 128 11 about-web.png
render web-rule.svg 128 256 22 about-web@2x.png
