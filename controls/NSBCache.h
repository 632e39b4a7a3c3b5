#pragma once

#include "platform/Bitmap.h"

#include <memory>
#include <vector>

// Off-screen bitmaps shared by controls of equal size. Each paint redraws the shared bitmap completely
// before copying it out, so sharing is safe on the one user-interface thread. At most one cache exists: it
// comes with the first Acquire and goes with the last entry.
class TBitmapCache {
public:
    // A bitmap of exactly that size (negative sizes count as 0), shared with every other holder of that
    // size; each Acquire needs one Release.
    static TBitmap* Acquire(int width, int height);
    // Drops one hold on the bitmap and clears the reference; the last hold frees it. Nothing happens for an
    // empty reference or when no cache exists.
    static void Release(TBitmap*& bitmap);

    // For tests: whether the cache exists, its number of entries, and the holds on one bitmap (0 when it
    // is not in the cache).
    static bool Exists();
    static int EntryCount();
    static int RefCount(const TBitmap* bitmap);

private:
    struct Entry {
        std::unique_ptr<TBitmap> Bitmap;
        int RefCount = 0;
    };
    std::vector<Entry> FEntries;
};
