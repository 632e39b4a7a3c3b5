// Windows and OS/2 device-independent bitmap files (.bmp, .dib, .rle): every header size, 1 to 32 bits
// per pixel, RLE4 and RLE8.

#include "imageio/ByteCursor.h"
#include "imageio/Readers.h"
#include "imageio/Stream.h"

#include "platform/Exceptions.h"
#include "platform/ScreenDpi.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int FileHeaderSize = 14;
constexpr int Os2HeaderSize = 12;
// Fields beyond the first 64 bytes of an info header are never used.
constexpr int InfoFieldsSize = 64;
// The bitmap's colour table holds 256 entries; larger tables keep their first 256.
constexpr std::uint32_t MaxPaletteEntries = 256;

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_RLE8 = 1;
constexpr std::uint32_t BI_RLE4 = 2;
constexpr std::uint32_t BI_BITFIELDS = 3;

struct TBmpHeader {
    std::int64_t Start = 0;
    std::int64_t PixelOffset = 0;
    std::int64_t TotalSize = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0; // as stored; negative for top-down rows
    int Bits = 0;
    std::uint32_t Compression = 0;
};

// Colour of a palette index: the 256-entry lookup that the row decoders use, black beyond the table.
using TColorLookup = std::array<TBGRTriple, 256>;

TColorLookup MakeLookup(const TIOParams& params) {
    TColorLookup lookup{};
    const std::size_t count = std::min<std::size_t>(params.Palette.size(), lookup.size());
    std::copy_n(params.Palette.begin(), count, lookup.begin());
    return lookup;
}

// Pixels-per-metre to dots per inch: / 100 * 2.54, rounded half to even; 0 takes the screen's value.
std::int32_t DpiOf(std::int32_t pixelsPerMetre, int screenDpi) {
    const double dpi = std::nearbyint(double(pixelsPerMetre) / 100.0 * 2.54);
    if (dpi == 0.0 || !std::isfinite(dpi)) {
        return screenDpi;
    }
    return std::int32_t(dpi);
}

// Where the rows go: file order is bottom-up unless the stored height is negative.
class TRowPlacer {
public:
    TRowPlacer(int height, bool topDown) : FHeight(height), FTopDown(topDown) {}
    int BitmapRow(std::int64_t fileRow) const { return FTopDown ? int(fileRow) : FHeight - 1 - int(fileRow); }

private:
    int FHeight;
    bool FTopDown;
};

void PutIndexRow(const std::uint8_t* data, std::size_t bytes, int bits, int width, const TColorLookup& lookup,
                 std::uint8_t* row) {
    const int pixels = int(std::min<std::int64_t>(width, std::int64_t(bytes) * (8 / bits)));
    for (int x = 0; x < pixels; ++x) {
        std::uint8_t index;
        if (bits == 8) {
            index = data[x];
        } else {
            const std::uint8_t byte = data[x >> 1];
            index = (x & 1) ? (byte & 0x0F) : (byte >> 4);
        }
        const TBGRTriple& c = lookup[index];
        row[x * 3] = c.Blue;
        row[x * 3 + 1] = c.Green;
        row[x * 3 + 2] = c.Red;
    }
}

void Put555Row(const std::uint8_t* data, std::size_t bytes, int width, std::uint8_t* row) {
    const int pixels = int(std::min<std::int64_t>(width, std::int64_t(bytes) / 2));
    for (int x = 0; x < pixels; ++x) {
        const unsigned word = unsigned(data[2 * x]) | (unsigned(data[2 * x + 1]) << 8);
        row[x * 3] = std::uint8_t((word & 0x1F) << 3);
        row[x * 3 + 1] = std::uint8_t(((word >> 5) & 0x1F) << 3);
        row[x * 3 + 2] = std::uint8_t(((word >> 10) & 0x1F) << 3);
    }
}

void Put32Row(const std::uint8_t* data, std::size_t bytes, int width, std::uint8_t* row) {
    const int pixels = int(std::min<std::int64_t>(width, std::int64_t(bytes) / 4));
    for (int x = 0; x < pixels; ++x) {
        std::memcpy(row + x * 3, data + x * 4, 3);
    }
}

// Uncompressed rows, taken in file order. A row that the file delivers only in part sets the pixels its
// bytes cover; the read ends there. Returns the number of rows that received bytes.
int ReadRows(TStream& stream, TBitmap& bitmap, const TBmpHeader& header, const TIOParams& params,
             ProgressContext& context) {
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    const std::int64_t rowLength = ((std::int64_t(width) * header.Bits + 31) / 32) * 4;
    const TRowPlacer placer(height, header.Height < 0);
    const TColorLookup lookup = MakeLookup(params);

    // 24 bits per pixel are stored exactly as the bitmap holds them, so the rows go straight in. The
    // other depths go through one row buffer, no longer than what the file still holds.
    const bool direct = header.Bits == 24 || header.Bits == 1;
    std::vector<std::uint8_t> buffer;
    if (!direct) {
        buffer.resize(std::size_t(std::min(rowLength, stream.Remaining())));
    }
    for (int fileRow = 0; fileRow < height; ++fileRow) {
        context.Counter = fileRow;
        context.Report();
        if (context.IsAborted()) {
            return fileRow;
        }
        std::uint8_t* row = bitmap.ScanLine(placer.BitmapRow(fileRow));
        std::int64_t got;
        if (direct) {
            // Same padded length in the file and in the bitmap, for 1 and for 24 bits.
            got = stream.Read(row, rowLength);
        } else {
            got = stream.Read(buffer.data(), std::min<std::int64_t>(rowLength, std::int64_t(buffer.size())));
            const std::size_t bytes = std::size_t(got);
            switch (header.Bits) {
            case 4:
            case 8:
                PutIndexRow(buffer.data(), bytes, header.Bits, width, lookup, row);
                break;
            case 16:
                Put555Row(buffer.data(), bytes, width, row);
                break;
            case 32:
                Put32Row(buffer.data(), bytes, width, row);
                break;
            default:
                break;
            }
        }
        if (got < rowLength) {
            return got > 0 ? fileRow + 1 : fileRow;
        }
    }
    return height;
}

void InvertRows(TBitmap& bitmap, int rows, const TRowPlacer& placer) {
    const std::size_t bytes = std::size_t(bitmap.RowBytes());
    for (int fileRow = 0; fileRow < rows; ++fileRow) {
        std::uint8_t* row = bitmap.ScanLine(placer.BitmapRow(fileRow));
        for (std::size_t i = 0; i < bytes; ++i) {
            row[i] = std::uint8_t(~row[i]);
        }
    }
}

// RLE8 and RLE4 commands over the rest of the file. Every pixel is checked against the row and the
// bitmap: runs, literals and deltas that leave it are dropped, never written.
void DecodeRle(std::span<const std::uint8_t> data, TBitmap& bitmap, const TBmpHeader& header,
               const TIOParams& params, ProgressContext& context) {
    const std::int64_t width = bitmap.Width();
    const std::int64_t height = bitmap.Height();
    const TRowPlacer placer(int(height), header.Height < 0);
    const TColorLookup lookup = MakeLookup(params);
    const bool four = header.Bits == 4;

    std::int64_t x = 0;
    std::int64_t fileRow = 0;
    auto put = [&](std::uint8_t index) {
        if (x < width && fileRow < height) {
            std::uint8_t* p = bitmap.ScanLine(placer.BitmapRow(fileRow)) + x * 3;
            const TBGRTriple& c = lookup[index];
            p[0] = c.Blue;
            p[1] = c.Green;
            p[2] = c.Red;
        }
        ++x;
    };

    TByteCursor cursor(data);
    while (cursor.Remaining() >= 2) {
        const std::uint8_t count = cursor.U8();
        const std::uint8_t value = cursor.U8();
        if (count > 0) {
            for (int i = 0; i < count; ++i) {
                put(four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
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
        case 2: // delta: right and up (down in a top-down file)
            x += cursor.U8();
            fileRow += cursor.U8();
            break;
        default: { // literal pixels, padded to an even number of bytes
            const std::size_t bytes = four ? (std::size_t(value) + 1) / 2 : value;
            const auto literal = cursor.Take(bytes);
            for (int i = 0; i < value; ++i) {
                if (four) {
                    if (std::size_t(i / 2) >= literal.size()) {
                        break;
                    }
                    const std::uint8_t byte = literal[std::size_t(i / 2)];
                    put((i & 1) ? (byte & 0x0F) : (byte >> 4));
                } else {
                    if (std::size_t(i) >= literal.size()) {
                        break;
                    }
                    put(literal[std::size_t(i)]);
                }
            }
            if (bytes & 1) {
                cursor.Skip(1);
            }
            break;
        }
        }
    }
}

} // namespace

void ReadBmp(TStream& stream, TBitmap& bitmap, std::int64_t size, TIOParams& params,
             ProgressContext& context) {
    TBmpHeader header;
    header.Start = stream.Position();

    std::uint8_t fileHeader[FileHeaderSize] = {};
    stream.Read(fileHeader, FileHeaderSize);
    const TByteCursor fileFields(fileHeader);
    header.TotalSize = size > 0 ? size : fileFields.U32At(2);
    header.PixelOffset = fileFields.U32At(10);

    std::uint8_t sizeField[4] = {};
    const std::int64_t infoStart = stream.Position();
    stream.Read(sizeField, 4);
    stream.Seek(infoStart);
    const std::uint32_t infoSize = TByteCursor(sizeField).U32At(0);
    params.FreePalette();

    if (infoSize == Os2HeaderSize) {
        std::uint8_t info[Os2HeaderSize] = {};
        stream.Read(info, Os2HeaderSize);
        const TByteCursor fields(info);
        params.BmpVersion = 2;
        header.Width = fields.U16At(4);
        header.Height = fields.U16At(6);
        header.Bits = fields.U16At(10);
        header.Compression = BI_RGB;
        params.XDpi = ScreenDpiX();
        params.YDpi = ScreenDpiY();
        if (header.Bits <= 8) {
            const std::size_t count = std::size_t(1) << header.Bits;
            std::vector<std::uint8_t> table(count * 3);
            const std::int64_t got = stream.Read(table.data(), std::int64_t(table.size()));
            // Entries the file does not hold stay black.
            (void)got;
            params.Palette.resize(count);
            for (std::size_t i = 0; i < count; ++i) {
                params.Palette[i] = {table[i * 3], table[i * 3 + 1], table[i * 3 + 2]};
            }
            params.PaletteCount = std::int32_t(count);
        }
    } else {
        std::uint8_t info[InfoFieldsSize] = {};
        const std::int64_t fieldsRead = std::min<std::int64_t>(infoSize, InfoFieldsSize);
        stream.Read(info, fieldsRead);
        stream.Seek(infoStart + std::int64_t(infoSize));
        const TByteCursor fields(std::span<const std::uint8_t>(info, std::size_t(fieldsRead)));
        params.BmpVersion = infoSize == 40 ? 1 : infoSize == 64 ? 3 : 0;
        header.Width = fields.I32At(4);
        header.Height = fields.I32At(8);
        header.Bits = fields.U16At(14);
        header.Compression = fields.U32At(16);
        params.XDpi = DpiOf(fields.I32At(24), ScreenDpiX());
        params.YDpi = DpiOf(fields.I32At(28), ScreenDpiY());
        std::uint32_t colours = fields.U32At(32);
        if (colours == 0 && header.Bits <= 8) {
            colours = 1u << header.Bits;
        }
        if (colours != 0) {
            const std::uint32_t kept = std::min(colours, MaxPaletteEntries);
            std::uint8_t table[MaxPaletteEntries * 4] = {};
            stream.Read(table, std::int64_t(kept) * 4);
            stream.Skip(std::int64_t(colours - kept) * 4);
            params.Palette.resize(kept);
            for (std::uint32_t i = 0; i < kept; ++i) {
                params.Palette[i] = {table[i * 4], table[i * 4 + 1], table[i * 4 + 2]};
            }
            params.PaletteCount = std::int32_t(kept);
        }
        if (header.Compression == BI_BITFIELDS) {
            // The masks are not used: 16 bits are always 5-5-5, 32 bits always blue, green, red, unused.
            stream.Skip(12);
        }
    }

    if (header.Compression == BI_RGB || header.Compression == BI_BITFIELDS) {
        params.BmpCompression = ioBMP_UNCOMPRESSED;
    } else if (header.Compression == BI_RLE8 || header.Compression == BI_RLE4) {
        params.BmpCompression = ioBMP_RLE;
    }

    if (header.PixelOffset != 0) {
        stream.Seek(header.Start + header.PixelOffset);
    }
    const std::int64_t dataSize =
        std::max<std::int64_t>(header.TotalSize - (stream.Position() - header.Start), 0);

    // A top-down file stores its height negated; INT_MIN has no positive counterpart and no bitmap
    // could hold it anyway.
    if (header.Height == INT_MIN) {
        throw EOutOfMemory(QStringLiteral("A bitmap of %1 x 2147483648 pixels is beyond the limit of 1 GiB")
                               .arg(header.Width));
    }
    const int width = std::max(header.Width, 0);
    const int height = header.Height < 0 ? -header.Height : header.Height;
    params.Width = width;
    params.Height = height;
    ResetBitmapBlack(bitmap, width, height, header.Bits == 1 ? TPixelFormat::pf1bit : TPixelFormat::pf24bit);
    context.Factor = height > 0 ? 100.0 / height : 0.0;
    context.Counter = 0;
    if (width == 0 || height == 0) {
        return;
    }

    const std::uint32_t compression = header.Compression;
    switch (header.Bits) {
    case 1:
        params.BitsPerSample = 1;
        params.SamplesPerPixel = 1;
        if (compression == BI_RGB) {
            const int rows = ReadRows(stream, bitmap, header, params, context);
            const auto& table = params.Palette;
            if (table.size() == 2 && table[0] == TBGRTriple{255, 255, 255} &&
                table[1] == TBGRTriple{0, 0, 0}) {
                InvertRows(bitmap, rows, TRowPlacer(height, header.Height < 0));
            }
        }
        return;
    case 4:
    case 8: {
        params.BitsPerSample = header.Bits;
        params.SamplesPerPixel = 1;
        const std::uint32_t rle = header.Bits == 8 ? BI_RLE8 : BI_RLE4;
        if (compression == BI_RGB) {
            ReadRows(stream, bitmap, header, params, context);
        } else if (compression == rle) {
            // No encoder needs more than 2 bytes per pixel plus an end of line per row (a run of one
            // pixel); bytes beyond that are never decoded and are not read.
            const std::int64_t longest = 2 * std::int64_t(width) * height + 2 * std::int64_t(height) + 2;
            std::vector<std::uint8_t> data(std::size_t(std::min({dataSize, stream.Remaining(), longest})));
            data.resize(std::size_t(stream.Read(data.data(), std::int64_t(data.size()))));
            DecodeRle(data, bitmap, header, params, context);
        }
        return;
    }
    case 16:
        params.BitsPerSample = 5;
        params.SamplesPerPixel = 3;
        ReadRows(stream, bitmap, header, params, context);
        return;
    case 24:
    case 32:
        params.BitsPerSample = 8;
        params.SamplesPerPixel = 3;
        ReadRows(stream, bitmap, header, params, context);
        return;
    default:
        return;
    }
}
