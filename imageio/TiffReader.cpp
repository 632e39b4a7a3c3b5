// TIFF files (.tif, .tiff): one page of a file, uncompressed, PackBits or CCITT fax coded, in strips of
// either planar configuration; bilevel, grey, 5-5-5, RGB, palette, CMYK and CIE L*a*b* pixels. Pages in
// other compressions or layouts, and BigTIFF files, are read through libtiff (TiffLibrary.cpp). The
// Orientation tag is reported in ExifOrientation; the rows stay as stored.

#include "imageio/ByteCursor.h"
#include "imageio/FaxCodec.h"
#include "imageio/PackBits.h"
#include "imageio/Readers.h"
#include "imageio/RgbRows.h"
#include "imageio/Stream.h"
#include "imageio/TiffFields.h"
#include "imageio/TiffLibrary.h"

#include "platform/ScreenDpi.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <unordered_set>
#include <vector>

namespace {

enum TTag : std::uint16_t {
    ImageWidth = 256,
    ImageLength = 257,
    BitsPerSample = 258,
    Compression = 259,
    PhotometricInterpretation = 262,
    FillOrder = 266,
    DocumentName = 269,
    ImageDescription = 270,
    StripOffsets = 273,
    Orientation = 274,
    SamplesPerPixel = 277,
    RowsPerStrip = 278,
    StripByteCounts = 279,
    MaxSampleValue = 281,
    XResolution = 282,
    YResolution = 283,
    PlanarConfiguration = 284,
    PageName = 285,
    T4Options = 292,
    ResolutionUnit = 296,
    PageNumber = 297,
    Software = 305,
    Predictor = 317,
    ColorMap = 320,
    TileWidth = 322,
    TileLength = 323,
};

enum TCompressionCode : std::uint32_t {
    CompressionNone = 1,
    CompressionModifiedHuffman = 2,
    CompressionGroup3 = 3,
    CompressionGroup4 = 4,
    CompressionLzw = 5,
    CompressionOldJpeg = 6,
    CompressionJpeg = 7,
    CompressionPackBits = 32773,
};

enum TPhotometricCode : std::uint32_t {
    WhiteIsZero = 0,
    BlackIsZero = 1,
    Rgb = 2,
    Palette = 3,
    TransparencyMask = 4,
    Cmyk = 5,
    YCbCr = 6,
    CieLab = 8,
};

constexpr int HeaderSize = 8;
constexpr int EntrySize = 12;
// The version number of a BigTIFF header, whose offsets have 64 bits; libtiff reads those files.
constexpr std::uint16_t BigTiffVersion = 43;

// The field types that hold integers, with their sizes; others (ASCII, RATIONAL, floats) are not arrays
// of integers.
int IntegerTypeSize(std::uint16_t type) {
    switch (type) {
    case 1: // BYTE
    case 6: // SBYTE
        return 1;
    case 3: // SHORT
    case 8: // SSHORT
        return 2;
    case 4:  // LONG
    case 9:  // SLONG
    case 13: // IFD
        return 4;
    default:
        return 0;
    }
}

struct TEntry {
    std::uint16_t Tag = 0;
    std::uint16_t Type = 0;
    std::uint32_t Count = 0;
    std::array<std::uint8_t, 4> Value{};
};

// Reads the file's numbers in its byte order, and values that lie elsewhere in the file.
class TTiffFile {
public:
    TTiffFile(TStream& stream, bool bigEndian) : FStream(stream), FBigEndian(bigEndian) {}

    bool BigEndian() const { return FBigEndian; }
    std::int64_t Size() const { return FStream.Size(); }

    std::uint16_t U16(const std::uint8_t* p) const {
        return FBigEndian ? std::uint16_t((p[0] << 8) | p[1]) : std::uint16_t(p[0] | (p[1] << 8));
    }
    std::uint32_t U32(const std::uint8_t* p) const {
        return FBigEndian ? (std::uint32_t(U16(p)) << 16) | U16(p + 2)
                          : U16(p) | (std::uint32_t(U16(p + 2)) << 16);
    }

    // Up to count bytes at offset, fewer where the file ends.
    std::vector<std::uint8_t> BytesAt(std::int64_t offset, std::int64_t count) const {
        const std::int64_t available = std::max<std::int64_t>(FStream.Size() - offset, 0);
        std::vector<std::uint8_t> bytes(std::size_t(std::clamp<std::int64_t>(count, 0, available)));
        FStream.Seek(offset);
        bytes.resize(std::size_t(FStream.Read(bytes.data(), std::int64_t(bytes.size()))));
        return bytes;
    }

    // The bytes of an entry's value: in the entry when they fit in four bytes, else at the offset there.
    // An array that reaches past the end of the file keeps the part inside it; at most limit bytes.
    std::vector<std::uint8_t> ValueBytes(const TEntry& entry, std::int64_t elementSize,
                                         std::int64_t limit) const {
        const std::int64_t bytes = std::int64_t(entry.Count) * elementSize;
        if (bytes <= 4) {
            return std::vector<std::uint8_t>(entry.Value.begin(), entry.Value.begin() + bytes);
        }
        return BytesAt(U32(entry.Value.data()), std::min(bytes, limit));
    }

    // Integers of any integer type; at most maxCount of them.
    std::vector<std::uint32_t> Integers(const TEntry& entry, std::int64_t maxCount) const {
        const int size = IntegerTypeSize(entry.Type);
        if (size == 0) {
            return {};
        }
        const std::vector<std::uint8_t> bytes = ValueBytes(entry, size, maxCount * size);
        std::vector<std::uint32_t> values(bytes.size() / std::size_t(size));
        for (std::size_t i = 0; i < values.size(); ++i) {
            const std::uint8_t* p = bytes.data() + i * std::size_t(size);
            values[i] = size == 1 ? p[0] : size == 2 ? U16(p) : U32(p);
        }
        return values;
    }

    // A RATIONAL (or, from careless writers, an integer) as a number; 0 when the denominator is 0.
    double Number(const TEntry& entry) const {
        if (entry.Type == 5 || entry.Type == 10) {
            const std::vector<std::uint8_t> bytes = ValueBytes(entry, 8, 8);
            if (bytes.size() < 8) {
                return 0.0;
            }
            const std::uint32_t numerator = U32(bytes.data());
            const std::uint32_t denominator = U32(bytes.data() + 4);
            if (denominator == 0) {
                return 0.0;
            }
            if (entry.Type == 10) {
                return double(std::int32_t(numerator)) / double(std::int32_t(denominator));
            }
            return double(numerator) / double(denominator);
        }
        const std::vector<std::uint32_t> values = Integers(entry, 1);
        return values.empty() ? 0.0 : double(values[0]);
    }

    // ASCII text up to its first NUL.
    QString Text(const TEntry& entry) const {
        if (entry.Type != 2) {
            return QString();
        }
        const std::vector<std::uint8_t> bytes = ValueBytes(entry, 1, entry.Count);
        const auto end = std::find(bytes.begin(), bytes.end(), 0);
        return QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()),
                                   qsizetype(end - bytes.begin()));
    }

private:
    TStream& FStream;
    bool FBigEndian;
};

using TDirectory = std::vector<TEntry>;

const TEntry* FindTag(const TDirectory& directory, std::uint16_t tag) {
    for (const TEntry& entry : directory) {
        if (entry.Tag == tag) {
            return &entry;
        }
    }
    return nullptr;
}

TEntry ParseEntry(const TTiffFile& file, const std::uint8_t* p) {
    TEntry entry;
    entry.Tag = file.U16(p);
    entry.Type = file.U16(p + 2);
    entry.Count = file.U32(p + 4);
    std::memcpy(entry.Value.data(), p + 8, 4);
    return entry;
}

struct TWalk {
    int Pages = 0;
    std::optional<TDirectory> Wanted;
};

// Visits every directory of the chain, keeping the entries of the wanted one. The chain ends at offset 0,
// at an offset where no directory can begin (beyond the end of the file), and at a directory visited
// before, so a chain that loops ends too.
TWalk WalkDirectories(const TTiffFile& file, std::uint32_t first, std::int32_t wanted) {
    TWalk walk;
    std::unordered_set<std::uint32_t> visited;
    std::uint32_t offset = first;
    while (offset != 0 && visited.insert(offset).second) {
        const std::vector<std::uint8_t> countBytes = file.BytesAt(offset, 2);
        if (countBytes.size() < 2) {
            break;
        }
        const std::uint16_t count = file.U16(countBytes.data());
        const std::int64_t entriesStart = std::int64_t(offset) + 2;
        if (walk.Pages == wanted) {
            const std::vector<std::uint8_t> bytes =
                file.BytesAt(entriesStart, std::int64_t(count) * EntrySize);
            TDirectory directory(bytes.size() / EntrySize);
            for (std::size_t i = 0; i < directory.size(); ++i) {
                directory[i] = ParseEntry(file, bytes.data() + i * EntrySize);
            }
            walk.Wanted = std::move(directory);
        }
        const std::vector<std::uint8_t> next =
            file.BytesAt(entriesStart + std::int64_t(count) * EntrySize, 4);
        offset = next.size() == 4 ? file.U32(next.data()) : 0;
        ++walk.Pages;
    }
    return walk;
}

// How the decoded samples become pixels; None for the combinations that no rule converts.
enum class TPixelKind { None, Bilevel, Grey, Grey16, Rgb555, Rgb, Palette, Cmyk, Lab };

struct TImage {
    std::uint32_t Width = 0;
    std::uint32_t Length = 0;
    std::uint32_t Samples = 1;
    std::uint32_t Bits = 1;
    std::uint32_t Compression = CompressionNone;
    std::uint32_t Photometric = Rgb;
    std::uint32_t FillOrder = 1;
    std::uint32_t RowsPerStrip = 0;
    std::uint32_t Planar = 1;
    std::uint32_t T4Options = 0;
    std::uint32_t Orientation = 1;
    // 0 when the tag is absent.
    std::uint32_t MaxSampleValue = 0;
    bool Tiled = false;
    std::vector<std::uint32_t> Offsets;
    std::vector<std::uint32_t> ByteCounts;

    bool Fax() const {
        return Compression == CompressionModifiedHuffman || Compression == CompressionGroup3 ||
               Compression == CompressionGroup4;
    }
    std::int64_t RowBytes() const { return (std::int64_t(Samples) * Width * Bits + 7) / 8; }
};

bool Decodable(std::uint32_t compression) {
    return compression == CompressionNone || compression == CompressionModifiedHuffman ||
           compression == CompressionGroup3 || compression == CompressionGroup4 ||
           compression == CompressionPackBits;
}

TPixelKind PixelKindOf(const TImage& image) {
    const std::uint32_t samples = image.Samples;
    const std::uint32_t bits = image.Bits;
    TPixelKind kind = TPixelKind::None;
    switch (image.Photometric) {
    case WhiteIsZero:
    case BlackIsZero:
        if (samples == 1 && bits == 1) {
            kind = TPixelKind::Bilevel;
        } else if (samples == 1 && (bits == 4 || bits == 8)) {
            kind = TPixelKind::Grey;
        } else if (samples == 1 && bits == 16 && image.Compression == CompressionNone) {
            kind = TPixelKind::Grey16;
        }
        break;
    case Rgb:
        if (samples == 1 && bits == 16) {
            kind = TPixelKind::Rgb555;
        } else if ((samples == 3 || samples == 4) && bits == 8) {
            kind = TPixelKind::Rgb;
        }
        break;
    case Palette:
        if (samples == 1 && bits >= 1 && bits <= 8) {
            kind = TPixelKind::Palette;
        }
        break;
    case Cmyk:
        if (samples == 4 && bits == 8) {
            kind = TPixelKind::Cmyk;
        }
        break;
    case CieLab:
        if (samples == 3 && bits == 8) {
            kind = TPixelKind::Lab;
        }
        break;
    default:
        break;
    }
    // The fax codes carry one bit per pixel; separate planes exist only for RGB.
    if (image.Fax() && !(samples == 1 && bits == 1)) {
        return TPixelKind::None;
    }
    if (image.Planar == 2 && samples > 1 && !(kind == TPixelKind::Rgb && samples == 3)) {
        return TPixelKind::None;
    }
    return kind;
}

// A sample of bits (1 to 8) bits at index of a packed row, most significant first; 0 beyond the data.
std::uint8_t PackedSample(std::span<const std::uint8_t> data, std::size_t index, int bits) {
    if (bits == 8) {
        return index < data.size() ? data[index] : 0;
    }
    const std::size_t bit = index * std::size_t(bits);
    const std::size_t byte = bit >> 3;
    const unsigned high = byte < data.size() ? data[byte] : 0;
    const unsigned low = byte + 1 < data.size() ? data[byte + 1] : 0;
    const unsigned window = (high << 8) | low;
    return std::uint8_t((window >> (16 - bits - int(bit & 7))) & ((1u << bits) - 1));
}

std::uint8_t LabChannel(double value) {
    if (!(value > 0.0)) {
        return 0;
    }
    if (value >= 1.0) {
        return 255;
    }
    return std::uint8_t(std::sqrt(value) * 256.0);
}

void PutLab(const std::uint8_t* lab, std::uint8_t* out) {
    const double l = lab[0] / 255.0 * 100.0;
    const auto signedAxis = [](std::uint8_t byte) {
        const int v = byte == 0x80 ? 128 : int(std::int8_t(byte));
        return (v + 127) / 255.0 * 200.0 - 100.0;
    };
    const double a = signedAxis(lab[1]);
    const double b = signedAxis(lab[2]);
    const double fy = (l + 16.0) / 116.0;
    const double fx = fy + a / 500.0;
    const double fz = fy - b / 200.0;
    double x, y, z;
    if (l >= 7.9996) {
        x = fx * fx * fx;
        y = fy * fy * fy;
        z = fz * fz * fz;
    } else {
        y = l / 903.3;
        x = y + a / 3893.5;
        z = y - b / 1557.4;
    }
    out[2] = LabChannel(2.69 * x - 1.276 * y - 0.414 * z);
    out[1] = LabChannel(-1.022 * x + 1.978 * y + 0.044 * z);
    out[0] = LabChannel(0.061 * x - 0.224 * y + 1.163 * z);
}

// Turns one decoded row into bitmap pixels. A row shorter than it should be (a truncated strip) sets the
// pixels its bytes cover; the others keep the black of the fresh bitmap.
class TRowConverter {
public:
    // largestGrey16: for 16-bit grey, the largest sample of the picture or MaxSampleValue.
    TRowConverter(const TImage& image, TPixelKind kind, bool bigEndian,
                  const std::vector<TBGRTriple>& palette, std::uint32_t largestGrey16)
        : FImage(image), FKind(kind), FBigEndian(bigEndian),
          FGrey16(largestGrey16, image.Photometric == WhiteIsZero) {
        const std::size_t count = std::min(palette.size(), FLookup.size());
        std::copy_n(palette.begin(), count, FLookup.begin());
        // The bitmap holds 1 for white: a stored 0 is white for WhiteIsZero, but fax codes already give
        // 1 for the runs they call white, which BlackIsZero makes the dark ones.
        const bool whiteIsZero = image.Photometric == WhiteIsZero;
        FInvert = image.Fax() ? !whiteIsZero : whiteIsZero;
    }

    // True when the data sets every pixel of a row of that width.
    bool Covers(std::span<const std::uint8_t> data, int width) const {
        return PixelsIn(data, width) == width;
    }

    void Convert(std::span<const std::uint8_t> data, std::uint8_t* out, int width) const {
        switch (FKind) {
        case TPixelKind::Bilevel:
            ConvertBilevel(data, out, width);
            break;
        case TPixelKind::Grey:
            ConvertGrey(data, out, width);
            break;
        case TPixelKind::Grey16:
            ConvertWords(data, out, width,
                         [this](unsigned v, std::uint8_t* p) { p[0] = p[1] = p[2] = FGrey16(v); });
            break;
        case TPixelKind::Rgb555:
            ConvertWords(data, out, width, [](unsigned v, std::uint8_t* p) {
                p[0] = std::uint8_t((v & 0x1F) << 3);
                p[1] = std::uint8_t(((v >> 5) & 0x1F) << 3);
                p[2] = std::uint8_t(((v >> 10) & 0x1F) << 3);
            });
            break;
        case TPixelKind::Rgb:
            ConvertRgb(data, out, width);
            break;
        case TPixelKind::Palette:
            for (int x = 0, n = PixelsIn(data, width); x < n; ++x) {
                const TBGRTriple& c = FLookup[PackedSample(data, std::size_t(x), int(FImage.Bits))];
                out[x * 3] = c.Blue;
                out[x * 3 + 1] = c.Green;
                out[x * 3 + 2] = c.Red;
            }
            break;
        case TPixelKind::Cmyk:
            for (int x = 0, n = PixelsIn(data, width); x < n; ++x) {
                const std::uint8_t* s = data.data() + x * 4;
                const int k = 255 - s[3];
                out[x * 3 + 2] = std::uint8_t((255 - s[0]) * k / 255);
                out[x * 3 + 1] = std::uint8_t((255 - s[1]) * k / 255);
                out[x * 3] = std::uint8_t((255 - s[2]) * k / 255);
            }
            break;
        case TPixelKind::Lab:
            for (int x = 0, n = PixelsIn(data, width); x < n; ++x) {
                PutLab(data.data() + x * 3, out + x * 3);
            }
            break;
        case TPixelKind::None:
            break;
        }
    }

private:
    // Whole pixels that the data holds, at most width.
    int PixelsIn(std::span<const std::uint8_t> data, int width) const {
        const std::int64_t bitsPerPixel = std::int64_t(FImage.Samples) * FImage.Bits;
        return int(std::min<std::int64_t>(width, std::int64_t(data.size()) * 8 / bitsPerPixel));
    }

    void ConvertBilevel(std::span<const std::uint8_t> data, std::uint8_t* out, int width) const {
        const std::size_t bytes = std::min(data.size(), (std::size_t(width) + 7) / 8);
        if (FInvert) {
            for (std::size_t i = 0; i < bytes; ++i) {
                out[i] = std::uint8_t(~data[i]);
            }
        } else if (bytes > 0) {
            std::memcpy(out, data.data(), bytes);
        }
    }

    void ConvertGrey(std::span<const std::uint8_t> data, std::uint8_t* out, int width) const {
        const int bits = int(FImage.Bits);
        for (int x = 0, n = PixelsIn(data, width); x < n; ++x) {
            std::uint8_t v = PackedSample(data, std::size_t(x), bits);
            if (bits == 4) {
                v = std::uint8_t(v * 16);
            }
            if (FImage.Photometric == WhiteIsZero) {
                v = std::uint8_t(255 - v);
            }
            out[x * 3] = out[x * 3 + 1] = out[x * 3 + 2] = v;
        }
    }

    template <typename TPut>
    void ConvertWords(std::span<const std::uint8_t> data, std::uint8_t* out, int width, TPut put) const {
        for (int x = 0, n = PixelsIn(data, width); x < n; ++x) {
            const std::uint8_t* s = data.data() + x * 2;
            const unsigned v = FBigEndian ? (unsigned(s[0]) << 8) | s[1] : s[0] | (unsigned(s[1]) << 8);
            put(v, out + x * 3);
        }
    }

    void ConvertRgb(std::span<const std::uint8_t> data, std::uint8_t* out, int width) const {
        const int n = PixelsIn(data, width);
        const std::size_t step = FImage.Samples;
        const std::uint8_t* s = data.data();
        if (step == 3) {
            RgbToBgr(s, out, n);
            return;
        }
        for (int x = 0; x < n; ++x, s += step, out += 3) {
            out[0] = s[2];
            out[1] = s[1];
            out[2] = s[0];
        }
    }

    const TImage& FImage;
    TPixelKind FKind;
    bool FBigEndian;
    bool FInvert = false;
    TGrey16Scale FGrey16;
    std::array<TBGRTriple, 256> FLookup{};
};

// The rows of one strip, decompressed one after another.
class TStripRows {
public:
    TStripRows(const TImage& image, std::span<const std::uint8_t> strip, std::int64_t rowBytes,
               std::vector<std::uint8_t>& buffer)
        : FImage(image), FStrip(strip), FCursor(strip), FRowBytes(rowBytes), FBuffer(buffer),
          FFax(strip, image.FillOrder == 2 ? TFaxBitOrder::LeastSignificantFirst
                                           : TFaxBitOrder::MostSignificantFirst) {
        if (image.Compression == CompressionPackBits) {
            // No row can come out longer than the strip's bytes can expand to.
            const std::int64_t longest = std::int64_t(strip.size()) * std::int64_t(PackBitsMaxExpansion);
            FBuffer.resize(std::size_t(std::min(rowBytes, longest)));
        } else if (image.Fax()) {
            FBuffer.resize(std::size_t(rowBytes));
        }
    }

    std::span<const std::uint8_t> Next() {
        const int width = int(FImage.Width);
        switch (FImage.Compression) {
        case CompressionPackBits: {
            std::fill(FBuffer.begin(), FBuffer.end(), std::uint8_t(0));
            FCursor.Skip(UnpackBitsRow(FStrip.subspan(FCursor.Position()), FBuffer));
            return FBuffer;
        }
        case CompressionModifiedHuffman:
            DecodeModifiedHuffmanRow(FFax, width, FBuffer);
            return FBuffer;
        case CompressionGroup3:
            DecodeGroup3Row(FFax, width, (FImage.T4Options & 1) != 0, FBuffer);
            return FBuffer;
        case CompressionGroup4:
            DecodeGroup4Row(FFax, width, FBuffer);
            return FBuffer;
        default:
            return FCursor.Take(std::size_t(FRowBytes));
        }
    }

private:
    const TImage& FImage;
    std::span<const std::uint8_t> FStrip;
    TByteCursor FCursor;
    std::int64_t FRowBytes;
    std::vector<std::uint8_t>& FBuffer;
    TFaxState FFax;
};

class TStripReader {
public:
    TStripReader(TStream& stream, const TImage& image) : FStream(stream), FImage(image) {}

    // Strip i whole, as far as the file holds it.
    std::span<const std::uint8_t> Read(std::size_t i, std::vector<std::uint8_t>& buffer) const {
        buffer.resize(std::size_t(Seek(i)));
        buffer.resize(std::size_t(FStream.Read(buffer.data(), std::int64_t(buffer.size()))));
        return buffer;
    }

    // Moves to the start of strip i and returns its size as far as the file holds it: StripByteCounts[i]
    // bytes, or up to the end of the file when the count is missing or 0.
    std::int64_t Seek(std::size_t i) const {
        const std::int64_t offset = FImage.Offsets[i];
        const std::int64_t available = std::max<std::int64_t>(FStream.Size() - offset, 0);
        std::int64_t count = i < FImage.ByteCounts.size() ? FImage.ByteCounts[i] : 0;
        if (count == 0) {
            count = available;
        }
        FStream.Seek(offset);
        return std::min(count, available);
    }

private:
    TStream& FStream;
    const TImage& FImage;
};

// The largest sample of an uncompressed 16-bit grey picture, or MaxSampleValue when that is larger.
std::uint32_t LargestGrey16(TStream& stream, const TImage& image, bool bigEndian) {
    std::uint32_t largest = image.MaxSampleValue;
    const TStripReader reader(stream, image);
    std::vector<std::uint8_t> strip;
    std::int64_t rowsLeft = image.Length;
    for (std::size_t i = 0; i < image.Offsets.size() && rowsLeft > 0; ++i) {
        const std::span<const std::uint8_t> bytes = reader.Read(i, strip);
        const std::int64_t rows = std::min<std::int64_t>(image.RowsPerStrip, rowsLeft);
        const std::size_t used =
            std::size_t(std::min<std::int64_t>(std::int64_t(bytes.size()), rows * image.RowBytes()));
        for (std::size_t j = 0; j + 1 < used; j += 2) {
            const std::uint32_t v =
                bigEndian ? (bytes[j] << 8) | bytes[j + 1] : bytes[j] | (bytes[j + 1] << 8);
            largest = std::max(largest, v);
        }
        rowsLeft -= rows;
    }
    return largest;
}

// After each row: progress, and the stop that a caller may ask for.
bool RowDone(ProgressContext& context) {
    ++context.Counter;
    context.Report();
    return !context.IsAborted();
}

void DecodeChunky(TStream& stream, TBitmap& bitmap, const TImage& image, const TRowConverter& converter,
                  ProgressContext& context) {
    const TStripReader reader(stream, image);
    const int height = bitmap.Height();
    const int width = bitmap.Width();
    std::vector<std::uint8_t> strip;
    std::vector<std::uint8_t> rowBuffer;
    int y = 0;
    for (std::size_t i = 0; i < image.Offsets.size() && y < height; ++i) {
        TStripRows rows(image, reader.Read(i, strip), image.RowBytes(), rowBuffer);
        const int count = int(std::min<std::int64_t>(image.RowsPerStrip, height - y));
        for (int r = 0; r < count; ++r, ++y) {
            const std::span<const std::uint8_t> data = rows.Next();
            std::uint8_t* out =
                converter.Covers(data, width) ? bitmap.ScanLineToOverwrite(y) : bitmap.ScanLine(y);
            converter.Convert(data, out, width);
            if (!RowDone(context)) {
                return;
            }
        }
    }
}

// Rows of uncompressed RGB read at once: about this many bytes, so that they are still in the cache when
// their pixels turn, and the strips of common writers (up to a few hundred kilobytes) take one read.
constexpr std::int64_t RgbBatchBytes = 512 * 1024;
// The system copies a file's bytes several times faster on some processors when they land at the same
// place within a line of this many bytes as they lie in the file.
constexpr std::int64_t CopyAlignment = 64;

// Turns the bytes of rows read one after another, landed ahead bytes on from the start of a batch of
// bitmap rows, into the bitmap's pixels: the pixels turn to blue, green, red as they move to the batch's
// start; bytes missing from the rows, a pixel cut short among them, become black (zero bytes); and the
// rows move apart to their padded places from the last one up, each getting the zero padding that
// ScanLineToOverwrite would give it.
void TurnRgbBatch(std::uint8_t* batch, std::int64_t ahead, int rows, std::int64_t rowBytes,
                  std::int64_t stride, std::int64_t got) {
    const std::int64_t whole = got / 3 * 3;
    RgbToBgr(batch + ahead, batch, whole / 3);
    std::memset(batch + whole, 0, std::size_t(rows * rowBytes - whole));
    if (stride == rowBytes) {
        return;
    }
    for (int r = rows - 1; r >= 0; --r) {
        std::uint8_t* row = batch + r * stride;
        std::memmove(row, batch + r * rowBytes, std::size_t(rowBytes));
        std::memset(row + rowBytes, 0, std::size_t(stride - rowBytes));
    }
}

// Uncompressed 8-bit RGB, the common photograph: the strips' bytes go straight into the bitmap's rows, a
// batch of rows with one read, and turn there, so that each byte is copied once from the file. The read
// lands a little ahead of the batch where that brings it into step with the file; the bytes it covers
// beyond the batch are in rows not reached yet, which are written or filled later.
void DecodeRgbInPlace(TStream& stream, TBitmap& bitmap, const TImage& image, ProgressContext& context) {
    const TStripReader reader(stream, image);
    const int height = bitmap.Height();
    const std::int64_t rowBytes = std::int64_t(bitmap.Width()) * 3;
    const std::int64_t stride = bitmap.RowBytes();
    const int batchRows = int(std::clamp<std::int64_t>(RgbBatchBytes / stride, 1, height));
    int y = 0;
    for (std::size_t i = 0; i < image.Offsets.size() && y < height; ++i) {
        std::int64_t stripLeft = reader.Seek(i);
        const int stripEnd = y + int(std::min<std::int64_t>(image.RowsPerStrip, height - y));
        while (y < stripEnd) {
            const int rows = std::min(batchRows, stripEnd - y);
            std::uint8_t* batch = bitmap.ScanLineToOverwrite(y);
            for (int r = 1; r < rows; ++r) {
                bitmap.ScanLineToOverwrite(y + r);
            }
            const std::int64_t packed = rows * rowBytes;
            const std::int64_t room = std::int64_t(height - y) * stride - packed;
            std::int64_t ahead = (stream.Position() - std::int64_t(reinterpret_cast<std::uintptr_t>(batch))) &
                                 (CopyAlignment - 1);
            if (ahead > room) {
                ahead = 0;
            }
            const std::int64_t got = stream.Read(batch + ahead, std::min(packed, stripLeft));
            stripLeft -= got;
            TurnRgbBatch(batch, ahead, rows, rowBytes, stride, got);
            for (const int end = y + rows; y < end;) {
                ++y;
                if (!RowDone(context)) {
                    return;
                }
            }
        }
    }
}

// PlanarConfiguration 2: the strips are three equal groups, the red, green and blue planes.
void DecodePlanes(TStream& stream, TBitmap& bitmap, const TImage& image, ProgressContext& context) {
    const TStripReader reader(stream, image);
    const int height = bitmap.Height();
    const int width = bitmap.Width();
    const std::size_t perPlane = image.Offsets.size() / 3;
    std::array<std::vector<std::uint8_t>, 3> strips;
    std::array<std::vector<std::uint8_t>, 3> buffers;
    int y = 0;
    for (std::size_t i = 0; i < perPlane && y < height; ++i) {
        std::array<std::optional<TStripRows>, 3> planes;
        for (std::size_t p = 0; p < 3; ++p) {
            planes[p].emplace(image, reader.Read(p * perPlane + i, strips[p]), std::int64_t(image.Width),
                              buffers[p]);
        }
        const int count = int(std::min<std::int64_t>(image.RowsPerStrip, height - y));
        for (int r = 0; r < count; ++r, ++y) {
            std::uint8_t* out = bitmap.ScanLine(y);
            for (std::size_t p = 0; p < 3; ++p) {
                const std::span<const std::uint8_t> plane = planes[p]->Next();
                const std::size_t n = std::min(plane.size(), std::size_t(width));
                for (std::size_t x = 0; x < n; ++x) {
                    out[x * 3 + (2 - p)] = plane[x];
                }
            }
            if (!RowDone(context)) {
                return;
            }
        }
    }
}

TImage ReadImageTags(const TTiffFile& file, const TDirectory& directory) {
    TImage image;
    const auto scalar = [&](std::uint16_t tag, std::uint32_t absent) {
        const TEntry* entry = FindTag(directory, tag);
        if (!entry) {
            return absent;
        }
        const std::vector<std::uint32_t> values = file.Integers(*entry, 1);
        return values.empty() ? absent : values[0];
    };
    image.Width = scalar(ImageWidth, 0);
    image.Length = scalar(ImageLength, 0);
    image.Samples = scalar(SamplesPerPixel, 1);
    image.Compression = scalar(Compression, CompressionNone);
    image.Photometric = scalar(PhotometricInterpretation, Rgb);
    image.FillOrder = scalar(FillOrder, 1);
    image.Planar = scalar(PlanarConfiguration, 1);
    image.T4Options = scalar(T4Options, 0);
    image.Orientation = scalar(Orientation, 1);
    image.MaxSampleValue = scalar(MaxSampleValue, 0);
    image.RowsPerStrip = scalar(RowsPerStrip, 0);
    // Absent, all bits set, or 0 (which would give no strip any row): one strip for the whole picture.
    if (image.RowsPerStrip == 0 || image.RowsPerStrip == 0xFFFFFFFF) {
        image.RowsPerStrip = image.Length;
    }
    for (const std::uint16_t tag : {TileWidth, TileLength}) {
        if (FindTag(directory, tag) && scalar(tag, 0) > 0) {
            image.Tiled = true;
        }
    }
    // A strip needs at least one byte of the file, so no file lists more strips than it has bytes.
    const std::int64_t maxStrips = file.Size();
    if (const TEntry* entry = FindTag(directory, StripOffsets)) {
        image.Offsets = file.Integers(*entry, maxStrips);
    }
    if (const TEntry* entry = FindTag(directory, StripByteCounts)) {
        image.ByteCounts = file.Integers(*entry, maxStrips);
    }
    return image;
}

// 2^bits entries from the red, green and blue thirds of the tag, the high byte of each value kept.
std::vector<TBGRTriple> ReadColorMap(const TTiffFile& file, const TEntry& entry, std::uint32_t bits) {
    // Palette pixels have at most 8 bits; a map for more would only be a large allocation.
    if (bits > 8) {
        return {};
    }
    const std::size_t count = std::size_t(1) << bits;
    const std::vector<std::uint32_t> values = file.Integers(entry, std::int64_t(count) * 3);
    const auto at = [&values](std::size_t i) -> std::uint8_t {
        return i < values.size() ? std::uint8_t(values[i] >> 8) : 0;
    };
    std::vector<TBGRTriple> palette(count);
    for (std::size_t i = 0; i < count; ++i) {
        palette[i] = {at(2 * count + i), at(count + i), at(i)};
    }
    return palette;
}

void FillParams(const TTiffFile& file, const TDirectory& directory, const TImage& image, TIOParams& params) {
    params.Width = std::int32_t(std::min<std::uint32_t>(image.Width, INT_MAX));
    params.Height = std::int32_t(std::min<std::uint32_t>(image.Length, INT_MAX));
    params.BitsPerSample = std::int32_t(image.Bits);
    params.SamplesPerPixel = std::int32_t(image.Samples);
    const auto number = [&](std::uint16_t tag) {
        const TEntry* entry = FindTag(directory, tag);
        return entry ? file.Number(*entry) : 0.0;
    };
    const auto text = [&](std::uint16_t tag) {
        const TEntry* entry = FindTag(directory, tag);
        return entry ? file.Text(*entry) : QString();
    };
    std::uint32_t unit = 2;
    if (const TEntry* entry = FindTag(directory, ResolutionUnit)) {
        const std::vector<std::uint32_t> values = file.Integers(*entry, 1);
        unit = values.empty() ? 2 : values[0];
    }
    params.XDpi = TiffDpi(number(XResolution), unit, ScreenDpiX());
    params.YDpi = TiffDpi(number(YResolution), unit, ScreenDpiY());
    params.TiffCompression = TiffCompressionField(image.Compression, image.T4Options, params.TiffCompression);
    params.TiffPhotometric = TiffPhotometricField(image.Photometric, params.TiffPhotometric);
    params.TiffPlanarConfig = std::int32_t(image.Planar);
    params.TiffDocumentName = text(DocumentName);
    params.TiffImageDescription = text(ImageDescription);
    params.TiffPageName = text(PageName);
    std::vector<std::uint32_t> pageNumber;
    if (const TEntry* entry = FindTag(directory, PageNumber)) {
        pageNumber = file.Integers(*entry, 2);
    }
    pageNumber.resize(2, 0);
    params.TiffPageNumber = std::int32_t(pageNumber[0]);
    params.TiffPageCount = std::int32_t(pageNumber[1]);
    params.ExifOrientation = TiffOrientation(image.Orientation);
    params.FreePalette();
    if (const TEntry* entry = FindTag(directory, ColorMap)) {
        params.Palette = ReadColorMap(file, *entry, image.Bits);
        params.PaletteCount = std::int32_t(params.Palette.size());
    }
}

} // namespace

void ReadTiff(TStream& stream, TBitmap& bitmap, int& pageCount, TIOParams& params, ProgressContext& context) {
    pageCount = 0;
    std::uint8_t header[HeaderSize] = {};
    stream.Read(header, HeaderSize);
    const bool little = header[0] == 'I' && header[1] == 'I';
    const bool big = header[0] == 'M' && header[1] == 'M';
    if (!little && !big) {
        context.Abort();
        return;
    }
    const TTiffFile file(stream, big);
    if (file.U16(header + 2) == BigTiffVersion) {
        ReadTiffThroughLibrary(stream, bitmap, pageCount, params, context);
        return;
    }
    const TWalk walk = WalkDirectories(file, file.U32(header + 4), params.TiffImageIndex);
    pageCount = walk.Pages;
    // A file without a single directory holds no picture at all.
    if (walk.Pages == 0) {
        context.Abort();
        return;
    }
    if (!walk.Wanted) {
        return;
    }
    const TDirectory& directory = *walk.Wanted;

    TImage image = ReadImageTags(file, directory);
    std::vector<std::uint32_t> bits{1};
    if (const TEntry* entry = FindTag(directory, BitsPerSample)) {
        bits = file.Integers(*entry, std::max<std::int64_t>(image.Samples, 1));
        if (bits.empty()) {
            bits = {1};
        }
    }
    if (std::adjacent_find(bits.begin(), bits.end(), std::not_equal_to<>()) != bits.end()) {
        context.Abort();
        return;
    }
    image.Bits = bits[0];
    FillParams(file, directory, image, params);

    // Compressions, pixel layouts and tiles that this decoder does not read go to libtiff, before the
    // bitmap is touched; a page that is broken stays this decoder's to refuse.
    const TPixelKind kind = PixelKindOf(image);
    if (!Decodable(image.Compression) || kind == TPixelKind::None || image.Tiled) {
        int libraryPages = 0;
        ReadTiffThroughLibrary(stream, bitmap, libraryPages, params, context);
        return;
    }

    const TPixelFormat format = kind == TPixelKind::Bilevel ? TPixelFormat::pf1bit : TPixelFormat::pf24bit;
    ResetBitmapBlack(bitmap, 1, 1, format);
    if (image.Width == 0 || image.Length == 0) {
        context.Abort();
        return;
    }
    ResetBitmapBlack(bitmap, params.Width, params.Height, format);
    context.Counter = 0;
    context.Factor = 100.0 / bitmap.Height();
    if (image.Planar == 2 && image.Samples > 1) {
        DecodePlanes(stream, bitmap, image, context);
    } else if (kind == TPixelKind::Rgb && image.Samples == 3 && image.Compression == CompressionNone) {
        DecodeRgbInPlace(stream, bitmap, image, context);
    } else {
        const std::uint32_t largestGrey16 =
            kind == TPixelKind::Grey16 ? LargestGrey16(stream, image, file.BigEndian()) : 0;
        const TRowConverter converter(image, kind, file.BigEndian(), params.Palette, largestGrey16);
        DecodeChunky(stream, bitmap, image, converter, context);
    }
}
