#include "imageio/Readers.h"

#include "platform/Exceptions.h"

namespace {

// 0: no bound beyond the bitmap's own limit.
std::int64_t ReaderPixelBound = 0;

} // namespace

void SetReaderPixelBound(std::int64_t pixels) {
    ReaderPixelBound = pixels > 0 ? pixels : 0;
}

// The bitmap's own size check multiplies row bytes by height in 64 bits, which a header with both sizes
// near 2^31 overflows; the limit is tested here by division first.
void CheckBitmapSize(int width, int height, TPixelFormat format) {
    const std::int64_t rowBytes = TBitmap::RowBytesFor(width < 0 ? 0 : width, format);
    if (rowBytes > TBitmap::MaxPixelBytes || (height > 0 && rowBytes > TBitmap::MaxPixelBytes / height)) {
        throw EOutOfMemory(
            QStringLiteral("A bitmap of %1 x %2 pixels would need more than the limit of 1 GiB")
                .arg(width)
                .arg(height));
    }
    if (ReaderPixelBound > 0 && width > 0 && height > 0 && std::int64_t(width) * height > ReaderPixelBound) {
        throw EOutOfMemory(QStringLiteral("A bitmap of %1 x %2 pixels is beyond the bound of %3 pixels")
                               .arg(width)
                               .arg(height)
                               .arg(ReaderPixelBound));
    }
}

void ResetBitmapBlack(TBitmap& bitmap, int width, int height, TPixelFormat format) {
    CheckBitmapSize(width, height, format);
    bitmap.ResetFillingOnDemand(width, height, format, clBlack);
}
