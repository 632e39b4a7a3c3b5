#include "imageio/Orientation.h"

#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr std::uint16_t OrientationTag = 274;
constexpr std::uint16_t ShortType = 3;
constexpr std::size_t ExifHeaderSize = 6; // "Exif\0\0"
constexpr std::size_t DirectoryEntrySize = 12;

// The TIFF structure inside the Exif block, in the byte order that its header names. Every read is
// bounded; bytes beyond the block read as 0.
class TTiffBytes {
public:
    TTiffBytes(std::span<const std::uint8_t> bytes, bool bigEndian) : FBytes(bytes), FBigEndian(bigEndian) {}

    std::uint16_t U16(std::uint64_t offset) const {
        const unsigned a = Byte(offset);
        const unsigned b = Byte(offset + 1);
        return std::uint16_t(FBigEndian ? (a << 8) | b : (b << 8) | a);
    }
    std::uint32_t U32(std::uint64_t offset) const {
        const std::uint32_t a = U16(offset);
        const std::uint32_t b = U16(offset + 2);
        return FBigEndian ? (a << 16) | b : (b << 16) | a;
    }
    bool Holds(std::uint64_t offset, std::uint64_t count) const {
        return offset <= FBytes.size() && count <= FBytes.size() - offset;
    }

private:
    std::uint8_t Byte(std::uint64_t offset) const { return offset < FBytes.size() ? FBytes[offset] : 0; }

    std::span<const std::uint8_t> FBytes;
    bool FBigEndian;
};

// Where the upright pixel (x, y) comes from in the stored picture of width w and height h.
struct TSourceOf {
    int Orientation;
    int Width;
    int Height;

    std::pair<int, int> operator()(int x, int y) const {
        switch (Orientation) {
        case 2:
            return {Width - 1 - x, y};
        case 3:
            return {Width - 1 - x, Height - 1 - y};
        case 4:
            return {x, Height - 1 - y};
        case 5:
            return {y, x};
        case 6:
            return {y, Height - 1 - x};
        case 7:
            return {Width - 1 - y, Height - 1 - x};
        case 8:
            return {Width - 1 - y, x};
        default:
            return {x, y};
        }
    }
};

bool BitAt(const std::uint8_t* row, int x) {
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

void PutBit(std::uint8_t* row, int x, bool on) {
    const std::uint8_t mask = std::uint8_t(0x80 >> (x & 7));
    row[x >> 3] = on ? std::uint8_t(row[x >> 3] | mask) : std::uint8_t(row[x >> 3] & ~mask);
}

} // namespace

int ExifOrientation(std::span<const std::uint8_t> app1) {
    static constexpr std::uint8_t ExifHeader[ExifHeaderSize] = {'E', 'x', 'i', 'f', 0, 0};
    if (app1.size() < ExifHeaderSize + 8 || std::memcmp(app1.data(), ExifHeader, ExifHeaderSize) != 0) {
        return UprightOrientation;
    }
    // TIFF header: "II" or "MM", 42, offset of the first directory from the header's start.
    const std::span<const std::uint8_t> tiff = app1.subspan(ExifHeaderSize);
    const bool bigEndian = tiff[0] == 'M' && tiff[1] == 'M';
    if (!bigEndian && !(tiff[0] == 'I' && tiff[1] == 'I')) {
        return UprightOrientation;
    }
    const TTiffBytes bytes(tiff, bigEndian);
    if (bytes.U16(2) != 42) {
        return UprightOrientation;
    }
    const std::uint64_t directory = bytes.U32(4);
    if (!bytes.Holds(directory, 2)) {
        return UprightOrientation;
    }
    const unsigned count = bytes.U16(directory);
    for (unsigned i = 0; i < count; ++i) {
        const std::uint64_t entry = directory + 2 + std::uint64_t(i) * DirectoryEntrySize;
        if (!bytes.Holds(entry, DirectoryEntrySize)) {
            break;
        }
        if (bytes.U16(entry) != OrientationTag) {
            continue;
        }
        // One SHORT, held in the first two bytes of the value field.
        if (bytes.U16(entry + 2) != ShortType || bytes.U32(entry + 4) < 1) {
            return UprightOrientation;
        }
        const int value = bytes.U16(entry + 8);
        return value >= 1 && value <= 8 ? value : UprightOrientation;
    }
    return UprightOrientation;
}

bool OrientationSwapsSides(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

void TurnUpright(TBitmap& bitmap, int orientation, TBitmap& scratch) {
    if (orientation < 2 || orientation > 8 || bitmap.Empty()) {
        return;
    }
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    const bool swap = OrientationSwapsSides(orientation);
    const int uprightWidth = swap ? height : width;
    const int uprightHeight = swap ? width : height;
    const TPixelFormat format = bitmap.PixelFormat();
    scratch.ResetFillingOnDemand(uprightWidth, uprightHeight, format, scratch.BrushColor());
    const TSourceOf sourceOf{orientation, width, height};
    const std::uint8_t* stored = bitmap.Bits();
    const std::size_t storedRowBytes = std::size_t(bitmap.RowBytes());
    for (int y = 0; y < uprightHeight; ++y) {
        std::uint8_t* to = scratch.ScanLine(y);
        for (int x = 0; x < uprightWidth; ++x) {
            const auto [sx, sy] = sourceOf(x, y);
            const std::uint8_t* from = stored + std::size_t(sy) * storedRowBytes;
            if (format == TPixelFormat::pf1bit) {
                PutBit(to, x, BitAt(from, sx));
            } else {
                std::memcpy(to + std::size_t(x) * 3, from + std::size_t(sx) * 3, 3);
            }
        }
    }
    bitmap.SwapPixels(scratch);
    scratch.SetSize(0, 0);
}

int ExifPayloadOrientation(std::span<const std::uint8_t> payload) {
    static constexpr std::uint8_t ExifHeader[ExifHeaderSize] = {'E', 'x', 'i', 'f', 0, 0};
    if (payload.size() >= ExifHeaderSize && std::memcmp(payload.data(), ExifHeader, ExifHeaderSize) == 0) {
        return ExifOrientation(payload);
    }
    // The chunk readers bound the payload (a few megabytes at most), so the copy stays cheap.
    std::vector<std::uint8_t> block(ExifHeader, ExifHeader + ExifHeaderSize);
    block.insert(block.end(), payload.begin(), payload.end());
    return ExifOrientation(block);
}
