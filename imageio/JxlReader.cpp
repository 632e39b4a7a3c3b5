// JPEG XL pictures through libjxl. The library decodes the first frame, turns it upright and converts
// it to 8-bit RGB with rounding, on a pool of threads; this file hands it the file's bytes and turns its
// errors into Aborted. An opaque picture is decoded straight into the bitmap's rows, whose red and blue
// are exchanged afterwards; one with transparency arrives through a callback that lays it over black.

#include "imageio/Readers.h"
#include "imageio/RgbRows.h"
#include "imageio/Stream.h"

#include <jxl/decode.h>
#include <jxl/decode_cxx.h>
#include <jxl/thread_parallel_runner.h>
#include <jxl/thread_parallel_runner_cxx.h>

#include <utility>

namespace {

// File-type code of FileFormatTable.
constexpr int JxlFileType = 15;

// The rows of the bitmap, fixed before decoding starts, as the pixel callbacks run on the pool's
// threads, each on pixels of its own.
struct TJxlTarget {
    std::uint8_t* Bits = nullptr;
    std::int64_t RowBytes = 0;
    std::size_t Width = 0;
    std::size_t Height = 0;
    bool Alpha = false;
    bool Premultiplied = false;
};

void TakeTransparentPixels(void* opaque, std::size_t x, std::size_t y, std::size_t count,
                           const void* pixels) {
    const auto& target = *static_cast<const TJxlTarget*>(opaque);
    if (y >= target.Height || x >= target.Width || count > target.Width - x) {
        return;
    }
    const auto* in = static_cast<const std::uint8_t*>(pixels);
    std::uint8_t* out = target.Bits + std::int64_t(y) * target.RowBytes + std::int64_t(x) * 3;
    for (std::size_t i = 0; i < count; ++i, in += 4, out += 3) {
        // A premultiplied colour already is the colour over black.
        const unsigned alpha = target.Premultiplied ? 255 : in[3];
        out[0] = std::uint8_t((in[2] * alpha + 127) / 255);
        out[1] = std::uint8_t((in[1] * alpha + 127) / 255);
        out[2] = std::uint8_t((in[0] * alpha + 127) / 255);
    }
}

void RgbRowsToBgr(const TJxlTarget& target) {
    for (std::size_t y = 0; y < target.Height; ++y) {
        std::uint8_t* row = target.Bits + std::int64_t(y) * target.RowBytes;
        RgbToBgr(row, row, std::int64_t(target.Width));
    }
}

// Opaque pixels go straight to the bitmap: its rows, 3 bytes a pixel padded to 4 bytes, are the layout
// the library writes with that alignment. Transparent ones go through the callback.
bool SetOutput(JxlDecoder* decoder, TJxlTarget& target) {
    if (target.Alpha) {
        const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
        return JxlDecoderSetImageOutCallback(decoder, &format, TakeTransparentPixels, &target) ==
               JXL_DEC_SUCCESS;
    }
    const JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 4};
    std::size_t size = 0;
    const std::size_t bitmapBytes = std::size_t(target.RowBytes) * target.Height;
    return JxlDecoderImageOutBufferSize(decoder, &format, &size) == JXL_DEC_SUCCESS && size <= bitmapBytes &&
           JxlDecoderSetImageOutBuffer(decoder, &format, target.Bits, bitmapBytes) == JXL_DEC_SUCCESS;
}

// The size of the picture turned upright: orientations 5 to 8 exchange the sides.
std::pair<std::uint32_t, std::uint32_t> UprightSize(const JxlBasicInfo& info) {
    if (info.orientation >= JXL_ORIENT_TRANSPOSE) {
        return {info.ysize, info.xsize};
    }
    return {info.xsize, info.ysize};
}

void DescribeFile(const JxlBasicInfo& info, std::uint32_t width, std::uint32_t height, TIOParams& params) {
    params.Width = int(width);
    params.Height = int(height);
    params.BitsPerSample = int(info.bits_per_sample);
    params.SamplesPerPixel = int(info.num_color_channels) + (info.alpha_bits > 0 ? 1 : 0);
    params.FileType = JxlFileType;
    // The library has turned the picture upright already.
    params.ExifOrientation = 1;
    params.FreePalette();
}

// Sizes the bitmap for the picture the basic information describes; false for a picture without pixels.
bool PrepareTarget(const JxlBasicInfo& info, TBitmap& bitmap, TIOParams& params, TJxlTarget& target) {
    const auto [width, height] = UprightSize(info);
    if (width == 0 || height == 0 || width > std::uint32_t(INT32_MAX) || height > std::uint32_t(INT32_MAX)) {
        return false;
    }
    CheckBitmapSize(int(width), int(height), TPixelFormat::pf24bit);
    DescribeFile(info, width, height, params);
    ResetBitmapBlack(bitmap, int(width), int(height), TPixelFormat::pf24bit);
    target.Bits = bitmap.Bits();
    target.RowBytes = bitmap.RowBytes();
    target.Width = width;
    target.Height = height;
    target.Alpha = info.alpha_bits > 0;
    target.Premultiplied = info.alpha_premultiplied != 0;
    return true;
}

// The library's events up to the first frame; false when it fails, the file ends early or holds no frame.
bool Decode(JxlDecoder* decoder, TBitmap& bitmap, TIOParams& params, TJxlTarget& target) {
    JxlBasicInfo info{};
    for (;;) {
        switch (JxlDecoderProcessInput(decoder)) {
        case JXL_DEC_BASIC_INFO:
            if (JxlDecoderGetBasicInfo(decoder, &info) != JXL_DEC_SUCCESS ||
                !PrepareTarget(info, bitmap, params, target)) {
                return false;
            }
            break;
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER:
            if (!target.Bits || !SetOutput(decoder, target)) {
                return false;
            }
            break;
        case JXL_DEC_FULL_IMAGE:
            // The first frame; an animation's further frames are left undecoded.
            if (!target.Bits) {
                return false;
            }
            if (!target.Alpha) {
                RgbRowsToBgr(target);
            }
            return true;
        default:
            // Errors, input that ends before the first frame, and a file that ends without one.
            return false;
        }
    }
}

} // namespace

void ReadJxl(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(stream, bytes)) {
        context.Abort();
        return;
    }
    const JxlSignature signature = JxlSignatureCheck(bytes.data(), bytes.size());
    if (signature != JXL_SIG_CODESTREAM && signature != JXL_SIG_CONTAINER) {
        context.Abort();
        return;
    }
    const JxlDecoderPtr decoder = JxlDecoderMake(nullptr);
    const JxlThreadParallelRunnerPtr runner =
        JxlThreadParallelRunnerMake(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads());
    if (!decoder || !runner ||
        JxlDecoderSubscribeEvents(decoder.get(), JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE) !=
            JXL_DEC_SUCCESS ||
        JxlDecoderSetParallelRunner(decoder.get(), JxlThreadParallelRunner, runner.get()) !=
            JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(decoder.get(), bytes.data(), bytes.size()) != JXL_DEC_SUCCESS) {
        context.Abort();
        return;
    }
    JxlDecoderCloseInput(decoder.get());

    TJxlTarget target;
    context.Factor = 0.0;
    context.Counter = 0;
    if (!Decode(decoder.get(), bitmap, params, target)) {
        context.Abort();
        return;
    }
    // The rows arrive in no order, from several threads: one report when all are there.
    context.Factor = 100.0 / double(target.Height);
    context.Counter = int(target.Height);
    context.Report();
}
