// Fuzz target of the PNG reader: the input is the file.
#include "imageio/fuzz/FuzzRead.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzRead(data, size, ReadPng);
    return 0;
}
