#pragma once

// The pixel rows of device-independent bitmaps, as BMP files, icons and cursors store them: palette
// indices of 1, 4 and 8 bits, 16-, 24- and 32-bit pixels with or without bit-field masks, RLE4 and RLE8.
// The Put...Row functions fill one row of a 24-bit bitmap (blue, green, red) from one stored row; each
// sets the first width pixels, or as many as the stored bytes cover when they are fewer.

#include "imageio/IOParams.h"
#include "platform/Bitmap.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// Colour of every palette index: entries beyond the table are black, so no index reads past it.
using TColorLookup = std::array<TBGRTriple, 256>;
TColorLookup MakeColorLookup(const std::vector<TBGRTriple>& palette);

// Where the rows of a file go: file order is bottom-up unless the file says top-down.
class TRowPlacer {
public:
    TRowPlacer(int height, bool topDown) : FHeight(height), FTopDown(topDown) {}
    int Height() const { return FHeight; }
    int BitmapRow(std::int64_t fileRow) const { return FTopDown ? int(fileRow) : FHeight - 1 - int(fileRow); }

private:
    int FHeight;
    bool FTopDown;
};

// bits: 1, 4 or 8; the leftmost pixel is in the high bits of a byte.
void PutIndexRow(std::span<const std::uint8_t> stored, int bits, int width, const TColorLookup& lookup,
                 std::uint8_t* row);
// 16 bits without masks: 5-5-5 with the unused top bit, each channel times 8.
void Put555Row(std::span<const std::uint8_t> stored, int width, std::uint8_t* row);
// 32 bits without masks: blue, green, red and an unused byte.
void PutBgrxRow(std::span<const std::uint8_t> stored, int width, std::uint8_t* row);

// One channel of a bit-field pixel: its mask, the position of the mask's lowest bit and the number of
// bits from there to its highest.
struct TChannelMask {
    std::uint32_t Mask = 0;
    int Shift = 0;
    int Bits = 0;

    explicit TChannelMask(std::uint32_t mask = 0);
    // The channel scaled to 8 bits; fewer bits are replicated into the low ones, so full is 255.
    std::uint8_t Level(std::uint32_t pixel) const;
};

struct TBitFields {
    TChannelMask Red;
    TChannelMask Green;
    TChannelMask Blue;
};

// bitsPerPixel: 16, 24 or 32; each pixel a little-endian word of that size.
void PutMaskedRow(std::span<const std::uint8_t> stored, int bitsPerPixel, int width, const TBitFields& fields,
                  std::uint8_t* row);

// RLE8 (fourBits false) or RLE4 commands into a 24-bit bitmap, from its first file row on. Runs, literals
// and deltas that leave the bitmap are dropped, never written. Reports progress and stops when Aborted is
// set at every end of line; stops at the end of the data, at an end of bitmap, and when no row is left.
void DecodeRle(std::span<const std::uint8_t> data, bool fourBits, TBitmap& bitmap, const TRowPlacer& placer,
               const TColorLookup& lookup, ProgressContext& context);
