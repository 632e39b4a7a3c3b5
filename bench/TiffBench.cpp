// Reading speed of the TIFF reader against the plain cost underneath it: a 6000 x 4000 uncompressed RGB
// file and a 5000 x 7000 group 4 fax page (text-like lines of marks, coded by libtiff's tiffcp) through
// TPictureIO (ReadTiff), each beside reading the same file and copying its bytes, and beside libtiff
// reading the same file strip by strip into a frame that it keeps from one read to the next, as the
// bitmap of a loader keeps its block; and the RGB picture LZW-coded by tiffcp, which ReadTiff hands to
// libtiff, beside libtiff's own TIFFReadRGBAImage of it (the target: at most 1.2 times that).
// The pictures are made at start in a temporary folder.

#include "bench/BenchSupport.h"
#include "imageio/PictureIO.h"
#include "platform/Bitmap.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<QTemporaryDir> Folder;
std::string RgbPath, FaxPath, LzwPath;

constexpr int RgbWidth = 6000;
constexpr int RgbHeight = 4000;
constexpr int PageWidth = 5000;
constexpr int PageHeight = 7000;

// A little-endian TIFF of one directory with the strips right after it.
class TTiffWriter {
public:
    void Add(std::uint16_t tag, std::uint16_t type, std::uint32_t value) {
        FEntries.push_back({tag, type, value});
    }

    void Write(const std::string& path, const std::vector<std::uint8_t>& pixels, std::uint32_t rowBytes,
               std::uint32_t rowsPerStrip, std::uint32_t height) {
        const std::uint32_t strips = (height + rowsPerStrip - 1) / rowsPerStrip;
        Add(278, 3, rowsPerStrip);
        Add(273, 4, 0); // offsets and counts are arrays, placed after the directory
        Add(279, 4, 0);
        std::sort(FEntries.begin(), FEntries.end(),
                  [](const auto& a, const auto& b) { return a.Tag < b.Tag; });
        const std::uint32_t directorySize = 2 + 12 * std::uint32_t(FEntries.size()) + 4;
        const std::uint32_t offsetsAt = 8 + directorySize;
        const std::uint32_t countsAt = offsetsAt + 4 * strips;
        const std::uint32_t dataAt = countsAt + 4 * strips;
        std::vector<std::uint8_t> out;
        const auto put16 = [&out](std::uint32_t v) {
            out.push_back(std::uint8_t(v));
            out.push_back(std::uint8_t(v >> 8));
        };
        const auto put32 = [&put16](std::uint32_t v) {
            put16(v & 0xFFFF);
            put16(v >> 16);
        };
        put16('I' | ('I' << 8));
        put16(42);
        put32(8);
        put16(std::uint32_t(FEntries.size()));
        for (const TField& e : FEntries) {
            put16(e.Tag);
            put16(e.Type);
            put32(e.Tag == 273 || e.Tag == 279 ? strips : 1);
            put32(e.Tag == 273 ? offsetsAt : e.Tag == 279 ? countsAt : e.Value);
        }
        put32(0);
        for (std::uint32_t s = 0; s < strips; ++s) {
            put32(dataAt + s * rowsPerStrip * rowBytes);
        }
        for (std::uint32_t s = 0; s < strips; ++s) {
            put32(std::min(rowsPerStrip, height - s * rowsPerStrip) * rowBytes);
        }
        FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(out.data(), 1, out.size(), file);
        std::fwrite(pixels.data(), 1, pixels.size(), file);
        std::fclose(file);
    }

private:
    struct TField {
        std::uint16_t Tag;
        std::uint16_t Type;
        std::uint32_t Value;
    };
    std::vector<TField> FEntries;
};

void WriteRgb(const std::string& path) {
    std::vector<std::uint8_t> rgb(std::size_t(RgbWidth) * RgbHeight * 3);
    std::uint32_t seed = 12345;
    for (int y = 0; y < RgbHeight; ++y) {
        for (int x = 0; x < RgbWidth; ++x) {
            seed = seed * 134775813u + 1u;
            std::uint8_t* p = rgb.data() + (std::size_t(y) * RgbWidth + x) * 3;
            p[0] = std::uint8_t(128 + 100 * std::sin(x / 700.0) + (seed >> 28));
            p[1] = std::uint8_t(x + y);
            p[2] = std::uint8_t(seed >> 24);
        }
    }
    TTiffWriter writer;
    writer.Add(256, 3, RgbWidth);
    writer.Add(257, 3, RgbHeight);
    writer.Add(258, 3, 8); // one value for three samples: readers take the first
    writer.Add(259, 3, 1);
    writer.Add(262, 3, 2);
    writer.Add(277, 3, 3);
    writer.Write(path, rgb, RgbWidth * 3, 16, RgbHeight);
}

// Lines of text-like marks: words of small blobs on a white page with margins, about 8 % black.
void WriteFax(const std::string& path) {
    const std::uint32_t rowBytes = (PageWidth + 7) / 8;
    std::vector<std::uint8_t> bits(std::size_t(rowBytes) * PageHeight, 0); // photometric 0: 0 is white
    std::uint32_t seed = 777;
    const auto random = [&seed](std::uint32_t n) {
        seed = seed * 134775813u + 1u;
        return std::uint32_t((std::uint64_t(seed) * n) >> 32);
    };
    for (int line = 300; line + 60 < PageHeight - 300; line += 90) {
        int x = 300;
        while (x < PageWidth - 400) {
            const int letters = 2 + int(random(8));
            for (int l = 0; l < letters; ++l) {
                const int w = 18 + int(random(20));
                const int top = line + int(random(15));
                const int bottom = line + 45 + int(random(15));
                for (int y = top; y < bottom; ++y) {
                    for (int i = 0; i < w; ++i) {
                        // Strokes: the outline and a bar in the middle.
                        const bool stroke =
                            i < 5 || i >= w - 5 || y < top + 5 || std::abs(y - (top + bottom) / 2) < 3;
                        if (stroke && random(10) != 0) {
                            const int px = x + i;
                            bits[std::size_t(y) * rowBytes + px / 8] |= std::uint8_t(0x80 >> (px % 8));
                        }
                    }
                }
                x += w + 6;
            }
            x += 30;
        }
    }
    TTiffWriter writer;
    writer.Add(256, 3, PageWidth);
    writer.Add(257, 3, PageHeight);
    writer.Add(258, 3, 1);
    writer.Add(259, 3, 1);
    writer.Add(262, 3, 0);
    writer.Add(277, 3, 1);
    const std::string plain = path + ".plain.tif";
    writer.Write(plain, bits, rowBytes, PageHeight, PageHeight);
    const std::string command = "tiffcp -c g4 '" + plain + "' '" + path + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "tiffcp failed; the group 4 benchmark will report an error\n");
    }
    std::remove(plain.c_str());
}

// tiffcp's LZW with its default strips of about 8 KB.
void WriteLzw(const std::string& plain, const std::string& path) {
    const std::string command = "tiffcp -c lzw '" + plain + "' '" + path + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "tiffcp failed; the LZW benchmarks will report an error\n");
    }
}

void BM_ReadTiffLzw(benchmark::State& state) {
    LoadThroughPictureIO(state, LzwPath, RgbWidth);
}

void BM_LibtiffReadRgbaLzw(benchmark::State& state) {
    std::vector<std::uint32_t> raster(std::size_t(RgbWidth) * RgbHeight);
    for (auto _ : state) {
        TIFF* tif = TIFFOpen(LzwPath.c_str(), "r");
        if (!tif || !TIFFReadRGBAImage(tif, RgbWidth, RgbHeight, raster.data(), 0)) {
            state.SkipWithError("libtiff did not read the picture");
        }
        if (tif) {
            TIFFClose(tif);
        }
        benchmark::DoNotOptimize(raster.data());
    }
}

void BM_ReadTiffRgb(benchmark::State& state) {
    LoadThroughPictureIO(state, RgbPath, RgbWidth);
}
void BM_ReadFileAndCopyTiffRgb(benchmark::State& state) {
    ReadFileAndCopy(state, RgbPath);
}
void BM_ReadTiffGroup4(benchmark::State& state) {
    LoadThroughPictureIO(state, FaxPath, PageWidth);
}
void BM_ReadFileAndCopyTiffGroup4(benchmark::State& state) {
    ReadFileAndCopy(state, FaxPath);
}

void LibtiffIntoKeptFrame(benchmark::State& state, const std::string& path) {
    std::vector<std::uint8_t> frame;
    for (auto _ : state) {
        TIFF* tiff = TIFFOpen(path.c_str(), "r");
        if (!tiff) {
            state.SkipWithError("libtiff cannot open the file");
            break;
        }
        const tstrip_t strips = TIFFNumberOfStrips(tiff);
        const tmsize_t stripBytes = TIFFStripSize(tiff);
        frame.resize(std::size_t(stripBytes) * strips);
        tmsize_t offset = 0;
        for (tstrip_t s = 0; s < strips; ++s) {
            const tmsize_t got = TIFFReadEncodedStrip(tiff, s, frame.data() + offset, stripBytes);
            offset += got > 0 ? got : 0;
        }
        TIFFClose(tiff);
        benchmark::DoNotOptimize(frame.data());
    }
}

void BM_LibtiffRgb(benchmark::State& state) {
    LibtiffIntoKeptFrame(state, RgbPath);
}
void BM_LibtiffGroup4(benchmark::State& state) {
    LibtiffIntoKeptFrame(state, FaxPath);
}

} // namespace

BENCHMARK(BM_LibtiffRgb)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibtiffGroup4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadTiffRgb)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadFileAndCopyTiffRgb)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadTiffGroup4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadFileAndCopyTiffGroup4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadTiffLzw)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibtiffReadRgbaLzw)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Folder = std::make_unique<QTemporaryDir>();
    const std::string folder = Folder->path().toStdString();
    RgbPath = folder + "/photo.tif";
    FaxPath = folder + "/page.tif";
    LzwPath = folder + "/photo-lzw.tif";
    WriteRgb(RgbPath);
    WriteLzw(RgbPath, LzwPath);
    WriteFax(FaxPath);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Folder.reset();
    return 0;
}
