#include "controls/NSBCache.h"

#include <gtest/gtest.h>

namespace {

TEST(BitmapCache, SharesBySizeAndGoesWithTheLastEntry) {
    ASSERT_FALSE(TBitmapCache::Exists());
    TBitmap* a = TBitmapCache::Acquire(329, 25);
    TBitmap* b = TBitmapCache::Acquire(329, 25);
    TBitmap* c = TBitmapCache::Acquire(25, 329);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_EQ(a->Width(), 329);
    EXPECT_EQ(TBitmapCache::EntryCount(), 2);
    EXPECT_EQ(TBitmapCache::RefCount(a), 2);

    TBitmapCache::Release(a);
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(TBitmapCache::RefCount(b), 1);
    EXPECT_EQ(b->Height(), 25) << "the other holder's bitmap lives on";
    TBitmapCache::Release(b);
    EXPECT_EQ(TBitmapCache::EntryCount(), 1);
    TBitmapCache::Release(c);
    EXPECT_FALSE(TBitmapCache::Exists());

    TBitmap* none = nullptr;
    TBitmapCache::Release(none);
    EXPECT_FALSE(TBitmapCache::Exists());

    TBitmap* negative = TBitmapCache::Acquire(-5, 10);
    TBitmap* zero = TBitmapCache::Acquire(0, 10);
    EXPECT_EQ(negative, zero) << "negative sizes count as zero";
    EXPECT_EQ(zero->Width(), 0);
    TBitmapCache::Release(negative);
    TBitmapCache::Release(zero);
    EXPECT_FALSE(TBitmapCache::Exists());
}

} // namespace
