#include "imageio/PackBits.h"

#include <algorithm>
#include <cstring>

std::size_t UnpackBitsRow(std::span<const std::uint8_t> input, std::span<std::uint8_t> row) {
    std::size_t in = 0;
    std::size_t out = 0;
    while (out < row.size() && in < input.size()) {
        const auto control = std::int8_t(input[in++]);
        if (control >= 0) {
            const std::size_t count = std::size_t(control) + 1;
            const std::size_t available = std::min(count, input.size() - in);
            const std::size_t kept = std::min(available, row.size() - out);
            std::memcpy(row.data() + out, input.data() + in, kept);
            in += available;
            out += kept;
        } else if (control != -128) {
            if (in >= input.size()) {
                break;
            }
            const std::size_t count = std::size_t(1 - control);
            const std::size_t kept = std::min(count, row.size() - out);
            std::memset(row.data() + out, input[in++], kept);
            out += kept;
        }
    }
    return in;
}
