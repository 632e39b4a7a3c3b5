#include "imageio/Readers.h"

void ResetBitmapBlack(TBitmap& bitmap, int width, int height, TPixelFormat format) {
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
