#!/usr/bin/python3
# Hostile PCX files, replayed by the malformed-input test: each must load or be refused without reading
# or writing outside any buffer. Run from this folder; the files are committed.
import struct

def header(bits=8, planes=1, per_line=4, width=4, height=4, encoding=1, corners=None):
    x0, y0, x1, y1 = corners if corners else (0, 0, width - 1, height - 1)
    fields = struct.pack('<BBBBHHHHHH', 10, 5, encoding, bits, x0, y0, x1, y1, 72, 72)
    fields += bytes(range(48)) + struct.pack('<BBH', 0, planes, per_line)
    return fields + b'\0' * (128 - len(fields))

palette = b'\x0c' + bytes(range(256)) * 3
files = {
    'only-header.pcx': header(),
    'header-cut.pcx': header()[:70],
    'eight-bit-shorter-than-palette.pcx': header() + b'\xc4\x01' * 4,
    'bytes-per-line-zero.pcx': header(per_line=0) + b'\xc5\x07' * 8 + palette,
    'bytes-per-line-huge.pcx': header(bits=1, planes=4, per_line=0xFFFF, width=3, height=3) + b'\xff\x01' * 64,
    'lines-shorter-than-width.pcx': header(bits=1, planes=3, per_line=1, width=200, height=2) + b'\x01' * 6,
    'four-planes-of-eight-bits.pcx': header(planes=4, per_line=2, width=9, height=2) + b'\xc9\x81' * 4,
    'planes-255.pcx': header(planes=255, per_line=0xFFFF) + b'\xff\x05' * 16,
    'planes-zero.pcx': header(planes=0) + b'\x05' * 16 + palette,
    'corners-reversed.pcx': header(corners=(10, 10, 2, 3)) + b'\x05' * 16 + palette,
    'size-65536-squared.pcx': header(corners=(0, 0, 0xFFFF, 0xFFFF), per_line=0xFFFF) + b'\xff\x00' * 8,
    'ends-inside-run.pcx': header(bits=4, per_line=2) + b'\x11\xc9',
    'runs-of-63-everywhere.pcx': header(bits=8, planes=3, per_line=5, width=5, height=9) + b'\xff\x33' * 200,
    'raw-ends-early.pcx': header(encoding=0, bits=8, planes=3, per_line=3, width=3, height=5) + bytes(20),
    'five-bits-one-plane.pcx': header(bits=5) + b'\x01' * 16 + palette,
}
for name, data in files.items():
    with open(name, 'wb') as f:
        f.write(data)
