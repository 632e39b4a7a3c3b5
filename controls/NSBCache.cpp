#include "controls/NSBCache.h"

#include <algorithm>

namespace {

std::unique_ptr<TBitmapCache>& Instance() {
    static std::unique_ptr<TBitmapCache> cache;
    return cache;
}

} // namespace

TBitmap* TBitmapCache::Acquire(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    auto& cache = Instance();
    if (!cache) {
        cache.reset(new TBitmapCache);
    }
    for (Entry& entry : cache->FEntries) {
        if (entry.Bitmap->Width() == width && entry.Bitmap->Height() == height) {
            ++entry.RefCount;
            return entry.Bitmap.get();
        }
    }
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->Reset(width, height, TPixelFormat::pf24bit);
    cache->FEntries.push_back(Entry{std::move(bitmap), 1});
    return cache->FEntries.back().Bitmap.get();
}

void TBitmapCache::Release(TBitmap*& bitmap) {
    auto& cache = Instance();
    if (!bitmap || !cache) {
        return;
    }
    auto& entries = cache->FEntries;
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [&](const Entry& e) { return e.Bitmap.get() == bitmap; });
    if (found != entries.end() && --found->RefCount == 0) {
        entries.erase(found);
    }
    // A released hold must not be drawn on again, even while others keep the bitmap alive.
    bitmap = nullptr;
    if (entries.empty()) {
        cache.reset();
    }
}

bool TBitmapCache::Exists() {
    return Instance() != nullptr;
}

int TBitmapCache::EntryCount() {
    return Instance() ? int(Instance()->FEntries.size()) : 0;
}

int TBitmapCache::RefCount(const TBitmap* bitmap) {
    if (!Instance()) {
        return 0;
    }
    for (const Entry& entry : Instance()->FEntries) {
        if (entry.Bitmap.get() == bitmap) {
            return entry.RefCount;
        }
    }
    return 0;
}
