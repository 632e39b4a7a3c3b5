// Compiled into every fuzz target. Mutated headers keep asking for pictures near the bitmap's limit of
// 1 GiB, and allocating and blackening those costs a second or more each, so a fuzzer spends its time
// in memset instead of in the readers. Every reader sizes its bitmap through ResetBitmapBlack, which
// refuses anything beyond this bound with the same EOutOfMemory as beyond the limit; the targets already
// pass over that exception. The limit itself is covered by the readers' unit tests.
#include "imageio/Readers.h"

#include <cstdint>

namespace {

// Four megapixels: 12 MiB at 24 bits per pixel, larger than any test picture and quick to fill.
constexpr std::int64_t FuzzPixelBound = std::int64_t(4) << 20;

} // namespace

// libFuzzer calls this once before the first input; the replaying main() calls it too.
extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    SetReaderPixelBound(FuzzPixelBound);
    return 0;
}
