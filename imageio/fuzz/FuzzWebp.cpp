// Fuzz target of the WebP reader: the input is the file.
#include "imageio/Readers.h"
#include "imageio/Stream.h"
#include "platform/Exceptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryStream stream(data, std::int64_t(size));
    TBitmap bitmap;
    TIOParams params;
    // An odd last byte asks for the scaled decode into a small box.
    if (size > 0 && data[size - 1] % 2 == 1) {
        params.JpegFitWidth = 64;
        params.JpegFitHeight = 48;
    }
    bool aborted = false;
    ProgressContext context;
    context.Aborted = &aborted;
    try {
        ReadWebp(stream, bitmap, params, context);
    } catch (const EOutOfMemory&) {
    }
    return 0;
}
