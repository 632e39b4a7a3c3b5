#include "settings_dialog/PropertyRules.h"

#include <gtest/gtest.h>

TEST(IntervalConversion, EverySecondTheSliderSpansComesBackAndTheTextsHaveTwoDigitsAtLeast) {
    for (int seconds = 1; seconds <= 300; ++seconds) {
        ASSERT_EQ(PositionToInterval(IntervalToPosition(seconds)), seconds);
    }
    EXPECT_EQ(PositionToInterval(250), 2); // 1.5 s: halves go to the even neighbour
    EXPECT_EQ(IntervalToPosition(2147483647), 2147483647);
    EXPECT_EQ(IntervalToPosition(-2147483647 - 1), -2147483647 - 1);
    EXPECT_EQ(MSecToText(1002, true), QStringLiteral("00 Мин  и  01 Сек"));
    EXPECT_EQ(MSecToText(999, false), QStringLiteral("00:00"));
    EXPECT_EQ(MSecToText(3599999, false), QStringLiteral("59:59"));
    EXPECT_EQ(MSecToText(6000000, false), QStringLiteral("100:00"));
}
