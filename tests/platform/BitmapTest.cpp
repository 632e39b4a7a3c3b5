#include "platform/Bitmap.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>

TEST(Bitmap, RowsArePaddedToFourBytes) {
    EXPECT_EQ(TBitmap::RowBytesFor(1, TPixelFormat::pf24bit), 4);
    EXPECT_EQ(TBitmap::RowBytesFor(5, TPixelFormat::pf24bit), 16);
    EXPECT_EQ(TBitmap::RowBytesFor(33, TPixelFormat::pf1bit), 8);
    EXPECT_EQ(TBitmap::RowBytesFor(32, TPixelFormat::pf1bit), 4);
}
