#include "platform/Bitmap.h"

#include "platform/Exceptions.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include <sys/mman.h>

namespace {

// Blocks from this size on are mapped from the system. The allocator would serve them from its heap after
// the first few frees (its own threshold for mapping rises with the sizes freed) and keep their pages once
// they are freed; mapped ones go back whole.
constexpr std::size_t MappedBlockBytes = std::size_t(1) << 20;

// A picture this small (a placeholder of one pixel) does not give up a block it could grow back into.
constexpr std::int64_t PlaceholderBytes = 64;

// The address sanitizer checks accesses only in memory it hands out; its builds map nothing.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool MapLargeBlocks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool MapLargeBlocks = false;
#else
constexpr bool MapLargeBlocks = true;
#endif
#else
constexpr bool MapLargeBlocks = true;
#endif

std::atomic<std::int64_t> HeldBytes = 0;

bool Mapped(std::size_t bytes) {
    return MapLargeBlocks && bytes >= MappedBlockBytes;
}

int BitsPerPixel(TPixelFormat format) {
    return format == TPixelFormat::pf1bit ? 1 : 24;
}

// Light colours become white in a 1-bit picture, dark ones black (ITU-R 601 weights).
bool IsLight(TColor color) {
    const TColor rgb = ColorToRGB(color);
    const int luma = (299 * RedOf(rgb) + 587 * GreenOf(rgb) + 114 * BlueOf(rgb)) / 1000;
    return luma >= 128;
}

bool BitAt(const std::uint8_t* row, int x) {
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

void SetBit(std::uint8_t* row, int x, bool on) {
    const std::uint8_t mask = std::uint8_t(0x80 >> (x & 7));
    row[x >> 3] = on ? std::uint8_t(row[x >> 3] | mask) : std::uint8_t(row[x >> 3] & ~mask);
}

} // namespace

std::int64_t TBitmap::RowBytesFor(int width, TPixelFormat format) {
    if (width < 0) {
        return -1;
    }
    const std::int64_t bits = std::int64_t(width) * BitsPerPixel(format);
    return ((bits + 31) / 32) * 4;
}

std::int64_t TBitmap::PixelBytesFor(int width, int height, TPixelFormat format) {
    if (width < 0 || height < 0) {
        return 0;
    }
    // Saturates just above the limit instead of overflowing for sizes near 2^31 on both sides.
    const std::int64_t rowBytes = RowBytesFor(width, format);
    if (rowBytes > 0 && height > MaxPixelBytes / rowBytes) {
        return MaxPixelBytes + 1;
    }
    return rowBytes * height;
}

void TBitmap::TBlockRelease::operator()(std::uint8_t* block) const {
    if (Mapped(Bytes)) {
        munmap(block, Bytes);
    } else {
        delete[] block;
    }
    HeldBytes -= std::int64_t(Bytes);
}

std::int64_t TBitmap::HeldBlockBytes() {
    return HeldBytes;
}

TBitmap::TBitmap(const TBitmap& other) {
    Assign(other);
}

TBitmap& TBitmap::operator=(const TBitmap& other) {
    if (this != &other) {
        Assign(other);
    }
    return *this;
}

std::int64_t TBitmap::CheckedBytes(int width, int height, TPixelFormat format) {
    const std::int64_t bytes = PixelBytesFor(width, height, format);
    if (bytes > MaxPixelBytes || RowBytesFor(width, format) > MaxPixelBytes) {
        throw EOutOfMemory(
            QStringLiteral("A bitmap of %1 x %2 pixels would need %3 bytes, more than the limit "
                           "of 1 GiB")
                .arg(width)
                .arg(height)
                .arg(bytes));
    }
    return bytes;
}

TBitmap::TBlock TBitmap::Allocate(int width, int height, TPixelFormat format) const {
    const std::int64_t bytes = CheckedBytes(width, height, format);
    if (bytes == 0) {
        return nullptr;
    }
    const std::size_t size = std::size_t(bytes);
    std::uint8_t* block = nullptr;
    if (Mapped(size)) {
        void* mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        block = mapped == MAP_FAILED ? nullptr : static_cast<std::uint8_t*>(mapped);
    } else {
        block = new (std::nothrow) std::uint8_t[size];
    }
    if (!block) {
        throw EOutOfMemory(
            QStringLiteral("Out of memory for a bitmap of %1 x %2 pixels").arg(width).arg(height));
    }
    HeldBytes += bytes;
    return TBlock(block, TBlockRelease{size});
}

bool TBitmap::CanReuse(std::int64_t bytes) const {
    // A block more than twice too large is given back, so one huge picture does not pin its memory.
    return FBits && bytes <= FCapacity && (bytes <= PlaceholderBytes || bytes > FCapacity / 2);
}

void TBitmap::TrimBlock() {
    const std::int64_t bytes = PixelBytesFor(FWidth, FHeight, FPixelFormat);
    if (!FBits || (bytes > 0 && bytes > FCapacity / 2)) {
        return;
    }
    CompletePendingFill();
    TBlock bits = Allocate(FWidth, FHeight, FPixelFormat);
    if (bytes > 0) {
        std::memcpy(bits.get(), FBits.get(), std::size_t(bytes));
    }
    FBits = std::move(bits);
    FCapacity = bytes;
}

bool TBitmap::TakePendingRow(int y) const {
    if (FPendingRows.empty() || !FPendingRows[std::size_t(y)]) {
        return false;
    }
    FPendingRows[std::size_t(y)] = false;
    if (--FPendingCount == 0) {
        DropPendingFill();
    }
    return true;
}

void TBitmap::FillPendingRow(int y) const {
    if (TakePendingRow(y)) {
        FillRows(FBits.get(), FRowBytes, FWidth, y, y + 1, 0, FPixelFormat, FPendingColor);
    }
}

void TBitmap::CompletePendingFill() const {
    for (int y = 0; y < FHeight && !FPendingRows.empty(); ++y) {
        FillPendingRow(y);
    }
}

void TBitmap::DropPendingFill() const {
    FPendingRows = std::vector<bool>();
    FPendingCount = 0;
}

void TBitmap::TakeBlock(int width, int height, TPixelFormat format) {
    const std::int64_t bytes = CheckedBytes(width, height, format);
    if (CanReuse(bytes)) {
        return;
    }
    FBits = Allocate(width, height, format);
    FCapacity = bytes;
}

void TBitmap::FillRows(std::uint8_t* bits, int rowBytes, int width, int fromRow, int toRow, int fromColumn,
                       TPixelFormat format, TColor color) const {
    if (fromColumn >= width) {
        return;
    }
    if (format == TPixelFormat::pf1bit) {
        const bool on = IsLight(color);
        for (int y = fromRow; y < toRow; ++y) {
            std::uint8_t* row = bits + std::int64_t(y) * rowBytes;
            if (fromColumn == 0) {
                std::memset(row, on ? 0xFF : 0x00, std::size_t(rowBytes));
            } else {
                for (int x = fromColumn; x < width; ++x) {
                    SetBit(row, x, on);
                }
            }
        }
        return;
    }
    const TColor rgb = ColorToRGB(color);
    const std::uint8_t bgr[3] = {BlueOf(rgb), GreenOf(rgb), RedOf(rgb)};
    for (int y = fromRow; y < toRow; ++y) {
        std::uint8_t* row = bits + std::int64_t(y) * rowBytes;
        if (bgr[0] == bgr[1] && bgr[1] == bgr[2]) {
            std::memset(row + fromColumn * 3, bgr[0], std::size_t(rowBytes - fromColumn * 3));
            continue;
        }
        for (int x = fromColumn; x < width; ++x) {
            std::memcpy(row + x * 3, bgr, 3);
        }
    }
}

void TBitmap::SetSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == FWidth && height == FHeight) {
        return;
    }
    if (width == 0 || height == 0) {
        DropPendingFill();
    } else {
        CompletePendingFill();
    }
    if (Empty() || width == 0 || height == 0) {
        // No pixel to keep, or none to show: the block can stay.
        TakeBlock(width, height, FPixelFormat);
        const int rowBytes = int(RowBytesFor(width, FPixelFormat));
        FillRows(FBits.get(), rowBytes, width, 0, height, 0, FPixelFormat, FBrushColor);
        FWidth = width;
        FHeight = height;
        FRowBytes = rowBytes;
        Changed();
        return;
    }
    auto bits = Allocate(width, height, FPixelFormat);
    const int rowBytes = int(RowBytesFor(width, FPixelFormat));
    const int keptRows = std::min(height, FHeight);
    const int keptColumns = std::min(width, FWidth);
    const int keptBytes = std::min(rowBytes, FRowBytes);
    for (int y = 0; y < keptRows; ++y) {
        std::memcpy(bits.get() + std::int64_t(y) * rowBytes, FBits.get() + std::int64_t(y) * FRowBytes,
                    std::size_t(keptBytes));
    }
    FillRows(bits.get(), rowBytes, width, 0, keptRows, keptColumns, FPixelFormat, FBrushColor);
    FillRows(bits.get(), rowBytes, width, keptRows, height, 0, FPixelFormat, FBrushColor);
    FBits = std::move(bits);
    FCapacity = PixelBytesFor(width, height, FPixelFormat);
    FWidth = width;
    FHeight = height;
    FRowBytes = rowBytes;
    Changed();
}

void TBitmap::Reset(int width, int height, TPixelFormat format) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    TakeBlock(width, height, format);
    DropPendingFill();
    const int rowBytes = int(RowBytesFor(width, format));
    FillRows(FBits.get(), rowBytes, width, 0, height, 0, format, FBrushColor);
    FWidth = width;
    FHeight = height;
    FRowBytes = rowBytes;
    FPixelFormat = format;
    Changed();
}

void TBitmap::ResetFillingOnDemand(int width, int height, TPixelFormat format, TColor color) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    TakeBlock(width, height, format);
    DropPendingFill();
    FWidth = width;
    FHeight = height;
    FRowBytes = int(RowBytesFor(width, format));
    FPixelFormat = format;
    if (!Empty()) {
        FPendingRows.assign(std::size_t(height), true);
        FPendingCount = height;
        FPendingColor = color;
    }
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (format == FPixelFormat) {
        return;
    }
    if (Empty()) {
        FRowBytes = int(RowBytesFor(FWidth, format));
        FPixelFormat = format;
        Changed();
        return;
    }
    CompletePendingFill();
    auto bits = Allocate(FWidth, FHeight, format);
    const int rowBytes = int(RowBytesFor(FWidth, format));
    for (int y = 0; y < FHeight; ++y) {
        const std::uint8_t* from = FBits.get() + std::int64_t(y) * FRowBytes;
        std::uint8_t* to = bits.get() + std::int64_t(y) * rowBytes;
        std::memset(to, 0, std::size_t(rowBytes));
        for (int x = 0; x < FWidth; ++x) {
            if (format == TPixelFormat::pf24bit) {
                std::memset(to + x * 3, BitAt(from, x) ? 0xFF : 0x00, 3);
            } else {
                const std::uint8_t* p = from + x * 3;
                SetBit(to, x, IsLight(RGBColor(p[2], p[1], p[0])));
            }
        }
    }
    FBits = std::move(bits);
    FCapacity = PixelBytesFor(FWidth, FHeight, format);
    FRowBytes = rowBytes;
    FPixelFormat = format;
    Changed();
}

void TBitmap::Assign(const TBitmap& source) {
    if (&source == this) {
        return;
    }
    source.CompletePendingFill();
    TakeBlock(source.FWidth, source.FHeight, source.FPixelFormat);
    DropPendingFill();
    const std::int64_t bytes = PixelBytesFor(source.FWidth, source.FHeight, source.FPixelFormat);
    if (bytes > 0) {
        std::memcpy(FBits.get(), source.FBits.get(), std::size_t(bytes));
    }
    FWidth = source.FWidth;
    FHeight = source.FHeight;
    FRowBytes = source.FRowBytes;
    FPixelFormat = source.FPixelFormat;
    Changed();
}

void TBitmap::SwapPixels(TBitmap& other) {
    if (&other == this) {
        return;
    }
    std::swap(FWidth, other.FWidth);
    std::swap(FHeight, other.FHeight);
    std::swap(FRowBytes, other.FRowBytes);
    std::swap(FPixelFormat, other.FPixelFormat);
    std::swap(FBits, other.FBits);
    std::swap(FCapacity, other.FCapacity);
    std::swap(FPendingRows, other.FPendingRows);
    std::swap(FPendingCount, other.FPendingCount);
    std::swap(FPendingColor, other.FPendingColor);
    Changed();
    other.Changed();
}

void TBitmap::Fill(TColor color) {
    DropPendingFill();
    if (FBits) {
        FillRows(FBits.get(), FRowBytes, FWidth, 0, FHeight, 0, FPixelFormat, color);
    }
    Changed();
}

std::uint8_t* TBitmap::ScanLine(int y) {
    if (y < 0 || y >= FHeight || !FBits) {
        throw EInvalidGraphic(QStringLiteral("Scan line index out of range"));
    }
    FillPendingRow(y);
    return FBits.get() + std::int64_t(y) * FRowBytes;
}

const std::uint8_t* TBitmap::ScanLine(int y) const {
    return const_cast<TBitmap*>(this)->ScanLine(y);
}

std::uint8_t* TBitmap::ScanLineToOverwrite(int y) {
    if (y < 0 || y >= FHeight || !FBits) {
        throw EInvalidGraphic(QStringLiteral("Scan line index out of range"));
    }
    std::uint8_t* row = FBits.get() + std::int64_t(y) * FRowBytes;
    if (TakePendingRow(y)) {
        const TColor rgb = ColorToRGB(FPendingColor);
        const std::uint8_t padding =
            FPixelFormat == TPixelFormat::pf1bit ? (IsLight(rgb) ? 0xFF : 0x00) : BlueOf(rgb);
        const int used = int((std::int64_t(FWidth) * BitsPerPixel(FPixelFormat) + 7) / 8);
        std::memset(row + used, padding, std::size_t(FRowBytes - used));
    }
    return row;
}

std::uint8_t* TBitmap::Bits() {
    CompletePendingFill();
    return FBits.get();
}

const std::uint8_t* TBitmap::Bits() const {
    CompletePendingFill();
    return FBits.get();
}

QImage TBitmap::Image() {
    if (Empty()) {
        return QImage();
    }
    CompletePendingFill();
    if (FPixelFormat == TPixelFormat::pf24bit) {
        return QImage(FBits.get(), FWidth, FHeight, FRowBytes, QImage::Format_BGR888);
    }
    QImage image(FBits.get(), FWidth, FHeight, FRowBytes, QImage::Format_Mono);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    return image;
}

QImage TBitmap::Image() const {
    if (Empty()) {
        return QImage();
    }
    CompletePendingFill();
    const std::uint8_t* bits = FBits.get();
    if (FPixelFormat == TPixelFormat::pf24bit) {
        return QImage(bits, FWidth, FHeight, FRowBytes, QImage::Format_BGR888);
    }
    QImage image(bits, FWidth, FHeight, FRowBytes, QImage::Format_Mono);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    return image;
}

void TBitmap::Changed() const {
    if (OnChange) {
        OnChange();
    }
}
