// The PCX reader beside the TGA reader on the same 6000 x 4000 24-bit picture (72 MB of pixels): the
// run-length PCX file and the uncompressed TGA file through TPictureIO, timed, and the peak memory that
// one load of each adds to a fresh child process (the target: PCX at most 1.15 times TGA).
// The pictures are written at start, row by row, into a temporary folder.

#include "bench/BenchSupport.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int Width = 6000;
constexpr int Height = 4000;

std::unique_ptr<QTemporaryDir> Folder;
std::string PcxPath, TgaPath;

// Smooth colour fields with fine grain, one row of red, green, blue at a time.
class TPhotoRows {
public:
    const std::vector<std::uint8_t>& Next() {
        const auto clamp = [](double v) { return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
        for (int x = 0; x < Width; ++x) {
            FSeed = FSeed * 134775813u + 1u;
            const int grain = int(FSeed >> 29) - 4;
            const double fx = x / 700.0, fy = FY / 500.0;
            std::uint8_t* p = FRow.data() + std::size_t(x) * 3;
            p[0] = clamp(128 + 100 * std::sin(fx) * std::cos(fy) + grain);
            p[1] = clamp(128 + 90 * std::sin(fx * 1.7 + 1) + grain);
            p[2] = clamp(128 + 80 * std::cos(fy * 2.3 + fx) + grain);
        }
        ++FY;
        return FRow;
    }

private:
    std::vector<std::uint8_t> FRow = std::vector<std::uint8_t>(std::size_t(Width) * 3);
    std::uint32_t FSeed = 12345;
    int FY = 0;
};

void Put16(std::vector<std::uint8_t>& out, std::size_t at, int value) {
    out[at] = std::uint8_t(value);
    out[at + 1] = std::uint8_t(value >> 8);
}

std::vector<std::uint8_t> TgaHeader() {
    std::vector<std::uint8_t> header(18, 0);
    header[2] = 2; // uncompressed true colour
    Put16(header, 12, Width);
    Put16(header, 14, Height);
    header[16] = 24;
    header[17] = 0x20; // top row first
    return header;
}

std::vector<std::uint8_t> PcxHeader() {
    std::vector<std::uint8_t> header(128, 0);
    header[0] = 10;
    header[1] = 5;
    header[2] = 1; // run-length
    header[3] = 8;
    Put16(header, 8, Width - 1);
    Put16(header, 10, Height - 1);
    Put16(header, 12, 72);
    Put16(header, 14, 72);
    header[65] = 3;
    Put16(header, 66, Width);
    header[68] = 1;
    return header;
}

// One plane line: runs of up to 63 equal bytes, and single bytes that could be read as a run count.
void AppendRunLengthLine(std::vector<std::uint8_t>& out, const std::uint8_t* rgb, int plane) {
    int x = 0;
    while (x < Width) {
        const std::uint8_t value = rgb[std::size_t(x) * 3 + std::size_t(plane)];
        int run = 1;
        while (x + run < Width && run < 63 && rgb[std::size_t(x + run) * 3 + std::size_t(plane)] == value) {
            ++run;
        }
        if (run > 1 || value >= 0xC0) {
            out.push_back(std::uint8_t(0xC0 | run));
        }
        out.push_back(value);
        x += run;
    }
}

void WritePictures() {
    std::ofstream pcx(PcxPath, std::ios::binary);
    std::ofstream tga(TgaPath, std::ios::binary);
    const auto write = [](std::ofstream& file, const std::vector<std::uint8_t>& bytes) {
        file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    };
    write(pcx, PcxHeader());
    write(tga, TgaHeader());
    TPhotoRows rows;
    std::vector<std::uint8_t> bgr(std::size_t(Width) * 3);
    std::vector<std::uint8_t> lines;
    for (int y = 0; y < Height; ++y) {
        const std::vector<std::uint8_t>& rgb = rows.Next();
        lines.clear();
        for (int plane = 0; plane < 3; ++plane) {
            AppendRunLengthLine(lines, rgb.data(), plane);
        }
        write(pcx, lines);
        for (std::size_t x = 0; x < std::size_t(Width); ++x) {
            bgr[3 * x] = rgb[3 * x + 2];
            bgr[3 * x + 1] = rgb[3 * x + 1];
            bgr[3 * x + 2] = rgb[3 * x];
        }
        write(tga, bgr);
    }
}

// A "Vm...:" line of /proc/self/status in KiB, or -1.
long StatusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::stol(line.substr(std::strlen(field)));
        }
    }
    return -1;
}

// In a child: the peak resident memory during one load above the resident memory before it, in KiB;
// -1 when the peak cannot be reset or the picture does not load.
long PeakGrowthOfOneLoad(const std::string& path) {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5"; // resets the peak to the present resident size
    clear.close();
    if (!clear) {
        return -1;
    }
    const long before = StatusKiB("VmRSS:");
    TBitmap bitmap;
    TPictureIO loader;
    loader.SetAttachedBitmap(&bitmap);
    loader.LoadFromFile(QString::fromStdString(path));
    if (loader.Aborted() || bitmap.Width() != Width) {
        return -1;
    }
    return StatusKiB("VmHWM:") - before;
}

long PeakGrowthInChild(const std::string& path) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return -1;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        const long growth = PeakGrowthOfOneLoad(path);
        const ssize_t written = write(pipeEnds[1], &growth, sizeof growth);
        _exit(written == sizeof growth ? 0 : 1);
    }
    close(pipeEnds[1]);
    long growth = -1;
    if (child < 0 || read(pipeEnds[0], &growth, sizeof growth) != sizeof growth) {
        growth = -1;
    }
    close(pipeEnds[0]);
    if (child > 0) {
        waitpid(child, nullptr, 0);
    }
    return growth;
}

void BM_PeakMemoryPcxOverTga(benchmark::State& state) {
    for (auto _ : state) {
        const long pcx = PeakGrowthInChild(PcxPath);
        const long tga = PeakGrowthInChild(TgaPath);
        if (pcx <= 0 || tga <= 0) {
            state.SkipWithError("a child could not measure its load");
            break;
        }
        state.counters["pcx_MiB"] = double(pcx) / 1024.0;
        state.counters["tga_MiB"] = double(tga) / 1024.0;
        state.counters["ratio"] = double(pcx) / double(tga);
    }
}

void BM_ReadPcx24(benchmark::State& state) {
    LoadThroughPictureIO(state, PcxPath, Width);
}
void BM_ReadTga24(benchmark::State& state) {
    LoadThroughPictureIO(state, TgaPath, Width);
}

} // namespace

// Measured first, while the parent has loaded nothing yet.
BENCHMARK(BM_PeakMemoryPcxOverTga)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadPcx24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadTga24)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Folder = std::make_unique<QTemporaryDir>();
    PcxPath = Folder->path().toStdString() + "/photo.pcx";
    TgaPath = Folder->path().toStdString() + "/photo.tga";
    WritePictures();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Folder.reset();
    return 0;
}
