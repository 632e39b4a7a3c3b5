// Reading speed of the readers against the plain cost underneath them: a 24-megapixel baseline and
// progressive JPEG through TPictureIO (ReadJpeg) and through libjpeg-turbo alone; a 6000 x 4000 24-bit BMP
// through TPictureIO (ReadBmp) and as reading the file plus copying its bytes; the same picture as an
// 8-bit RGB PNG, a 256-colour GIF and a lossy WebP through TPictureIO and through libpng, giflib and
// libwebp alone, each decoding into one block the way it does fastest;
// the same picture as HEIC, AVIF and JPEG XL through TPictureIO and through libheif or libjxl alone,
// reading the file into memory and decoding to RGB with the threads the readers use. The pictures are
// made at start in a temporary folder; the HEIC, AVIF and JPEG XL ones, by heif-enc, avifenc and cjxl
// from the JPEG, when their benchmarks first run (some seconds to a minute each).

#include "bench/BenchSupport.h"
#include "imageio/PictureIO.h"
#include "platform/Bitmap.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <jxl/decode.h>
#include <jxl/decode_cxx.h>
#include <jxl/thread_parallel_runner.h>
#include <jxl/thread_parallel_runner_cxx.h>
#include <libheif/heif.h>
#include <png.h>
#include <webp/decode.h>
#include <webp/encode.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

constexpr int Width = 6000;
constexpr int Height = 4000;

std::unique_ptr<QTemporaryDir> Folder;
std::string BaselinePath, ProgressivePath, BmpPath, PngPath, GifPath, WebpPath;

// Something like a photograph for the encoder: smooth colour fields with fine grain.
std::vector<std::uint8_t> PhotoLikeRgb() {
    std::vector<std::uint8_t> rgb(std::size_t(Width) * Height * 3);
    std::uint32_t seed = 12345;
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            seed = seed * 134775813u + 1u;
            const int grain = int(seed >> 28) - 8;
            const double fx = x / 700.0, fy = y / 500.0;
            std::uint8_t* p = rgb.data() + (std::size_t(y) * Width + x) * 3;
            const auto clamp = [](double v) { return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
            p[0] = clamp(128 + 100 * std::sin(fx) * std::cos(fy) + grain);
            p[1] = clamp(128 + 90 * std::sin(fx * 1.7 + 1) + grain);
            p[2] = clamp(128 + 80 * std::cos(fy * 2.3 + fx) + grain);
        }
    }
    return rgb;
}

void WriteJpeg(const std::vector<std::uint8_t>& rgb, const std::string& path, bool progressive) {
    FILE* file = std::fopen(path.c_str(), "wb");
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = Width;
    info.image_height = Height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    if (progressive) {
        jpeg_simple_progression(&info);
    }
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.data() + std::size_t(info.next_scanline) * Width * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
}

void WriteBmp(const std::vector<std::uint8_t>& rgb, const std::string& path) {
    const std::uint32_t rowBytes = Width * 3; // 18000, already a multiple of four
    const std::uint32_t pixelBytes = rowBytes * Height;
    std::uint8_t header[54] = {'B', 'M'};
    const auto put32 = [&header](int at, std::uint32_t v) { std::memcpy(header + at, &v, 4); };
    put32(2, 54 + pixelBytes);
    put32(10, 54);
    put32(14, 40);
    put32(18, Width);
    put32(22, Height);
    header[26] = 1;
    header[28] = 24;
    put32(38, 2835);
    put32(42, 2835);
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(header, 1, sizeof header, file);
    std::vector<std::uint8_t> row(rowBytes);
    for (int y = Height - 1; y >= 0; --y) {
        const std::uint8_t* from = rgb.data() + std::size_t(y) * rowBytes;
        for (int x = 0; x < Width; ++x) {
            row[x * 3] = from[x * 3 + 2];
            row[x * 3 + 1] = from[x * 3 + 1];
            row[x * 3 + 2] = from[x * 3];
        }
        std::fwrite(row.data(), 1, row.size(), file);
    }
    std::fclose(file);
}

// The library with its own file source, decoding into one block of blue, green, red rows.
void LoadThroughLibjpeg(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        FILE* file = std::fopen(path.c_str(), "rb");
        jpeg_decompress_struct info{};
        jpeg_error_mgr error{};
        info.err = jpeg_std_error(&error);
        jpeg_create_decompress(&info);
        jpeg_stdio_src(&info, file);
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&info);
        const std::size_t rowBytes = std::size_t(info.output_width) * 3;
        std::unique_ptr<std::uint8_t[]> pixels(new std::uint8_t[rowBytes * info.output_height]);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = pixels.get() + rowBytes * info.output_scanline;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        benchmark::DoNotOptimize(pixels.get());
    }
}

// The baseline JPEG encoded by a command line tool into the temporary folder, once; "%1" and "%2" in the
// command stand for the two files.
std::string Encoded(const std::string& name, const std::string& command) {
    const std::string path = Folder->path().toStdString() + "/" + name;
    if (!QFile::exists(QString::fromStdString(path))) {
        const QString line = QString::fromStdString(command + " >/dev/null 2>&1")
                                 .arg(QString::fromStdString("'" + BaselinePath + "'"),
                                      QString::fromStdString("'" + path + "'"));
        if (std::system(line.toLocal8Bit().constData()) != 0) {
            return std::string();
        }
    }
    return path;
}

std::string HeicPath() {
    return Encoded("picture.heic", "heif-enc -q 85 -o %2 %1");
}
std::string AvifPath() {
    return Encoded("picture.avif", "avifenc --speed 10 --jobs 2 --min 20 --max 30 %1 %2");
}
std::string JxlPath() {
    return Encoded("picture.jxl", "cjxl --quiet --lossless_jpeg=0 -d 1 -e 3 %1 %2");
}

std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void LoadEncoded(benchmark::State& state, const std::string& path) {
    if (path.empty()) {
        state.SkipWithError("the encoder failed");
        return;
    }
    LoadThroughPictureIO(state, path, Width);
}

void DecodeThroughLibheif(benchmark::State& state, const std::string& path) {
    if (path.empty()) {
        state.SkipWithError("the encoder failed");
        return;
    }
    for (auto _ : state) {
        const std::vector<std::uint8_t> bytes = FileBytes(path);
        heif_context* context = heif_context_alloc();
        heif_context_set_max_decoding_threads(context,
                                              int(std::max(1u, std::thread::hardware_concurrency())));
        heif_context_read_from_memory_without_copy(context, bytes.data(), bytes.size(), nullptr);
        heif_image_handle* handle = nullptr;
        heif_context_get_primary_image_handle(context, &handle);
        heif_image* image = nullptr;
        heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr);
        int stride = 0;
        benchmark::DoNotOptimize(heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride));
        heif_image_release(image);
        heif_image_handle_release(handle);
        heif_context_free(context);
    }
}

void DecodeThroughLibjxl(benchmark::State& state, const std::string& path) {
    if (path.empty()) {
        state.SkipWithError("the encoder failed");
        return;
    }
    for (auto _ : state) {
        const std::vector<std::uint8_t> bytes = FileBytes(path);
        const JxlDecoderPtr decoder = JxlDecoderMake(nullptr);
        const JxlThreadParallelRunnerPtr runner =
            JxlThreadParallelRunnerMake(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads());
        JxlDecoderSubscribeEvents(decoder.get(), JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE);
        JxlDecoderSetParallelRunner(decoder.get(), JxlThreadParallelRunner, runner.get());
        JxlDecoderSetInput(decoder.get(), bytes.data(), bytes.size());
        JxlDecoderCloseInput(decoder.get());
        const JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
        std::vector<std::uint8_t> pixels;
        for (JxlDecoderStatus status = JxlDecoderProcessInput(decoder.get());
             status != JXL_DEC_FULL_IMAGE && status != JXL_DEC_ERROR && status != JXL_DEC_SUCCESS &&
             status != JXL_DEC_NEED_MORE_INPUT;
             status = JxlDecoderProcessInput(decoder.get())) {
            if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
                std::size_t size = 0;
                JxlDecoderImageOutBufferSize(decoder.get(), &format, &size);
                pixels.resize(size);
                JxlDecoderSetImageOutBuffer(decoder.get(), &format, pixels.data(), size);
            }
        }
        benchmark::DoNotOptimize(pixels.data());
    }
}

void WritePng(const std::vector<std::uint8_t>& rgb, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    // Fast compression keeps the start short; decoding costs about the same at any level.
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, Width, Height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < Height; ++y) {
        png_write_row(png, rgb.data() + std::size_t(y) * Width * 3);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

// 3 bits of red and green, 2 of blue: 256 colours without a quantiser.
void WriteGif(const std::vector<std::uint8_t>& rgb, const std::string& path) {
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i) {
        colours[i] = {GifByteType((i >> 5) * 255 / 7), GifByteType(((i >> 2) & 7) * 255 / 7),
                      GifByteType((i & 3) * 255 / 3)};
    }
    ColorMapObject* map = GifMakeMapObject(256, colours);
    EGifPutScreenDesc(gif, Width, Height, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, Width, Height, false, nullptr);
    std::vector<GifPixelType> line(Width);
    for (int y = 0; y < Height; ++y) {
        const std::uint8_t* p = rgb.data() + std::size_t(y) * Width * 3;
        for (int x = 0; x < Width; ++x, p += 3) {
            line[x] = GifPixelType((p[0] >> 5) << 5 | (p[1] >> 5) << 2 | p[2] >> 6);
        }
        EGifPutLine(gif, line.data(), Width);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
}

void WriteWebp(const std::vector<std::uint8_t>& rgb, const std::string& path) {
    std::uint8_t* output = nullptr;
    const std::size_t size = WebPEncodeRGB(rgb.data(), Width, Height, Width * 3, 90, &output);
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(output, 1, size, file);
    std::fclose(file);
    WebPFree(output);
}

// libpng with its own file source, blue, green, red rows into one block.
void LoadThroughLibpng(benchmark::State& state) {
    for (auto _ : state) {
        FILE* file = std::fopen(PngPath.c_str(), "rb");
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_init_io(png, file);
        png_read_info(png, info);
        png_set_bgr(png);
        png_read_update_info(png, info);
        const std::size_t rowBytes = png_get_rowbytes(png, info);
        const png_uint_32 height = png_get_image_height(png, info);
        std::unique_ptr<std::uint8_t[]> pixels(new std::uint8_t[rowBytes * height]);
        std::vector<png_bytep> rows(height);
        for (png_uint_32 y = 0; y < height; ++y) {
            rows[y] = pixels.get() + rowBytes * y;
        }
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        benchmark::DoNotOptimize(pixels.get());
    }
}

// giflib's whole-file read: every image decoded to colour indices.
void LoadThroughGiflib(benchmark::State& state) {
    for (auto _ : state) {
        int error = 0;
        GifFileType* gif = DGifOpenFileName(GifPath.c_str(), &error);
        DGifSlurp(gif);
        benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
        DGifCloseFile(gif, &error);
    }
}

// libwebp from the file's bytes in memory, blue, green, red into one block.
void LoadThroughLibwebp(benchmark::State& state) {
    for (auto _ : state) {
        const std::vector<std::uint8_t> bytes = FileBytes(WebpPath);
        const std::size_t size = std::size_t(Width) * Height * 3;
        std::unique_ptr<std::uint8_t[]> pixels(new std::uint8_t[size]);
        WebPDecodeBGRInto(bytes.data(), bytes.size(), pixels.get(), size, Width * 3);
        benchmark::DoNotOptimize(pixels.get());
    }
}

void BM_ReadJpegBaseline(benchmark::State& state) {
    LoadThroughPictureIO(state, BaselinePath, Width);
}
void BM_LibjpegBaseline(benchmark::State& state) {
    LoadThroughLibjpeg(state, BaselinePath);
}
void BM_ReadJpegProgressive(benchmark::State& state) {
    LoadThroughPictureIO(state, ProgressivePath, Width);
}
void BM_LibjpegProgressive(benchmark::State& state) {
    LoadThroughLibjpeg(state, ProgressivePath);
}
void BM_ReadBmp24(benchmark::State& state) {
    LoadThroughPictureIO(state, BmpPath, Width);
}
void BM_ReadFileAndCopyBmp24(benchmark::State& state) {
    ReadFileAndCopy(state, BmpPath);
}
void BM_ReadHeic(benchmark::State& state) {
    LoadEncoded(state, HeicPath());
}
void BM_LibheifHeic(benchmark::State& state) {
    DecodeThroughLibheif(state, HeicPath());
}
void BM_ReadAvif(benchmark::State& state) {
    LoadEncoded(state, AvifPath());
}
void BM_LibheifAvif(benchmark::State& state) {
    DecodeThroughLibheif(state, AvifPath());
}
void BM_ReadJxl(benchmark::State& state) {
    LoadEncoded(state, JxlPath());
}
void BM_LibjxlJxl(benchmark::State& state) {
    DecodeThroughLibjxl(state, JxlPath());
}

void BM_ReadPng(benchmark::State& state) {
    LoadThroughPictureIO(state, PngPath, Width);
}
void BM_LibpngPng(benchmark::State& state) {
    LoadThroughLibpng(state);
}
void BM_ReadGif(benchmark::State& state) {
    LoadThroughPictureIO(state, GifPath, Width);
}
void BM_GiflibGif(benchmark::State& state) {
    LoadThroughGiflib(state);
}
void BM_ReadWebp(benchmark::State& state) {
    LoadThroughPictureIO(state, WebpPath, Width);
}
void BM_LibwebpWebp(benchmark::State& state) {
    LoadThroughLibwebp(state);
}

} // namespace

BENCHMARK(BM_ReadJpegBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibjpegBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadJpegProgressive)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibjpegProgressive)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadBmp24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadFileAndCopyBmp24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadPng)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibpngPng)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadGif)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GiflibGif)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadWebp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibwebpWebp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadHeic)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibheifHeic)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadAvif)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibheifAvif)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadJxl)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibjxlJxl)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Folder = std::make_unique<QTemporaryDir>();
    const std::string folder = Folder->path().toStdString();
    BaselinePath = folder + "/baseline.jpg";
    ProgressivePath = folder + "/progressive.jpg";
    BmpPath = folder + "/picture.bmp";
    PngPath = folder + "/picture.png";
    GifPath = folder + "/picture.gif";
    WebpPath = folder + "/picture.webp";
    {
        const std::vector<std::uint8_t> rgb = PhotoLikeRgb();
        WriteJpeg(rgb, BaselinePath, false);
        WriteJpeg(rgb, ProgressivePath, true);
        WriteBmp(rgb, BmpPath);
        WritePng(rgb, PngPath);
        WriteGif(rgb, GifPath);
        WriteWebp(rgb, WebpPath);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Folder.reset();
    return 0;
}
