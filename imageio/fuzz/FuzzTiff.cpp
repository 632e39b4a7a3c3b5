// Fuzz target of the TIFF reader: the input is the file; its last byte picks the page. Seeded with the
// test pictures: fuzz-tiff CORPUS tests/data/tiff tests/data/tiff/malformed
#include "imageio/Readers.h"
#include "imageio/Stream.h"
#include "platform/Exceptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryStream stream(data, std::int64_t(size));
    TBitmap bitmap;
    TIOParams params;
    params.TiffImageIndex = size > 0 ? data[size - 1] % 4 : 0;
    bool aborted = false;
    ProgressContext context;
    context.Aborted = &aborted;
    int pageCount = 0;
    try {
        ReadTiff(stream, bitmap, pageCount, params, context);
    } catch (const EOutOfMemory&) {
    }
    return 0;
}
