#!/bin/sh
# Renders the hand-written SVG pictures in data/ to the PNG files that are
# installed: the application icon in the hicolor sizes and the 100x50 logo
# that chess interfaces show in their engine list. The PNGs are committed,
# so this runs only after a picture changes. Needs rsvg-convert
# (librsvg2-bin) and ImageMagick's convert.
set -eu
cd "$(dirname "$0")/../data"

for size in 48 64 128 256; do
    dir="icons/hicolor/${size}x${size}/apps"
    mkdir -p "$dir"
    rsvg-convert -w "$size" -h "$size" velmorasca.svg -o "$dir/velmorasca.png"
done

# The logo is plain RGB, without an alpha channel, like the other logos in
# the engine-list folder.
tmp=$(mktemp --suffix=.png)
trap 'rm -f "$tmp"' EXIT
rsvg-convert -w 100 -h 50 velmorasca-logo.svg -o "$tmp"
convert "$tmp" -background white -alpha remove -alpha off -strip PNG24:velmorasca-logo.png
