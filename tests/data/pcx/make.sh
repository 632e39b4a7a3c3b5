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

# Layouts that no encoder at hand writes, byte by byte: CGA (2 bits, one plane) with four colours in the
# header and with PC Paintbrush's CGA settings there, 2 and 3 bit planes, and 8-bit colour with an alpha
# plane. References: ImageMagick's decode, netpbm's for the bit planes (ImageMagick reads them black),
# and for the CGA settings the colours of the CGA chart (blue background, bright palette without colour
# burst: light cyan, light red, white).
/usr/bin/python3 - <<'PY'
import struct
W, H = 13, 5

def pcx(bits, planes, bytes_per_line, palette, lines):
    header = struct.pack('<BBBBHHHHHH', 10, 5, 1, bits, 0, 0, W - 1, H - 1, 72, 72) + bytes(palette).ljust(48, b'\0')
    header += bytes([0, planes]) + struct.pack('<HH', bytes_per_line, 1) + bytes(58)
    data = b''.join(b''.join(bytes([0xC1, b]) if b >= 0xC0 else bytes([b]) for b in line) for line in lines)
    return header + data

def cga(palette):
    lines = []
    for y in range(H):
        line = bytearray(4)
        for x in range(W):
            line[x // 4] |= ((x + y) % 4) << (6 - 2 * (x % 4))
        lines.append(line)
    return pcx(2, 1, 4, palette, lines)

def bit_planes(planes):
    palette = [(i * 37) % 256 for i in range(48)]
    lines = []
    for y in range(H):
        for plane in range(planes):
            line = bytearray(2)
            for x in range(W):
                if (((x * 3 + y * 5) % (1 << planes)) >> plane) & 1:
                    line[x // 8] |= 0x80 >> (x % 8)
            lines.append(line)
    return pcx(1, planes, 2, palette, lines)

open('cga.pcx', 'wb').write(cga([10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120]))
open('cga-settings.pcx', 'wb').write(cga([0x10, 0, 0, 0xA0, 0, 0]))
chart = [(0, 0, 0xAA), (0x55, 0xFF, 0xFF), (0xFF, 0x55, 0x55), (0xFF, 0xFF, 0xFF)]
with open('cga-settings.ppm', 'wb') as out:
    out.write(b'P6\n%d %d\n255\n' % (W, H) + bytes(c for y in range(H) for x in range(W) for c in chart[(x + y) % 4]))
open('2planes.pcx', 'wb').write(bit_planes(2))
open('3planes.pcx', 'wb').write(bit_planes(3))
rgba = [[((x * 19 + y * 7) % 256, (x * 5 + y * 50) % 256, (x * y * 13) % 256, (x * 60) % 256) for x in range(W)] for y in range(H)]
open('rgba-4planes.pcx', 'wb').write(pcx(8, 4, 14, [], [bytes([rgba[y][x][c] for x in range(W)] + [0]) for y in range(H) for c in range(4)]))
PY
/usr/bin/convert cga.pcx -depth 8 magick-cga.ppm
/usr/bin/convert rgba-4planes.pcx -alpha off -depth 8 magick-rgba-4planes.ppm
pcxtoppm 2planes.pcx >netpbm-2planes.ppm
pcxtoppm 3planes.pcx >netpbm-3planes.ppm

# A 203 x 120 picture whose data outgrows the reader's 64 KiB window: Pillow's run-length file (a run of
# ten bytes begins on the window's last byte, which the check below keeps true) and ImageMagick's raw one,
# both against the picture they were made from, kept as a PNG.
/usr/bin/python3 - <<'PY'
from PIL import Image
W, H = 203, 120
im = Image.new('RGB', (W, H))
px = im.load()
for y in range(H):
    for x in range(W):
        # Red in stripes of 1 to 73 pixels, so runs up to 63 bytes and longer ones split in two; green and
        # blue in ramps whose upper quarter is stored as runs of one.
        band = x // (1 + (y % 9) * 9)
        px[x, y] = ((band * 41 + y + 99) % 256, (x * 3 + y * 7) % 256, (x * 5 + y) % 256)
im.save('large.png')
im.save('pillow-large.pcx')
data = open('pillow-large.pcx', 'rb').read()[128:]
i = 0
while i < 65535:
    i += 2 if data[i] >= 0xC0 else 1
assert i == 65535 and data[i] > 0xC1, 'no run across the window edge'
PY
/usr/bin/convert large.png -compress None magick-large-raw.pcx
