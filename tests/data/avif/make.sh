#!/bin/sh
# Makes the AVIF pictures of this folder with avifenc (libheif's own AV1 encoding fails in Debian 12), and
# their references: heif-convert's decode with the alpha laid over black and the samples rounded to 8 bits
# by ImageMagick. Run from this folder; the files are committed.
set -e
convert -seed 7 -size 40x30 plasma: -depth 8 PNG24:rgb.png
convert -seed 7 -size 40x30 plasma: -depth 16 PNG48:rgb16.png
convert rgb.png -colorspace Gray -depth 8 PNG8:grey.png
convert rgb.png \( -size 40x30 gradient:white-black \) -alpha off -compose copy_opacity -composite PNG32:alpha.png
convert -seed 9 -size 41x29 plasma: -depth 8 PNG24:odd.png

encode() { avifenc --speed 8 --min 10 --max 20 "$@" >/dev/null; }
encode -y 444 rgb.png rgb8-444.avif
encode -y 420 rgb.png rgb8-420.avif
encode -d 10 rgb16.png rgb10.avif
encode -d 12 rgb16.png rgb12.avif
encode -y 400 grey.png grey.avif
encode alpha.png alpha.avif
encode -y 420 odd.png odd.avif
encode --lossless rgb.png lossless.avif
encode --irot 1 --imir 0 odd.png rotated-mirrored.avif
encode --crop 3,2,30,20 rgb.png cropped.avif

for picture in *.avif; do
    heif-convert --quiet "$picture" reference.png
    convert reference.png -background black -alpha remove -alpha off -depth 8 "${picture%.avif}.ppm"
done
rm -f rgb.png rgb16.png grey.png alpha.png odd.png reference*.png
