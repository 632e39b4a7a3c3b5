// Fuzz target of the PCX reader: the input is the file.
#include "imageio/fuzz/FuzzRead.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzRead(data, size, [](TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context) {
        ReadPcx(stream, bitmap, stream.Size(), params, context);
    });
    return 0;
}
