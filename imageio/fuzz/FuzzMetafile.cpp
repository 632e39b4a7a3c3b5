// Fuzz target of the metafile header check, the only code that looks at a metafile before the converter
// libraries do: the input is the file.
#include "platform/Metafile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Resolutions from 1 to 256 dots per inch take the rounding and overflow paths of the size.
    const int dpi = size > 0 ? data[size - 1] + 1 : 96;
    const auto header = ReadMetafileHeader(std::span(data, size), dpi, dpi);
    if (header && (header->Width < 0 || header->Height < 0)) {
        __builtin_trap();
    }
    return 0;
}
