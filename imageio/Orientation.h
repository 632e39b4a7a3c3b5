#pragma once

#include "platform/Bitmap.h"

#include <cstdint>
#include <span>

// Photographs are often stored as the camera's sensor saw them and carry an Exif orientation that says how
// to turn them upright. The values are those of Exif tag 274 (the TIFF Orientation tag): where row 0 and
// column 0 of the stored picture lie when it is seen upright.
//   1 top, left (as stored)      2 top, right (mirrored)         3 bottom, right (half turn)
//   4 bottom, left (flipped)     5 left, top (transposed)        6 right, top (turn a quarter clockwise)
//   7 right, bottom (transverse) 8 left, bottom (turn a quarter anticlockwise)
constexpr int UprightOrientation = 1;

// The orientation in the payload of an APP1 segment (the bytes after its length field): an "Exif\0\0"
// block whose first directory holds tag 274. UprightOrientation for any other segment, a missing tag, a
// value outside 1 ... 8 or a block that breaks off.
int ExifOrientation(std::span<const std::uint8_t> app1);

// True for the orientations whose upright picture has width and height exchanged (5 ... 8).
bool OrientationSwapsSides(int orientation);

// Turns a picture stored with that orientation upright. The quarter turns go through scratch, whose pixel
// block is exchanged with the bitmap's afterwards, so repeated turns reuse both blocks. Values outside
// 2 ... 8 and empty bitmaps are left as they are.
void TurnUpright(TBitmap& bitmap, int orientation, TBitmap& scratch);

// The orientation in Exif data as PNG's eXIf and WebP's EXIF chunks hold it: the TIFF structure itself,
// or (as some writers store it) preceded by "Exif\0\0" as in a JPEG.
int ExifPayloadOrientation(std::span<const std::uint8_t> payload);
