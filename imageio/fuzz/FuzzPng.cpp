// Fuzz target of the PNG reader: the input is the file.
#include "imageio/Readers.h"
#include "imageio/Stream.h"
#include "platform/Exceptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryStream stream(data, std::int64_t(size));
    TBitmap bitmap;
    TIOParams params;
    bool aborted = false;
    ProgressContext context;
    context.Aborted = &aborted;
    try {
        ReadPng(stream, bitmap, params, context);
    } catch (const EOutOfMemory&) {
    }
    return 0;
}
