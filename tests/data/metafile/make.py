#!/usr/bin/python3
# Writes the metafile test pictures of this folder from the record layouts of the Windows metafile and
# enhanced metafile formats: a picture of 4000 x 1000 pixels at 96 dots per inch, empty but for one red
# rectangle from (1000, 250) to (2000, 750) without outline; then two placeable metafiles in other units
# than points that draw frame.svg, one with Windows-1251 text, and an enhanced metafile with clip paths.
# The reference pictures frame.svg, clip.svg and cyrillic.svg are written by hand; clip.png is clip.svg
# rendered by librsvg (rsvg-convert clip.svg -o clip.png), as Qt SVG 6.4 ignores clip paths. Run from
# this folder; the files are committed.
# With an argument, writes the sample of the same layout (a few rectangles) to that path instead.
import struct
import sys

WIDTH, HEIGHT, DPI = 4000, 1000, 96
RED = 0x0000FF  # COLORREF: red in the lowest byte


def emf(rectangles, width=WIDTH, height=HEIGHT):
    # 0.01 mm per unit of the frame; the reference device is 96 dots per inch (960 px = 254 mm).
    frame = (0, 0, round(width * 2540 / DPI), round(height * 2540 / DPI))
    records = []
    for index, (colour, box) in enumerate(rectangles, start=1):
        records.append(struct.pack('<IIIIII', 39, 24, index, 0, colour, 0))  # EMR_CREATEBRUSHINDIRECT
        records.append(struct.pack('<III', 37, 12, index))  # EMR_SELECTOBJECT
        records.append(struct.pack('<III', 37, 12, 0x80000008))  # EMR_SELECTOBJECT NULL_PEN
        records.append(struct.pack('<IIiiii', 43, 24, *box))  # EMR_RECTANGLE
    records.append(struct.pack('<IIIII', 14, 20, 0, 16, 20))  # EMR_EOF
    body = b''.join(records)
    header_size = 88
    total = header_size + len(body)
    header = struct.pack('<II4i4iIIIIHHIIIiiii', 1, header_size, 0, 0, width - 1, height - 1, *frame,
                         0x464D4520, 0x10000, total, len(records) + 1, len(rectangles) + 1, 0, 0, 0, 0,
                         960, 480, 254, 127)
    assert len(header) == header_size
    return header + body


def wmf(rectangles, width=WIDTH, height=HEIGHT):
    def record(function, *words):
        return struct.pack('<IH', 3 + len(words), function) + struct.pack('<%dH' % len(words), *(w & 0xFFFF for w in words))

    def colour_words(colour):
        return (colour & 0xFFFF, colour >> 16)

    records = [record(0x020B, 0, 0), record(0x020C, height, width)]  # SETWINDOWORG, SETWINDOWEXT (y, x)
    records.append(record(0x02FA, 5, 0, 0, 0, 0))  # CREATEPENINDIRECT PS_NULL: object 0
    records.append(record(0x012D, 0))  # SELECTOBJECT
    for colour, (left, top, right, bottom) in rectangles:
        records.append(record(0x02FC, 0, *colour_words(colour), 0))  # CREATEBRUSHINDIRECT BS_SOLID: object 1
        records.append(record(0x012D, 1))
        records.append(record(0x041B, bottom, right, top, left))  # RECTANGLE
        records.append(record(0x01F0, 1))  # DELETEOBJECT
    records.append(record(0x0000))  # EOF
    body = b''.join(records)
    longest = max(len(r) for r in records) // 2
    header = struct.pack('<HHHIHIH', 1, 9, 0x0300, (18 + len(body)) // 2, 2, longest, 0)
    placeable = struct.pack('<IH4hHI', 0x9AC6CDD7, 0, 0, 0, width, height, DPI, 0)
    checksum = 0
    for (word,) in struct.iter_unpack('<H', placeable):
        checksum ^= word
    return placeable + struct.pack('<H', checksum) + header + body


def wmf_records(bounds, inch, records):
    # A placeable metafile of the given records (each from record()), the end record appended.
    records = records + [record(0x0000)]
    body = b''.join(records)
    longest = max(len(r) for r in records) // 2
    header = struct.pack('<HHHIHIH', 1, 9, 0x0300, (18 + len(body)) // 2, 2, longest, 0)
    placeable = struct.pack('<IH4hHI', 0x9AC6CDD7, 0, *bounds, inch, 0)
    checksum = 0
    for (word,) in struct.iter_unpack('<H', placeable):
        checksum ^= word
    return placeable + struct.pack('<H', checksum) + header + body


def record(function, *words):
    return struct.pack('<IH', 3 + len(words), function) + struct.pack('<%dH' % len(words), *(w & 0xFFFF for w in words))


def solid_rectangle(colour, left, top, right, bottom):
    return [record(0x02FC, 0, colour & 0xFFFF, colour >> 16, 0), record(0x012D, 1),
            record(0x041B, bottom, right, top, left), record(0x01F0, 1)]


def frame_wmf(inch, bounds, window_org, window_ext, rectangles):
    # 96 x 48 pixels at 96 dots per inch; an anisotropic window of other units than points.
    setup = [record(0x0103, 8), record(0x020B, window_org[1], window_org[0]),
             record(0x020C, window_ext[1], window_ext[0]), record(0x02FA, 5, 0, 0, 0, 0), record(0x012D, 0)]
    return wmf_records(bounds, inch, setup + sum((solid_rectangle(c, *box) for c, box in rectangles), []))


def cyrillic_wmf():
    # A font with RUSSIAN_CHARSET (204) and a line of text in Windows-1251.
    face = b'Arial\0'
    font = struct.pack('<hhhhhBBBBBBBB', -40, 0, 0, 0, 400, 0, 0, 0, 204, 0, 0, 0, 0) + face
    text = 'Привет, мир'.encode('cp1251')
    padded = text + b'\0' * (len(text) % 2)
    records = [record(0x020B, 0, 0), record(0x020C, 60, 240),
               record(0x02FB, *struct.unpack('<%dH' % (len(font) // 2), font)), record(0x012D, 0),
               record(0x0209, 0x0000FF, 0), record(0x0521, len(text), *struct.unpack('<%dH' % (len(padded) // 2), padded), 10, 10)]
    return wmf_records((0, 0, 240, 60), 96, records)


def clip_emf():
    # 72 x 48 pixels (a whole number of 0.01 mm): a background, a strip clipped to a triangle, an ellipse clipped to a rectangle.
    def rec(kind, *values):
        return struct.pack('<II', kind, 8 + 4 * len(values)) + struct.pack('<%dI' % len(values), *(v & 0xFFFFFFFF for v in values))

    def path(points):  # BEGINPATH, MOVETOEX, LINETO..., CLOSEFIGURE, ENDPATH, SELECTCLIPPATH RGN_COPY
        return [rec(59), rec(27, *points[0])] + [rec(54, *p) for p in points[1:]] + [rec(61), rec(60), rec(67, 5)]

    def brush(index, colour):  # CREATEBRUSHINDIRECT, SELECTOBJECT
        return [rec(39, index, 0, colour, 0), rec(37, index)]

    records = [rec(38, 9, 5, 0, 0, 0), rec(37, 9)]  # CREATEPEN PS_NULL
    records += brush(1, 0xC08040) + [rec(43, 0, 0, 72, 48)]
    records += path([(8, 40), (32, 4), (56, 40)]) + brush(2, 0x0000FF) + [rec(43, 0, 16, 64, 32)]
    records += path([(40, 4), (60, 4), (60, 44), (40, 44)]) + brush(3, 0x00FF00) + [rec(42, 30, 0, 64, 48)]
    records.append(struct.pack('<IIIII', 14, 20, 0, 16, 20))
    body = b''.join(records)
    frame = (0, 0, 72 * 2540 // DPI, 48 * 2540 // DPI)
    header = struct.pack('<II4i4iIIIIHHIIIiiii', 1, 88, 0, 0, 71, 47, *frame, 0x464D4520, 0x10000, 88 + len(body),
                         len(records) + 1, 10, 0, 0, 0, 0, 960, 480, 254, 127)
    return header + body


def write(name, data):
    with open(name, 'wb') as out:
        out.write(data)


if len(sys.argv) > 1:
    # The sample: a landscape of coloured bands, 1600 x 1000 pixels.
    bands = [(0xC08040, (0, 0, 1600, 600)), (0x30A050, (0, 600, 1600, 1000)),
             (0x20C0F0, (1150, 120, 1400, 370)), (0x206090, (300, 420, 700, 760))]
    path = sys.argv[1]
    write(path, (emf if path.endswith('.emf') else wmf)(bands, 1600, 1000))
else:
    write('rectangle.emf', emf([(RED, (1000, 250, 2000, 750))]))
    write('rectangle.wmf', wmf([(RED, (1000, 250, 2000, 750))]))
    # The same picture (frame.svg) through twips and a window offset, and through a window upside down.
    write('twips.wmf', frame_wmf(1440, (0, 0, 1440, 720), (100, 50), (2000, 1000),
                                 [(RED, (225, 175, 1350, 675)), (0x00FF00, (1475, 550, 2100, 1050))]))
    write('flipped.wmf', frame_wmf(2540, (0, 0, 2540, 1270), (0, 1000), (2000, -1000),
                                   [(RED, (125, 875, 1250, 375)), (0x00FF00, (1375, 500, 2000, 0))]))
    write('cyrillic.wmf', cyrillic_wmf())
    write('clip.emf', clip_emf())
