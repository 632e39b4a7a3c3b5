#pragma once

// The format readers behind TPictureIO. Each reads from the stream's current position into the bitmap,
// records what it learned in the params record and reports refusal through the context's Aborted flag.
// Only the loader, the tests and the fuzzing programs call them directly.

#include "imageio/PictureIO.h"

#include <cstdint>

class TStream;

void ReadJpeg(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context);
// size: the bytes of the file from the stream's position on; 0 or less takes the size from the header.
void ReadBmp(TStream& stream, TBitmap& bitmap, std::int64_t size, TIOParams& params,
             ProgressContext& context);
// pageCount: the number of pages (directories) of the file; params.TiffImageIndex picks the one read.
void ReadTiff(TStream& stream, TBitmap& bitmap, int& pageCount, TIOParams& params, ProgressContext& context);

// Gives the bitmap a new size and format with every pixel black, which is what pixels that a reader
// leaves unset look like. The bitmap's own brush colour is left as it was.
void ResetBitmapBlack(TBitmap& bitmap, int width, int height, TPixelFormat format);
