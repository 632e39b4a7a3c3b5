#!/usr/bin/python3
# Writes the metafile test pictures of this folder from the record layouts of the Windows metafile and
# enhanced metafile formats: a picture of 4000 x 1000 pixels at 96 dots per inch, empty but for one red
# rectangle from (1000, 250) to (2000, 750) without outline. Run from this folder; the files are committed.
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
