// WebP files through libwebp: lossy, lossless, with or without alpha; of an animation the first frame,
// drawn at its offset on a black canvas. The demuxer finds the frame and the EXIF chunk, the decoder
// writes blue, green, red straight into the bitmap's rows, or blue, green, red, alpha into a buffer that
// is then composited over black. A still picture is decoded scaled down to its fitted size when the
// caller names a box, as the JPEG reader reduces.

#include "imageio/BlackMatte.h"
#include "imageio/Orientation.h"
#include "imageio/Readers.h"
#include "imageio/Stream.h"

#include "platform/Exceptions.h"
#include "platform/Fit.h"

#include <cstring>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include <webp/decode.h>
#include <webp/demux.h>

namespace {

// The container's sizes are 32-bit; the whole file is read into memory, as the demuxer needs it, so
// anything beyond the bitmap's own limit is refused as out of memory.
constexpr std::int64_t MaxFileBytes = TBitmap::MaxPixelBytes;
constexpr std::int64_t RiffHeaderSize = 12;

struct TDemuxDeleter {
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};
using TDemux = std::unique_ptr<WebPDemuxer, TDemuxDeleter>;

struct TChunkIteratorRelease {
    void operator()(WebPChunkIterator* chunk) const { WebPDemuxReleaseChunkIterator(chunk); }
};

// Where a frame goes in the bitmap and at what size it is decoded.
struct TPlacement {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool Scaled = false;
};

bool IsRiffWebp(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() >= std::size_t(RiffHeaderSize) && std::memcmp(bytes.data(), "RIFF", 4) == 0 &&
           std::memcmp(bytes.data() + 8, "WEBP", 4) == 0;
}

int OrientationOf(WebPDemuxer* demux) {
    if (!(WebPDemuxGetI(demux, WEBP_FF_FORMAT_FLAGS) & EXIF_FLAG)) {
        return UprightOrientation;
    }
    WebPChunkIterator chunk{};
    if (!WebPDemuxGetChunk(demux, "EXIF", 1, &chunk)) {
        return UprightOrientation;
    }
    const std::unique_ptr<WebPChunkIterator, TChunkIteratorRelease> release(&chunk);
    return ExifPayloadOrientation(std::span<const std::uint8_t>(chunk.chunk.bytes, chunk.chunk.size));
}

// The size a still picture of width x height is decoded at: no larger than its fit into the box after
// the Exif turn, never smaller; its own size without a box or when the fit would enlarge it.
TPlacement StillPlacement(int width, int height, int orientation, const TIOParams& params) {
    TPlacement placement{0, 0, width, height, false};
    if (params.JpegFitWidth <= 0 || params.JpegFitHeight <= 0) {
        return placement;
    }
    const bool swap = OrientationSwapsSides(orientation);
    const QSize fit = swap ? FittedSize(height, width, params.JpegFitWidth, params.JpegFitHeight).transposed()
                           : FittedSize(width, height, params.JpegFitWidth, params.JpegFitHeight);
    if (fit.width() < width && fit.height() < height && fit.width() > 0 && fit.height() > 0) {
        placement.Width = fit.width();
        placement.Height = fit.height();
        placement.Scaled = true;
    }
    return placement;
}

// Decodes one frame's bitstream into the bitmap at the placement. False when the library fails.
bool DecodeFrame(const WebPData& frame, const TPlacement& placement, TBitmap& bitmap,
                 std::vector<std::uint8_t>& alphaBuffer) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config) ||
        WebPGetFeatures(frame.bytes, frame.size, &config.input) != VP8_STATUS_OK) {
        return false;
    }
    config.options.use_threads = 0;
    if (placement.Scaled) {
        config.options.use_scaling = 1;
        config.options.scaled_width = placement.Width;
        config.options.scaled_height = placement.Height;
    } else if (config.input.width != placement.Width || config.input.height != placement.Height) {
        return false;
    }
    const bool alpha = config.input.has_alpha != 0;
    const std::size_t rowBytes = std::size_t(bitmap.RowBytes());
    WebPRGBABuffer& out = config.output.u.RGBA;
    config.output.is_external_memory = 1;
    if (alpha) {
        const std::size_t alphaRowBytes = std::size_t(placement.Width) * 4;
        if (std::int64_t(alphaRowBytes) * placement.Height > TBitmap::MaxPixelBytes) {
            throw EOutOfMemory(
                QStringLiteral("The alpha rows of a picture of %1 x %2 pixels exceed the limit")
                    .arg(placement.Width)
                    .arg(placement.Height));
        }
        alphaBuffer.resize(alphaRowBytes * std::size_t(placement.Height));
        config.output.colorspace = MODE_BGRA;
        out.rgba = alphaBuffer.data();
        out.stride = int(alphaRowBytes);
        out.size = alphaBuffer.size();
    } else {
        config.output.colorspace = MODE_BGR;
        // The library writes every row through one pointer, past the row-by-row fill that ScanLine
        // leaves for later: the whole block comes filled.
        out.rgba = bitmap.Bits() + rowBytes * std::size_t(placement.Top) + std::size_t(placement.Left) * 3;
        out.stride = int(rowBytes);
        out.size = rowBytes * std::size_t(placement.Height - 1) + std::size_t(placement.Width) * 3;
    }
    const VP8StatusCode status = WebPDecode(frame.bytes, frame.size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) {
        return false;
    }
    if (alpha) {
        for (int y = 0; y < placement.Height; ++y) {
            BgraRowOverBlack(alphaBuffer.data() + std::size_t(y) * placement.Width * 4,
                             bitmap.ScanLine(placement.Top + y) + std::size_t(placement.Left) * 3,
                             placement.Width);
        }
    }
    return true;
}

} // namespace

void ReadWebp(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context) {
    const std::int64_t size = stream.Remaining();
    if (size > MaxFileBytes) {
        throw EOutOfMemory(QStringLiteral("A WebP file of %1 bytes exceeds the limit").arg(size));
    }
    std::vector<std::uint8_t> bytes(std::size_t(size > 0 ? size : 0));
    if (stream.Read(bytes.data(), size) != size || !IsRiffWebp(bytes)) {
        context.Abort();
        return;
    }
    const WebPData data{bytes.data(), bytes.size()};
    const TDemux demux(WebPDemux(&data));
    WebPIterator frame{};
    if (!demux || !WebPDemuxGetFrame(demux.get(), 1, &frame)) {
        context.Abort();
        return;
    }
    const WebPData bitstream = frame.fragment;
    const int frameLeft = frame.x_offset;
    const int frameTop = frame.y_offset;
    const int frameWidth = frame.width;
    const int frameHeight = frame.height;
    const bool frameAlpha = frame.has_alpha != 0;
    WebPDemuxReleaseIterator(&frame);

    const int canvasWidth = int(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH));
    const int canvasHeight = int(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT));
    const bool animated = (WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS) & ANIMATION_FLAG) != 0;
    if (frameLeft < 0 || frameTop < 0 || frameWidth <= 0 || frameHeight <= 0 ||
        frameLeft + std::int64_t(frameWidth) > canvasWidth ||
        frameTop + std::int64_t(frameHeight) > canvasHeight) {
        context.Abort();
        return;
    }
    const int orientation = OrientationOf(demux.get());
    const TPlacement placement = animated ? TPlacement{frameLeft, frameTop, frameWidth, frameHeight, false}
                                          : StillPlacement(frameWidth, frameHeight, orientation, params);
    const int width = animated ? canvasWidth : placement.Width;
    const int height = animated ? canvasHeight : placement.Height;
    CheckBitmapSize(width, height, TPixelFormat::pf24bit);

    params.Width = width;
    params.Height = height;
    params.BitsPerSample = 8;
    params.SamplesPerPixel = frameAlpha ? 4 : 3;
    params.ExifOrientation = std::uint8_t(orientation);
    params.FreePalette();

    ResetBitmapBlack(bitmap, width, height, TPixelFormat::pf24bit);
    std::vector<std::uint8_t> alphaBuffer;
    if (!DecodeFrame(bitstream, placement, bitmap, alphaBuffer)) {
        context.Abort();
        return;
    }
    context.Factor = 100.0 / height;
    context.Counter = height;
    context.Report();
}
