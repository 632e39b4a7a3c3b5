// Windows and enhanced metafiles (.wmf, .emf): drawn by the platform's metafile object on the background.

#include "imageio/PictureIO.h"

#include "platform/Metafile.h"
#include "platform/ScreenDpi.h"

#include <algorithm>
#include <climits>

namespace {

// Neither side of the drawn picture exceeds this; the other side keeps the proportions.
constexpr std::int64_t MaxMetafileSide = 2800;

struct TSize {
    std::int64_t Width = 0;
    std::int64_t Height = 0;
};

// The size asked for, or what the natural size gives for a side that is not (integer division). A
// metafile whose natural size is empty cannot give a side, which then comes out as 0.
TSize RequestedSize(int width, int height, const TMetafile& metafile) {
    const std::int64_t naturalWidth = metafile.Width();
    const std::int64_t naturalHeight = metafile.Height();
    TSize size;
    if (width >= 0 && height >= 0) {
        size = {width, height};
    } else if (height >= 0) {
        size = {naturalHeight > 0 ? height * naturalWidth / naturalHeight : 0, height};
    } else if (width >= 0) {
        size = {width, naturalWidth > 0 ? width * naturalHeight / naturalWidth : 0};
    } else {
        size = {naturalWidth, naturalHeight};
    }
    size.Width = std::min<std::int64_t>(size.Width, INT_MAX);
    size.Height = std::min<std::int64_t>(size.Height, INT_MAX);
    return size;
}

TSize Capped(TSize size) {
    if (size.Width <= MaxMetafileSide && size.Height <= MaxMetafileSide) {
        return size;
    }
    if (size.Height > size.Width) {
        return {size.Width * MaxMetafileSide / size.Height, MaxMetafileSide};
    }
    return {MaxMetafileSide, size.Height * MaxMetafileSide / size.Width};
}

} // namespace

void TPictureIO::ImportMetafile(const QString& path, int width, int height) {
    FAborted = false;
    if (!FBitmap || width == 0 || height == 0) {
        return;
    }
    const TMetafile metafile(path);
    const TSize requested = RequestedSize(width, height, metafile);
    if (requested.Width == 0 || requested.Height == 0) {
        FAborted = true;
        return;
    }
    const TSize drawn = Capped(requested);
    // The bitmap is one pixel smaller than the drawing each way: its last column and row fall outside.
    // It starts filled with the background, which the drawing covers where it paints.
    const TColor brush = FBitmap->BrushColor();
    FBitmap->SetBrushColor(FBackground);
    try {
        FBitmap->Reset(int(drawn.Width) - 1, int(drawn.Height) - 1, TPixelFormat::pf24bit);
    } catch (...) {
        FBitmap->SetBrushColor(brush);
        throw;
    }
    FBitmap->SetBrushColor(brush);

    FParams.FileName = path;
    FParams.FileType = metafile.Enhanced() ? EnhancedMetafileFileType : MetafileFileType;
    FParams.BitsPerSample = 8;
    FParams.SamplesPerPixel = 3;
    FParams.Width = FBitmap->Width();
    FParams.Height = FBitmap->Height();
    FParams.XDpi = ScreenDpiX();
    FParams.YDpi = ScreenDpiY();
    FParams.FreePalette();

    metafile.Draw(*FBitmap, int(drawn.Width), int(drawn.Height));
    FBitmap->Changed();
}
