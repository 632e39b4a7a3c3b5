#!/usr/bin/python3
# Hostile TGA files, replayed by the malformed-input test: each must load or be refused without reading
# or writing outside any buffer. Run from this folder; the files are committed.
import struct

def header(image_type=2, depth=24, width=4, height=4, descriptor=0, id_length=0, map_type=0, first=0,
           length=0, entry=0):
    return struct.pack('<BBBHHBHHHHBB', id_length, map_type, image_type, first, length, entry, 0, 0, width,
                       height, depth, descriptor)

def footer(offset):
    return struct.pack('<II', offset, 0) + b'TRUEVISION-XFILE.\0'

files = {
    'only-header.tga': header(),
    'header-cut.tga': header()[:11],
    'id-longer-than-file.tga': header(id_length=255) + b'id',
    'map-first-index-huge.tga': header(1, 8, map_type=1, first=0xFFF0, length=0xFFFF, entry=24) + bytes(600),
    'map-entry-size-8.tga': header(1, 8, map_type=1, length=4, entry=8) + bytes(20),
    'map-cut.tga': header(1, 8, map_type=1, length=200, entry=32) + bytes(30),
    'size-65535-squared.tga': header(width=0xFFFF, height=0xFFFF) + bytes(64),
    'one-bit-wide.tga': header(3, 1, width=0xFFFF, height=3, descriptor=0x30) + b'\xaa' * 100,
    'one-bit-rle.tga': header(11, 1, width=9, height=3, descriptor=0x10) + b'\x85\x01\x82\x00\x01\x02\xff\x03',
    'run-past-last-row.tga': header(10, 32, width=3, height=2, descriptor=0x30) + b'\xff\x01\x02\x03\x04' * 3,
    'raw-packet-past-last-row.tga': header(9, 8, width=3, height=1) + b'\x7f' + bytes(range(128)),
    'rle-ends-inside-packet.tga': header(10, 24, width=5, height=5) + b'\x84\x01\x02',
    'depth-4.tga': header(3, 4) + bytes(16),
    'width-zero.tga': header(width=0, height=9) + bytes(9),
    'extension-offset-huge.tga': header() + bytes(48) + footer(0xFFFFFFFF),
    'extension-offset-in-footer.tga': header() + bytes(48) + footer(18 + 48 + 4),
    'extension-date-garbage.tga': header() + bytes(48) + b'\xff' * 495 + footer(18 + 48),
    'footer-only.tga': footer(0),
}
for name, data in files.items():
    with open(name, 'wb') as f:
        f.write(data)
