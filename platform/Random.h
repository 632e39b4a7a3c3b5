#pragma once

#include <cstdint>

// The one pseudo-random generator of the process: each draw advances the 32-bit seed as
// seed * 134775813 + 1, and a draw in 0 .. n-1 is the high 32 bits of the 64-bit product of the new seed
// and n. Used from the user-interface thread only.
class TRandom {
public:
    // The generator every part of the program shares.
    static TRandom& Shared();

    std::uint32_t Seed() const { return FSeed; }
    void SetSeed(std::uint32_t seed) { FSeed = seed; }
    // Seeds from the low 32 bits of the high-resolution clock.
    void Randomize();
    // A number in 0 .. n-1; 0 when n is 0 or less.
    int Next(int n);

private:
    std::uint32_t FSeed = 0;
};
