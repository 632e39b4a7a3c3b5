#pragma once

// The format readers behind TPictureIO. Each reads from the stream's current position into the bitmap,
// records what it learned in the params record and reports refusal through the context's Aborted flag.
// Only the loader, the tests and the fuzzing programs call them directly.

#include "imageio/IOParams.h"
#include "platform/Bitmap.h"

#include <cstdint>
#include <vector>

class TStream;

void ReadJpeg(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context);
// The denominator (1, 2, 4 or 8) of the largest JPEG reduction that keeps a picture of width x height,
// turned upright from orientation, at least as large as its fit into the box; 1 without a box.
unsigned JpegReductionFor(int width, int height, int orientation, int boxWidth, int boxHeight);
// size: the bytes of the file from the stream's position on; 0 or less takes the size from the header.
void ReadBmp(TStream& stream, TBitmap& bitmap, std::int64_t size, TIOParams& params,
             ProgressContext& context);
// pageCount: the number of pages (directories) of the file; params.TiffImageIndex picks the one read.
void ReadTiff(TStream& stream, TBitmap& bitmap, int& pageCount, TIOParams& params, ProgressContext& context);
// size: the bytes of the file from the stream's position on. Every failure after the header, out of memory
// included, sets Aborted instead of passing an exception.
void ReadPcx(TStream& stream, TBitmap& bitmap, std::int64_t size, TIOParams& params,
             ProgressContext& context);
void ReadTga(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context);
// Icons (a file holding a bitmap file instead is read as one) and cursors: the image that IcoImageIndex
// or CurImageIndex names, its transparent pixels in IcoBackground or CurBackground.
void ReadIcon(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context);
void ReadCursor(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context);

// Gives the bitmap a new size and format with every pixel black, which is what pixels that a reader
// leaves unset look like. The black is laid a row at a time, when the reader first takes the row, so
// rows are not written twice over the whole picture. The bitmap's own brush colour is left as it was.
// Every reader sizes its bitmap here, after CheckBitmapSize.
void ResetBitmapBlack(TBitmap& bitmap, int width, int height, TPixelFormat format);
// Raises EOutOfMemory when a bitmap of that size would exceed the bitmap's limit of 1 GiB or the reader
// pixel bound. Readers that allocate buffers of the picture's size before the bitmap call it first.
void CheckBitmapSize(int width, int height, TPixelFormat format);
// Bounds the pixels (width x height) of any bitmap that the readers size; 0, the default, leaves only the
// bitmap's own limit. The fuzz targets set it, so that inputs claiming huge pictures are passed over at
// once instead of filling hundreds of megabytes with black.
void SetReaderPixelBound(std::int64_t pixels);

// PNG (libpng), GIF (giflib: the first image) and WebP (libwebp: the first frame of an animation). Each
// composites transparency over black and reports an eXIf or EXIF orientation in ExifOrientation; the WebP
// reader decodes a still picture at no more than its fit into JpegFitWidth x JpegFitHeight.
void ReadPng(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context);
void ReadGif(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context);
void ReadWebp(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context);

// HEIF (HEIC, HIF) and AVIF through libheif, the primary image upright with crop, rotation and mirror
// applied; JPEG XL through libjxl, its first frame upright. Both read the whole file into memory first,
// so a file beyond MaxWholeFileBytes is refused; transparency lies over black, deeper samples are
// rounded to 8 bits, and params.ExifOrientation is 1.
void ReadHeif(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context);
void ReadJxl(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context);
// The decoders that parse from memory take at most this much of a file. Photographs are some megabytes,
// the largest 24-megapixel ones a few tens; 512 MiB leaves room for anything the bitmap could show and
// still keeps a mistaken multi-gigabyte file from being read at all.
constexpr std::int64_t MaxWholeFileBytes = std::int64_t(512) << 20;
// Everything from the stream's position to its end, when that is at most MaxWholeFileBytes; else false.
bool ReadWholeFile(TStream& stream, std::vector<std::uint8_t>& bytes);
