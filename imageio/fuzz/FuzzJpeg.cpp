// Fuzz target of the JPEG reader: the input is the file.
#include "imageio/Readers.h"
#include "imageio/Stream.h"
#include "platform/Exceptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryStream stream(data, std::int64_t(size));
    TBitmap bitmap;
    TIOParams params;
    // The automatic scale and the fast transform take other paths through the library.
    params.JpegScale = size > 0 ? std::uint8_t(data[size - 1] % 5) : std::uint8_t(1);
    params.Width = 100;
    params.Height = 100;
    bool aborted = false;
    ProgressContext context;
    context.Aborted = &aborted;
    try {
        ReadJpeg(stream, bitmap, params, context);
    } catch (const EOutOfMemory&) {
    }
    return 0;
}
