#!/usr/bin/python3
# Hostile JPEG files made from ../baseline.jpg and ../progressive.jpg, replayed by the malformed-input
# test: each must be refused or load without touching memory outside any buffer. Run from this folder;
# the files are committed.
import struct

def segments(data):
    i, found = 2, []
    while i + 4 <= len(data) and data[i] == 0xFF:
        marker, length = data[i + 1], struct.unpack('>H', data[i + 2:i + 4])[0]
        found.append((marker, i, length))
        if marker == 0xDA:
            break
        i += 2 + length
    return found

def at(data, marker):
    return next(i for m, i, _ in segments(data) if m == marker)

def patch(data, offset, new):
    return data[:offset] + new + data[offset + len(new):]

base = open('../baseline.jpg', 'rb').read()
prog = open('../progressive.jpg', 'rb').read()
sof, sos, dht = at(base, 0xC0), at(base, 0xDA), at(base, 0xC4)
files = {
    'sof-zero-width.jpg': patch(base, sof + 7, b'\x00\x00'),
    'sof-zero-height.jpg': patch(base, sof + 5, b'\x00\x00'),
    'sof-five-components.jpg': patch(base, sof + 9, b'\x05'),
    'sof-bad-sampling.jpg': patch(base, sof + 11, b'\x55'),
    'sof-precision-twelve.jpg': patch(base, sof + 4, b'\x0c'),
    'huffman-table-overfull.jpg': patch(base, dht + 5, b'\xff' * 16),
    'segment-length-past-end.jpg': patch(base, dht + 2, b'\xff\xff'),
    'segment-length-zero.jpg': patch(base, dht + 2, b'\x00\x00'),
    'scan-before-frame.jpg': base[:2] + base[sos:],
    'scan-component-unknown.jpg': patch(base, sos + 5, b'\x09'),
    'header-cut-in-table.jpg': base[:dht + 40],
    'scan-data-garbage.jpg': base[:sos + 14] + bytes((i * 37) & 0xFF for i in range(200)) + b'\xff\xd9',
    'progressive-bad-scan-band.jpg': patch(prog, at(prog, 0xDA) + 2 + struct.unpack('>H', prog[at(prog, 0xDA) + 2:at(prog, 0xDA) + 4])[0] - 1, b'\x77'),
    'restart-markers-everywhere.jpg': base[:sos + 14] + b'\xff\xd0\x00\xff\xd3\x12\xff\xd7' * 20 + b'\xff\xd9',
    'no-end-marker.jpg': base[:-2],
    'only-signature.jpg': base[:3],
}
for name, data in files.items():
    open(name, 'wb').write(data)
