// Windows and OS/2 device-independent bitmap files (.bmp, .dib, .rle): every header size, 1 to 32 bits
// per pixel, bit-field masks, RLE4 and RLE8. Layouts that hold no pixels of those kinds are refused.

#include "imageio/ByteCursor.h"
#include "imageio/DibRows.h"
#include "imageio/Readers.h"
#include "imageio/Stream.h"

#include "platform/Exceptions.h"
#include "platform/ScreenDpi.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <span>
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
    TBitFields Masks; // with BI_BITFIELDS only
};

// Pixels-per-metre to dots per inch: / 100 * 2.54, rounded half to even; 0 takes the screen's value.
std::int32_t DpiOf(std::int32_t pixelsPerMetre, int screenDpi) {
    const double dpi = std::nearbyint(double(pixelsPerMetre) / 100.0 * 2.54);
    if (dpi == 0.0 || !std::isfinite(dpi)) {
        return screenDpi;
    }
    return std::int32_t(dpi);
}

// How the stored pixels become bitmap pixels; None for the bit counts and compressions that no pixels
// come from (2 and 64 bits, embedded JPEG and PNG, RLE24, Huffman 1D, unknown values).
enum class TPixelLayout { None, Bilevel, Indexed, Rle, Rgb555, Bgr, Bgrx, Masked };

TPixelLayout LayoutOf(int bits, std::uint32_t compression) {
    switch (bits) {
    case 1:
        return compression == BI_RGB ? TPixelLayout::Bilevel : TPixelLayout::None;
    case 4:
    case 8:
        if (compression == BI_RGB) {
            return TPixelLayout::Indexed;
        }
        return compression == (bits == 8 ? BI_RLE8 : BI_RLE4) ? TPixelLayout::Rle : TPixelLayout::None;
    case 16:
    case 24:
    case 32:
        if (compression == BI_BITFIELDS) {
            return TPixelLayout::Masked;
        }
        if (compression != BI_RGB) {
            return TPixelLayout::None;
        }
        return bits == 16 ? TPixelLayout::Rgb555 : bits == 24 ? TPixelLayout::Bgr : TPixelLayout::Bgrx;
    default:
        return TPixelLayout::None;
    }
}

// Black, white keeps a 1-bit picture in one bit per pixel, and so does a table of exactly white, black,
// with the bits inverted. Any other table, a coloured pair or white, black among more or fewer entries,
// needs 24 bits to show the colours its indices name.
enum class TBilevelTable { BlackWhite, WhiteBlack, Coloured };

TBilevelTable BilevelTableOf(const std::vector<TBGRTriple>& palette, const TColorLookup& lookup) {
    const TBGRTriple black{0, 0, 0};
    const TBGRTriple white{255, 255, 255};
    if (lookup[0] == black && lookup[1] == white) {
        return TBilevelTable::BlackWhite;
    }
    if (palette.size() == 2 && lookup[0] == white && lookup[1] == black) {
        return TBilevelTable::WhiteBlack;
    }
    return TBilevelTable::Coloured;
}

// Turns one stored row into one bitmap row; null where the stored row is the bitmap row.
using TRowDecoder = std::function<void(std::span<const std::uint8_t> stored, std::uint8_t* row)>;

// Uncompressed rows, taken in file order. A row that the file delivers only in part sets the pixels its
// bytes cover; the read ends there. Returns the number of rows that received bytes.
int ReadRows(TStream& stream, TBitmap& bitmap, int bits, const TRowPlacer& placer, const TRowDecoder& decode,
             ProgressContext& context) {
    const int height = bitmap.Height();
    const std::int64_t rowLength = ((std::int64_t(bitmap.Width()) * bits + 31) / 32) * 4;
    // Rows that go straight in have the same padded length in the file and in the bitmap. The others go
    // through one row buffer, no longer than what the file still holds.
    std::vector<std::uint8_t> buffer;
    if (decode) {
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
        if (!decode) {
            got = stream.Read(row, rowLength);
        } else {
            got = stream.Read(buffer.data(), std::min<std::int64_t>(rowLength, std::int64_t(buffer.size())));
            decode(std::span<const std::uint8_t>(buffer.data(), std::size_t(got)), row);
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

TBitFields ReadMasks(TStream& stream) {
    std::uint8_t masks[12] = {};
    stream.Read(masks, sizeof masks);
    const TByteCursor fields(masks);
    return {TChannelMask(fields.U32At(0)), TChannelMask(fields.U32At(4)), TChannelMask(fields.U32At(8))};
}

// The 14-byte file header: where the pixels start and, unless the caller knows it, how large the file is.
void ReadFileHeader(TStream& stream, std::int64_t size, TBmpHeader& header) {
    header.Start = stream.Position();
    std::uint8_t fileHeader[FileHeaderSize] = {};
    stream.Read(fileHeader, FileHeaderSize);
    const TByteCursor fileFields(fileHeader);
    header.TotalSize = size > 0 ? size : fileFields.U32At(2);
    header.PixelOffset = fileFields.U32At(10);
}

// The first field of every info header is its size; the stream is left at the header's start.
std::uint32_t PeekInfoSize(TStream& stream) {
    std::uint8_t sizeField[4] = {};
    const std::int64_t infoStart = stream.Position();
    stream.Read(sizeField, 4);
    stream.Seek(infoStart);
    return TByteCursor(sizeField).U32At(0);
}

// Three bytes an entry, 2 to the bits entries; entries the file does not hold stay black.
void ReadOs2ColourTable(TStream& stream, int bits, TIOParams& params) {
    const std::size_t count = std::size_t(1) << bits;
    std::vector<std::uint8_t> table(count * 3);
    stream.Read(table.data(), std::int64_t(table.size()));
    params.Palette.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        params.Palette[i] = {table[i * 3], table[i * 3 + 1], table[i * 3 + 2]};
    }
    params.PaletteCount = std::int32_t(count);
}

// The OS/2 12-byte header and its colour table; it has no compression and no resolution.
void ReadOs2Header(TStream& stream, TBmpHeader& header, TIOParams& params) {
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
        ReadOs2ColourTable(stream, header.Bits, params);
    }
}

// Four bytes an entry; the entries beyond MaxPaletteEntries are skipped.
void ReadInfoColourTable(TStream& stream, std::uint32_t colours, TIOParams& params) {
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

// An info header of any other size (40, 52, 56, 64, 108, 124 bytes, ...), its masks and its colour table.
void ReadInfoHeader(TStream& stream, std::uint32_t infoSize, TBmpHeader& header, TIOParams& params) {
    const std::int64_t infoStart = stream.Position();
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
    if (header.Compression == BI_BITFIELDS) {
        // Headers of 52 bytes and more hold the masks; after a shorter one they precede the table.
        if (infoSize >= 52) {
            header.Masks = {TChannelMask(fields.U32At(40)), TChannelMask(fields.U32At(44)),
                            TChannelMask(fields.U32At(48))};
        } else {
            header.Masks = ReadMasks(stream);
        }
    }
    std::uint32_t colours = fields.U32At(32);
    if (colours == 0 && header.Bits <= 8) {
        colours = 1u << header.Bits;
    }
    if (colours != 0) {
        ReadInfoColourTable(stream, colours, params);
    }
}

// Other compressions leave the field as an earlier read set it.
void RecordCompression(std::uint32_t compression, TIOParams& params) {
    if (compression == BI_RGB || compression == BI_BITFIELDS) {
        params.BmpCompression = ioBMP_UNCOMPRESSED;
    } else if (compression == BI_RLE8 || compression == BI_RLE4) {
        params.BmpCompression = ioBMP_RLE;
    }
}

// Moves to the pixels and returns how many bytes of the file they may take.
std::int64_t SeekPixels(TStream& stream, const TBmpHeader& header) {
    if (header.PixelOffset != 0) {
        stream.Seek(header.Start + header.PixelOffset);
    }
    return std::max<std::int64_t>(header.TotalSize - (stream.Position() - header.Start), 0);
}

// The rows of a sized bitmap, read as the layout says.
struct TPixelSource {
    const TBmpHeader& Header;
    TPixelLayout Layout;
    const TColorLookup& Lookup;
    TBilevelTable Bilevel;
    bool OneBit;
    std::int64_t DataSize;
};

void ReadBilevelRows(TStream& stream, TBitmap& bitmap, const TPixelSource& source, const TRowPlacer& placer,
                     ProgressContext& context) {
    const int width = bitmap.Width();
    if (!source.OneBit) {
        ReadRows(
            stream, bitmap, 1, placer,
            [&](std::span<const std::uint8_t> stored, std::uint8_t* row) {
                PutIndexRow(stored, 1, width, source.Lookup, row);
            },
            context);
        return;
    }
    const int rows = ReadRows(stream, bitmap, 1, placer, nullptr, context);
    if (source.Bilevel == TBilevelTable::WhiteBlack) {
        InvertRows(bitmap, rows, placer);
    }
}

// Delta commands make valid data of any length, so only the file bounds it.
void ReadRleRows(TStream& stream, TBitmap& bitmap, const TPixelSource& source, const TRowPlacer& placer,
                 ProgressContext& context) {
    std::vector<std::uint8_t> data(std::size_t(std::min(source.DataSize, stream.Remaining())));
    data.resize(std::size_t(stream.Read(data.data(), std::int64_t(data.size()))));
    DecodeRle(data, source.Header.Bits == 4, bitmap, placer, source.Lookup, context);
}

// The decoder that turns a stored row of the uncompressed layouts into a bitmap row; null where the
// stored row is the bitmap row.
TRowDecoder RowDecoderFor(const TPixelSource& source, int width) {
    const int bits = source.Header.Bits;
    using Stored = std::span<const std::uint8_t>;
    switch (source.Layout) {
    case TPixelLayout::Indexed:
        return [&lookup = source.Lookup, bits, width](Stored stored, std::uint8_t* row) {
            PutIndexRow(stored, bits, width, lookup, row);
        };
    case TPixelLayout::Rgb555:
        return [width](Stored stored, std::uint8_t* row) { Put555Row(stored, width, row); };
    case TPixelLayout::Bgrx:
        return [width](Stored stored, std::uint8_t* row) { PutBgrxRow(stored, width, row); };
    case TPixelLayout::Masked:
        return [&masks = source.Header.Masks, bits, width](Stored stored, std::uint8_t* row) {
            PutMaskedRow(stored, bits, width, masks, row);
        };
    default:
        return nullptr;
    }
}

void ReadPixels(TStream& stream, TBitmap& bitmap, const TPixelSource& source, ProgressContext& context) {
    const TRowPlacer placer(bitmap.Height(), source.Header.Height < 0);
    switch (source.Layout) {
    case TPixelLayout::Bilevel:
        ReadBilevelRows(stream, bitmap, source, placer, context);
        return;
    case TPixelLayout::Rle:
        ReadRleRows(stream, bitmap, source, placer, context);
        return;
    case TPixelLayout::None:
        return;
    default:
        ReadRows(stream, bitmap, source.Header.Bits, placer, RowDecoderFor(source, bitmap.Width()), context);
        return;
    }
}

// A top-down file stores its height negated; INT_MIN has no positive counterpart and no bitmap could hold
// it anyway.
int StoredHeightMagnitude(const TBmpHeader& header) {
    if (header.Height == INT_MIN) {
        throw EOutOfMemory(QStringLiteral("A bitmap of %1 x 2147483648 pixels is beyond the limit of 1 GiB")
                               .arg(header.Width));
    }
    return header.Height < 0 ? -header.Height : header.Height;
}

} // namespace

void ReadBmp(TStream& stream, TBitmap& bitmap, std::int64_t size, TIOParams& params,
             ProgressContext& context) {
    TBmpHeader header;
    ReadFileHeader(stream, size, header);
    const std::uint32_t infoSize = PeekInfoSize(stream);
    params.FreePalette();
    if (infoSize == Os2HeaderSize) {
        ReadOs2Header(stream, header, params);
    } else {
        ReadInfoHeader(stream, infoSize, header, params);
    }
    RecordCompression(header.Compression, params);
    const std::int64_t dataSize = SeekPixels(stream, header);

    const TPixelLayout layout = LayoutOf(header.Bits, header.Compression);
    if (layout == TPixelLayout::None) {
        context.Abort();
        return;
    }
    const int width = std::max(header.Width, 0);
    const int height = StoredHeightMagnitude(header);
    const TColorLookup lookup = MakeColorLookup(params.Palette);
    const TBilevelTable bilevel = BilevelTableOf(params.Palette, lookup);
    const bool oneBit = layout == TPixelLayout::Bilevel && bilevel != TBilevelTable::Coloured;
    params.Width = width;
    params.Height = height;
    ResetBitmapBlack(bitmap, width, height, oneBit ? TPixelFormat::pf1bit : TPixelFormat::pf24bit);
    context.Factor = height > 0 ? 100.0 / height : 0.0;
    context.Counter = 0;
    params.BitsPerSample = header.Bits == 16 ? 5 : header.Bits >= 24 ? 8 : header.Bits;
    params.SamplesPerPixel = header.Bits >= 16 ? 3 : 1;
    if (width == 0 || height == 0) {
        return;
    }
    ReadPixels(stream, bitmap, {header, layout, lookup, bilevel, oneBit, dataSize}, context);
}
