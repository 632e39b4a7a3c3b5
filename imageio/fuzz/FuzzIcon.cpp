// Fuzz target of the icon and cursor readers: the input is the file, read once as an icon (the first
// image or, when its first byte is odd, the second) and once as a cursor. The second bit of the first byte
// chooses the background: white makes the 1-bit mask invert, any other colour leaves the bits.
#include "imageio/fuzz/FuzzRead.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const auto reader : {ReadIcon, ReadCursor}) {
        TIOParams params;
        params.IcoImageIndex = size > 0 ? data[0] & 1 : 0;
        if (size > 0 && (data[0] & 2) != 0) {
            params.IcoBackground = {0, 0, 0};
        }
        FuzzRead(data, size, reader, params);
    }
    return 0;
}
