#pragma once

// The format readers behind TPictureIO. Each reads from the stream's current position into the bitmap,
// records what it learned in the params record and reports refusal through the context's Aborted flag.
// Only the loader, the tests and the fuzzing programs call them directly.

#include "imageio/PictureIO.h"

#include <cstdint>

class TStream;

void ReadJpeg(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context);
// The denominator (1, 2, 4 or 8) of the largest JPEG reduction that keeps a picture of width x height,
// turned upright from orientation, at least as large as its fit into the box; 1 without a box.
unsigned JpegReductionFor(int width, int height, int orientation, int boxWidth, int boxHeight);
// size: the bytes of the file from the stream's position on; 0 or less takes the size from the header.
void ReadBmp(TStream& stream, TBitmap& bitmap, std::int64_t size, TIOParams& params,
             ProgressContext& context);

// Gives the bitmap a new size and format with every pixel black, which is what pixels that a reader
// leaves unset look like. The bitmap's own brush colour is left as it was.
void ResetBitmapBlack(TBitmap& bitmap, int width, int height, TPixelFormat format);
