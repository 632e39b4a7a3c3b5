#include "imageio/DibRows.h"

#include "imageio/ByteCursor.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

void PutColour(const TBGRTriple& colour, std::uint8_t* pixel) {
    pixel[0] = colour.Blue;
    pixel[1] = colour.Green;
    pixel[2] = colour.Red;
}

// The pixels that both the row and the stored bytes hold.
int PixelsCovered(std::span<const std::uint8_t> stored, int bitsPerPixel, int width) {
    return int(std::min<std::int64_t>(width, std::int64_t(stored.size()) * 8 / bitsPerPixel));
}

} // namespace

TColorLookup MakeColorLookup(const std::vector<TBGRTriple>& palette) {
    TColorLookup lookup{};
    const std::size_t count = std::min(palette.size(), lookup.size());
    std::copy_n(palette.begin(), count, lookup.begin());
    return lookup;
}

void PutIndexRow(std::span<const std::uint8_t> stored, int bits, int width, const TColorLookup& lookup,
                 std::uint8_t* row) {
    const int pixels = PixelsCovered(stored, bits, width);
    const int perByte = 8 / bits;
    const unsigned mask = (1u << bits) - 1;
    for (int x = 0; x < pixels; ++x) {
        const int shift = 8 - bits * (x % perByte + 1);
        PutColour(lookup[(stored[std::size_t(x / perByte)] >> shift) & mask], row + x * 3);
    }
}

void Put555Row(std::span<const std::uint8_t> stored, int width, std::uint8_t* row) {
    const int pixels = PixelsCovered(stored, 16, width);
    for (int x = 0; x < pixels; ++x) {
        const unsigned word = unsigned(stored[2 * x]) | (unsigned(stored[2 * x + 1]) << 8);
        row[x * 3] = std::uint8_t((word & 0x1F) << 3);
        row[x * 3 + 1] = std::uint8_t(((word >> 5) & 0x1F) << 3);
        row[x * 3 + 2] = std::uint8_t(((word >> 10) & 0x1F) << 3);
    }
}

void PutBgrxRow(std::span<const std::uint8_t> stored, int width, std::uint8_t* row) {
    const int pixels = PixelsCovered(stored, 32, width);
    for (int x = 0; x < pixels; ++x) {
        std::memcpy(row + x * 3, stored.data() + x * 4, 3);
    }
}

TChannelMask::TChannelMask(std::uint32_t mask) : Mask(mask) {
    if (mask != 0) {
        Shift = std::countr_zero(mask);
        Bits = std::bit_width(mask >> Shift);
    }
}

std::uint8_t TChannelMask::Level(std::uint32_t pixel) const {
    if (Bits == 0) {
        return 0;
    }
    const std::uint32_t value = (pixel & Mask) >> Shift;
    if (Bits >= 8) {
        return std::uint8_t(value >> (Bits - 8));
    }
    // The value's bits at the top, then again below them until the byte is full: 5 bits abcde become
    // abcdeabc.
    std::uint32_t level = 0;
    for (int shift = 8 - Bits; shift > -Bits; shift -= Bits) {
        level |= shift >= 0 ? value << shift : value >> -shift;
    }
    return std::uint8_t(level);
}

void PutMaskedRow(std::span<const std::uint8_t> stored, int bitsPerPixel, int width, const TBitFields& fields,
                  std::uint8_t* row) {
    const int pixels = PixelsCovered(stored, bitsPerPixel, width);
    const int bytes = bitsPerPixel / 8;
    for (int x = 0; x < pixels; ++x) {
        const std::uint8_t* p = stored.data() + std::size_t(x) * std::size_t(bytes);
        std::uint32_t pixel = 0;
        for (int i = bytes - 1; i >= 0; --i) {
            pixel = (pixel << 8) | p[i];
        }
        row[x * 3] = fields.Blue.Level(pixel);
        row[x * 3 + 1] = fields.Green.Level(pixel);
        row[x * 3 + 2] = fields.Red.Level(pixel);
    }
}

void DecodeRle(std::span<const std::uint8_t> data, bool fourBits, TBitmap& bitmap, const TRowPlacer& placer,
               const TColorLookup& lookup, ProgressContext& context) {
    const std::int64_t width = bitmap.Width();
    const std::int64_t height = placer.Height();

    std::int64_t x = 0;
    std::int64_t fileRow = 0;
    auto put = [&](std::uint8_t index) {
        if (x < width && fileRow < height) {
            PutColour(lookup[index], bitmap.ScanLine(placer.BitmapRow(fileRow)) + x * 3);
        }
        ++x;
    };
    auto nibble = [](std::uint8_t byte, int i) {
        return std::uint8_t((i & 1) ? (byte & 0x0F) : (byte >> 4));
    };

    TByteCursor cursor(data);
    while (cursor.Remaining() >= 2) {
        const std::uint8_t count = cursor.U8();
        const std::uint8_t value = cursor.U8();
        if (count > 0) {
            for (int i = 0; i < count; ++i) {
                put(fourBits ? nibble(value, i) : value);
            }
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            ++fileRow;
            if (fileRow >= height) {
                return;
            }
            context.Counter = int(fileRow);
            context.Report();
            if (context.IsAborted()) {
                return;
            }
            break;
        case 1: // end of bitmap
            return;
        case 2: // delta: right and up (down in a top-down file); rows are never revisited
            x += cursor.U8();
            fileRow += cursor.U8();
            if (fileRow >= height) {
                return;
            }
            break;
        default: { // literal pixels, padded to an even number of bytes
            const std::size_t bytes = fourBits ? (std::size_t(value) + 1) / 2 : value;
            const auto literal = cursor.Take(bytes);
            const std::size_t pixels =
                std::min<std::size_t>(value, fourBits ? literal.size() * 2 : literal.size());
            for (std::size_t i = 0; i < pixels; ++i) {
                put(fourBits ? nibble(literal[i / 2], int(i)) : literal[i]);
            }
            if (bytes & 1) {
                cursor.Skip(1);
            }
            break;
        }
        }
    }
}
