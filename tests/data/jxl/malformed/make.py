#!/usr/bin/python3
# Hostile JPEG XL files made from the pictures of ../, replayed by the malformed-input test: each must be
# refused or load without touching memory outside any buffer. Run from this folder; the files are
# committed.
import random
import struct

lossy = open('../lossy.jxl', 'rb').read()
alpha = open('../lossless-alpha.jxl', 'rb').read()
animation = open('../animation.jxl', 'rb').read()
container_signature = bytes.fromhex('0000000c4a584c200d0a870a')


def patch(data, offset, new):
    return data[:offset] + new + data[offset + len(new):]


def garbage(data, start, count, seed):
    noise = random.Random(seed)
    return patch(data, start, bytes(noise.randrange(256) for _ in range(count)))


def box(kind, payload, size=None):
    return struct.pack('>I', 8 + len(payload) if size is None else size) + kind + payload


ftyp = box(b'ftyp', b'jxl \x00\x00\x00\x00jxl ')
files = {
    'only-signature': lossy[:2],
    'header-cut': lossy[:6],
    'half': lossy[:len(lossy) // 2],
    # A size header whose selector bits ask for the largest sides.
    'size-header-all-ones': patch(lossy, 2, b'\xff\xff\xff\xff\xff\xff'),
    'after-header-garbage': garbage(lossy, 12, len(lossy) - 12, 1),
    'after-header-ones': patch(lossy, 8, b'\xff' * (len(lossy) - 8)),
    'alpha-pixels-garbage': garbage(alpha, len(alpha) // 3, len(alpha) // 3, 2),
    'animation-cut-in-second-frame': animation[:len(animation) * 2 // 3],
    'animation-frames-garbage': garbage(animation, 40, len(animation) - 40, 3),
    'container-signature-only': container_signature,
    'container-codestream-box-beyond-file': container_signature + ftyp + box(b'jxlc', lossy, 0x7FFFFFFF),
    'container-parts-out-of-order': container_signature + ftyp + box(b'jxlp', b'\x00\x00\x00\x01' + lossy[200:])
    + box(b'jxlp', b'\x80\x00\x00\x00' + lossy[:200]),
    'container-box-size-one': container_signature + ftyp + struct.pack('>I', 1) + b'jxlc' + b'\xff' * 8 + lossy,
}
for name, data in files.items():
    open(name + '.jxl', 'wb').write(data)
