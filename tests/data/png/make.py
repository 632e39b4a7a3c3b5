#!/usr/bin/python3
# Makes the PNG test pictures of this folder with a small encoder of its own (every colour type, bit
# depth, tRNS, Adam7 interlacing and eXIf exactly as wanted), and for each NAME.png the reference NAME.ppm
# from ImageMagick's decode of it, samples rounded to 8 bits and transparency composited over black.
# The sizes are odd so that rows end inside a byte and Adam7 passes are partly empty. Run from this folder;
# the files are committed.
import struct
import subprocess
import zlib

ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def chunk(kind, data):
    body = kind + data
    return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body))


def pack_row(samples, depth):
    if depth == 16:
        return b''.join(struct.pack('>H', s) for s in samples)
    if depth == 8:
        return bytes(samples)
    out, acc, bits = bytearray(), 0, 0
    for s in samples:
        acc, bits = (acc << depth) | s, bits + depth
        if bits == 8:
            out.append(acc)
            acc, bits = 0, 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


def raw_data(pixels, width, height, depth, interlaced):
    # pixels[y][x] is a tuple of samples. Odd rows of each pass use the Up filter, even ones none, so the
    # library's unfiltering is exercised too.
    def filtered(rows):
        out, previous = bytearray(), None
        for i, row in enumerate(rows):
            if previous is not None and i % 2 == 1:
                out.append(2)
                out += bytes((a - b) & 255 for a, b in zip(row, previous))
            else:
                out.append(0)
                out += row
            previous = row
        return out
    flat = lambda x, y: list(pixels[y][x])
    if not interlaced:
        return filtered([pack_row(sum((flat(x, y) for x in range(width)), []), depth) for y in range(height)])
    out = bytearray()
    for x0, y0, dx, dy in ADAM7:
        xs, ys = range(x0, width, dx), range(y0, height, dy)
        if len(xs) and len(ys):
            out += filtered([pack_row(sum((flat(x, y) for x in xs), []), depth) for y in ys])
    return out


def png(name, width, height, colour_type, depth, pixels, palette=None, trns=None, interlaced=False,
        exif=None):
    out = b'\x89PNG\r\n\x1a\n'
    out += chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, depth, colour_type, 0, 0, int(interlaced)))
    if exif is not None:
        out += chunk(b'eXIf', exif)
    if palette is not None:
        out += chunk(b'PLTE', b''.join(bytes(c) for c in palette))
    if trns is not None:
        out += chunk(b'tRNS', trns)
    data = zlib.compress(bytes(raw_data(pixels, width, height, depth, interlaced)), 9)
    # Two IDAT chunks, split in the middle.
    out += chunk(b'IDAT', data[:len(data) // 2]) + chunk(b'IDAT', data[len(data) // 2:])
    out += chunk(b'IEND', b'')
    open(name + '.png', 'wb').write(out)
    reference(name, width, height)


def reference(name, width, height):
    # ImageMagick's samples at 16 bits, each rounded to 8 bits, colour then composited over black and
    # rounded: its own -depth 8 and alpha removal truncate instead.
    rgba = subprocess.run(['/usr/bin/convert', name + '.png', '-depth', '16', '-endian', 'MSB', 'rgba:-'], check=True,
                          capture_output=True).stdout
    samples = struct.unpack('>%dH' % (len(rgba) // 2), rgba)
    assert len(samples) == width * height * 4
    to8 = lambda v: (v * 255 + 32767) // 65535
    out = bytearray()
    for i in range(0, len(samples), 4):
        alpha = to8(samples[i + 3])
        out += bytes((to8(v) * alpha + 127) // 255 for v in samples[i:i + 3])
    open(name + '.ppm', 'wb').write(b'P6\n%d %d\n255\n' % (width, height) + out)


def picture(width, height, samples, top):
    # A different value in every pixel and channel, spread over the whole range 0 ... top.
    return [[tuple((x * 7 + y * 13 + c * 29 + x * y) * 2654435761 % (top + 1) for c in range(samples))
             for x in range(width)] for y in range(height)]


def exif_orientation(orientation):
    tiff = b'MM' + struct.pack('>HI', 42, 8) + struct.pack('>H', 1)
    tiff += struct.pack('>HHIHH', 0x0112, 3, 1, orientation, 0) + struct.pack('>I', 0)
    return tiff


W, H = 13, 11
for depth in (1, 2, 4, 8, 16):
    png('grey-%d' % depth, W, H, 0, depth, picture(W, H, 1, (1 << depth) - 1))
    if depth <= 8:
        count = min(256, 1 << depth)
        palette = [((i * 67) % 256, (i * 151) % 256, (255 - i * 37) % 256) for i in range(count)]
        png('palette-%d' % depth, W, H, 3, depth, picture(W, H, 1, count - 1), palette)
png('grey-2-trns', W, H, 0, 2, picture(W, H, 1, 3), trns=struct.pack('>H', 1))
png('grey-16-trns', W, H, 0, 16, [[(0 if (x + y) % 3 == 0 else 40000 + x,) for x in range(W)] for y in range(H)],
    trns=struct.pack('>H', 0))
png('palette-4-trns', W, H, 3, 4, picture(W, H, 1, 15),
    [(i * 16, 255 - i * 16, (i * 90) % 256) for i in range(16)], trns=bytes([0, 128, 255, 7, 200]))
png('rgb-8', W, H, 2, 8, picture(W, H, 3, 255))
png('rgb-16', W, H, 2, 16, picture(W, H, 3, 65535))
png('rgb-8-trns', W, H, 2, 8, [[(x * 20, y * 20, 77) for x in range(W)] for y in range(H)],
    trns=struct.pack('>HHH', 40, 40, 77))
png('grey-alpha-8', W, H, 4, 8, picture(W, H, 2, 255))
png('grey-alpha-16', W, H, 4, 16, picture(W, H, 2, 65535))
png('rgba-8', W, H, 6, 8, picture(W, H, 4, 255))
png('rgba-16', W, H, 6, 16, picture(W, H, 4, 65535))
png('interlaced-grey-1', W, H, 0, 1, picture(W, H, 1, 1), interlaced=True)
png('interlaced-palette-4', W, H, 3, 4, picture(W, H, 1, 15), [(i * 16, i * 8, 255 - i) for i in range(16)],
    interlaced=True)
png('interlaced-rgb-8', 17, 9, 2, 8, picture(17, 9, 3, 255), interlaced=True)
png('interlaced-rgba-16', W, H, 6, 16, picture(W, H, 4, 65535), interlaced=True)
png('one-pixel', 1, 1, 2, 8, [[(1, 2, 3)]], interlaced=True)
png('exif-orientation-6', W, H, 2, 8, picture(W, H, 3, 255), exif=exif_orientation(6))
