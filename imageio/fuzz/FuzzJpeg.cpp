// Fuzz target of the JPEG reader: the input is the file.
#include "imageio/fuzz/FuzzRead.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TIOParams params;
    // The automatic scale and the fast transform take other paths through the library.
    params.JpegScale = size > 0 ? std::uint8_t(data[size - 1] % 5) : std::uint8_t(1);
    params.Width = 100;
    params.Height = 100;
    FuzzRead(data, size, ReadJpeg, params);
    return 0;
}
