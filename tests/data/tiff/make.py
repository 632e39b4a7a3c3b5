#!/usr/bin/python3
# TIFF files that no tool at hand writes, built byte by byte: the layouts that the encoders of make.sh
# do not produce, with their expected pictures. Run from this folder (make.sh runs it); the files are
# committed. tiff.py holds the small writer that the malformed cases share.
import sys
sys.dont_write_bytecode = True
sys.path.insert(0, "malformed")
from tiff import Tiff, SHORT

def ppm(name, width, height, rgb):
    with open(name, 'wb') as f:
        f.write(b'P6\n%d %d\n255\n' % (width, height) + bytes(rgb))

# Two strips of a 3 x 2 RGB picture and no StripByteCounts: each strip is read up to the end of the
# file, and its first row used.
t = Tiff()
rows = [bytes([255, 0, 0, 0, 255, 0, 0, 0, 255]), bytes([10, 20, 30, 40, 50, 60, 70, 80, 90])]
t.entry(256, SHORT, [3]).entry(257, SHORT, [2]).entry(258, SHORT, [8, 8, 8]).entry(262, SHORT, [2])
t.entry(277, SHORT, [3]).entry(278, SHORT, [1])
t.strips(rows, counts=False)
t.write('no-strip-byte-counts.tif')
ppm('no-strip-byte-counts.ppm', 3, 2, rows[0] + rows[1])

# CIE L*a*b*: white (L 255, a = b = 0), black, and a mid grey.
t = Tiff()
t.entry(256, SHORT, [3]).entry(257, SHORT, [1]).entry(258, SHORT, [8, 8, 8]).entry(262, SHORT, [8])
t.entry(277, SHORT, [3])
t.strips([bytes([255, 0, 0, 0, 0, 0, 128, 0, 0])])
t.write('lab.tif')

# 5-5-5 pixels in a big-endian file: red, green, blue, white, and a mix.
t = Tiff(big=True)
t.entry(256, SHORT, [5]).entry(257, SHORT, [1]).entry(258, SHORT, [16]).entry(262, SHORT, [2])
words = [0x7C00, 0x03E0, 0x001F, 0x7FFF, (3 << 10) | (17 << 5) | 29]
t.strips([b''.join(w.to_bytes(2, 'big') for w in words)])
t.write('rgb555-be.tif')
ppm('rgb555-be.ppm', 5, 1, [31 * 8, 0, 0, 0, 31 * 8, 0, 0, 0, 31 * 8, 248, 248, 248, 24, 136, 232])

# A 1-bit palette (dark blue and orange), 10 pixels wide.
t = Tiff()
t.entry(256, SHORT, [10]).entry(257, SHORT, [2]).entry(258, SHORT, [1]).entry(262, SHORT, [3])
t.entry(278, SHORT, [1]).entry(320, SHORT, [0x1000, 0xFF00, 0x2000, 0xA500, 0x8000, 0x0000])
t.strips([bytes([0b10110000, 0b01000000]), bytes([0b01001111, 0b11000000])])
t.write('palette-1bit.tif')
bits = '1011000001' + '0100111111'
ppm('palette-1bit.ppm', 10, 2, sum(([255, 165, 0] if b == '1' else [16, 32, 128] for b in bits), []))

# Files that are refused. refused-*-kept.tif before the bitmap is touched; refused-zero-width.tif after
# the bitmap became 1 x 1; refused-tiled.tif after it took the picture's size.
def small(photometric=2, samples=3, bits=(8, 8, 8), compression=1, width=2, height=2, extra=()):
    t = Tiff()
    t.entry(256, SHORT, [width]).entry(257, SHORT, [height]).entry(258, SHORT, list(bits))
    t.entry(259, SHORT, [compression]).entry(262, SHORT, [photometric]).entry(277, SHORT, [samples])
    for tag, values in extra:
        t.entry(tag, SHORT, values)
    t.strips([bytes(range(samples * width * height * max(bits) // 8))])
    return t

small(photometric=6).write('refused-ycbcr-kept.tif')
small(bits=(16, 16, 16)).write('refused-rgb-16bit-kept.tif')
small(photometric=1, samples=1, bits=(2,)).write('refused-grey-2bit-kept.tif')
small(compression=7).write('refused-jpeg-kept.tif')
small(compression=32946).write('refused-deflate-kept.tif')
small(bits=(8, 8, 5)).write('refused-unequal-bits-kept.tif')
small(photometric=1, samples=1, bits=(8,), compression=4).write('refused-g4-grey-kept.tif')
small(width=0).write('refused-zero-width.tif')
small(extra=[(322, [16]), (323, [16])]).write('refused-tiled.tif')
