#!/usr/bin/python3
# Hostile GIF files made from the pictures of the folder above, replayed by the malformed-input test: each
# must be refused or load without touching memory outside any buffer. Run from this folder; the files
# are committed.
import struct

plain = open('../global-2bit.gif', 'rb').read()
interlaced = open('../interlaced.gif', 'rb').read()
animated = open('../animated.gif', 'rb').read()
# global-2bit.gif: header 6, screen 7, global table 12, image descriptor at 25, LZW minimum size at 35.
descriptor, lzw = 25, 35
assert plain[descriptor:descriptor + 1] == b','


def patch(data, offset, new):
    return data[:offset] + new + data[offset + len(new):]


files = {
    'only-signature.gif': plain[:6],
    'screen-cut.gif': plain[:10],
    'table-cut.gif': plain[:20],
    'no-image.gif': plain[:descriptor] + b';',
    'screen-and-frame-65535.gif': patch(patch(plain, 6, struct.pack('<HH', 65535, 65535)), descriptor + 5,
                                        struct.pack('<HH', 65535, 65535)),
    'frame-at-far-offset.gif': patch(plain, descriptor + 1, struct.pack('<HH', 65000, 65000)),
    'frame-zero-width.gif': patch(plain, descriptor + 5, struct.pack('<H', 0)),
    'frame-wider-than-data.gif': patch(plain, descriptor + 5, struct.pack('<H', 300)),
    'lzw-minimum-size-twelve.gif': patch(plain, lzw, b'\x0c'),
    'lzw-minimum-size-zero.gif': patch(plain, lzw, b'\x00'),
    'lzw-garbage.gif': plain[:lzw + 1] + b'\xff' + bytes((i * 73) & 0xFF for i in range(255)) + b'\x00;',
    'lzw-cut.gif': plain[:lzw + 8],
    'block-length-past-end.gif': patch(plain, lzw + 1, b'\xff'),
    'extension-unterminated.gif': plain[:descriptor] + b'\x21\xfe\x05hello\x05world',
    'control-extension-short.gif': plain[:descriptor] + b'\x21\xf9\x01\x01\x00' + plain[descriptor:],
    'interlaced-cut.gif': interlaced[:len(interlaced) // 2],
    'animated-second-frame-cut.gif': animated[:-10],
    'local-table-cut.gif': interlaced[:interlaced.index(b',') + 10 + 100],
}
for name, data in files.items():
    open(name, 'wb').write(data)
