// PNG files through libpng. The library decodes and expands every colour type to 8-bit blue, green, red
// (and alpha); this file feeds it from the stream, turns its errors into Aborted, and composites alpha
// over black. Gamma, chromaticities and colour profiles are not applied: the samples are shown as stored.

#include "imageio/BlackMatte.h"
#include "imageio/Orientation.h"
#include "imageio/Readers.h"
#include "imageio/Stream.h"

#include "platform/Exceptions.h"

#include <csetjmp>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include <png.h>

namespace {

constexpr std::size_t SignatureSize = 8;

// The library's own default, stated here: no photograph has a side of a million pixels, and the bitmap's
// limit refuses most pictures below it anyway.
constexpr png_uint_32 MaxSide = 1000000;
// Ancillary chunks (eXIf among them) are read into memory whole; none that matters here comes near this.
constexpr png_alloc_size_t MaxChunkBytes = png_alloc_size_t(8) << 20;
// Stored ancillary chunks that may repeat (text, suggested palettes, unknown ones).
constexpr png_uint_32 MaxCachedChunks = 1000;

// Chunks that change nothing in the picture as shown; the library skips them unread, which also spares
// the decompression of text and profiles. Five bytes each, as the library wants them.
constexpr png_byte IgnoredChunks[] = "bKGD\0cHRM\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0sCAL\0sBIT\0"
                                     "sPLT\0sRGB\0tEXt\0tIME\0zTXt";
constexpr int IgnoredChunkCount = int(sizeof(IgnoredChunks) / 5);

// Everything the library touches lives here, on the heap and trivially destructible, because an error
// jumps from inside the library back to the read over the frames between.
struct TPngRead {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    TStream* Stream = nullptr;
    // Null while finishing, when errors no longer matter.
    bool* Aborted = nullptr;
};

struct TPngReadDeleter {
    void operator()(TPngRead* read) const {
        if (read->Png) {
            png_destroy_read_struct(&read->Png, read->Info ? &read->Info : nullptr, nullptr);
        }
        delete read;
    }
};

TPngRead& ReadOf(png_structp png) {
    return *static_cast<TPngRead*>(png_get_io_ptr(png));
}

[[noreturn]] void PngError(png_structp png, png_const_charp) {
    TPngRead& read = *static_cast<TPngRead*>(png_get_error_ptr(png));
    if (read.Aborted) {
        *read.Aborted = true;
    }
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void ReadData(png_structp png, png_bytep data, png_size_t length) {
    if (ReadOf(png).Stream->Read(data, std::int64_t(length)) != std::int64_t(length)) {
        png_error(png, "file ends early");
    }
}

// The orientation of the eXIf chunk, if the library has met one.
int OrientationOf(png_structp png, png_infop info) {
    png_uint_32 size = 0;
    png_bytep exif = nullptr;
    if (png_get_eXIf_1(png, info, &size, &exif) == 0 || !exif) {
        return UprightOrientation;
    }
    return ExifPayloadOrientation(std::span<const std::uint8_t>(exif, size));
}

void ReadResolution(png_structp png, png_infop info, TIOParams& params) {
    png_uint_32 x = 0;
    png_uint_32 y = 0;
    int unit = PNG_RESOLUTION_UNKNOWN;
    if (png_get_pHYs(png, info, &x, &y, &unit) && unit == PNG_RESOLUTION_METER) {
        // Pixels per metre times 0.0254, rounded.
        params.XDpi = std::int32_t((std::int64_t(x) * 254 + 5000) / 10000);
        params.YDpi = std::int32_t((std::int64_t(y) * 254 + 5000) / 10000);
    }
}

void ReadPalette(png_structp png, png_infop info, TIOParams& params) {
    params.FreePalette();
    png_colorp palette = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &palette, &count) && palette && count > 0) {
        params.Palette.resize(std::size_t(count));
        for (int i = 0; i < count; ++i) {
            params.Palette[std::size_t(i)] = {palette[i].blue, palette[i].green, palette[i].red};
        }
        params.PaletteCount = count;
    }
}

// Every colour type and depth to 8-bit blue, green, red, with alpha when the file has any.
void ExpandToBgr(png_structp png, png_infop info) {
    const int colourType = png_get_color_type(png, info);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_tRNS_to_alpha(png);
    }
    // Rounds to nearest, where stripping would cut the low byte off.
    png_set_scale_16(png);
    if (!(colourType & PNG_COLOR_MASK_COLOR)) {
        png_set_gray_to_rgb(png);
    }
    png_set_bgr(png);
}

// The rows of every pass; alpha goes through rows of four bytes (all rows of an interlaced picture, whose
// later passes fill in earlier rows), the rest straight into the bitmap.
void ReadRows(TPngRead& read, TBitmap& bitmap, int passes, bool alpha, ProgressContext& context,
              std::vector<std::uint8_t>& alphaRows) {
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    const std::size_t alphaRowBytes = std::size_t(width) * 4;
    const bool allRows = alpha && passes > 1;
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < height; ++y) {
            if (alpha) {
                std::uint8_t* row = alphaRows.data() + (allRows ? alphaRowBytes * std::size_t(y) : 0);
                png_read_row(read.Png, row, nullptr);
                if (pass == passes - 1) {
                    BgraRowOverBlack(row, bitmap.ScanLine(y), width);
                }
            } else {
                png_read_row(read.Png, bitmap.ScanLine(y), nullptr);
            }
            ++context.Counter;
            context.Report();
            if (context.IsAborted()) {
                return;
            }
        }
    }
}

// The library calls of one read. An error leaves through PngError, so no local here may need a
// destructor; the buffer of alpha rows belongs to the caller.
void Decode(TPngRead& read, TBitmap& bitmap, TIOParams& params, ProgressContext& context,
            std::vector<std::uint8_t>& alphaRows) {
    png_structp png = read.Png;
    png_infop info = read.Info;
    png_read_info(png, info);
    const int width = int(png_get_image_width(png, info));
    const int height = int(png_get_image_height(png, info));
    CheckBitmapSize(width, height, TPixelFormat::pf24bit);

    params.Width = width;
    params.Height = height;
    params.BitsPerSample = png_get_bit_depth(png, info);
    params.SamplesPerPixel = png_get_channels(png, info);
    params.ExifOrientation = std::uint8_t(OrientationOf(png, info));
    ReadResolution(png, info, params);
    ReadPalette(png, info, params);

    ExpandToBgr(png, info);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const bool alpha = png_get_channels(png, info) == 4;
    if (alpha) {
        const std::int64_t rows = passes > 1 ? height : 1;
        if (std::int64_t(width) * 4 * rows > TBitmap::MaxPixelBytes) {
            throw EOutOfMemory(
                QStringLiteral("The alpha rows of a picture of %1 x %2 pixels exceed the limit")
                    .arg(width)
                    .arg(height));
        }
        alphaRows.resize(std::size_t(width) * 4 * std::size_t(rows));
    }
    ResetBitmapBlack(bitmap, width, height, TPixelFormat::pf24bit);
    context.Factor = 100.0 / (double(height) * passes);
    context.Counter = 0;
    ReadRows(read, bitmap, passes, alpha, context, alphaRows);
}

} // namespace

void ReadPng(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context) {
    png_byte signature[SignatureSize] = {};
    if (stream.Read(signature, SignatureSize) != std::int64_t(SignatureSize) ||
        png_sig_cmp(signature, 0, SignatureSize) != 0) {
        context.Abort();
        return;
    }

    std::unique_ptr<TPngRead, TPngReadDeleter> read(new TPngRead{});
    std::vector<std::uint8_t> alphaRows;
    read->Stream = &stream;
    read->Aborted = context.Aborted;
    read->Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, read.get(), PngError, PngWarning);
    if (read->Png) {
        read->Info = png_create_info_struct(read->Png);
    }
    if (!read->Info) {
        throw EOutOfMemory(QStringLiteral("No memory for the PNG library"));
    }
    png_structp png = read->Png;

    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, read.get(), ReadData);
        png_set_sig_bytes(png, int(SignatureSize));
        png_set_user_limits(png, MaxSide, MaxSide);
        png_set_chunk_malloc_max(png, MaxChunkBytes);
        png_set_chunk_cache_max(png, MaxCachedChunks);
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, IgnoredChunks, IgnoredChunkCount);
        Decode(*read, bitmap, params, context, alphaRows);
    }

    if (!context.IsAborted()) {
        // An eXIf chunk may also follow the pixels; whatever goes wrong after them no longer matters.
        read->Aborted = nullptr;
        if (setjmp(png_jmpbuf(png)) == 0) {
            png_read_end(png, read->Info);
            if (params.ExifOrientation == UprightOrientation) {
                params.ExifOrientation = std::uint8_t(OrientationOf(png, read->Info));
            }
        }
    }
}
