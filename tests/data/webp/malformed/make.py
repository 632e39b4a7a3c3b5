#!/usr/bin/python3
# Hostile WebP files made from the pictures of the folder above, replayed by the malformed-input test:
# each must be refused or load without touching memory outside any buffer. Run from this folder; the
# files are committed.
import struct

lossy = open('../lossy.webp', 'rb').read()
lossless = open('../lossless.webp', 'rb').read()
alpha = open('../lossy-alpha.webp', 'rb').read()
animated = open('../animated.webp', 'rb').read()
exif = open('../exif-orientation-6.webp', 'rb').read()


def chunk_at(data, kind):
    i = 12
    while i + 8 <= len(data):
        if data[i:i + 4] == kind:
            return i
        i += 8 + struct.unpack('<I', data[i + 4:i + 8])[0] + (struct.unpack('<I', data[i + 4:i + 8])[0] & 1)
    raise KeyError(kind)


def patch(data, offset, new):
    return data[:offset] + new + data[offset + len(new):]


def riff(body):
    return b'RIFF' + struct.pack('<I', len(body) + 4) + b'WEBP' + body


vp8x = chunk_at(animated, b'VP8X')
anmf = chunk_at(animated, b'ANMF')
alph = chunk_at(alpha, b'ALPH')
vp8l = chunk_at(lossless, b'VP8L')
files = {
    'only-riff-header.webp': lossy[:12],
    'riff-size-huge.webp': patch(lossy, 4, struct.pack('<I', 0xFFFFFFF0)),
    'vp8-size-huge.webp': patch(lossy, 16, struct.pack('<I', 0x7FFFFFF0)),
    'vp8-cut.webp': lossy[:len(lossy) // 2],
    'vp8-frame-width-huge.webp': patch(lossy, 26, struct.pack('<H', 0x3FFF)),
    'vp8-data-garbage.webp': lossy[:40] + bytes((i * 91) & 0xFF for i in range(len(lossy) - 40)),
    'vp8l-size-huge.webp': patch(lossless, vp8l + 9, b'\xff\xff\xff\x0f'),
    'vp8l-data-garbage.webp': lossless[:vp8l + 13] + bytes((i * 29) & 0xFF for i in range(len(lossless) - vp8l - 13)),
    'alph-garbage.webp': alpha[:alph + 9] + bytes((i * 53) & 0xFF for i in range(
        struct.unpack('<I', alpha[alph + 4:alph + 8])[0] - 1)) + alpha[alph + 8 + struct.unpack('<I', alpha[alph + 4:alph + 8])[0]:],
    'canvas-huge.webp': patch(animated, vp8x + 12, b'\xff\xff\xff\xff\xff\xff'),
    'frame-offset-beyond-canvas.webp': patch(animated, anmf + 8, b'\xff\xff\x00\xff\xff\x00'),
    'animated-cut.webp': animated[:len(animated) - 30],
    'exif-garbage.webp': exif[:chunk_at(exif, b'EXIF') + 8] + b'MM\x00\x2a\xff\xff\xff\x00' + exif[chunk_at(exif, b'EXIF') + 16:],
    'chunk-length-zero.webp': riff(b'VP8 ' + struct.pack('<I', 0)),
}
for name, data in files.items():
    open(name, 'wb').write(data)
