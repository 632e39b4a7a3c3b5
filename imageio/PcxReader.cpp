// PaintBrush pictures (.pcx): monochrome, CGA four-colour, 16 colours in one packed plane, 4 to 16
// colours in two to four bit planes, 256 colours with the palette at the end of the file, and true colour
// as three planes (a fourth, alpha, is passed over); raw or run-length lines.

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

constexpr int HeaderSize = 128;
constexpr std::uint8_t ZSoftManufacturer = 10;
constexpr int MaxBitsPerPlane = 8;
// 256 entries of red, green, blue: the last bytes of a 256-colour file.
constexpr int LongPaletteSize = 768;
constexpr std::size_t HeaderPaletteEntries = 16;

using TShortPalette = std::array<TBGRTriple, HeaderPaletteEntries>;
using TLongPalette = std::array<TBGRTriple, 256>;

struct TPcxHeader {
    std::uint8_t Manufacturer = 0;
    std::uint8_t Version = 0;
    std::uint8_t Encoding = 0;
    int Bits = 0;
    int Width = 0;
    int Height = 0;
    int XDpi = 0;
    int YDpi = 0;
    TShortPalette Palette{};
    int Planes = 0;
    int BytesPerLine = 0;
};

// Corners are unsigned words; corners given the wrong way round make an empty picture.
int ExtentOf(std::uint16_t low, std::uint16_t high) {
    return std::max(int(high) - int(low) + 1, 0);
}

TPcxHeader ParseHeader(std::span<const std::uint8_t> bytes) {
    TByteCursor fields(bytes);
    TPcxHeader header;
    header.Manufacturer = fields.U8();
    header.Version = fields.U8();
    header.Encoding = fields.U8();
    header.Bits = fields.U8();
    const std::uint16_t xMin = fields.U16();
    const std::uint16_t yMin = fields.U16();
    const std::uint16_t xMax = fields.U16();
    const std::uint16_t yMax = fields.U16();
    header.Width = ExtentOf(xMin, xMax);
    header.Height = ExtentOf(yMin, yMax);
    header.XDpi = fields.U16();
    header.YDpi = fields.U16();
    for (TBGRTriple& entry : header.Palette) {
        entry.Red = fields.U8();
        entry.Green = fields.U8();
        entry.Blue = fields.U8();
    }
    fields.Skip(1); // reserved
    header.Planes = fields.U8();
    header.BytesPerLine = fields.U16();
    return header;
}

// The data after the header, read from the stream a window at a time as the lines need it: never more
// than the given count of bytes, and nothing more once a read comes back short.
class TDataWindow {
public:
    TDataWindow(TStream& stream, std::int64_t count)
        : FStream(stream), FLeft(count), FBuffer(std::size_t(std::min(count, WindowSize))) {}

    // False at the end of the data.
    bool Next(std::uint8_t& byte) {
        if (FPosition == FLength && !Refill()) {
            return false;
        }
        byte = FBuffer[FPosition++];
        return true;
    }

    // Fills out as far as the data reaches; returns the number of bytes copied.
    std::size_t Copy(std::span<std::uint8_t> out) {
        std::size_t done = 0;
        while (done < out.size() && (FPosition < FLength || Refill())) {
            const std::size_t count = std::min(out.size() - done, FLength - FPosition);
            std::memcpy(out.data() + done, FBuffer.data() + FPosition, count);
            done += count;
            FPosition += count;
        }
        return done;
    }

private:
    static constexpr std::int64_t WindowSize = 64 * 1024;

    bool Refill() {
        const std::int64_t wanted = std::min(FLeft, std::int64_t(FBuffer.size()));
        const std::int64_t got = wanted > 0 ? FStream.Read(FBuffer.data(), wanted) : 0;
        FLeft = got < wanted ? 0 : FLeft - got;
        FPosition = 0;
        FLength = std::size_t(std::max<std::int64_t>(got, 0));
        return FLength > 0;
    }

    TStream& FStream;
    std::int64_t FLeft;
    std::vector<std::uint8_t> FBuffer;
    std::size_t FPosition = 0;
    std::size_t FLength = 0;
};

// Plane lines one after another from the data. A run that does not fit into one line is cut at its end
// and the rest goes to the start of the next line, so the run outlives the line.
class TLineDecoder {
public:
    TLineDecoder(TDataWindow& data, bool runLength) : FData(data), FRunLength(runLength) {}

    // False when the data ended before the line was full.
    bool Decode(std::span<std::uint8_t> line) {
        if (!FRunLength) {
            return FData.Copy(line) == line.size();
        }
        std::size_t done = 0;
        while (done < line.size()) {
            if (FPending > 0) {
                const std::size_t count = std::min(FPending, line.size() - done);
                std::fill_n(line.begin() + std::ptrdiff_t(done), count, FValue);
                done += count;
                FPending -= count;
                continue;
            }
            std::uint8_t byte = 0;
            if (!FData.Next(byte)) {
                return false;
            }
            if (byte < 0xC0) {
                line[done++] = byte;
                continue;
            }
            // 0xC0 is a run of no bytes: it writes nothing, but its value byte is used up all the same.
            if (!FData.Next(FValue)) {
                return false;
            }
            FPending = std::size_t(byte - 0xC0);
        }
        return true;
    }

private:
    TDataWindow& FData;
    bool FRunLength;
    std::size_t FPending = 0;
    std::uint8_t FValue = 0;
};

enum class TLayout { Mono, Cga, Packed16, Indexed256, BitPlanes, TrueColour, Unsupported };

TLayout LayoutOf(const TPcxHeader& header) {
    if (header.Planes == 1) {
        switch (header.Bits) {
        case 1:
            return TLayout::Mono;
        case 2:
            return TLayout::Cga;
        case 4:
            return TLayout::Packed16;
        case 8:
            return TLayout::Indexed256;
        default:
            return TLayout::Unsupported;
        }
    }
    if (header.Bits == 1 && header.Planes >= 2 && header.Planes <= 4) {
        return TLayout::BitPlanes;
    }
    if (header.Bits == 8 && (header.Planes == 3 || header.Planes == 4)) {
        return TLayout::TrueColour;
    }
    return TLayout::Unsupported;
}

// The sixteen colours of the CGA (red, green, blue, intensity).
constexpr std::array<TBGRTriple, 16> CgaColours = {{{0x00, 0x00, 0x00},
                                                    {0xAA, 0x00, 0x00},
                                                    {0x00, 0xAA, 0x00},
                                                    {0xAA, 0xAA, 0x00},
                                                    {0x00, 0x00, 0xAA},
                                                    {0xAA, 0x00, 0xAA},
                                                    {0x00, 0x55, 0xAA},
                                                    {0xAA, 0xAA, 0xAA},
                                                    {0x55, 0x55, 0x55},
                                                    {0xFF, 0x55, 0x55},
                                                    {0x55, 0xFF, 0x55},
                                                    {0xFF, 0xFF, 0x55},
                                                    {0x55, 0x55, 0xFF},
                                                    {0xFF, 0x55, 0xFF},
                                                    {0x55, 0xFF, 0xFF},
                                                    {0xFF, 0xFF, 0xFF}}};

// Whether the first four header entries hold what PC Paintbrush stores for a CGA screen rather than four
// colours: the background colour in the top four bits of byte 0, the foreground palette in the top three
// bits of byte 3, and nothing else.
bool HoldsCgaSettings(const TShortPalette& palette) {
    const TBGRTriple& first = palette[0];
    const TBGRTriple& second = palette[1];
    return (first.Red & 0x0F) == 0 && first.Green == 0 && first.Blue == 0 && (second.Red & 0x1F) == 0 &&
           second.Green == 0 && second.Blue == 0 && palette[2] == TBGRTriple{} && palette[3] == TBGRTriple{};
}

// The four colours of a 2-bit picture: the header's first four entries, or the colours that its CGA
// settings select. Of the foreground bits, bit 7 turns the colour burst off (cyan, red, grey), bit 6 takes
// the cyan, magenta, grey palette in place of green, red, brown, bit 5 the bright variants.
TShortPalette CgaPalette(const TShortPalette& header) {
    if (!HoldsCgaSettings(header)) {
        return header;
    }
    const int foreground = header[1].Red >> 5;
    const bool burstOff = (foreground & 4) != 0;
    const bool cyanMagenta = (foreground & 2) != 0;
    const int bright = (foreground & 1) != 0 ? 8 : 0;
    const std::array<int, 3> colours = burstOff      ? std::array{3, 4, 7}
                                       : cyanMagenta ? std::array{3, 5, 7}
                                                     : std::array{2, 4, 6};
    TShortPalette palette{};
    palette[0] = CgaColours[std::size_t(header[0].Red >> 4)];
    for (std::size_t i = 0; i < colours.size(); ++i) {
        palette[i + 1] = CgaColours[std::size_t(colours[i] + bright)];
    }
    return palette;
}

void PutColour(std::uint8_t* pixel, const TBGRTriple& colour) {
    pixel[0] = colour.Blue;
    pixel[1] = colour.Green;
    pixel[2] = colour.Red;
}

// Builds one bitmap row from the plane lines of a row, each bytesPerLine long. Pixels for which the
// lines hold no bytes stay as they are (black).
class TRowBuilder {
public:
    TRowBuilder(const TPcxHeader& header, const TShortPalette& shortPalette, const TLongPalette& longPalette)
        : FHeader(header), FLayout(LayoutOf(header)), FShortPalette(shortPalette), FLongPalette(longPalette) {
    }

    TLayout Layout() const { return FLayout; }

    void Build(const std::uint8_t* lines, std::uint8_t* row) const {
        const std::size_t perLine = std::size_t(FHeader.BytesPerLine);
        const std::size_t width = std::size_t(FHeader.Width);
        switch (FLayout) {
        case TLayout::Mono:
            std::memcpy(row, lines, std::min((width + 7) / 8, perLine));
            break;
        case TLayout::Cga:
            for (std::size_t x = 0; x < std::min(width, perLine * 4); ++x) {
                const unsigned shift = unsigned(6 - 2 * (x & 3));
                PutColour(row + 3 * x, FShortPalette[(lines[x / 4] >> shift) & 3u]);
            }
            break;
        case TLayout::Packed16:
            for (std::size_t x = 0; x < std::min(width, perLine * 2); ++x) {
                const std::uint8_t byte = lines[x / 2];
                PutColour(row + 3 * x, FShortPalette[(x & 1) ? (byte & 0x0F) : (byte >> 4)]);
            }
            break;
        case TLayout::Indexed256:
            for (std::size_t x = 0; x < std::min(width, perLine); ++x) {
                PutColour(row + 3 * x, FLongPalette[lines[x]]);
            }
            break;
        case TLayout::TrueColour:
            for (std::size_t x = 0; x < std::min(width, perLine); ++x) {
                row[3 * x] = lines[2 * perLine + x];
                row[3 * x + 1] = lines[perLine + x];
                row[3 * x + 2] = lines[x];
            }
            break;
        case TLayout::BitPlanes:
            for (std::size_t x = 0; x < std::min(width, perLine * 8); ++x) {
                const unsigned shift = unsigned(7 - (x & 7));
                unsigned index = 0;
                for (std::size_t plane = 0; plane < std::size_t(FHeader.Planes); ++plane) {
                    index |= ((lines[plane * perLine + x / 8] >> shift) & 1u) << plane;
                }
                PutColour(row + 3 * x, FShortPalette[index]);
            }
            break;
        case TLayout::Unsupported:
            break;
        }
    }

private:
    const TPcxHeader& FHeader;
    TLayout FLayout;
    const TShortPalette& FShortPalette;
    const TLongPalette& FLongPalette;
};

TLongPalette ReadLongPalette(TStream& stream, std::int64_t end) {
    std::uint8_t bytes[LongPaletteSize] = {};
    stream.Seek(end - LongPaletteSize);
    stream.Read(bytes, LongPaletteSize);
    TLongPalette palette{};
    for (std::size_t i = 0; i < palette.size(); ++i) {
        palette[i] = {bytes[3 * i + 2], bytes[3 * i + 1], bytes[3 * i]};
    }
    return palette;
}

void StorePalette(const TPcxHeader& header, const TShortPalette& shortPalette,
                  const TLongPalette& longPalette, TIOParams& params) {
    params.FreePalette();
    if (header.Bits == 8) {
        params.Palette.assign(longPalette.begin(), longPalette.end());
    } else if (LayoutOf(header) == TLayout::BitPlanes) {
        // The planes make one index of as many bits.
        const std::size_t count = std::size_t(1) << header.Planes;
        params.Palette.assign(shortPalette.begin(), shortPalette.begin() + std::ptrdiff_t(count));
        params.BitsPerSample = header.Planes;
        params.SamplesPerPixel = 1;
    } else if (header.Bits < 8) {
        // 5 to 7 bits would ask for more entries than the header holds; the header has 16.
        const std::size_t count = std::min(std::size_t(1) << header.Bits, HeaderPaletteEntries);
        params.Palette.assign(shortPalette.begin(), shortPalette.begin() + std::ptrdiff_t(count));
    }
    params.PaletteCount = std::int32_t(params.Palette.size());
}

// Everything after the header checks; exceptions pass to the caller, which turns them into Aborted.
void DecodePicture(TStream& stream, std::int64_t start, std::int64_t size, const TPcxHeader& header,
                   TBitmap& bitmap, TIOParams& params, ProgressContext& context) {
    TLongPalette longPalette{};
    if (header.Planes == 1 && header.Bits > 4) {
        if (size < LongPaletteSize) {
            context.Abort();
            return;
        }
        longPalette = ReadLongPalette(stream, start + size);
        stream.Seek(start + HeaderSize);
    }

    const std::int64_t dataSize = std::clamp<std::int64_t>(size - HeaderSize, 0, stream.Remaining());

    params.BitsPerSample = header.Bits;
    params.SamplesPerPixel = header.Planes;
    params.Width = header.Width;
    params.Height = header.Height;
    params.PcxVersion = header.Version;
    const TShortPalette shortPalette =
        LayoutOf(header) == TLayout::Cga ? CgaPalette(header.Palette) : header.Palette;
    StorePalette(header, shortPalette, longPalette, params);

    const TRowBuilder builder(header, shortPalette, longPalette);
    ResetBitmapBlack(bitmap, header.Width, header.Height,
                     builder.Layout() == TLayout::Mono ? TPixelFormat::pf1bit : TPixelFormat::pf24bit);
    context.Factor = header.Height > 0 ? 100.0 / header.Height : 0.0;
    context.Counter = 0;
    if (builder.Layout() == TLayout::Unsupported || header.Width == 0 || header.BytesPerLine == 0) {
        return;
    }

    // Planes are 1, 3 or 4 from here on, so the lines of a row take at most 4 x 65535 bytes.
    const std::size_t perLine = std::size_t(header.BytesPerLine);
    std::vector<std::uint8_t> lines(perLine * std::size_t(header.Planes));
    TDataWindow data(stream, dataSize);
    TLineDecoder decoder(data, header.Encoding == 1);
    for (int y = 0; y < header.Height; ++y) {
        context.Counter = y;
        context.Report();
        if (context.IsAborted()) {
            return;
        }
        for (int plane = 0; plane < header.Planes; ++plane) {
            // Data that ends inside a row leaves that row and the rest black.
            if (!decoder.Decode(std::span(lines).subspan(std::size_t(plane) * perLine, perLine))) {
                return;
            }
        }
        builder.Build(lines.data(), bitmap.ScanLine(y));
    }
}

} // namespace

void ReadPcx(TStream& stream, TBitmap& bitmap, std::int64_t size, TIOParams& params,
             ProgressContext& context) {
    const std::int64_t start = stream.Position();
    std::uint8_t headerBytes[HeaderSize] = {};
    stream.Read(headerBytes, HeaderSize);
    const TPcxHeader header = ParseHeader(headerBytes);
    if (header.Manufacturer != ZSoftManufacturer || header.Bits > MaxBitsPerPlane || header.Encoding > 1) {
        context.Abort();
        return;
    }
    if (header.XDpi == 0 || header.YDpi == 0) {
        params.XDpi = ScreenDpiX();
        params.YDpi = ScreenDpiY();
    } else {
        params.XDpi = header.XDpi;
        params.YDpi = header.YDpi;
    }
    try {
        DecodePicture(stream, start, size, header, bitmap, params, context);
    } catch (...) {
        context.Abort();
    }
}
