// Windows icons (.ico) and cursors (.cur): one image of the file's directory, 1, 4, 8, 24 or 32 bits per
// pixel (cursors 1, 4 and 8), with its transparency mask applied over a background colour.

#include "imageio/ByteCursor.h"
#include "imageio/DibRows.h"
#include "imageio/Readers.h"
#include "imageio/Stream.h"

#include "platform/ScreenDpi.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int FileHeaderSize = 6;
constexpr int InfoHeaderSize = 40;
// BITMAPV5HEADER, the longest info header: V4 (108 bytes) and V5 headers hold the colour masks at 40 and
// the alpha mask at 52, and the colour table or the rows follow after their own size.
constexpr std::uint32_t LongestInfoHeaderSize = 124;
constexpr std::uint32_t BI_BITFIELDS = 3;
// An entry whose width disagrees with the info header's is taken from the info header, unless that is
// this large: then the info header is the one in doubt.
constexpr std::int32_t LargestTrustedInfoSide = 2048;
constexpr std::uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

enum class TResourceKind { Icon, Cursor };

// A directory entry. Icons keep planes and bits per pixel where cursors keep their hot spot.
struct TDirectoryEntry {
    std::int64_t Width = 0;
    std::int64_t Height = 0;
    std::uint32_t Colours = 0;
    std::uint16_t Field4 = 0;
    std::uint16_t Field6 = 0;
    std::uint32_t ImageOffset = 0;

    explicit TDirectoryEntry(const std::uint8_t (&bytes)[16]) {
        const TByteCursor fields(bytes);
        Width = bytes[0];
        Height = bytes[1];
        Colours = bytes[2];
        Field4 = fields.U16At(4);
        Field6 = fields.U16At(6);
        ImageOffset = fields.U32At(12);
    }
};

// What the directory entry and the info header say about the image, after the rules that choose between
// them.
struct TImageHeader {
    std::int64_t Width = 0;
    std::int64_t Height = 0;
    int Bits = 0;
    std::uint32_t Colours = 0;
    // Where 32-bit pixels keep red, green, blue and alpha: bytes 2, 1, 0 and 3 unless the header has masks.
    TBitFields Fields{TChannelMask(0x00FF0000), TChannelMask(0x0000FF00), TChannelMask(0x000000FF)};
    TChannelMask Alpha{0xFF000000};
};

// A stored row length: bits per pixel over the width, padded to four bytes.
std::int64_t StoredRowBytes(std::int64_t width, int bits) {
    return ((width * bits + 31) / 32) * 4;
}

// The bits needed for that many colours (log2 rounded up).
int BitsForColours(std::uint32_t colours) {
    int bits = 0;
    while ((std::uint64_t(1) << bits) < colours) {
        ++bits;
    }
    return bits;
}

// Pixels-per-metre to dots per inch: / 100 * 2.54, rounded half to even; a stored value below 1 takes
// the screen's value.
std::int32_t DpiOf(std::int32_t pixelsPerMetre, int screenDpi) {
    if (pixelsPerMetre < 1) {
        return screenDpi;
    }
    return std::int32_t(std::nearbyint(double(pixelsPerMetre) / 100.0 * 2.54));
}

bool RowsFilled(TResourceKind kind, int bits) {
    if (kind == TResourceKind::Cursor) {
        return bits == 1 || bits == 4 || bits == 8;
    }
    return bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
}

// Bits per pixel and colour count; false when neither the entry nor the info header tells them.
bool ChooseDepth(TResourceKind kind, const TDirectoryEntry& entry, const TByteCursor& info,
                 TImageHeader& image) {
    const std::uint32_t entryColours = entry.Colours;
    int bits = kind == TResourceKind::Icon ? entry.Field6 : 0;
    if (info.U16At(14) != 0) {
        bits = info.U16At(14);
    }
    if (bits == 0) {
        if (entryColours == 0) {
            return false;
        }
        bits = BitsForColours(entryColours);
    }
    image.Bits = bits;
    image.Colours = entryColours != 0 ? entryColours : bits <= 8 ? 1u << bits : 0;
    return true;
}

void ChooseSize(TResourceKind kind, const TDirectoryEntry& entry, const TByteCursor& info,
                TImageHeader& image) {
    const std::int64_t entryWidth = entry.Width;
    const std::int64_t entryHeight = entry.Height;
    const std::int64_t infoWidth = info.I32At(4);
    const std::int64_t infoHeight = info.I32At(8);
    image.Width = entryWidth != 0 ? entryWidth : infoWidth;
    image.Height = entryHeight != 0 ? entryHeight : infoHeight / 2;
    if (kind == TResourceKind::Icon && entryWidth != infoWidth && entryWidth != 0 && infoWidth != 0 &&
        infoWidth < LargestTrustedInfoSide && infoHeight < LargestTrustedInfoSide) {
        image.Width = infoWidth;
        image.Height = infoHeight / 2;
    }
}

// The masks of a BI_BITFIELDS image, where the BMP reader finds them: in an info header of 52 bytes and
// more, else in the 12 bytes after it. The alpha mask needs a header of 56 bytes; without one the fourth
// byte stays alpha, as icons have it.
void ReadMasks(TStream& stream, const TByteCursor& info, std::uint32_t infoSize, TImageHeader& image) {
    if (infoSize >= 52) {
        image.Fields = {TChannelMask(info.U32At(40)), TChannelMask(info.U32At(44)),
                        TChannelMask(info.U32At(48))};
        if (infoSize >= 56 && info.U32At(52) != 0) {
            image.Alpha = TChannelMask(info.U32At(52));
        }
        return;
    }
    std::uint8_t masks[12] = {};
    stream.Read(masks, sizeof masks);
    const TByteCursor fields(masks);
    image.Fields = {TChannelMask(fields.U32At(0)), TChannelMask(fields.U32At(4)),
                    TChannelMask(fields.U32At(8))};
}

// Up to count bytes from the stream; fewer at its end.
std::vector<std::uint8_t> ReadUpTo(TStream& stream, std::int64_t count) {
    std::vector<std::uint8_t> bytes(std::size_t(std::clamp<std::int64_t>(count, 0, stream.Remaining())));
    bytes.resize(std::size_t(stream.Read(bytes.data(), std::int64_t(bytes.size()))));
    return bytes;
}

// Row y of a block of bottom-up stored rows, empty or short where the block ends.
std::span<const std::uint8_t> StoredRow(const std::vector<std::uint8_t>& block, std::int64_t rowBytes,
                                        std::int64_t fileRow) {
    const std::int64_t start = fileRow * rowBytes;
    if (start >= std::int64_t(block.size())) {
        return {};
    }
    return std::span(block).subspan(std::size_t(start), std::size_t(std::min<std::int64_t>(
                                                            rowBytes, std::int64_t(block.size()) - start)));
}

bool MaskBit(std::span<const std::uint8_t> mask, int x) {
    const std::size_t byte = std::size_t(x >> 3);
    return byte < mask.size() && ((mask[byte] >> (7 - (x & 7))) & 1);
}

void PutBackground(const TBGRTriple& background, std::uint8_t* pixel) {
    pixel[0] = background.Blue;
    pixel[1] = background.Green;
    pixel[2] = background.Red;
}

std::uint8_t Blend(std::uint8_t colour, std::uint8_t background, unsigned alpha) {
    return std::uint8_t((colour * alpha + background * (255 - alpha) + 127) / 255);
}

// 32-bit pixels, each colour laid over the background by its alpha.
void PutBlendedRow(std::span<const std::uint8_t> stored, int width, const TImageHeader& image,
                   const TBGRTriple& background, std::uint8_t* row) {
    const int pixels = int(std::min<std::int64_t>(width, std::int64_t(stored.size()) / 4));
    for (int x = 0; x < pixels; ++x) {
        const std::uint32_t pixel = TByteCursor(stored).U32At(std::size_t(x) * 4);
        const unsigned alpha = image.Alpha.Level(pixel);
        row[x * 3] = Blend(image.Fields.Blue.Level(pixel), background.Blue, alpha);
        row[x * 3 + 1] = Blend(image.Fields.Green.Level(pixel), background.Green, alpha);
        row[x * 3 + 2] = Blend(image.Fields.Red.Level(pixel), background.Red, alpha);
    }
}

// The colour rows and, after them, the mask, both bottom-up.
void ReadPixels(TStream& stream, TBitmap& bitmap, const TImageHeader& image, const TColorLookup& lookup,
                const TBGRTriple& background) {
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    const std::int64_t colourRowBytes = StoredRowBytes(width, image.Bits);
    const std::int64_t maskRowBytes = StoredRowBytes(width, 1);
    const std::vector<std::uint8_t> colour = ReadUpTo(stream, colourRowBytes * height);
    const bool masked = image.Bits <= 8;
    const std::vector<std::uint8_t> mask =
        masked ? ReadUpTo(stream, maskRowBytes * height) : std::vector<std::uint8_t>();
    const TRowPlacer placer(height, false);
    for (int fileRow = 0; fileRow < height; ++fileRow) {
        std::uint8_t* row = bitmap.ScanLine(placer.BitmapRow(fileRow));
        const auto stored = StoredRow(colour, colourRowBytes, fileRow);
        const auto maskRow = StoredRow(mask, maskRowBytes, fileRow);
        // The file ends before this row: it and the rows above it stay black.
        if (stored.empty()) {
            break;
        }
        switch (image.Bits) {
        case 1: {
            std::memcpy(row, stored.data(), stored.size());
            // A masked pixel inverts what is behind it: over white, the colour bit turns; over any other
            // background it is left as drawn.
            if (background == TBGRTriple{255, 255, 255}) {
                for (std::size_t i = 0; i < std::min(stored.size(), maskRow.size()); ++i) {
                    row[i] ^= maskRow[i];
                }
            }
            break;
        }
        case 4:
        case 8:
            PutIndexRow(stored, image.Bits, width, lookup, row);
            for (int x = 0; x < width; ++x) {
                if (MaskBit(maskRow, x)) {
                    PutBackground(background, row + x * 3);
                }
            }
            break;
        case 24:
            std::memcpy(row, stored.data(), stored.size());
            break;
        case 32:
            PutBlendedRow(stored, width, image, background, row);
            break;
        default:
            break;
        }
    }
}

void ReadResource(TResourceKind kind, TStream& stream, TBitmap& bitmap, TIOParams& params,
                  ProgressContext& context) {
    const std::int64_t start = stream.Position();
    std::uint8_t fileHeader[FileHeaderSize] = {};
    stream.Read(fileHeader, FileHeaderSize);
    if (kind == TResourceKind::Icon && fileHeader[0] == 'B' && fileHeader[1] == 'M') {
        stream.Seek(start);
        ReadBmp(stream, bitmap, stream.Size() - start, params, context);
        return;
    }
    const std::int32_t index = kind == TResourceKind::Icon ? params.IcoImageIndex : params.CurImageIndex;
    if (index < 0 || index >= TByteCursor(fileHeader).U16At(4)) {
        return;
    }
    std::uint8_t entryBytes[16] = {};
    stream.Seek(start + FileHeaderSize + std::int64_t(index) * sizeof entryBytes);
    stream.Read(entryBytes, sizeof entryBytes);
    const TDirectoryEntry entry(entryBytes);

    // Large images of newer icon files are PNG files in place of the info header.
    std::uint8_t infoBytes[LongestInfoHeaderSize] = {};
    stream.Seek(start + entry.ImageOffset);
    stream.Read(infoBytes, InfoHeaderSize);
    if (std::equal(std::begin(PngSignature), std::end(PngSignature), infoBytes)) {
        context.Abort();
        return;
    }
    const TByteCursor info(infoBytes);
    const std::uint32_t infoSize = info.U32At(0);
    if (infoSize > InfoHeaderSize && infoSize <= LongestInfoHeaderSize) {
        stream.Read(infoBytes + InfoHeaderSize, infoSize - InfoHeaderSize);
    }
    params.XDpi = DpiOf(info.I32At(24), ScreenDpiX());
    params.YDpi = DpiOf(info.I32At(28), ScreenDpiY());

    TImageHeader image;
    if (!ChooseDepth(kind, entry, info, image) || !RowsFilled(kind, image.Bits)) {
        context.Abort();
        return;
    }
    if (image.Bits == 32 && info.U32At(16) == BI_BITFIELDS) {
        ReadMasks(stream, info, infoSize, image);
    }
    if (kind == TResourceKind::Cursor) {
        params.BitsPerSample = image.Bits;
        params.SamplesPerPixel = 1;
        params.CurHotSpotX = entry.Field4;
        params.CurHotSpotY = entry.Field6;
    } else {
        params.BitsPerSample = image.Bits > 8 ? 8 : image.Bits;
        params.SamplesPerPixel = image.Bits > 8 ? 3 : 1;
    }
    ChooseSize(kind, entry, info, image);
    // Negative sizes come only from damaged headers; no picture can be made of them.
    if (image.Width < 0 || image.Height < 0) {
        context.Abort();
        return;
    }

    params.FreePalette();
    if (image.Bits <= 8) {
        const std::vector<std::uint8_t> table = ReadUpTo(stream, std::int64_t(image.Colours) * 4);
        params.Palette.resize(image.Colours);
        for (std::size_t i = 0; i < table.size() / 4; ++i) {
            params.Palette[i] = {table[i * 4], table[i * 4 + 1], table[i * 4 + 2]};
        }
        params.PaletteCount = std::int32_t(image.Colours);
    }
    params.Width = std::int32_t(image.Width);
    params.Height = std::int32_t(image.Height);

    // The pixel format follows the bit count, so no row receives more bytes than it holds.
    ResetBitmapBlack(bitmap, int(image.Width), int(image.Height),
                     image.Bits == 1 ? TPixelFormat::pf1bit : TPixelFormat::pf24bit);
    if (bitmap.Empty()) {
        return;
    }
    const TBGRTriple background = kind == TResourceKind::Icon ? params.IcoBackground : params.CurBackground;
    ReadPixels(stream, bitmap, image, MakeColorLookup(params.Palette), background);
}

} // namespace

void ReadIcon(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context) {
    ReadResource(TResourceKind::Icon, stream, bitmap, params, context);
}

void ReadCursor(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context) {
    ReadResource(TResourceKind::Cursor, stream, bitmap, params, context);
}
