#!/bin/sh
# Makes the BMP test pictures of this folder: one 13 x 7 picture of six colours (odd width, so rows carry
# padding) written by ImageMagick and Pillow in several encodings, and its reference picture.ppm that
# every encoding must decode to. Run from this folder; the files are committed.
set -e
/usr/bin/python3 - <<'PY'
from PIL import Image
colours = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255), (0, 0, 0), (200, 100, 50)]
im = Image.new('RGB', (13, 7))
for y in range(7):
    for x in range(13):
        im.putpixel((x, y), colours[(x // 3 + y) % 6] if x < 10 else colours[5])
im.save('picture.ppm')
im.quantize(colors=6, method=Image.Quantize.MAXCOVERAGE, dither=Image.Dither.NONE).save('pillow-8bit.bmp')
bw = Image.new('1', (37, 3))
for y in range(3):
    for x in range(37):
        bw.putpixel((x, y), 255 if (x * 7 + y * 3) % 5 < 2 else 0)
bw.save('pillow-1bit.bmp')
bw.convert('RGB').save('pillow-1bit.ppm')
PY
/usr/bin/convert picture.ppm -type TrueColor BMP3:magick-24bit.bmp
/usr/bin/convert picture.ppm -type Palette BMP3:magick-4bit.bmp
/usr/bin/convert picture.ppm -type Palette -compress RLE BMP3:magick-rle8.bmp
/usr/bin/convert picture.ppm -type Palette BMP2:magick-os2-4bit.bmp
/usr/bin/convert picture.ppm -type TrueColor BMP:magick-v5-24bit.bmp
# Bit-field files: 5-6-5 in a V5 header, and 32 bits with alpha (masks in the header); magick-565.ppm is
# ImageMagick's own decode of the 5-6-5 file, the reference for it.
/usr/bin/convert picture.ppm -define bmp:subtype=RGB565 BMP:magick-565.bmp
/usr/bin/convert magick-565.bmp magick-565.ppm
/usr/bin/convert picture.ppm -alpha set BMP:magick-32bit-alpha.bmp
