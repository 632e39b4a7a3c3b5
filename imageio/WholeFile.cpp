#include "imageio/Readers.h"
#include "imageio/Stream.h"

bool ReadWholeFile(TStream& stream, std::vector<std::uint8_t>& bytes) {
    const std::int64_t size = stream.Remaining();
    if (size > MaxWholeFileBytes) {
        return false;
    }
    bytes.resize(std::size_t(size));
    const std::int64_t got = size > 0 ? stream.Read(bytes.data(), size) : 0;
    // A file that shrank while being read is taken as it came.
    bytes.resize(std::size_t(got > 0 ? got : 0));
    return true;
}
