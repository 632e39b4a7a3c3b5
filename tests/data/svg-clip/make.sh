#!/bin/sh
# The reference pictures of the SVG drawings of this folder, rendered by librsvg (librsvg2-bin), which
# honours clip paths. Run from this folder; the files are committed.
set -e
for drawing in *.svg; do
    rsvg-convert "$drawing" -o "${drawing%.svg}.png"
done
