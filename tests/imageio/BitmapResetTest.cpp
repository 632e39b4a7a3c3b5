#include "imageio/Readers.h"
#include "platform/Exceptions.h"

#include <climits>

#include <gtest/gtest.h>

TEST(BitmapReset, SizesUpToOneGibibyteAreAllowed) {
    // 16384 pixels of 24 bits make rows of 48 KiB; 21845 of them fit into 1 GiB, 21846 do not.
    EXPECT_NO_THROW(CheckBitmapSize(16384, 21845, TPixelFormat::pf24bit));
    EXPECT_THROW(CheckBitmapSize(16384, 21846, TPixelFormat::pf24bit), EOutOfMemory);
    EXPECT_NO_THROW(CheckBitmapSize(16384 * 24, 21845, TPixelFormat::pf1bit));
    EXPECT_THROW(CheckBitmapSize(INT_MAX, INT_MAX, TPixelFormat::pf1bit), EOutOfMemory);
}

TEST(BitmapReset, PixelBoundRefusesLargerPicturesUntilLifted) {
    TBitmap bitmap;
    ResetBitmapBlack(bitmap, 3, 3, TPixelFormat::pf24bit);
    SetReaderPixelBound(100);
    EXPECT_NO_THROW(ResetBitmapBlack(bitmap, 10, 10, TPixelFormat::pf1bit));
    EXPECT_THROW(ResetBitmapBlack(bitmap, 101, 1, TPixelFormat::pf24bit), EOutOfMemory);
    EXPECT_THROW(CheckBitmapSize(11, 10, TPixelFormat::pf24bit), EOutOfMemory);
    EXPECT_EQ(bitmap.Width(), 10);
    SetReaderPixelBound(0);
    EXPECT_NO_THROW(ResetBitmapBlack(bitmap, 101, 1, TPixelFormat::pf24bit));
    EXPECT_EQ(bitmap.Width(), 101);
}
