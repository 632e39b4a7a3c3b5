#!/usr/bin/python3
# Hostile TIFF files, replayed by the malformed-input test: each must load or be refused without reading
# or writing outside any buffer, and without hanging. Run from this folder; the files are committed.
import struct
import sys
sys.dont_write_bytecode = True
from tiff import Tiff, BYTE, ASCII, SHORT, LONG, RATIONAL

def base(width=4, height=3, photometric=2, samples=3, bits=8, compression=1, big=False):
    t = Tiff(big)
    t.entry(256, LONG, [width]).entry(257, LONG, [height]).entry(258, SHORT, [bits] * samples)
    t.entry(259, SHORT, [compression]).entry(262, SHORT, [photometric]).entry(277, SHORT, [samples])
    return t

def save(name, data):
    with open(name, 'wb') as f:
        f.write(data)

# Directory chains: to itself, back to the first, and a long loop through three.
t = base(); t.strips([bytes(36)]); t.last_next = 8
save('chain-to-itself.tif', t.build())
t = base(); t.page(); t.entry(256, SHORT, [1]); t.page(); t.entry(256, SHORT, [1]); t.last_next = 8
t.strips([bytes(36)])
save('chain-back-to-first.tif', t.build())
save('first-directory-beyond-end.tif', b'II*\0' + struct.pack('<I', 0x7FFFFFF0))
save('directory-count-huge.tif', b'MM\0*' + struct.pack('>IH', 8, 0xFFFF) + bytes(40))
save('only-byte-order.tif', b'II')
save('byte-order-unknown.tif', b'IM*\0\x08\0\0\0')

# Strips: offsets beyond the end, counts beyond the end, counts of 4 billion, more strips than rows.
t = base(); t.raw(273, LONG, 1, struct.pack('<I', 0xFFFFFF00)); t.entry(279, LONG, [36])
save('strip-offset-beyond-end.tif', t.build())
t = base(); t.entry(278, SHORT, [1]); t.strips([bytes(12)] * 3)
data = bytearray(t.build())
save('strip-counts-beyond-end.tif', bytes(data[:-20]))
t = base(); t.raw(273, LONG, 0xFFFFFFFF, struct.pack('<I', 8)); t.raw(279, LONG, 0xFFFFFFFF, struct.pack('<I', 8))
save('strip-arrays-count-huge.tif', t.build())
t = base(); t.entry(278, LONG, [0]); t.strips([bytes(range(36))] * 5)
save('rows-per-strip-zero.tif', t.build())
t = base(samples=3); t.entry(284, SHORT, [2]); t.strips([bytes(12)] * 2)
save('planar-two-strips.tif', t.build())

# Palette indices beyond a short colour map, and a colour map with far more entries than 2^bits.
t = base(photometric=3, samples=1, bits=8); t.entry(320, SHORT, [65535] * 6); t.strips([bytes([0, 1, 2, 255] * 3)])
save('palette-map-short.tif', t.build())
t = base(photometric=3, samples=1, bits=4); t.raw(320, SHORT, 0xFFFFFFFF, struct.pack('<I', 8))
t.strips([bytes([0x12, 0xFF] * 3)])
save('palette-map-count-huge.tif', t.build())

# Compressed strips that end early or hold garbage.
t = base(photometric=0, samples=1, bits=1, compression=4, width=100, height=20); t.strips([bytes([0x00, 0x11, 0x22])])
save('g4-truncated.tif', t.build())
t = base(photometric=0, samples=1, bits=1, compression=4, width=300, height=8); t.strips([bytes([0xFF, 0x7F] * 40)])
save('g4-vertical-past-the-row.tif', t.build())
t = base(photometric=0, samples=1, bits=1, compression=3, width=64, height=4); t.entry(292, LONG, [1])
t.strips([bytes([0x00, 0x10, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0xFF, 0x00, 0x01])])
save('g3-2d-broken-rows.tif', t.build())
t = base(photometric=1, samples=1, bits=1, compression=2, width=3000, height=3); t.strips([bytes([0x0D, 0x80] * 8 + [0x00] * 4)])
save('mh-makeup-chains.tif', t.build())
t = base(photometric=1, samples=1, bits=1, compression=3, width=20, height=200000); t.strips([bytes(64)])
save('g3-zeros-many-rows.tif', t.build())
t = base(compression=32773); t.strips([bytes([0x7F]) + bytes(3) + bytes([0x81, 0xAA] * 4)])
save('packbits-literal-past-the-strip.tif', t.build())
t = base(compression=32773, width=2, height=1); t.strips([bytes([0x81, 0xAA, 0x80, 0x7F, 1, 2])])
save('packbits-run-past-the-row.tif', t.build())

# Sizes: width times samples overflowing 32 bits, a huge row of a bilevel page.
t = base(width=0xFFFFFFFF, height=0xFFFFFFFF); t.strips([bytes(3)])
save('size-all-bits.tif', t.build())
t = base(width=0x40000000, height=1, photometric=0, samples=1, bits=1, compression=4); t.strips([bytes([0xFF])])
save('g4-row-of-a-billion.tif', t.build())
t = base(); t.entry(320, SHORT, [1]); t.raw(270, ASCII, 0xFFFFFFFF, struct.pack('<I', 8)); t.raw(282, RATIONAL, 1, struct.pack('<I', 0xFFFFFFF0))
t.entry(283, RATIONAL, [(1, 0)]); t.strips([bytes(36)])
save('tags-pointing-nowhere.tif', t.build())
t = base(big=True, photometric=8); t.entry(282, RATIONAL, [(0xFFFFFFFF, 1)]); t.entry(296, SHORT, [3]); t.strips([bytes([128] * 36)])
save('lab-resolution-huge.tif', t.build())

# Pages that the own decoder hands to libtiff: codes that hold garbage or end early, tiles and
# subsampling that no picture has, sizes and sample counts that would ask for absurd buffers, BigTIFF
# headers that point nowhere.
import zlib
noise = bytes((i * 73 + 41) % 256 for i in range(300))
t = base(compression=5, width=40, height=30); t.strips([noise])
save('library-lzw-garbage.tif', t.build())
t = base(compression=8, width=40, height=30); t.entry(317, SHORT, [2]); t.strips([zlib.compress(bytes(range(256)) * 4)[:-30]])
save('library-deflate-truncated.tif', t.build())
t = base(compression=7, width=40, height=30); t.strips([b'\xff\xd8\xff\xdb' + noise])
save('library-jpeg-garbage.tif', t.build())
t = base(compression=6, width=40, height=30, photometric=6); t.strips([b'\xff\xd8' + noise])
save('library-old-jpeg-garbage.tif', t.build())
t = base(compression=5, width=4, height=3); t.entry(322, LONG, [0x10000000]).entry(323, LONG, [0x10000000])
t.strips([noise])
save('library-tile-huge.tif', t.build())
t = base(compression=5, width=4, height=3); t.entry(322, SHORT, [16]).entry(323, SHORT, [16])
t.raw(324, LONG, 0xFFFFFF, struct.pack('<I', 8)).raw(325, LONG, 0xFFFFFF, struct.pack('<I', 8))
save('library-tile-arrays-huge.tif', t.build())
t = base(compression=1, photometric=6, width=7, height=5); t.entry(530, SHORT, [4, 4]); t.strips([noise[:20]])
save('library-ycbcr-subsampling-short.tif', t.build())
t = base(compression=1, photometric=6, width=7, height=5); t.entry(530, SHORT, [3, 5]); t.strips([noise])
save('library-ycbcr-subsampling-invalid.tif', t.build())
t = base(compression=5, width=0xFFFF, height=0xFFFF); t.strips([noise])
save('library-lzw-size-huge.tif', t.build())
t = base(compression=5, samples=3, width=2, height=2, photometric=2, bits=8); t.entry(338, SHORT, [2])
t.pages[-1] = [e for e in t.pages[-1] if e[0] not in (258, 277)]
t.entry(258, SHORT, [8]).entry(277, SHORT, [60000]); t.strips([noise])
save('library-samples-huge.tif', t.build())
t = base(compression=5, photometric=1, samples=1, bits=16, width=40, height=30); t.strips([noise[:50]])
save('library-grey16-truncated.tif', t.build())
t = base(compression=8, photometric=1, samples=1, bits=32, width=8, height=8); t.entry(317, SHORT, [3])
t.entry(339, SHORT, [3]); t.strips([zlib.compress(noise)])
save('library-float-predictor-garbage.tif', t.build())
t = base(compression=8, photometric=1, samples=1, bits=16, width=8, height=8); t.entry(317, SHORT, [3])
t.entry(339, SHORT, [3]); t.strips([zlib.compress(noise)])
save('library-float16-predictor.tif', t.build())
t = base(compression=5, photometric=5, samples=4, bits=16, width=4, height=4); t.entry(284, SHORT, [2])
t.strips([noise] * 4)
save('library-cmyk16-planar.tif', t.build())
# BigTIFF: version 43, offsets of 8 bytes; the first directory far beyond the end, and one whose entry
# count is huge.
save('library-bigtiff-directory-beyond-end.tif', b'II+\0\x08\0\0\0' + struct.pack('<Q', 1 << 60))
save('library-bigtiff-count-huge.tif', b'II+\0\x08\0\0\0' + struct.pack('<QQ', 16, 1 << 62) + bytes(40))
save('library-bigtiff-bytesize-wrong.tif', b'MM\0+\0\x04\0\0' + struct.pack('>Q', 16) + bytes(40))
