#!/usr/bin/python3
# Makes the GIF test pictures of this folder with a small encoder of its own (frame offsets, local and
# global colour tables, transparency, interlacing and animations exactly as wanted), and for each NAME.gif
# the reference NAME.ppm: Pillow's first frame, transparency composited over black. Run from this folder;
# the files are committed.
import struct

from PIL import Image


def lzw(indices, min_size):
    # Literal codes only, with a clear code before the table would need wider codes: valid LZW data that
    # every decoder reads the same.
    clear, end = 1 << min_size, (1 << min_size) + 1
    size, run = min_size + 1, (1 << min_size) - 2
    codes = []
    for i, v in enumerate(indices):
        if i % run == 0:
            codes.append(clear)
        codes.append(v)
    codes.append(end)
    out, acc, bits = bytearray(), 0, 0
    for c in codes:
        acc, bits = acc | (c << bits), bits + size
        while bits >= 8:
            out.append(acc & 255)
            acc, bits = acc >> 8, bits - 8
    if bits:
        out.append(acc)
    blocks = b''.join(bytes([len(out[i:i + 255])]) + out[i:i + 255] for i in range(0, len(out), 255))
    return bytes([min_size]) + blocks + b'\0'


def table(colours, bits):
    data = b''.join(bytes(c) for c in colours)
    return data + b'\0' * (3 * (1 << bits) - len(data))


def gif(name, width, height, frames, colours=None, bits=2, background=0):
    flags = (0xF0 | (bits - 1)) if colours is not None else 0x70
    out = b'GIF89a' + struct.pack('<HHBBB', width, height, flags, background, 0)
    if colours is not None:
        out += table(colours, bits)
    for f in frames:
        if 'transparent' in f or len(frames) > 1:
            t = f.get('transparent')
            out += b'\x21\xf9\x04' + bytes([int(t is not None)]) + struct.pack('<H', 10) + bytes([t or 0]) + b'\0'
        local, local_bits = f.get('colours'), f.get('bits', bits)
        fl = (0x80 | (local_bits - 1)) if local is not None else 0
        fl |= 0x40 if f.get('interlace') else 0
        out += b',' + struct.pack('<HHHHB', f['x'], f['y'], f['w'], f['h'], fl)
        if local is not None:
            out += table(local, local_bits)
        px, w, h = f['pixels'], f['w'], f['h']
        if f.get('interlace'):
            order = [*range(0, h, 8), *range(4, h, 8), *range(2, h, 4), *range(1, h, 2)]
            px = [px[r * w + c] for r in order for c in range(w)]
        out += lzw(px, max(2, local_bits))
    open(name + '.gif', 'wb').write(out + b';')
    with Image.open(name + '.gif') as im:
        first = im.convert('RGBA')
    Image.alpha_composite(Image.new('RGBA', first.size, (0, 0, 0, 255)), first).convert('RGB').save(name + '.ppm')


def pattern(w, h, count):
    return [(x * 3 + y * 5 + x * y) % count for y in range(h) for x in range(w)]


four = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0)]
ramp = [(i, 255 - i, (i * 7) % 256) for i in range(256)]
gif('global-2bit', 13, 7, [dict(x=0, y=0, w=13, h=7, pixels=pattern(13, 7, 4))], four)
gif('two-colours', 9, 5, [dict(x=0, y=0, w=9, h=5, pixels=pattern(9, 5, 2))], four[:2], bits=1)
gif('local-8bit', 17, 9, [dict(x=0, y=0, w=17, h=9, pixels=pattern(17, 9, 256), colours=ramp, bits=8)])
gif('transparent', 13, 7, [dict(x=0, y=0, w=13, h=7, pixels=pattern(13, 7, 4), transparent=2)], four)
gif('offset-transparent', 20, 15, [dict(x=5, y=3, w=11, h=9, pixels=pattern(11, 9, 4), transparent=3)], four,
    background=1)
gif('interlaced', 11, 19, [dict(x=0, y=0, w=11, h=19, pixels=pattern(11, 19, 256), colours=ramp, bits=8,
                                interlace=True)])
gif('animated', 12, 10, [dict(x=0, y=0, w=12, h=10, pixels=pattern(12, 10, 4)),
                         dict(x=2, y=2, w=4, h=4, pixels=[3] * 16)], four)

# A picture large enough to be drawn on a second thread while it is decoded, written by Pillow's own
# encoder (real LZW codes), interlaced, with a transparent index; its reference is kept as PNG.
big = Image.new('P', (1200, 1000))
big.putpalette([v for c in ramp for v in c])
big.putdata([((x // 24) * 5 + (y // 16) * 11) % 256 for y in range(1000) for x in range(1200)])
big.save('large-interlaced.gif', interlace=True, transparency=7)
with Image.open('large-interlaced.gif') as im:
    first = im.convert('RGBA')
Image.alpha_composite(Image.new('RGBA', first.size, (0, 0, 0, 255)), first).convert('RGB').save(
    'large-interlaced.png')
