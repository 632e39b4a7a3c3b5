#!/usr/bin/python3
# Hostile BMP files, replayed by the malformed-input test: each must load or be refused without reading
# or writing outside any buffer. Run from this folder; the files are committed.
import struct

def bmp(info, palette=b'', pixels=b'', offset=None, total=None):
    body = info + palette
    if offset is None:
        offset = 14 + len(body)
    data = body + pixels
    if total is None:
        total = 14 + len(data)
    return b'BM' + struct.pack('<IHHI', total, 0, 0, offset) + data

def info(width, height, bits, compression=0, colours=0, size=40, ppm=0):
    fields = struct.pack('<IiiHHIIiiII', size, width, height, 1, bits, compression, 0, ppm, ppm, colours, 0)
    return fields + b'\0' * max(0, size - len(fields))

files = {
    'header-size-huge.bmp': struct.pack('<I', 0xFFFFFFF0) + info(4, 4, 24)[4:],
    'header-size-zero.bmp': struct.pack('<I', 0) + info(4, 4, 8)[4:],
    'header-size-two.bmp': struct.pack('<I', 2) + info(4, 4, 8)[4:],
    'colours-used-huge.bmp': info(2, 2, 8, colours=0xFFFFFFFF),
    'rle8-delta-past-end.bmp': info(4, 4, 8, 1, 2),
    'rle4-literal-truncated.bmp': info(9, 2, 4, 2, 2),
    'rle8-ends-in-command.bmp': info(4, 4, 8, 1, 2),
    'pixel-offset-beyond-end.bmp': info(4, 4, 24),
    'pixel-offset-huge-rle.bmp': info(4, 4, 8, 1, 2),
    'width-negative.bmp': info(-5, 3, 24),
    'height-int-min.bmp': info(1, -2**31, 24),
    'os2-zero-bits.bmp': struct.pack('<IHHHH', 12, 3, 3, 1, 0),
    'os2-truncated-table.bmp': struct.pack('<IHHHH', 12, 3, 3, 1, 8),
    'total-size-zero-rle.bmp': info(4, 4, 8, 1, 2),
    'only-file-header.bmp': b'',
}
out = {}
for name, head in files.items():
    pal = b'\xff\x00\x00\x00\x00\xff\x00\x00'
    if name == 'rle8-delta-past-end.bmp':
        out[name] = bmp(head, pal, b'\x00\x02\xff\xff\x03\x01\x00\x02\xff\x00\x02\x01\x00\x00\x00\x01')
    elif name == 'rle4-literal-truncated.bmp':
        out[name] = bmp(head, pal, b'\x00\xff\x12\x34')
    elif name == 'rle8-ends-in-command.bmp':
        out[name] = bmp(head, pal, b'\x04\x01\x00\x02\x01')
    elif name == 'pixel-offset-beyond-end.bmp':
        out[name] = bmp(head, b'', b'\x01' * 48, offset=0x7FFFFFFF)
    elif name == 'pixel-offset-huge-rle.bmp':
        out[name] = bmp(head, pal, b'\x04\x01' * 4, offset=0xFFFFFFFF)
    elif name == 'total-size-zero-rle.bmp':
        out[name] = bmp(head, pal, b'\x04\x01\x00\x00' * 4, total=0)
    elif name == 'only-file-header.bmp':
        out[name] = b'BM' + struct.pack('<IHHI', 14, 0, 0, 14)
    elif name.startswith('os2'):
        out[name] = bmp(head, b'\x10\x20\x30' * 5)
    else:
        out[name] = bmp(head, pal, b'\x07' * 40)
for name, data in out.items():
    open(name, 'wb').write(data)
