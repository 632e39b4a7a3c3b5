#!/bin/sh
# Makes the TIFF test pictures that the own decoder hands to libtiff, each with the PPM that an
# independent decode (ImageMagick, alpha over black) gives, and the pictures of the orientation test.
# Run from this folder; the files are committed.
#   library.ppm          40 x 30 colour picture with gradients and hard edges; library-*.tif are its
#                        encodings (compressions, predictors, tiles, depths, planes, BigTIFF)
#   library-*.ppm        the independent decode of each library-*.tif
#   orientation-N.tif    upright.ppm stored as tag 274 = N says, uncompressed for N odd (the own
#                        decoder), LZW for N even (libtiff)
set -e
/usr/bin/python3 - <<'PY'
import struct
from PIL import Image
w, h = 40, 30
im = Image.new('RGB', (w, h))
for y in range(h):
    for x in range(w):
        im.putpixel((x, y), (x * 6, y * 8, 255 - x * 3) if x < 30 else ((255, 0, 0), (0, 0, 255))[y // 5 % 2])
im.save('library.ppm')
im.save('library-rgb8.tif')
# Alpha: a ramp from left to right, stored unassociated (RGBA) and associated (premultiplied, RGBa).
rgba = im.copy()
rgba.putalpha(Image.linear_gradient('L').rotate(90).resize((w, h)))
rgba.save('library-rgba8-unassociated.tif')
premultiplied = Image.new('RGBA', (w, h))
for y in range(h):
    for x in range(w):
        r, g, b, a = rgba.getpixel((x, y))
        premultiplied.putpixel((x, y), (r * a // 255, g * a // 255, b * a // 255, a))
premultiplied.save('library-rgba8-associated.tif')
# 16-bit grey over the whole range, and 32-bit floating-point grey from 0 to 1.
grey16 = Image.new('I;16', (w, h))
grey32 = Image.new('F', (w, h))
for y in range(h):
    for x in range(w):
        grey16.putpixel((x, y), (x * 1601 + y * 97) % 65536)
        grey32.putpixel((x, y), ((x + y * 3) % 64) / 63.0)
grey16.save('library-grey16.tif')
grey32.save('library-float32.tif')

# Upright picture for the orientation test, and each orientation's stored form.
up = Image.new('RGB', (6, 4))
for y in range(4):
    for x in range(6):
        up.putpixel((x, y), (x * 40, y * 80, 200 if (x, y) == (0, 0) else 0))
up.save('upright.ppm')
stored = {1: None, 2: Image.Transpose.FLIP_LEFT_RIGHT, 3: Image.Transpose.ROTATE_180,
          4: Image.Transpose.FLIP_TOP_BOTTOM, 5: Image.Transpose.TRANSPOSE, 6: Image.Transpose.ROTATE_90,
          7: Image.Transpose.TRANSVERSE, 8: Image.Transpose.ROTATE_270}
for n, method in stored.items():
    (up if method is None else up.transpose(method)).save('orientation-%d.tif' % n, tiffinfo={274: n},
                                                         compression='tiff_lzw' if n % 2 == 0 else None)

# YCbCr with 2 x 2 subsampling, uncompressed: each block of four Y, then Cb and Cr.
ycc = im.convert('YCbCr')
data = bytearray()
for by in range(0, h, 2):
    for bx in range(0, w, 2):
        block = [ycc.getpixel((bx + i % 2, by + i // 2)) for i in range(4)]
        data += bytes(p[0] for p in block)
        data += bytes([sum(p[1] for p in block) // 4, sum(p[2] for p in block) // 4])
entries = [(256, 3, [w]), (257, 3, [h]), (258, 3, [8, 8, 8]), (259, 3, [1]), (262, 3, [6]),
           (273, 4, [0]), (277, 3, [3]), (278, 3, [h]), (279, 4, [len(data)]), (530, 3, [2, 2])]
extra = struct.pack('<HHH', 8, 8, 8)
head = 8
ifd_size = 2 + 12 * len(entries) + 4
bits_at = head + ifd_size
data_at = bits_at + len(extra)
out = b'II*\0' + struct.pack('<I', head) + struct.pack('<H', len(entries))
for tag, typ, values in entries:
    if tag == 258:
        field = struct.pack('<I', bits_at)
    elif tag == 273:
        field = struct.pack('<I', data_at)
    elif typ == 3:
        field = b''.join(struct.pack('<H', v) for v in values).ljust(4, b'\0')
    else:
        field = struct.pack('<I', values[0])
    out += struct.pack('<HHI', tag, typ, len(values)) + field
out += b'\0\0\0\0' + extra + bytes(data)
open('library-ycbcr-subsampled.tif', 'wb').write(out)
PY

# Sets a SHORT tag of the first directory of a little-endian file: patch IN TAG VALUE OUT.
patch() {
    /usr/bin/python3 - "$@" <<'PY'
import struct, sys
source, tag, value, target = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
data = bytearray(open(source, 'rb').read())
ifd = struct.unpack_from('<I', data, 4)[0]
for i in range(struct.unpack_from('<H', data, ifd)[0]):
    at = ifd + 2 + 12 * i
    if struct.unpack_from('<H', data, at)[0] == tag:
        struct.pack_into('<H', data, at + 8, value)
open(target, 'wb').write(data)
PY
}
tiffcp -c lzw:2 library-rgb8.tif library-lzw-predictor.tif
tiffcp -c zip:2 library-rgb8.tif library-deflate-predictor.tif
# The same with the old Deflate code 32946, which libtiff decodes alike.
patch library-deflate-predictor.tif 259 32946 library-deflate-old-code.tif
# Pillow writes unassociated alpha; the premultiplied pixels are marked associated.
patch library-rgba8-associated.tif 338 1 library-rgba8-associated.tif
tiffcp -c zip:3 library-float32.tif library-float32-fp-predictor.tif
rm library-float32.tif
tiffcp -c lzw library-grey16.tif library-grey16-lzw.tif
rm library-grey16.tif
tiffcp -c lzw -t -w 16 -l 16 library-rgb8.tif library-tiled-lzw.tif
tiffcp -c zip -8 library-rgb8.tif library-bigtiff.tif
tiffcp -c jpeg:90 -r 16 library-rgb8.tif library-jpeg-ycbcr.tif
tiffcp -c jpeg:r:90 -r 16 library-rgb8.tif library-jpeg-rgb.tif
tiffcp -c lzw library-rgba8-unassociated.tif library-rgba8-unassociated-lzw.tif
tiffcp -c lzw library-rgba8-associated.tif library-rgba8-associated-lzw.tif
rm library-rgba8-unassociated.tif library-rgba8-associated.tif
/usr/bin/convert library.ppm -depth 16 -compress None library-rgb16.tif
/usr/bin/convert library.ppm -alpha set -channel A -fx 'i/w' -depth 16 -compress LZW library-rgba16.tif
/usr/bin/convert library.ppm -depth 16 -interlace Plane -compress LZW library-rgb16-planar.tif
tiffcp -p separate -c lzw library-rgb8.tif library-rgb8-planar-lzw.tif
/usr/bin/convert library.ppm -colorspace CMYK -depth 8 -compress None library-cmyk8.tif
tiffcp -p separate library-cmyk8.tif library-cmyk8-planar.tif
rm library-cmyk8.tif library-rgb8.tif
for f in library-*.tif; do
    /usr/bin/convert "$f" -background black -alpha remove -depth 8 "${f%.tif}.ppm"
done
# ImageMagick and Pillow misread uncompressed subsampled YCbCr; libtiff's own tool is the reference.
tiff2rgba library-ycbcr-subsampled.tif ycbcr-rgba.tif
/usr/bin/convert ycbcr-rgba.tif -alpha off library-ycbcr-subsampled.ppm
rm ycbcr-rgba.tif
# ImageMagick writes grey pictures as PGM; the tests read binary PPM.
/usr/bin/python3 -c "
import glob
from PIL import Image
for name in glob.glob('library-*.ppm') + ['upright.ppm']:
    Image.open(name).convert('RGB').save(name)
"
