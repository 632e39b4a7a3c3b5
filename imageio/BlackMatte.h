#pragma once

#include <cstdint>

// What the show has behind every picture is black, so a picture with transparency is composited over
// black once, when it is read: each colour sample becomes sample x alpha / 255, rounded to nearest.

inline std::uint8_t OverBlack(unsigned sample, unsigned alpha) {
    return std::uint8_t((sample * alpha + 127) / 255);
}

// Four bytes per pixel (blue, green, red, alpha) in, three (blue, green, red) out; in and out may not
// overlap.
inline void BgraRowOverBlack(const std::uint8_t* bgra, std::uint8_t* bgr, int width) {
    for (int x = 0; x < width; ++x, bgra += 4, bgr += 3) {
        const unsigned alpha = bgra[3];
        if (alpha == 255) {
            bgr[0] = bgra[0];
            bgr[1] = bgra[1];
            bgr[2] = bgra[2];
        } else {
            bgr[0] = OverBlack(bgra[0], alpha);
            bgr[1] = OverBlack(bgra[1], alpha);
            bgr[2] = OverBlack(bgra[2], alpha);
        }
    }
}
