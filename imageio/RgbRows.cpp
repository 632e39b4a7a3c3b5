#include "imageio/RgbRows.h"

// One version for processors with byte shuffles in their vectors, chosen when the program loads; the loop
// is left to the compiler's vectoriser (the unit is built with -O3).
__attribute__((target_clones("avx2", "ssse3", "default"))) void
RgbToBgrRow(const std::uint8_t* __restrict rgb, std::uint8_t* __restrict bgr, int pixels) {
    for (int x = 0; x < pixels; ++x) {
        bgr[3 * x] = rgb[3 * x + 2];
        bgr[3 * x + 1] = rgb[3 * x + 1];
        bgr[3 * x + 2] = rgb[3 * x];
    }
}
