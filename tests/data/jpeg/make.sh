#!/bin/sh
# Makes the JPEG test pictures of this folder and, with djpeg of the same library, the reference
# pictures the reader must match exactly. The source is 48 x 32 pixels of six flat 16 x 16 blocks, so
# that the colours also survive the compression nearly unchanged. Run from this folder; the files are
# committed.
set -e
/usr/bin/python3 - <<'PY'
from PIL import Image
colours = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255), (0, 0, 0), (200, 100, 50)]
im = Image.new('RGB', (48, 32))
for y in range(32):
    for x in range(48):
        im.putpixel((x, y), colours[(y // 16) * 3 + x // 16])
im.save('source.ppm')
row = Image.new('RGB', (17, 1))
for x in range(17):
    row.putpixel((x, 0), (15 * x, 255 - 15 * x, 128))
row.save('row-source.ppm')
# Ink values (C, M, Y, K) of five flat 8 x 8 blocks: none, full black, full cyan, magenta + yellow, half black.
inks = [(0, 0, 0, 0), (0, 0, 0, 255), (255, 0, 0, 0), (0, 255, 255, 0), (0, 0, 0, 128)]
cmyk = Image.new('CMYK', (40, 8))
for y in range(8):
    for x in range(40):
        cmyk.putpixel((x, y), inks[x // 8])
cmyk.save('cmyk.jpg', quality=100, subsampling=0)
cmyk.save('cmyk-source.tif')
Image.new('RGB', (4, 4), (9, 9, 9)).save('gif-content.jpg', format='GIF')
PY
cjpeg -quality 95 -sample 1x1 -outfile baseline.jpg source.ppm
cjpeg -quality 95 -sample 2x2 -progressive -outfile progressive.jpg source.ppm
cjpeg -quality 95 -grayscale -outfile grey.jpg source.ppm
cjpeg -quality 95 -rgb -outfile rgb.jpg source.ppm
cjpeg -quality 95 -outfile one-row.jpg row-source.ppm
# ImageMagick writes CMYK JPEGs in the YCCK colour space (Adobe transform 2).
/usr/bin/convert cmyk-source.tif -quality 100 -sampling-factor 1x1 ycck.jpg
for f in baseline progressive rgb one-row; do djpeg -dct int -outfile $f.ppm $f.jpg; done
djpeg -dct int -rgb -outfile grey.ppm grey.jpg
rm -f source.ppm row-source.ppm cmyk-source.tif
