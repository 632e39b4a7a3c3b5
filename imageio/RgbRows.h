#pragma once

#include <cstdint>

// Turns a row of red, green, blue samples into the bitmap's blue, green, red order. The rows of an
// uncompressed photograph pass through here whole, so it runs at the speed of a copy where the processor
// can shuffle bytes in vectors.
void RgbToBgrRow(const std::uint8_t* rgb, std::uint8_t* bgr, int pixels);
