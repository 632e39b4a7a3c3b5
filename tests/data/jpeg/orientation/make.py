#!/usr/bin/python3
# Makes orientation-1.jpg ... orientation-8.jpg: one upright picture of six flat 8 x 8 blocks (3 x 2, all
# colours different, so every mirror and turn looks different), stored turned away as Exif orientation N
# says, with that orientation in an Exif block of its own (odd N big-endian, even N little-endian; the
# orientation is the second entry of the first directory). upright.ppm is the decode of orientation-1.jpg by
# djpeg: flat blocks decode alike wherever they lie, so every file turned upright must match it exactly.
# Pillow's own Exif turn checks each file before it is kept. Run from this folder; the files are committed.
import struct
import subprocess

from PIL import Image, ImageOps

colours = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (0, 0, 0), (255, 255, 255)]
upright = Image.new('RGB', (24, 16))
for y in range(16):
    for x in range(24):
        upright.putpixel((x, y), colours[(y // 8) * 3 + x // 8])

# How each orientation turns the stored picture upright, as Pillow names it; stored = the inverse.
to_stored = {1: None, 2: Image.Transpose.FLIP_LEFT_RIGHT, 3: Image.Transpose.ROTATE_180,
             4: Image.Transpose.FLIP_TOP_BOTTOM, 5: Image.Transpose.TRANSPOSE, 6: Image.Transpose.ROTATE_90,
             7: Image.Transpose.TRANSVERSE, 8: Image.Transpose.ROTATE_270}


def exif_block(orientation):
    big = orientation % 2 == 1
    e = '>' if big else '<'
    tiff = (b'MM' if big else b'II') + struct.pack(e + 'HI', 42, 8)
    tiff += struct.pack(e + 'H', 2)
    tiff += struct.pack(e + 'HHIHH', 0x0100, 3, 1, 24, 0)  # ImageWidth, a SHORT
    tiff += struct.pack(e + 'HHIHH', 0x0112, 3, 1, orientation, 0)
    tiff += struct.pack(e + 'I', 0)
    return b'Exif\0\0' + tiff


for n, op in to_stored.items():
    stored = upright if op is None else upright.transpose(op)
    name = 'orientation-%d.jpg' % n
    stored.save(name, quality=100, subsampling=0, exif=exif_block(n))
    with Image.open(name) as check:
        assert check.getexif()[274] == n
        assert ImageOps.exif_transpose(check).size == upright.size
subprocess.run(['djpeg', '-dct', 'int', '-outfile', 'upright.ppm', 'orientation-1.jpg'], check=True)
