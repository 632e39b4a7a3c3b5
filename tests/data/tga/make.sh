#!/bin/sh
# Makes the TGA test pictures of this folder from one 13 x 7 picture of six colours whose samples are
# multiples of 8, so that 15- and 16-bit encodings keep them exactly: picture.ppm, the reference that
# every encoding must decode to, and grey.ppm, the reference of the greyscale files. ImageMagick, Pillow
# and netpbm write what they offer; the variants that none of them writes (15 and 16 bits, right-to-left
# rows, runs across row ends, 15-, 16- and 32-bit colour maps, an extension area) are written byte by
# byte below. Run from this folder; the files are committed.
set -e
/usr/bin/python3 - <<'PY'
import struct
from PIL import Image

colours = [(248, 0, 0), (0, 248, 0), (0, 0, 248), (248, 248, 248), (0, 0, 0), (200, 104, 48)]
im = Image.new('RGB', (13, 7))
for y in range(7):
    for x in range(13):
        im.putpixel((x, y), colours[(x // 3 + y) % 6] if x < 10 else colours[5])
im.save('picture.ppm')
im.save('pillow-24bit.tga')
im.save('pillow-24bit-top.tga', orientation=1)
im.quantize(colors=6, method=Image.Quantize.MAXCOVERAGE, dither=Image.Dither.NONE).save('pillow-8bit-mapped.tga')
grey = im.convert('L')
grey.save('pillow-grey.tga')
grey.save('grey.pgm')
grey.convert('RGB').save('grey.ppm')

def word555(r, g, b, top):
    return top | (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3)

def encode(r, g, b, depth, index):
    if depth == 8:
        return bytes([index])
    if depth in (15, 16):
        return struct.pack('<H', word555(r, g, b, 0x8000 if depth == 16 else 0))
    if depth == 24:
        return bytes([b, g, r])
    return bytes([b, g, r, 0x5A])

def packets(values):
    # Runs of equal pixels and stretches of others, each at most 128 long, over the whole picture: runs
    # cross row ends.
    out, i = b'', 0
    while i < len(values):
        j = i
        while j + 1 < len(values) and values[j + 1] == values[i] and j - i < 127:
            j += 1
        if j > i:
            out += bytes([0x80 | (j - i)]) + values[i]
            i = j + 1
            continue
        j = i
        while j + 1 < len(values) and values[j + 1] != values[j] and j - i < 127:
            j += 1
        out += bytes([j - i]) + b''.join(values[i:j + 1])
        i = j + 1
    return out

def write(name, depth, rle=False, top=False, right=False, map_bits=0, extension=None):
    palette = sorted(set(im.getdata()))
    rows = [[im.getpixel((x, y)) for x in range(13)] for y in range(7)]
    if not top:
        rows.reverse()
    if right:
        rows = [row[::-1] for row in rows]
    values = [encode(*p, depth, palette.index(p)) for row in rows for p in row]
    colour_map = b''
    if map_bits:
        colour_map = b''.join(encode(*p, map_bits, 0) for p in palette)
    image_type = (1 if map_bits else 2) + (8 if rle else 0)
    descriptor = (0x20 if top else 0) | (0x10 if right else 0) | {16: 1, 32: 8}.get(depth, 0)
    header = struct.pack('<BBBHHBHHHHBB', 0, 1 if map_bits else 0, image_type, 0,
                         len(palette) if map_bits else 0, map_bits, 0, 0, 13, 7, depth, descriptor)
    data = header + colour_map + (packets(values) if rle else b''.join(values))
    if extension:
        area = bytearray(495)
        struct.pack_into('<H', area, 0, 495)
        area[2:2 + len(extension['author'])] = extension['author']
        struct.pack_into('<6H', area, 367, *extension['date'])
        area[379:379 + len(extension['job'])] = extension['job']
        struct.pack_into('<4H', area, 474, *extension['aspect'], *extension['gamma'])
        offset = len(data)
        data += bytes(area) + struct.pack('<II', offset, 0) + b'TRUEVISION-XFILE.\0'
    open(name, 'wb').write(data)

write('script-15bit.tga', 15)
write('script-16bit-top.tga', 16, top=True)
write('script-24bit-rle-across-rows.tga', 24, rle=True)
write('script-right-8bit-map32.tga', 8, right=True, map_bits=32)
write('script-right-8bit-map15-rle.tga', 8, right=True, map_bits=15, rle=True)
write('script-right-16bit-top.tga', 16, right=True, top=True)
write('script-right-24bit.tga', 24, right=True)
write('script-right-32bit-rle.tga', 32, right=True, rle=True)
write('script-8bit-map16.tga', 8, map_bits=16)
write('script-extension-area.tga', 24, extension={
    'author': b'Ambrelle Tests', 'job': b'Six colours', 'date': (7, 14, 2003, 16, 45, 30),
    'aspect': (4, 3), 'gamma': (22, 10)})
PY
# ImageMagick 6 stores the rows top first but marks them bottom-up unless the orientation is given.
/usr/bin/convert picture.ppm -orient TopLeft -type TrueColor magick-24bit-top.tga
/usr/bin/convert picture.ppm -orient TopLeft -type TrueColorAlpha -compress RLE magick-32bit-rle-top.tga
pamtotga -quiet -cmap -name=six-colours picture.ppm >netpbm-8bit-map-rle.tga
pamtotga -quiet -mono grey.pgm >netpbm-grey-rle.tga
rm grey.pgm

# Grey with alpha at 16 bits, raw and run-length (Pillow writes image types 3 and 11); the reference is
# Pillow's grey channel.
/usr/bin/python3 - <<'PY'
from PIL import Image
im = Image.new('LA', (11, 6))
for y in range(6):
    for x in range(11):
        im.putpixel((x, y), ((x * 23 + y * 41) % 256, (x * 50) % 256))
im.save('pillow-grey-alpha.tga')
im.save('pillow-grey-alpha-rle.tga', rle=True)
Image.open('pillow-grey-alpha.tga').getchannel('L').convert('RGB').save('pillow-grey-alpha.ppm')
PY
