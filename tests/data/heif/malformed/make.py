#!/usr/bin/python3
# Hostile HEIF files made from the pictures of ../, replayed by the malformed-input test: each must be
# refused or load without touching memory outside any buffer. The AVIF folder's make.py runs this with
# its own pictures. Run from this folder; the files are committed.
import os
import random
import struct
import sys

folder, extension, base_name, alpha_name = (sys.argv[1:5] if len(sys.argv) > 4
                                            else ('..', '.heic', 'rgb8.heic', 'alpha.heic'))
base = open(os.path.join(folder, base_name), 'rb').read()
alpha = open(os.path.join(folder, alpha_name), 'rb').read()


def patch(data, offset, new):
    return data[:offset] + new + data[offset + len(new):]


def box(data, kind, nth=0):
    at = -1
    for _ in range(nth + 1):
        at = data.index(kind, at + 1)
    return at - 4  # the box's size field


def mdat_payload(data):
    return box(data, b'mdat') + 8


def garbage(data, start, count, seed):
    noise = random.Random(seed)
    return patch(data, start, bytes(noise.randrange(256) for _ in range(count)))


ispe, meta, iloc, pitm = box(base, b'ispe'), box(base, b'meta'), box(base, b'iloc'), box(base, b'pitm')
coder = box(base, b'hvcC') if b'hvcC' in base else box(base, b'av1C')
files = {
    'only-ftyp': base[:struct.unpack('>I', base[:4])[0]],
    'half': base[:len(base) // 2],
    'ispe-huge': patch(base, ispe + 12, struct.pack('>II', 65535, 65535)),
    'ispe-zero': patch(base, ispe + 12, struct.pack('>II', 0, 0)),
    'ispe-larger-than-stream': patch(base, ispe + 12, struct.pack('>II', 4000, 3000)),
    'ispe-wide-as-limit': patch(base, ispe + 12, struct.pack('>II', 32767, 32767)),
    'meta-size-beyond-file': patch(base, meta, struct.pack('>I', 0x7FFFFFFF)),
    'iloc-size-too-small': patch(base, iloc, struct.pack('>I', 9)),
    'pitm-unknown-item': patch(base, pitm + 12, struct.pack('>H', 999)),
    'coder-config-garbage': garbage(base, coder + 8, 40, 1),
    'coded-data-garbage': garbage(base, mdat_payload(base) + 4, 200, 2),
    'coded-data-zeros': patch(base, mdat_payload(base), bytes(len(base) - mdat_payload(base))),
    'alpha-aux-type-unknown': alpha.replace(b'urn:mpeg:', b'urn:xxxx:'),
    'alpha-coded-garbage': garbage(alpha, len(alpha) - 300, 300, 3),
}
if alpha.count(b'ispe') > 1:
    files['alpha-plane-larger'] = patch(alpha, box(alpha, b'ispe', 1) + 12, struct.pack('>II', 400, 300))
for name, data in files.items():
    open(name + extension, 'wb').write(data)
