#include "imageio/RgbRows.h"

#include <cstring>

namespace {

// The vector code below is plain GCC vector arithmetic: 32-byte vectors become AVX2 registers where the
// processor has them, pairs of SSE2 registers elsewhere.
using TVector = std::uint8_t __attribute__((vector_size(32)));
// The same at any address, and allowed to alias the bytes it is read from (as the compiler's own
// unaligned vector types are).
using TLoose = std::uint8_t __attribute__((vector_size(32), aligned(1), may_alias));
constexpr int VectorBytes = 32;
// Three vectors hold a whole number of pixels, so the byte each lane holds repeats from block to block.
constexpr int BlockBytes = 3 * VectorBytes;

// All bits set in the lanes that hold a pixel's first byte (blue after the turn) or its last (red).
struct TLaneMasks {
    std::uint8_t First[BlockBytes];
    std::uint8_t Last[BlockBytes];
};

constexpr TLaneMasks MakeLaneMasks() {
    TLaneMasks masks{};
    for (int i = 0; i < BlockBytes; ++i) {
        masks.First[i] = i % 3 == 0 ? 0xFF : 0;
        masks.Last[i] = i % 3 == 2 ? 0xFF : 0;
    }
    return masks;
}

constexpr TLaneMasks LaneMasks = MakeLaneMasks();

void TurnPixel(const std::uint8_t* rgb, std::uint8_t* bgr) {
    const std::uint8_t red = rgb[0];
    const std::uint8_t green = rgb[1];
    const std::uint8_t blue = rgb[2];
    bgr[0] = blue;
    bgr[1] = green;
    bgr[2] = red;
}

} // namespace

// No byte shuffles: a pixel's first byte takes the byte two lanes on, its last the byte two lanes back,
// so each vector is a mix by masks of the vectors loaded at -2, 0 and +2 bytes. A block loads all it
// reads before it stores, and the bytes it uses lie at or after the first one it stores (the two bytes
// before it that it reads are in lanes it does not use), so the pixels may turn in place or move down. Those
// reads at -2 and +2 keep the first pixel and the last ones out of the blocks, which the plain loop turns.
__attribute__((target_clones("avx2", "default"))) void RgbToBgr(const std::uint8_t* rgb, std::uint8_t* bgr,
                                                                std::int64_t pixels) {
    if (pixels <= 0) {
        return;
    }
    TurnPixel(rgb, bgr);
    const std::int64_t bytes = pixels * 3;
    // A pointer, not a vector: a function returning a vector would change meaning between the versions.
    const auto at = [](const std::uint8_t* p) { return reinterpret_cast<const TLoose*>(p); };
    const TVector first0 = *at(LaneMasks.First), first1 = *at(LaneMasks.First + VectorBytes),
                  first2 = *at(LaneMasks.First + 2 * VectorBytes);
    const TVector last0 = *at(LaneMasks.Last), last1 = *at(LaneMasks.Last + VectorBytes),
                  last2 = *at(LaneMasks.Last + 2 * VectorBytes);
    const TVector middle0 = ~(first0 | last0), middle1 = ~(first1 | last1), middle2 = ~(first2 | last2);
    std::int64_t i = 3;
    for (; i + BlockBytes + 2 <= bytes; i += BlockBytes) {
        const std::uint8_t* in = rgb + i;
        const TVector before0 = *at(in - 2), here0 = *at(in), after0 = *at(in + 2);
        const TVector before1 = *at(in + VectorBytes - 2), here1 = *at(in + VectorBytes),
                      after1 = *at(in + VectorBytes + 2);
        const TVector before2 = *at(in + 2 * VectorBytes - 2), here2 = *at(in + 2 * VectorBytes),
                      after2 = *at(in + 2 * VectorBytes + 2);
        auto* out = reinterpret_cast<TLoose*>(bgr + i);
        out[0] = (here0 & middle0) | (after0 & first0) | (before0 & last0);
        out[1] = (here1 & middle1) | (after1 & first1) | (before1 & last1);
        out[2] = (here2 & middle2) | (after2 & first2) | (before2 & last2);
    }
    for (; i < bytes; i += 3) {
        TurnPixel(rgb + i, bgr + i);
    }
}
