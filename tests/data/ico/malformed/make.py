#!/usr/bin/python3
# Writes the malformed icon and cursor files of this folder, each named after what is wrong with it.
# Run from this folder; the files are committed.
import struct


def info(width, height, bits, per_metre=0):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, 0, per_metre, per_metre, 0, 0)


def entry(width, height, colours, field4, field6, size, offset):
    return struct.pack('<BBBBHHII', width, height, colours, 0, field4, field6, size, offset)


def resource(kind, count=1):
    return struct.pack('<HHH', 0, kind, count)


def write(name, data):
    with open(name, 'wb') as out:
        out.write(data)


write('only-signature.ico', b'BM')
write('count-without-entries.ico', resource(1, 65535))
write('entry-cut-short.ico', resource(1) + entry(16, 16, 0, 1, 4, 0, 22)[:9])
write('image-offset-beyond-end.ico', resource(1) + entry(16, 16, 16, 1, 4, 100, 0xFFFFFFF0))
write('image-offset-inside-directory.ico', resource(1) + entry(4, 4, 2, 1, 1, 0, 2) + b'\xff' * 64)
write('info-width-huge.ico', resource(1) + entry(0, 0, 0, 1, 24, 0, 22) + info(0x7FFFFFFF, 4, 24))
write('info-height-negative.ico', resource(1) + entry(0, 0, 0, 1, 8, 0, 22) + info(4, -8, 8))
write('info-height-int-min.ico', resource(1) + entry(0, 0, 0, 1, 8, 0, 22) + info(4, -2 ** 31, 8))
write('bits-65535.ico', resource(1) + entry(4, 4, 0, 1, 0xFFFF, 0, 22) + info(4, 8, 0xFFFF))
write('table-cut-short.ico', resource(1) + entry(16, 16, 0, 1, 8, 0, 22) + info(16, 32, 8) + b'\x10' * 100)
write('rows-without-mask.ico', resource(1) + entry(8, 8, 16, 1, 4, 0, 22) + info(8, 16, 4) + b'\x20' * 64
      + b'\x12' * 32)
write('one-bit-rows-cut-short.ico', resource(1) + entry(40, 3, 2, 1, 1, 0, 22) + info(40, 6, 1) + b'\xff' * 8
      + b'\xa5' * 5)
write('thirty-two-bits-cut-short.ico', resource(1) + entry(3, 3, 0, 1, 32, 0, 22) + info(3, 6, 32) + b'\x80' * 13)
write('png-signature-only.ico', resource(1) + entry(0, 0, 0, 1, 32, 8, 22) + b'\x89PNG\r\n\x1a\n')
write('cursor-thirty-two-bits.cur', resource(2) + entry(2, 2, 0, 1, 1, 0, 22) + info(2, 4, 32) + b'\x7f' * 32)
write('cursor-colours-without-bits.cur', resource(2) + entry(2, 2, 255, 0, 0, 0, 22) + info(2, 4, 0) + b'\x01' * 16)
write('cursor-hot-spot-outside.cur', resource(2) + entry(2, 2, 2, 0xFFFF, 0xFFFF, 0, 22) + info(2, 4, 1) + bytes(24))
