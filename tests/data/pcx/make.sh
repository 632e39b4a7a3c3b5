#!/bin/sh
# Makes the PCX test pictures of this folder: one 13 x 7 picture of six colours (odd width, so 4-bit lines
# end in half a byte) written by netpbm, ImageMagick and Pillow in every layout they offer, its reference
# picture.ppm that every encoding must decode to, and a two-colour picture with its reference. Run from
# this folder; the files are committed.
set -e
/usr/bin/python3 - <<'PY'
from PIL import Image
colours = [(248, 0, 0), (0, 248, 0), (0, 0, 248), (248, 248, 248), (0, 0, 0), (200, 104, 48)]
im = Image.new('RGB', (13, 7))
for y in range(7):
    for x in range(13):
        im.putpixel((x, y), colours[(x // 3 + y) % 6] if x < 10 else colours[5])
im.save('picture.ppm')
im.save('pillow-24bit.pcx')
im.quantize(colors=6, method=Image.Quantize.MAXCOVERAGE, dither=Image.Dither.NONE).save('pillow-8bit.pcx')
bw = Image.new('1', (37, 3))
for y in range(3):
    for x in range(37):
        bw.putpixel((x, y), 255 if (x * 7 + y * 3) % 5 < 2 else 0)
bw.save('pillow-1bit.pcx')
bw.convert('RGB').save('mono.ppm')
PY
ppmtopcx -quiet -planes=4 picture.ppm >netpbm-4planes.pcx
ppmtopcx -quiet -packed -xpos=300 -ypos=20 picture.ppm >netpbm-packed-4bit.pcx
ppmtopcx -quiet -8bit picture.ppm >netpbm-8bit.pcx
ppmtopcx -quiet -24bit picture.ppm >netpbm-24bit.pcx
ppmtopcx -quiet mono.ppm >netpbm-1bit.pcx
/usr/bin/convert picture.ppm -type Palette magick-8bit.pcx
/usr/bin/convert picture.ppm -type TrueColor magick-24bit.pcx
