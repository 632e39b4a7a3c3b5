#!/bin/sh
# Makes the icon and cursor test pictures of this folder. Run from this folder; the files are committed.
# - magick-16colour.ico: a 32 x 32 picture of five colours with transparent corners, as ImageMagick writes
#   it with 16 colours (4 bits per pixel and a mask); magick-16colour.ppm is ImageMagick's own reading of
#   it, laid on white.
# - magick-32bit.ico: the same picture with alpha rising from left to right (32 bits per pixel), and
#   magick-32bit.ppm, ImageMagick's reading of it laid on white.
# - pillow-png.ico: the same picture as Pillow writes it, one image stored as PNG.
# - mono.ico, odd-4bit.ico, two-images.cur: written byte by byte (no encoder at hand writes inverting
#   pixels, odd widths or hot spots); what they hold is said where they are made.
# With an argument, writes the sample icon instead: a 64 x 64 sun with soft edges, 32 bits per pixel.
set -e
if [ -n "$1" ]; then
    /usr/bin/python3 -c "
from PIL import Image, ImageDraw, ImageFilter
im = Image.new('RGBA', (64, 64), (255, 170, 0, 0))
draw = ImageDraw.Draw(im)
for i in range(12):
    draw.regular_polygon((32, 32, 29), 3, rotation=i * 10, fill=(255, 170, 0, 255))
draw.ellipse((14, 14, 50, 50), fill=(255, 220, 40, 255))
im.filter(ImageFilter.GaussianBlur(0.8)).save('sun.png')
"
    /usr/bin/convert sun.png ICO:"$1"
    rm sun.png
    exit 0
fi
/usr/bin/python3 - <<'PY'
import struct
from PIL import Image

colours = [(255, 0, 0), (0, 160, 0), (0, 0, 255), (250, 200, 0), (90, 40, 20)]
im = Image.new('RGBA', (32, 32))
for y in range(32):
    for x in range(32):
        inside = (x - 16) ** 2 + (y - 16) ** 2 <= 14 ** 2
        im.putpixel((x, y), colours[(x // 7 + y // 5) % 5] + ((255 if inside else 0),))
im.save('source.png')
graded = im.copy()
for y in range(32):
    for x in range(32):
        r, g, b, a = graded.getpixel((x, y))
        graded.putpixel((x, y), (r, g, b, min(255, x * 8) if a else 0))
graded.save('graded.png')
im.save('pillow-png.ico', sizes=[(32, 32)])


def row_bytes(width, bits):
    return (width * bits + 31) // 32 * 4


def image(width, height, bits, table, colour_rows, mask_rows):
    """An icon image: info header, table, colour and mask rows (each given top row first, as bytes)."""
    info = struct.pack('<IiiHHIIiiII', 40, width, height * 2, 1, bits, 0, 0, 0, 0, 0, 0)
    body = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in table)
    for rows, depth in ((colour_rows, bits), (mask_rows, 1)):
        for row in reversed(rows):
            body += row + b'\0' * (row_bytes(width, depth) - len(row))
    return info + body


def resource(kind, images):
    """kind 1 icon, 2 cursor; images: (width, height, colours, field4, field6, data)."""
    out = struct.pack('<HHH', 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for width, height, colours, field4, field6, data in images:
        out += struct.pack('<BBBBHHII', width, height, colours, 0, field4, field6, len(data), offset)
        offset += len(data)
    return out + b''.join(data for *_, data in images)


# mono.ico, 8 x 2, table black, white. Top row: colour bits 0101 0011, mask 0011 0101: pixels 0, 4: black;
# 1, 6: white; 2, 5: transparent; 3, 7: inverting. Bottom row: colour all 1, mask 0: white.
mono = image(8, 2, 1, [(0, 0, 0), (255, 255, 255)], [b'\x53', b'\xff'], [b'\x35', b'\x00'])
open('mono.ico', 'wb').write(resource(1, [(8, 2, 2, 1, 1, mono)]))

# odd-4bit.ico, 5 x 2, table index i = (16 i, 0, 255 - 16 i). Top row indices 1 2 3 4 5, the padding
# nibble 15; bottom row 10 11 12 13 14 with pixel 2 transparent.
table = [(16 * i, 0, 255 - 16 * i) for i in range(16)]
odd = image(5, 2, 4, table, [b'\x12\x34\x5f', b'\xab\xcd\xef'], [b'\x00', b'\x20'])
open('odd-4bit.ico', 'wb').write(resource(1, [(5, 2, 16, 1, 4, odd)]))

# two-images.cur: a 1-bit 16 x 16 arrow with hot spot (1, 2) and a 4-bit 4 x 4 square with hot spot (3, 1).
arrow = [bytes([0xFF << (8 - min(8, y // 2 + 1)) & 0xFF, 0]) for y in range(16)]
first = image(16, 16, 1, [(0, 0, 0), (255, 255, 255)], arrow, [bytes(2)] * 16)
second = image(4, 4, 4, table, [b'\x12\x34'] * 4, [b'\x00'] * 4)
open('two-images.cur', 'wb').write(resource(2, [(16, 16, 2, 1, 2, first), (4, 4, 16, 3, 1, second)]))
PY
/usr/bin/convert source.png -colors 16 ICO:magick-16colour.ico
/usr/bin/convert graded.png ICO:magick-32bit.ico
# Through PNG32, so that laying the palette picture on white does not reduce it to its 16 colours again.
for name in magick-16colour magick-32bit; do
    /usr/bin/convert $name.ico PNG32:- | /usr/bin/convert - -background white -flatten $name.ppm
done
rm source.png graded.png

# A 32-bit icon image with a BITMAPV5HEADER and bit-field masks in red, green, blue, alpha byte order,
# which no encoder at hand writes; the reference is Pillow's decode laid on white.
/usr/bin/python3 - <<'PY'
import struct
from PIL import Image
W, H = 7, 5
pixels = [[((x * 40) % 256, (y * 60) % 256, (x * y * 17) % 256, 0 if (x + y) % 4 == 0 else 255)
           for x in range(W)] for y in range(H)]
header = struct.pack('<IiiHHIIiiII', 124, W, 2 * H, 1, 32, 3, 0, 2835, 2835, 0, 0)
header += struct.pack('<4I', 0xFF, 0xFF00, 0xFF0000, 0xFF000000) + b'BGRs' + bytes(48) + struct.pack('<4I', 4, 0, 0, 0)
rows = b''.join(bytes(p) for y in reversed(range(H)) for p in pixels[y])
image = header + rows + bytes(4 * H)
entry = struct.pack('<BBBBHHII', W, H, 0, 0, 1, 32, len(image), 22)
open('v5-bitfields.ico', 'wb').write(struct.pack('<HHH', 0, 1, 1) + entry + image)
icon = Image.open('v5-bitfields.ico').convert('RGBA')
Image.alpha_composite(Image.new('RGBA', icon.size, 'white'), icon).convert('RGB').save('v5-bitfields.ppm')
PY
