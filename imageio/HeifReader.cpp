// HEIF pictures (HEVC-coded, as phones write them) and AVIF (AV1-coded) through libheif. The library
// parses the boxes, runs the codec, converts to RGB and applies the file's crop, rotation and mirror;
// this file hands it the file's bytes, turns its errors into Aborted and places its rows in the bitmap as
// blue, green, red, with transparency laid over black and deeper samples rounded to 8 bits.

#include "imageio/Readers.h"
#include "imageio/RgbRows.h"
#include "imageio/Stream.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>

namespace {

// File-type codes of FileFormatTable.
constexpr int HeifFileType = 13;
constexpr int AvifFileType = 14;

// Neither side of an image item, tile or alpha plane may exceed this; the library refuses such a file
// while parsing. Panoramas reach some ten thousand pixels, and the whole picture is checked against the
// bitmap's limit before decoding in any case.
constexpr int MaxSide = 32768;

struct THeifContextDeleter {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct THeifHandleDeleter {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct THeifImageDeleter {
    void operator()(heif_image* image) const { heif_image_release(image); }
};

bool Failed(const heif_error& error) {
    return error.code != heif_error_Ok;
}

// Every HEIF and AVIF file starts with its file-type box.
bool HasFileTypeBox(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() >= 12 && std::memcmp(bytes.data() + 4, "ftyp", 4) == 0;
}

int FileTypeOf(const std::vector<std::uint8_t>& bytes) {
    const char* mime = heif_get_file_mime_type(bytes.data(), int(std::min<std::size_t>(bytes.size(), 64)));
    return mime && std::strcmp(mime, "image/avif") == 0 ? AvifFileType : HeifFileType;
}

// The tiles of a grid image (phones write 512 x 512 tiles) are what the library decodes in parallel.
int DecodingThreads() {
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

// The layout of a decoded interleaved plane: 3 or 4 samples per pixel, 1 or 2 bytes per sample.
struct TPlane {
    const std::uint8_t* Bytes = nullptr;
    int Stride = 0;
    int Width = 0;
    int Height = 0;
    bool Alpha = false;
    bool Premultiplied = false;
    int Bits = 8;
};

std::uint8_t Rounded(double value) {
    return std::uint8_t(value + 0.5);
}

void Row8ToBgr(const TPlane& plane, const std::uint8_t* in, std::uint8_t* out) {
    if (!plane.Alpha) {
        RgbToBgr(in, out, plane.Width);
        return;
    }
    for (int x = 0; x < plane.Width; ++x, in += 4, out += 3) {
        // A premultiplied colour already is the colour over black.
        const unsigned alpha = plane.Premultiplied ? 255 : in[3];
        out[0] = std::uint8_t((in[2] * alpha + 127) / 255);
        out[1] = std::uint8_t((in[1] * alpha + 127) / 255);
        out[2] = std::uint8_t((in[0] * alpha + 127) / 255);
    }
}

// Samples of 9 to 16 bits, little-endian, in a 16-bit word each; values above the bit depth's maximum
// count as that maximum.
void RowDeepToBgr(const TPlane& plane, const std::uint8_t* in, std::uint8_t* out) {
    const unsigned maximum = (1u << plane.Bits) - 1;
    const int samples = plane.Alpha ? 4 : 3;
    const auto sample = [maximum](const std::uint8_t* at) {
        return std::min<unsigned>(unsigned(at[0]) | (unsigned(at[1]) << 8), maximum);
    };
    const double toEight = 255.0 / maximum;
    for (int x = 0; x < plane.Width; ++x, in += 2 * samples, out += 3) {
        const double scale =
            plane.Alpha && !plane.Premultiplied ? toEight * sample(in + 6) / maximum : toEight;
        out[0] = Rounded(sample(in + 4) * scale);
        out[1] = Rounded(sample(in + 2) * scale);
        out[2] = Rounded(sample(in) * scale);
    }
}

// The decoded picture into the bitmap, row by row, reporting progress; false when stopped.
bool CopyRows(const TPlane& plane, TBitmap& bitmap, ProgressContext& context) {
    ResetBitmapBlack(bitmap, plane.Width, plane.Height, TPixelFormat::pf24bit);
    context.Factor = 100.0 / plane.Height;
    context.Counter = 0;
    for (int y = 0; y < plane.Height; ++y) {
        const std::uint8_t* in = plane.Bytes + std::size_t(y) * std::size_t(plane.Stride);
        if (plane.Bits > 8) {
            RowDeepToBgr(plane, in, bitmap.ScanLine(y));
        } else {
            Row8ToBgr(plane, in, bitmap.ScanLine(y));
        }
        ++context.Counter;
        context.Report();
        if (context.IsAborted()) {
            return false;
        }
    }
    return true;
}

heif_chroma ChromaFor(int bits, bool alpha) {
    if (bits > 8) {
        return alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE;
    }
    return alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB;
}

// The plane of a decoded image when its layout is the one asked for, else an empty plane.
TPlane PlaneOf(const heif_image* image, heif_chroma chroma, bool alpha) {
    TPlane plane;
    if (heif_image_get_colorspace(image) != heif_colorspace_RGB ||
        heif_image_get_chroma_format(image) != chroma) {
        return plane;
    }
    const int bits = heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved);
    const bool deep =
        chroma == heif_chroma_interleaved_RRGGBB_LE || chroma == heif_chroma_interleaved_RRGGBBAA_LE;
    if (deep ? (bits <= 8 || bits > 16) : bits != 8) {
        return plane;
    }
    int stride = 0;
    const std::uint8_t* bytes = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image, heif_channel_interleaved);
    const int height = heif_image_get_height(image, heif_channel_interleaved);
    const std::int64_t rowBytes = std::int64_t(width) * (alpha ? 4 : 3) * (deep ? 2 : 1);
    if (!bytes || width <= 0 || height <= 0 || stride < rowBytes) {
        return plane;
    }
    plane.Bytes = bytes;
    plane.Stride = stride;
    plane.Width = width;
    plane.Height = height;
    plane.Alpha = alpha;
    plane.Premultiplied = alpha && heif_image_is_premultiplied_alpha(const_cast<heif_image*>(image));
    plane.Bits = bits;
    return plane;
}

void DescribeFile(const heif_image_handle* handle, int fileType, TIOParams& params) {
    const int bits = heif_image_handle_get_luma_bits_per_pixel(handle);
    const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
    params.Width = heif_image_handle_get_width(handle);
    params.Height = heif_image_handle_get_height(handle);
    params.BitsPerSample = bits > 0 ? bits : 8;
    // Whether the colour was coded as monochrome shows only in the codec's stream; report colour.
    params.SamplesPerPixel = alpha ? 4 : 3;
    params.FileType = fileType;
    // The library has turned the picture upright already.
    params.ExifOrientation = 1;
    params.FreePalette();
}

} // namespace

void ReadHeif(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(stream, bytes) || !HasFileTypeBox(bytes)) {
        context.Abort();
        return;
    }
    std::unique_ptr<heif_context, THeifContextDeleter> heif(heif_context_alloc());
    if (!heif) {
        context.Abort();
        return;
    }
    heif_context_set_maximum_image_size_limit(heif.get(), MaxSide);
    heif_context_set_max_decoding_threads(heif.get(), DecodingThreads());
    heif_image_handle* rawHandle = nullptr;
    if (Failed(heif_context_read_from_memory_without_copy(heif.get(), bytes.data(), bytes.size(), nullptr)) ||
        Failed(heif_context_get_primary_image_handle(heif.get(), &rawHandle))) {
        context.Abort();
        return;
    }
    std::unique_ptr<heif_image_handle, THeifHandleDeleter> handle(rawHandle);

    // The size after crop and rotation, which is the size of the decoded picture.
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    if (width <= 0 || height <= 0) {
        context.Abort();
        return;
    }
    CheckBitmapSize(width, height, TPixelFormat::pf24bit);
    DescribeFile(handle.get(), FileTypeOf(bytes), params);

    const int bits = heif_image_handle_get_luma_bits_per_pixel(handle.get());
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const heif_chroma chroma = ChromaFor(bits, alpha);
    heif_image* rawImage = nullptr;
    if (Failed(heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, chroma, nullptr))) {
        if (rawImage) {
            heif_image_release(rawImage);
        }
        context.Abort();
        return;
    }
    std::unique_ptr<heif_image, THeifImageDeleter> image(rawImage);
    const TPlane plane = PlaneOf(image.get(), chroma, alpha);
    if (!plane.Bytes) {
        context.Abort();
        return;
    }
    params.Width = plane.Width;
    params.Height = plane.Height;
    CopyRows(plane, bitmap, context);
}
