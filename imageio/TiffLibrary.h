#pragma once

// TIFF files through libtiff: the compressions, layouts and BigTIFF files that the own decoder
// (ReadTiff) leaves out, among them LZW, Deflate, JPEG, predictors, tiles, YCbCr, 16-bit and
// floating-point samples and separate planes of any kind. ReadTiff hands such files over; nothing else
// calls this directly but the tests.

#include "imageio/PictureIO.h"

class TStream;

// Reads page params.TiffImageIndex of the TIFF file that starts at the stream's position 0 into the
// bitmap, filling the params from its tags as ReadTiff does, ExifOrientation included (the rows stay as
// stored). pageCount: the number of pages. A page beyond the last is no error and reads nothing. What
// libtiff cannot read sets Aborted before the bitmap is touched; a strip or tile that fails to decode
// leaves what it gave, the rest of its rows black, as a truncated strip does in ReadTiff. libtiff's
// messages are dropped. Raises the bitmap's EOutOfMemory for a picture beyond the bitmap limit.
void ReadTiffThroughLibrary(TStream& stream, TBitmap& bitmap, int& pageCount, TIOParams& params,
                            ProgressContext& context);
