#include "slideshow/PictureOrder.h"

namespace {

// A bijective mix of 64 bits (the finaliser of SplitMix64), so that neighbouring seeds and names give
// unrelated keys.
quint64 Mix64(quint64 x) {
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

// The seed of the pass after the pass of seed; never 0, which stands for "none drawn".
quint32 NextSeed(quint32 seed) {
    const auto next = quint32(Mix64(seed));
    return next != 0 ? next : 1;
}

struct TPlace {
    quint64 Key;
    const QString* Name;
    bool operator<(const TPlace& other) const {
        return Key != other.Key ? Key < other.Key : *Name < *other.Name;
    }
};

// The entry with the smallest place after the given one (or the smallest of all), or -1.
int SmallestAfter(quint32 seed, const TPlace* after, const QStringList& list) {
    int found = -1;
    TPlace best{0, nullptr};
    for (qsizetype i = 0; i < list.size(); ++i) {
        const TPlace place{ShuffleKey(seed, list[i]), &list[i]};
        if ((after == nullptr || *after < place) && (found < 0 || place < best)) {
            found = int(i);
            best = place;
        }
    }
    return found;
}

} // namespace

TNextPicture NextInNameOrder(int nFoto, qsizetype count, bool complete) {
    if (count == 0) {
        return {};
    }
    if (nFoto < 0) {
        return {0, true, 0};
    }
    if (nFoto >= count && !complete) {
        return {};
    }
    if (nFoto >= count) {
        return {0, true, 0};
    }
    if (nFoto + 1 < count) {
        return {nFoto + 1, false, 0};
    }
    return complete ? TNextPicture{0, true, 0} : TNextPicture{};
}

quint64 ShuffleKey(quint32 seed, const QString& name) {
    // FNV-1a over the UTF-16 units, started from the mixed seed and mixed again at the end.
    quint64 hash = Mix64(seed) ^ 0xcbf29ce484222325ULL;
    for (const QChar c : name) {
        hash = (hash ^ c.unicode()) * 0x100000001b3ULL;
    }
    return Mix64(hash);
}

TNextPicture NextInShuffle(quint32 seed, const QString& last, const QStringList& list, bool complete) {
    if (list.isEmpty()) {
        return {};
    }
    const TPlace lastPlace{ShuffleKey(seed, last), &last};
    const int next = SmallestAfter(seed, last.isEmpty() ? nullptr : &lastPlace, list);
    if (next >= 0) {
        return {next, last.isEmpty(), seed};
    }
    return complete ? FirstOfNextShuffle(seed, last, list) : TNextPicture{};
}

TNextPicture FirstOfNextShuffle(quint32 seed, const QString& last, const QStringList& list) {
    if (list.isEmpty()) {
        return {};
    }
    // With two pictures or more, one seed in two at worst begins with last; a few tries find another.
    quint32 next = NextSeed(seed);
    int first = SmallestAfter(next, nullptr, list);
    for (int tries = 0; tries < 64 && list.size() > 1 && list[first] == last; ++tries) {
        next = NextSeed(next);
        first = SmallestAfter(next, nullptr, list);
    }
    return {first, true, next};
}
