// Truevision TGA pictures (.tga, .targa, .vda, .icb, .vst, .win): colour-mapped, true-colour and
// greyscale, raw or run-length, and the author, date and job of a TGA 2.0 extension area.

#include "imageio/ByteCursor.h"
#include "imageio/Readers.h"
#include "imageio/Stream.h"

#include "platform/ScreenDpi.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>
#include <vector>

namespace {

constexpr int HeaderSize = 18;
constexpr int FooterSize = 26;
constexpr int ExtensionAreaSize = 495;
// The last 18 bytes of the footer, the terminating zero included.
constexpr char FooterSignature[] = "TRUEVISION-XFILE.";
constexpr std::size_t FooterSignatureSize = sizeof FooterSignature;
constexpr std::size_t InputBufferSize = 8192;
constexpr double DefaultAspectRatio = 1.0;
constexpr double DefaultGamma = 2.2;

using TColourTable = std::array<TBGRTriple, 256>;

struct TTgaHeader {
    int IdLength = 0;
    int ColourMapType = 0;
    int ImageType = 0;
    int MapFirst = 0;
    int MapLength = 0;
    int MapEntryBits = 0;
    int XOrigin = 0;
    int YOrigin = 0;
    int Width = 0;
    int Height = 0;
    int Depth = 0;
    int Descriptor = 0;

    bool HasColourMap() const { return ColourMapType == 1; }
    bool RunLength() const { return ImageType >= 9; }
    bool TopRowFirst() const { return (Descriptor & 0x20) != 0; }
    bool RightToLeft() const { return (Descriptor & 0x10) != 0; }
    // Greyscale at 16 bits is a grey byte and an alpha byte, not 5-5-5 colour.
    bool GreyAndAlpha() const { return (ImageType == 3 || ImageType == 11) && Depth == 16; }
};

TTgaHeader ParseHeader(std::span<const std::uint8_t> bytes) {
    TByteCursor fields(bytes);
    TTgaHeader header;
    header.IdLength = fields.U8();
    header.ColourMapType = fields.U8();
    header.ImageType = fields.U8();
    header.MapFirst = fields.U16();
    header.MapLength = fields.U16();
    header.MapEntryBits = fields.U8();
    header.XOrigin = fields.U16();
    header.YOrigin = fields.U16();
    header.Width = fields.U16();
    header.Height = fields.U16();
    header.Depth = fields.U8();
    header.Descriptor = fields.U8();
    return header;
}

bool Accepted(const TTgaHeader& header) {
    const int type = header.ImageType;
    const bool knownType = (type >= 1 && type <= 3) || (type >= 9 && type <= 11);
    // Depth 4 names no row layout; 15 is the 5-5-5 layout of 16 without its unused bit.
    const int depth = header.Depth;
    const bool knownDepth =
        depth == 1 || depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
    return knownType && knownDepth;
}

bool MapEntryReadable(const TTgaHeader& header) {
    const int bits = header.MapEntryBits;
    return !header.HasColourMap() || header.MapLength == 0 || bits == 15 || bits == 16 || bits == 24 ||
           bits == 32;
}

// A zero-terminated text field of fixed size.
QString TextField(std::span<const std::uint8_t> field) {
    const auto end = std::find(field.begin(), field.end(), std::uint8_t(0));
    return QString::fromLatin1(reinterpret_cast<const char*>(field.data()), end - field.begin());
}

double RatioOr(std::uint16_t numerator, std::uint16_t denominator, double fallback) {
    return numerator != 0 && denominator != 0 ? double(numerator) / double(denominator) : fallback;
}

QDateTime DateOr(const TByteCursor& area, const QDateTime& fallback) {
    const int month = area.U16At(367);
    const int day = area.U16At(369);
    const int year = area.U16At(371);
    const QDate date(year, month, day);
    const QTime time(area.U16At(373), area.U16At(375), area.U16At(377));
    if (month == 0 || day == 0 || year == 0 || !date.isValid() || !time.isValid()) {
        return fallback;
    }
    return QDateTime(date, time);
}

// The fields of a TGA 2.0 extension area, or their defaults when the file has none.
void ReadExtensionArea(TStream& stream, std::int64_t start, TIOParams& params) {
    params.TgaAuthor.clear();
    params.TgaJobName.clear();
    params.TgaDate = QDateTime(QDate::currentDate(), QTime(0, 0));
    params.TgaKeyColor = clBlack;
    params.TgaAspectRatio = DefaultAspectRatio;
    params.TgaGamma = DefaultGamma;

    const std::int64_t size = stream.Size() - start;
    if (size < FooterSize) {
        return;
    }
    std::uint8_t footer[FooterSize] = {};
    stream.Seek(start + size - FooterSize);
    stream.Read(footer, FooterSize);
    if (std::memcmp(footer + 8, FooterSignature, FooterSignatureSize) != 0) {
        return;
    }
    // Offset 0 is how a TGA 2.0 file says that it has no extension area; reading one there would take
    // the header and pixels for author, date and aspect ratio.
    const std::uint32_t offset = TByteCursor(footer).U32At(0);
    if (offset == 0) {
        return;
    }
    std::uint8_t bytes[ExtensionAreaSize] = {};
    stream.Seek(start + std::int64_t(offset));
    stream.Read(bytes, ExtensionAreaSize);
    const std::span<const std::uint8_t> area(bytes);
    const TByteCursor fields(area);
    params.TgaAuthor = TextField(area.subspan(2, 41));
    params.TgaJobName = TextField(area.subspan(379, 41));
    params.TgaDate = DateOr(fields, params.TgaDate);
    params.TgaKeyColor = RGBColor(bytes[471], bytes[472], bytes[473]);
    params.TgaAspectRatio = RatioOr(fields.U16At(474), fields.U16At(476), DefaultAspectRatio);
    params.TgaGamma = RatioOr(fields.U16At(478), fields.U16At(480), DefaultGamma);
}

// The stream through a buffer of 8 KiB refilled whenever it runs empty. Once the stream has nothing
// more, reads deliver 0 and Exhausted() tells.
class TTgaInput {
public:
    explicit TTgaInput(TStream& stream) : FStream(stream) {}

    bool Exhausted() const { return FExhausted; }

    std::uint8_t U8() {
        if (FPosition == FLength) {
            FLength = std::size_t(FStream.Read(FBuffer.data(), std::int64_t(FBuffer.size())));
            FPosition = 0;
            if (FLength == 0) {
                FExhausted = true;
                return 0;
            }
        }
        return FBuffer[FPosition++];
    }
    std::uint16_t U16() {
        const std::uint16_t low = U8();
        return std::uint16_t(low | (U8() << 8));
    }

private:
    TStream& FStream;
    std::array<std::uint8_t, InputBufferSize> FBuffer{};
    std::size_t FPosition = 0;
    std::size_t FLength = 0;
    bool FExhausted = false;
};

TBGRTriple From555(std::uint16_t word) {
    return {std::uint8_t((word & 0x1F) << 3), std::uint8_t(((word >> 5) & 0x1F) << 3),
            std::uint8_t(((word >> 10) & 0x1F) << 3)};
}

TBGRTriple ReadBgr(TTgaInput& input, bool skipFourth) {
    TBGRTriple colour;
    colour.Blue = input.U8();
    colour.Green = input.U8();
    colour.Red = input.U8();
    if (skipFourth) {
        input.U8();
    }
    return colour;
}

// Entry i = 32j + 4k + l: red 32j + 28, green 32k + 28, blue 64l + 60.
TColourTable DefaultColourTable() {
    TColourTable table{};
    for (std::size_t i = 0; i < table.size(); ++i) {
        table[i] = {std::uint8_t(64 * (i & 3) + 60), std::uint8_t(32 * ((i >> 2) & 7) + 28),
                    std::uint8_t(32 * (i >> 5) + 28)};
    }
    return table;
}

// Reads every entry of the map, so that the pixels follow; entries beyond the table's 256 are dropped.
void ReadColourMap(TTgaInput& input, const TTgaHeader& header, TColourTable& table) {
    for (int i = 0; i < header.MapLength; ++i) {
        TBGRTriple entry;
        switch (header.MapEntryBits) {
        case 15:
        case 16:
            entry = From555(input.U16());
            break;
        default:
            entry = ReadBgr(input, header.MapEntryBits == 32);
            break;
        }
        const std::size_t index = std::size_t(header.MapFirst) + std::size_t(i);
        if (index < table.size()) {
            table[index] = entry;
        }
    }
}

// The run of a run-length packet may go on over the end of a row into the next one.
struct TRunState {
    int Left = 0;
    bool Repeat = false;
    TBGRTriple Value;
};

// Decodes rows of pixels into the bitmap's own row format: blue, green, red, or packed bits for depth 1.
class TRowDecoder {
public:
    TRowDecoder(TTgaInput& input, const TTgaHeader& header, const TColourTable& table)
        : FInput(input), FHeader(header), FTable(table) {}

    // Fills row, which the caller has cleared to black; false when the input ended inside it.
    bool Decode(std::span<std::uint8_t> row) {
        if (FHeader.Depth == 1 && !FHeader.RunLength()) {
            for (std::uint8_t& byte : row.first(std::size_t(FHeader.Width + 7) / 8)) {
                byte = FInput.U8();
                if (FInput.Exhausted()) {
                    byte = 0;
                    return false;
                }
            }
            return true;
        }
        for (int x = 0; x < FHeader.Width; ++x) {
            TBGRTriple value;
            if (!NextValue(value)) {
                return false;
            }
            Put(row, x, value);
        }
        return true;
    }

private:
    bool NextValue(TBGRTriple& value) {
        if (!FHeader.RunLength()) {
            value = ReadValue();
            return !FInput.Exhausted();
        }
        if (FRun.Left == 0) {
            const std::uint8_t packet = FInput.U8();
            FRun.Left = (packet & 0x7F) + 1;
            FRun.Repeat = (packet & 0x80) != 0;
            if (FRun.Repeat) {
                FRun.Value = ReadValue();
            }
            if (FInput.Exhausted()) {
                return false;
            }
        }
        --FRun.Left;
        value = FRun.Repeat ? FRun.Value : ReadValue();
        return !FInput.Exhausted();
    }

    // In run-length depth-1 data each pixel takes a byte; its lowest bit is the pixel.
    TBGRTriple ReadValue() {
        switch (FHeader.Depth) {
        case 1: {
            const std::uint8_t level = (FInput.U8() & 1) ? 255 : 0;
            return {level, level, level};
        }
        case 8:
            return FTable[FInput.U8()];
        case 15:
        case 16:
            return FHeader.GreyAndAlpha() ? ReadGrey() : From555(FInput.U16());
        default:
            return ReadBgr(FInput, FHeader.Depth == 32);
        }
    }

    // Alpha is ignored here as it is at 32 bits.
    TBGRTriple ReadGrey() {
        const std::uint8_t level = FInput.U8();
        FInput.U8();
        return {level, level, level};
    }

    void Put(std::span<std::uint8_t> row, int x, const TBGRTriple& value) const {
        if (FHeader.Depth == 1) {
            if (value.Blue != 0) {
                row[std::size_t(x) / 8] |= std::uint8_t(0x80 >> (x & 7));
            }
            return;
        }
        std::uint8_t* pixel = row.data() + std::size_t(x) * 3;
        pixel[0] = value.Blue;
        pixel[1] = value.Green;
        pixel[2] = value.Red;
    }

    TTgaInput& FInput;
    const TTgaHeader& FHeader;
    const TColourTable& FTable;
    TRunState FRun;
};

void CopyMirrored(std::span<const std::uint8_t> source, std::uint8_t* target, int width, bool mono) {
    for (int x = 0; x < width; ++x) {
        const int from = width - 1 - x;
        if (mono) {
            const bool set = (source[std::size_t(from) / 8] >> (7 - (from & 7))) & 1;
            const std::uint8_t bit = std::uint8_t(0x80 >> (x & 7));
            target[x / 8] = std::uint8_t(set ? (target[x / 8] | bit) : (target[x / 8] & ~bit));
        } else {
            std::memcpy(target + std::size_t(x) * 3, source.data() + std::size_t(from) * 3, 3);
        }
    }
}

void StoreFormat(const TTgaHeader& header, TIOParams& params) {
    params.Width = header.Width;
    params.Height = header.Height;
    params.XDpi = ScreenDpiX();
    params.YDpi = ScreenDpiY();
    switch (header.Depth) {
    case 1:
        params.BitsPerSample = 1;
        params.SamplesPerPixel = 1;
        break;
    case 8:
        params.BitsPerSample = 8;
        params.SamplesPerPixel = 1;
        break;
    case 15:
    case 16:
        params.BitsPerSample = header.GreyAndAlpha() ? 8 : 5;
        params.SamplesPerPixel = header.GreyAndAlpha() ? 2 : 3;
        break;
    case 24:
        params.BitsPerSample = 8;
        params.SamplesPerPixel = 3;
        break;
    default:
        params.BitsPerSample = 8;
        params.SamplesPerPixel = 4;
        break;
    }
}

// Reads the image ID and the colour map and sets up the colour table; false when the map's entries
// have a size that has no layout.
bool ReadTables(TTgaInput& input, const TTgaHeader& header, TColourTable& table, TIOParams& params) {
    std::vector<std::uint8_t> id(std::size_t(header.IdLength));
    for (std::uint8_t& byte : id) {
        byte = input.U8();
    }
    params.TgaImageId = TextField(id);
    if (!MapEntryReadable(header)) {
        return false;
    }
    table = DefaultColourTable();
    if (header.HasColourMap()) {
        ReadColourMap(input, header, table);
        const std::size_t count = std::min(std::size_t(header.MapLength), table.size());
        params.Palette.assign(table.begin(), table.begin() + std::ptrdiff_t(count));
        params.PaletteCount = std::int32_t(count);
        params.TgaGrayscale = 0;
    } else if (header.Depth == 8) {
        for (std::size_t i = 0; i < table.size(); ++i) {
            table[i] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)};
        }
        params.TgaGrayscale = 1;
    } else if (header.GreyAndAlpha()) {
        params.TgaGrayscale = 1;
    } else if (header.Depth == 1) {
        table[0] = {0, 0, 0};
        table[1] = {255, 255, 255};
    }
    params.TgaCompressed = header.RunLength() ? 1 : 0;
    return true;
}

} // namespace

void ReadTga(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context) {
    const std::int64_t start = stream.Position();
    ReadExtensionArea(stream, start, params);

    stream.Seek(start);
    std::uint8_t headerBytes[HeaderSize] = {};
    stream.Read(headerBytes, HeaderSize);
    const TTgaHeader header = ParseHeader(headerBytes);
    params.TgaXOrigin = header.XOrigin;
    params.TgaYOrigin = header.YOrigin;
    if (!Accepted(header)) {
        context.Abort();
        return;
    }

    TTgaInput input(stream);
    TColourTable table{};
    if (!ReadTables(input, header, table, params)) {
        context.Abort();
        return;
    }
    StoreFormat(header, params);

    const bool mono = header.Depth == 1;
    ResetBitmapBlack(bitmap, header.Width, header.Height,
                     mono ? TPixelFormat::pf1bit : TPixelFormat::pf24bit);
    context.Factor = header.Height > 0 ? 100.0 / header.Height : 0.0;
    context.Counter = 0;
    if (bitmap.Empty()) {
        return;
    }

    std::vector<std::uint8_t> row(std::size_t(bitmap.RowBytes()));
    TRowDecoder decoder(input, header, table);
    for (int stored = 0; stored < header.Height; ++stored) {
        std::fill(row.begin(), row.end(), std::uint8_t(0));
        const bool complete = decoder.Decode(row);
        const int y = header.TopRowFirst() ? stored : header.Height - 1 - stored;
        if (header.RightToLeft()) {
            CopyMirrored(row, bitmap.ScanLine(y), header.Width, mono);
        } else {
            std::copy(row.begin(), row.end(), bitmap.ScanLine(y));
        }
        // A file that ends early leaves the rows after the last byte black.
        if (!complete) {
            return;
        }
        ++context.Counter;
        context.Report();
    }
}
