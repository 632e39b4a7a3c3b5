#pragma once

// Measurements that the reader benchmarks share: a load through the program's own loader, and the floor
// it is judged against, reading the file and copying its bytes.

#include "imageio/PictureIO.h"
#include "platform/Bitmap.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

inline void LoadThroughPictureIO(benchmark::State& state, const std::string& path, int width) {
    TBitmap bitmap;
    TPictureIO loader;
    loader.SetAttachedBitmap(&bitmap);
    for (auto _ : state) {
        loader.LoadFromFile(QString::fromStdString(path));
        benchmark::DoNotOptimize(bitmap.Bits());
        if (loader.Aborted() || bitmap.Width() != width) {
            state.SkipWithError("the picture did not load");
            break;
        }
    }
}

inline void ReadFileAndCopy(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        FILE* file = std::fopen(path.c_str(), "rb");
        std::fseek(file, 0, SEEK_END);
        const long size = std::ftell(file);
        std::fseek(file, 0, SEEK_SET);
        std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[std::size_t(size)]);
        const std::size_t got = std::fread(bytes.get(), 1, std::size_t(size), file);
        std::fclose(file);
        std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[got]);
        std::memcpy(copy.get(), bytes.get(), got);
        benchmark::DoNotOptimize(copy.get());
        state.counters["file_kB"] = double(got) / 1024.0;
    }
}
