// Fuzz target of the TIFF reader: the input is the file; its last byte picks the page. Seeded with the
// test pictures: fuzz-tiff CORPUS tests/data/tiff tests/data/tiff/malformed
#include "imageio/fuzz/FuzzRead.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TIOParams params;
    params.TiffImageIndex = size > 0 ? data[size - 1] % 4 : 0;
    FuzzRead(
        data, size,
        [](TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context) {
            int pageCount = 0;
            ReadTiff(stream, bitmap, pageCount, params, context);
        },
        params);
    return 0;
}
