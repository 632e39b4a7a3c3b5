#!/usr/bin/python3
# Hostile PNG files made from the pictures of the folder above, replayed by the malformed-input test: each
# must be refused or load without touching memory outside any buffer. Chunks keep correct CRCs unless the
# name says otherwise, so that the library reaches the broken field. Run from this folder; the files are
# committed.
import struct
import zlib


def chunks(data):
    i, found = 8, []
    while i + 12 <= len(data):
        length = struct.unpack('>I', data[i:i + 4])[0]
        found.append((data[i + 4:i + 8], data[i + 8:i + 8 + length]))
        i += 12 + length
    return found


def build(parts):
    out = b'\x89PNG\r\n\x1a\n'
    for kind, body in parts:
        out += struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    return out


def replaced(data, kind, body):
    return build([(k, body if k == kind else b) for k, b in chunks(data)])


def ihdr(width, height, depth, colour, interlace=0):
    return struct.pack('>IIBBBBB', width, height, depth, colour, 0, 0, interlace)


def inserted_before(data, before, kind, body):
    parts = []
    for k, b in chunks(data):
        if k == before:
            parts.append((kind, body))
        parts.append((k, b))
    return build(parts)


rgb = open('../rgb-8.png', 'rb').read()
palette = open('../palette-4.png', 'rb').read()
interlaced = open('../interlaced-rgba-16.png', 'rb').read()
idat = b''.join(b for k, b in chunks(rgb) if k == b'IDAT')
raw = zlib.decompress(idat)
files = {
    'only-signature.png': rgb[:8],
    'ihdr-width-zero.png': replaced(rgb, b'IHDR', ihdr(0, 11, 8, 2)),
    'ihdr-width-beyond-limit.png': replaced(rgb, b'IHDR', ihdr(0x7FFFFFFF, 11, 8, 2)),
    'ihdr-million-squared.png': replaced(rgb, b'IHDR', ihdr(1000000, 1000000, 8, 2)),
    'ihdr-depth-three.png': replaced(rgb, b'IHDR', ihdr(13, 11, 3, 2)),
    'ihdr-colour-type-five.png': replaced(rgb, b'IHDR', ihdr(13, 11, 8, 5)),
    'ihdr-interlace-two.png': replaced(rgb, b'IHDR', ihdr(13, 11, 8, 2, 2)),
    'ihdr-crc-wrong.png': rgb[:29] + bytes([rgb[29] ^ 0xFF]) + rgb[30:],
    'plte-missing.png': build([(k, b) for k, b in chunks(palette) if k != b'PLTE']),
    'plte-too-long.png': replaced(palette, b'PLTE', bytes(range(256)) * 3 + bytes(132)),
    'plte-not-multiple-of-three.png': replaced(palette, b'PLTE', bytes(47)),
    'trns-longer-than-palette.png': inserted_before(palette, b'IDAT', b'tRNS', bytes(200)),
    'trns-in-rgba.png': inserted_before(interlaced, b'IDAT', b'tRNS', bytes(6)),
    'idat-garbage.png': replaced(rgb, b'IDAT', bytes((i * 37) & 0xFF for i in range(300))),
    'idat-rows-missing.png': build([(k, b) for k, b in chunks(rgb) if k != b'IDAT'][:1] +
                                   [(b'IDAT', zlib.compress(raw[:len(raw) // 2])), (b'IEND', b'')]),
    'idat-filter-type-nine.png': build([(k, b) for k, b in chunks(rgb) if k != b'IDAT'][:1] +
                                       [(b'IDAT', zlib.compress(b'\x09' + raw[1:])), (b'IEND', b'')]),
    'idat-cut.png': rgb[:len(rgb) // 2],
    'interlaced-cut.png': interlaced[:len(interlaced) * 2 // 3],
    'exif-directory-beyond.png': inserted_before(rgb, b'IDAT', b'eXIf', b'MM\x00\x2a\xff\xff\xff\x00'),
    'exif-entries-beyond.png': inserted_before(rgb, b'IDAT', b'eXIf', b'II\x2a\x00\x08\x00\x00\x00\xff\xff'),
    'chunk-length-huge.png': rgb[:33] + struct.pack('>I', 0x7FFFFFF0) + b'tEXt' + rgb[41:],
    'no-iend.png': rgb[:-12],
}
for name, data in files.items():
    open(name, 'wb').write(data)
