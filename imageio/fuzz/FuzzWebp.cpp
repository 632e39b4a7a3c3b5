// Fuzz target of the WebP reader: the input is the file.
#include "imageio/fuzz/FuzzRead.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TIOParams params;
    // An odd last byte asks for the scaled decode into a small box.
    if (size > 0 && data[size - 1] % 2 == 1) {
        params.JpegFitWidth = 64;
        params.JpegFitHeight = 48;
    }
    FuzzRead(data, size, ReadWebp, params);
    return 0;
}
