#!/bin/sh
# Makes the HEIF pictures of this folder with heif-enc, and their references: heif-convert's decode with
# the alpha laid over black and the samples rounded to 8 bits by ImageMagick. transform.py adds the
# rotation and mirror that heif-enc cannot write. Run from this folder; the files are committed.
set -e
convert -seed 7 -size 40x30 plasma: -depth 8 PNG24:rgb.png
convert -seed 7 -size 40x30 plasma: -depth 16 PNG48:rgb16.png
convert rgb.png -colorspace Gray -depth 8 PNG8:grey.png
convert rgb.png \( -size 40x30 gradient:white-black \) -alpha off -compose copy_opacity -composite PNG32:alpha.png
convert -seed 9 -size 41x29 plasma: -depth 8 PNG24:odd.png

heif-enc -q 80 rgb.png -o rgb8.heic
heif-enc -b 10 rgb16.png -o rgb10.heic
heif-enc -b 12 rgb16.png -o rgb12.heic
heif-enc -q 80 grey.png -o grey.heic
heif-enc -q 80 alpha.png -o alpha.heic
heif-enc -q 80 odd.png -o odd.heic
heif-enc -L -p chroma=444 --matrix_coefficients=0 rgb.png -o lossless.heic
./transform.py odd.heic rotated-mirrored.heic 1 1

for picture in *.heic; do
    heif-convert --quiet "$picture" reference.png
    convert reference.png -background black -alpha remove -alpha off -depth 8 "${picture%.heic}.ppm"
done
rm -f rgb.png rgb16.png grey.png alpha.png odd.png reference*.png
