#pragma once

// The body of a reader's fuzz target: one read of the input from a memory stream, with the params the
// target chose. The bitmap's out-of-memory error is a proper answer to a hostile header; anything else
// escapes to the fuzzer.

#include "imageio/Readers.h"
#include "imageio/Stream.h"
#include "platform/Exceptions.h"

#include <cstddef>
#include <cstdint>

template <typename Reader>
void FuzzRead(const std::uint8_t* data, std::size_t size, Reader read, TIOParams params = {}) {
    TMemoryStream stream(data, std::int64_t(size));
    TBitmap bitmap;
    bool aborted = false;
    ProgressContext context;
    context.Aborted = &aborted;
    try {
        read(stream, bitmap, params, context);
    } catch (const EOutOfMemory&) {
    }
}
