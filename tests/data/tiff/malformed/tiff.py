# A small TIFF writer for hand-built test files: a chain of directories (one per page), entries sorted by
# tag, values that do not fit in an entry placed after the directories, strips after them.
import struct

BYTE, ASCII, SHORT, LONG, RATIONAL = 1, 2, 3, 4, 5


class Tiff:
    def __init__(self, big=False):
        self.big = big
        self.e = '>' if big else '<'
        self.pages = [[]]
        self.strip_rows = None
        self.strip_counts = True
        # When set, the last directory's next offset (to make chains that loop).
        self.last_next = 0

    def page(self):
        self.pages.append([])
        return self

    def entry(self, tag, type_, values, count=None):
        """values: a list of numbers (pairs for RATIONAL) or bytes for ASCII; count overrides the
        stored count."""
        self.pages[-1].append([tag, type_, values, count, None])
        return self

    def raw(self, tag, type_, count, field):
        """An entry whose count and 4-byte value field are stored as given."""
        self.pages[-1].append([tag, type_, None, count, field])
        return self

    def strips(self, data, counts=True):
        """Strips of the first page; StripOffsets and (unless counts is False) StripByteCounts."""
        self.strip_rows = data
        self.strip_counts = counts
        return self

    def _pack(self, type_, values):
        if type_ == ASCII:
            return values
        if type_ == RATIONAL:
            return b''.join(struct.pack(self.e + 'II', n, d) for n, d in values)
        code = {1: 'B', 3: 'H', 4: 'I', 6: 'b', 8: 'h', 9: 'i'}[type_]
        return b''.join(struct.pack(self.e + code, v) for v in values)

    def _build(self, strip_offsets):
        pages = [sorted(p, key=lambda e: e[0]) for p in self.pages]
        if self.strip_rows is not None:
            pages[0] = sorted(pages[0] + [[273, LONG, strip_offsets, None, None]] +
                              ([[279, LONG, [len(s) for s in self.strip_rows], None, None]]
                               if self.strip_counts else []), key=lambda e: e[0])
        values_at = 8 + sum(2 + 12 * len(p) + 4 for p in pages)
        blobs = b''
        dirs = b''
        at = 8
        for i, p in enumerate(pages):
            d = struct.pack(self.e + 'H', len(p))
            for tag, type_, values, count, field in p:
                if field is None:
                    packed = self._pack(type_, values)
                    if count is None:
                        count = len(values)
                    if len(packed) > 4:
                        field = struct.pack(self.e + 'I', values_at + len(blobs))
                        blobs += packed
                    else:
                        field = packed.ljust(4, b'\0')
                d += struct.pack(self.e + 'HHI', tag, type_, count) + field
            at += len(d) + 4
            d += struct.pack(self.e + 'I', at if i + 1 < len(pages) else self.last_next)
            dirs += d
        head = (b'MM' if self.big else b'II') + struct.pack(self.e + 'HI', 42, 8)
        return head + dirs + blobs

    def build(self):
        if self.strip_rows is None:
            return self._build([])
        start = len(self._build([0] * len(self.strip_rows)))
        offsets = []
        for s in self.strip_rows:
            offsets.append(start)
            start += len(s)
        return self._build(offsets) + b''.join(self.strip_rows)

    def write(self, name):
        with open(name, 'wb') as f:
            f.write(self.build())
