#include "platform/Random.h"

#include <chrono>

TRandom& TRandom::Shared() {
    static TRandom generator;
    return generator;
}

void TRandom::Randomize() {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    FSeed = static_cast<std::uint32_t>(ticks);
}

int TRandom::Next(int n) {
    FSeed = FSeed * 134775813u + 1u;
    if (n <= 0) {
        return 0;
    }
    return static_cast<int>((std::uint64_t(FSeed) * std::uint64_t(n)) >> 32);
}
