#!/bin/sh
# Makes the TIFF test pictures of this folder with Pillow, ImageMagick and libtiff's tools, and the
# reference PPMs that they must decode to. Run from this folder; the files are committed.
#   picture.ppm    13 x 7 colour picture: rgb-*.tif are its encodings, all decoding to it
#   page.pbm       bilevel page with runs of every length up to the whole 2600-pixel row: fax-*.tif and
#                  bilevel-*.tif are its encodings, with photometric 0 or 1; fax-g4-swapped-photometric.tif
#                  has the other photometric and decodes to the page inverted
#   the others     one file per pixel layout, each with the PPM that ImageMagick decodes it to
set -e
/usr/bin/python3 - <<'PY'
from PIL import Image
colours = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255), (0, 0, 0), (200, 100, 50)]
im = Image.new('RGB', (13, 7))
for y in range(7):
    for x in range(13):
        im.putpixel((x, y), colours[(x // 3 + y) % 6] if x < 10 else colours[5])
im.save('picture.ppm')
im.save('rgb-pillow-le.tif')
im.save('rgb-pillow-packbits.tif', compression='packbits')
im.quantize(colors=6, dither=Image.Dither.NONE).save('palette-pillow-8bit.tif')
# 72 pixels per inch and 300 pixels per centimetre.
im.save('dpi-72-inch.tif', dpi=(72, 72))
im.save('dpi-300-cm.tif', resolution_unit=3, x_resolution=300, y_resolution=300)

# A page of a fax: white with black bars of every width, a long black run crossing the make-up codes
# above 1728 (2560 and more), diagonal strokes and a checkerboard of single pixels.
w, h = 2600, 48
page = Image.new('1', (w, h), 1)
px = page.load()
for y in range(h):
    x = 3 + y
    run = 1
    while x + run < w - 200:
        for i in range(run):
            px[x + i, y] = 0
        x += run + 1 + (run * 7 + y) % 13
        run = run * 2 + 1 if run < 300 else 1 + (y % 5)
    if y in (10, 11, 30):
        for i in range(5, w - 5):
            px[i, y] = 0
    if y >= 40:
        for i in range(w - 180, w - 100):
            if (i + y) % 2 == 0:
                px[i, y] = 0
    px[(y * 53) % w, y] = 0
page.save('page.pbm')
page.save('bilevel-pillow-min-is-black.tif')
page.save('fax-pillow-mh.tif', compression='tiff_ccitt')
page.save('fax-pillow-g3.tif', compression='group3')

grey = Image.new('L', (9, 5))
for y in range(5):
    for x in range(9):
        grey.putpixel((x, y), (x * 31 + y * 7) % 256)
grey.save('grey-8bit.tif')
grey.save('grey-8bit.ppm')

# 16-bit grey holding 12-bit values (the reader shifts right by 4), and the same with one pixel beyond
# 12 bits, which makes the reader shift the whole picture by 8.
for name, brighter in (('grey-16bit', 4095), ('grey-16bit-full', 65000)):
    grey16 = Image.new('I;16', (6, 2))
    expected = Image.new('L', (6, 2))
    for y in range(2):
        for x in range(6):
            v = brighter if (x, y) == (5, 1) else (x * 700 + y * 333) % 4096
            grey16.putpixel((x, y), v)
            expected.putpixel((x, y), v >> (8 if brighter > 4095 else 4))
    grey16.save(name + '.tif')
    expected.convert('RGB').save(name + '.ppm')

cmyk = Image.new('CMYK', (6, 2))
for x in range(6):
    cmyk.putpixel((x, 0), (x * 50, 255 - x * 40, 30, 0))
    cmyk.putpixel((x, 1), (0, x * 20, 200, x * 45))
cmyk.save('cmyk.tif')
PY

tiffcp -c none -r 2 rgb-pillow-le.tif rgb-tiffcp-strips.tif
tiffcp -c packbits -r 3 rgb-pillow-le.tif rgb-tiffcp-packbits.tif
tiffcp -c none -p separate -r 4 rgb-pillow-le.tif rgb-tiffcp-planar.tif
tiffcp -c packbits -p separate rgb-pillow-le.tif rgb-tiffcp-planar-packbits.tif
/usr/bin/convert picture.ppm -endian MSB -compress None rgb-magick-be.tif
/usr/bin/convert picture.ppm -alpha set -channel A -evaluate set 50% -endian MSB rgb-magick-rgba.tif
tiffcp -c lzw rgb-pillow-le.tif rgb-tiffcp-lzw.tif

/usr/bin/convert page.pbm -compress None bilevel-magick-none.tif
tiffcp -c packbits bilevel-magick-none.tif bilevel-tiffcp-packbits.tif
tiffcp -c g3 -r 16 bilevel-magick-none.tif fax-tiffcp-g3-1d.tif
tiffcp -c g3:fill bilevel-magick-none.tif fax-tiffcp-g3-1d-fill.tif
tiffcp -c g3:2d -r 20 bilevel-magick-none.tif fax-tiffcp-g3-2d.tif
tiffcp -c g3:2d:fill -f lsb2msb bilevel-magick-none.tif fax-tiffcp-g3-2d-lsb.tif
tiffcp -c g4 bilevel-magick-none.tif fax-tiffcp-g4.tif
tiffcp -c g4 -f lsb2msb -r 7 bilevel-magick-none.tif fax-tiffcp-g4-lsb.tif
/usr/bin/convert page.pbm -compress Fax fax-magick-g3.tif
/usr/bin/convert page.pbm -compress Group4 fax-magick-g4.tif
tiffcp -c none fax-magick-g4.tif bilevel-min-is-white.tif
# The same codes with the other photometric: the runs they call white are now black.
cp fax-tiffcp-g4.tif fax-g4-swapped-photometric.tif
tiffset -s 262 0 fax-g4-swapped-photometric.tif

# Three pages; the second is named.
tiffcp rgb-pillow-le.tif grey-8bit.tif bilevel-magick-none.tif three-pages.tif
tiffset -d 1 -s 285 "Second page" three-pages.tif

/usr/bin/convert grey-8bit.tif -depth 4 grey-4bit.tif
/usr/bin/convert grey-4bit.tif grey-4bit.ppm
cp grey-8bit.tif grey-8bit-min-is-white.tif
tiffset -s 262 0 grey-8bit-min-is-white.tif
/usr/bin/convert grey-8bit-min-is-white.tif grey-8bit-min-is-white.ppm
/usr/bin/convert cmyk.tif cmyk.ppm
/usr/bin/convert palette-pillow-8bit.tif palette-pillow-8bit.ppm
/usr/bin/convert picture.ppm -colors 4 -type Palette -depth 2 palette-magick-2bit.tif
/usr/bin/convert palette-magick-2bit.tif palette-magick-2bit.ppm
/usr/bin/python3 make.py
# ImageMagick and Pillow write grey pictures as PGM; the tests read binary PPM.
/usr/bin/python3 -c "
import glob
from PIL import Image
for name in glob.glob('*.ppm'):
    Image.open(name).convert('RGB').save(name)
"

# The sample picture of the slide show: a drawn harbour at dusk, PackBits-coded RGB in separate planes
# (where the rows of one colour make long runs).
/usr/bin/python3 - <<'PY'
from PIL import Image, ImageDraw
w, h = 480, 320
im = Image.new('RGB', (w, h))
d = ImageDraw.Draw(im)
for y in range(200):
    t = y / 200
    d.line([(0, y), (w, y)], fill=(int(40 + 200 * t), int(40 + 90 * t), int(110 - 30 * t)))
d.ellipse([300, 120, 380, 200], fill=(255, 200, 90))
for y in range(200, h):
    t = (y - 200) / (h - 200)
    d.line([(0, y), (w, y)], fill=(int(30 + 20 * t), int(60 + 30 * t), int(110 + 40 * t)))
for i, x in enumerate(range(40, 440, 90)):
    base = 240 + (i % 2) * 30
    d.polygon([(x, base), (x + 60, base), (x + 50, base + 15), (x + 10, base + 15)], fill=(90, 50, 30))
    d.line([(x + 30, base), (x + 30, base - 60)], fill=(60, 40, 30), width=3)
    d.polygon([(x + 32, base - 58), (x + 32, base - 8), (x + 58, base - 8)], fill=(240, 235, 220))
for k in range(12):
    y = 205 + k * 9
    d.line([(320 - k * 3, y), (360 + k * 3, y)], fill=(230, 170, 80), width=2)
im.save('harbour.tif', dpi=(96, 96))
PY
tiffcp -c packbits -p separate harbour.tif ../../../samples/harbour-landscape.tif
rm harbour.tif
