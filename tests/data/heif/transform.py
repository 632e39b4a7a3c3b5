#!/usr/bin/python3
"""Gives the primary image of a HEIF file a rotation (irot) and a mirror (imir), which heif-enc does not
write: both property boxes go to the end of ipco and are tied to the primary item in ipma, the boxes
around them grow, and the file offsets of iloc move past the inserted bytes.

    transform.py IN OUT ANGLE AXIS     (ANGLE: quarter turns anticlockwise; AXIS: 0 vertical, 1 horizontal)
"""
import struct
import sys


def boxes(data, start, end):
    """(type, start, header size, end) of the boxes in data[start:end]."""
    at = start
    while at + 8 <= end:
        size, kind = struct.unpack('>I4s', data[at:at + 8])
        yield kind.decode('latin-1'), at, 8, at + size
        at += size


def child(data, parent, kind, skip=0):
    _, start, header, end = parent
    for box in boxes(data, start + header + skip, end):
        if box[0] == kind:
            return box
    raise SystemExit('no ' + kind)


def grow(data, box, delta):
    struct.pack_into('>I', data, box[1], box[3] - box[1] + delta)


def shift_iloc(data, iloc, limit, delta):
    at = iloc[1] + 8
    version = data[at]
    at += 4
    offset_size, length_size = data[at] >> 4, data[at] & 15
    base_size, index_size = data[at + 1] >> 4, data[at + 1] & 15
    at += 2
    read = {0: lambda a: 0, 4: lambda a: struct.unpack_from('>I', data, a)[0],
            8: lambda a: struct.unpack_from('>Q', data, a)[0]}
    write = {4: lambda a, v: struct.pack_into('>I', data, a, v), 8: lambda a, v: struct.pack_into('>Q', data, a, v)}
    count_size = 4 if version == 2 else 2
    count = read[4](at) if count_size == 4 else struct.unpack_from('>H', data, at)[0]
    at += count_size
    for _ in range(count):
        at += 4 if version == 2 else 2
        method = 0
        if version in (1, 2):
            method = struct.unpack_from('>H', data, at)[0] & 15
            at += 2
        at += 2
        base = read[base_size](at)
        if method == 0 and base_size and base >= limit:
            write[base_size](at, base + delta)
        at += base_size
        extents = struct.unpack_from('>H', data, at)[0]
        at += 2
        for _ in range(extents):
            if version in (1, 2) and index_size:
                at += index_size
            offset = read[offset_size](at)
            if method == 0 and not base_size and offset >= limit:
                write[offset_size](at, offset + delta)
            at += offset_size + length_size


def main():
    source, target, angle, axis = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    data = bytearray(open(source, 'rb').read())
    meta = next(b for b in boxes(data, 0, len(data)) if b[0] == 'meta')
    meta = (meta[0], meta[1], meta[2] + 4, meta[3])  # a full box
    pitm = child(data, meta, 'pitm')
    primary = struct.unpack_from('>H', data, pitm[1] + 12)[0]
    iprp = child(data, meta, 'iprp')
    ipco = child(data, iprp, 'ipco')
    ipma = child(data, iprp, 'ipma')
    iloc = child(data, meta, 'iloc')
    properties = sum(1 for _ in boxes(data, ipco[1] + 8, ipco[3]))

    added = struct.pack('>I4sB', 9, b'irot', angle & 3) + struct.pack('>I4sB', 9, b'imir', axis & 1)
    version, flags = data[ipma[1] + 8], int.from_bytes(data[ipma[1] + 9:ipma[1] + 12], 'big')
    wide = flags & 1
    association = (lambda index: struct.pack('>H', 0x8000 | index)) if wide else (lambda index: bytes([0x80 | index]))
    links = association(properties + 1) + association(properties + 2)

    # The ipma entry of the primary item: its association count grows by two.
    at = ipma[1] + 12
    entries = struct.unpack_from('>I', data, at)[0]
    at += 4
    entry_end = None
    for _ in range(entries):
        item = struct.unpack_from('>I' if version >= 1 else '>H', data, at)[0]
        at += 4 if version >= 1 else 2
        count = data[at]
        end = at + 1 + count * (2 if wide else 1)
        if item == primary:
            data[at] = count + 2
            entry_end = end
        at = end
    if entry_end is None:
        raise SystemExit('the primary item has no properties')

    delta = len(added) + len(links)
    limit = meta[3]
    shift_iloc(data, iloc, limit, delta)
    for box, grown in ((meta, delta), (iprp, delta), (ipco, len(added)), (ipma, len(links))):
        grow(data, box, grown)
    # The later insertion first, so that the earlier offset stays valid.
    if entry_end > ipco[3]:
        data[entry_end:entry_end] = links
        data[ipco[3]:ipco[3]] = added
    else:
        data[ipco[3]:ipco[3]] = added
        data[entry_end:entry_end] = links
    open(target, 'wb').write(data)


main()
