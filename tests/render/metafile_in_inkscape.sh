#!/bin/sh
# Inkscape, a reader of its own, renders our metafile of the sample drawing
# (every kind of item) at the metafile's size, and its picture matches the
# canvas picture of the same drawing: after blurring both by 2 pixels, to
# even out anti-aliasing, half-pixel line placement and hatch spacing, at
# most 3 % of the pixels differ by more than 15 %. What differs beyond that
# is the arrowheads, which the metafile turns along the chord.
# Usage: metafile_in_inkscape.sh RENDER_SAMPLE FONTCONFIG_FILE
set -eu
sample=$1
fonts=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$sample" "$work/canvas.png" "$work/drawing.emf"
HOME=$work FONTCONFIG_FILE=$fonts inkscape "$work/drawing.emf" --export-type=png \
    --export-filename="$work/inkscape.png" --export-background=white --export-background-opacity=1 \
    >"$work/inkscape.log" 2>&1 || { cat "$work/inkscape.log"; exit 1; }

size=$(identify -format '%wx%h' "$work/inkscape.png")
if [ "$size" != 800x600 ]; then
    echo "Inkscape shows the 800x600 metafile at $size"
    exit 1
fi
convert "$work/canvas.png" -alpha remove -blur 0x2 "$work/canvas-blurred.png"
convert "$work/inkscape.png" -alpha remove -blur 0x2 "$work/inkscape-blurred.png"
differing=$(compare -metric AE -fuzz 15% "$work/canvas-blurred.png" "$work/inkscape-blurred.png" null: 2>&1 || true)
limit=$((800 * 600 * 3 / 100))
echo "pixels differing: $differing of 480000 (limit $limit)"
[ "$differing" -le "$limit" ]
