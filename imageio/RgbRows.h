#pragma once

#include <cstdint>

// Turns red, green, blue samples into the bitmap's blue, green, red order. The rows of an uncompressed
// photograph pass through here whole, so it runs at about the speed of a copy. bgr may be rgb itself (the
// pixels turn in place) or lie before it, the pixels moving down as they turn; not after it.
void RgbToBgr(const std::uint8_t* rgb, std::uint8_t* bgr, std::int64_t pixels);
