#include "imageio/Readers.h"

#include "platform/Exceptions.h"

namespace {

// The bitmap's own size check multiplies row bytes by height in 64 bits, which a header with both sizes
// near 2^31 overflows; the limit is tested here by division first.
void CheckSize(int width, int height, TPixelFormat format) {
    const std::int64_t rowBytes = TBitmap::RowBytesFor(width < 0 ? 0 : width, format);
    if (rowBytes > TBitmap::MaxPixelBytes || (height > 0 && rowBytes > TBitmap::MaxPixelBytes / height)) {
        throw EOutOfMemory(
            QStringLiteral("A bitmap of %1 x %2 pixels would need more than the limit of 1 GiB")
                .arg(width)
                .arg(height));
    }
}

} // namespace

void ResetBitmapBlack(TBitmap& bitmap, int width, int height, TPixelFormat format) {
    CheckSize(width, height, format);
    const TColor brush = bitmap.BrushColor();
    bitmap.SetBrushColor(clBlack);
    try {
        bitmap.Reset(width, height, format);
    } catch (...) {
        bitmap.SetBrushColor(brush);
        throw;
    }
    bitmap.SetBrushColor(brush);
}
