#include "platform/Resample.h"

#include <gtest/gtest.h>

#include <array>

namespace {

void Put(TBitmap& b, int x, int y, std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    std::uint8_t* p = b.ScanLine(y) + x * 3;
    p[0] = blue;
    p[1] = green;
    p[2] = red;
}

std::array<int, 3> At(const TBitmap& b, int x, int y) {
    const std::uint8_t* p = b.ScanLine(y) + x * 3;
    return {p[0], p[1], p[2]};
}

bool Bit(const TBitmap& b, int x, int y) {
    return (b.ScanLine(y)[x >> 3] >> (7 - (x & 7))) & 1;
}

void PutBit(TBitmap& b, int x, int y, bool on) {
    std::uint8_t* row = b.ScanLine(y);
    const std::uint8_t mask = std::uint8_t(0x80 >> (x & 7));
    row[x >> 3] = on ? std::uint8_t(row[x >> 3] | mask) : std::uint8_t(row[x >> 3] & ~mask);
}

TBitmap Pattern(int width, int height) {
    TBitmap b;
    b.Reset(width, height, TPixelFormat::pf24bit);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Put(b, x, y, std::uint8_t(x * 7 + y), std::uint8_t(y * 5), std::uint8_t(x ^ y));
        }
    }
    return b;
}

} // namespace

TEST(Resample, SameSizeIsACopyAtTheOffset) {
    const TBitmap source = Pattern(13, 9);
    TBitmap target;
    target.SetBrushColor(RGBColor(1, 2, 3));
    target.Reset(20, 15, TPixelFormat::pf24bit);
    StretchHalftone(source, target, 4, 5, 13, 9);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 13; ++x) {
            ASSERT_EQ(At(target, x + 4, y + 5), At(source, x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(At(target, 3, 5), (std::array<int, 3>{3, 2, 1}));
    EXPECT_EQ(At(target, 17, 14), (std::array<int, 3>{3, 2, 1}));
}

TEST(Resample, ShrinkingAveragesTheCoveredArea) {
    TBitmap source;
    source.Reset(4, 2, TPixelFormat::pf24bit);
    const int values[2][4] = {{0, 100, 200, 40}, {20, 60, 0, 80}};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) {
            Put(source, x, y, std::uint8_t(values[y][x]), 0, 255);
        }
    }
    TBitmap target;
    target.Reset(2, 1, TPixelFormat::pf24bit);
    StretchHalftone(source, target, 0, 0, 2, 1);
    EXPECT_EQ(At(target, 0, 0), (std::array<int, 3>{45, 0, 255})); // (0 + 100 + 20 + 60) / 4
    EXPECT_EQ(At(target, 1, 0), (std::array<int, 3>{80, 0, 255})); // (200 + 40 + 0 + 80) / 4
    // A third of a pixel: 3 -> 2 weighs the middle pixel half to each side.
    TBitmap row;
    row.Reset(3, 1, TPixelFormat::pf24bit);
    Put(row, 0, 0, 0, 0, 0);
    Put(row, 1, 0, 90, 90, 90);
    Put(row, 2, 0, 180, 180, 180);
    TBitmap two;
    two.Reset(2, 1, TPixelFormat::pf24bit);
    StretchHalftone(row, two, 0, 0, 2, 1);
    EXPECT_EQ(At(two, 0, 0)[0], 30);  // (0 * 1 + 90 * 0.5) / 1.5
    EXPECT_EQ(At(two, 1, 0)[0], 150); // (90 * 0.5 + 180 * 1) / 1.5
}

TEST(Resample, EnlargingInterpolatesBetweenNeighbours) {
    TBitmap source;
    source.Reset(2, 1, TPixelFormat::pf24bit);
    Put(source, 0, 0, 0, 0, 0);
    Put(source, 1, 0, 200, 200, 200);
    TBitmap target;
    target.Reset(4, 3, TPixelFormat::pf24bit);
    StretchHalftone(source, target, 0, 0, 4, 3);
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(At(target, 0, y)[0], 0);
        EXPECT_EQ(At(target, 1, y)[1], 50);
        EXPECT_EQ(At(target, 2, y)[2], 150);
        EXPECT_EQ(At(target, 3, y)[0], 200);
    }
}

TEST(Resample, FlatColourStaysFlatAtAnyScale) {
    TBitmap source;
    source.SetBrushColor(RGBColor(200, 100, 7));
    source.Reset(37, 23, TPixelFormat::pf24bit);
    for (const auto& [w, h] : std::array<std::pair<int, int>, 4>{{{11, 5}, {100, 61}, {37, 60}, {3, 23}}}) {
        TBitmap target;
        target.Reset(w, h, TPixelFormat::pf24bit);
        StretchHalftone(source, target, 0, 0, w, h);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                ASSERT_EQ(At(target, x, y), (std::array<int, 3>{7, 100, 200})) << w << "x" << h;
            }
        }
    }
}

TEST(Resample, TwoColourPicturesStayTwoColour) {
    TBitmap source;
    source.SetBrushColor(clBlack);
    source.Reset(8, 4, TPixelFormat::pf1bit);
    for (int y = 0; y < 4; ++y) {
        for (int x = 4; x < 8; ++x) {
            PutBit(source, x, y, true);
        }
    }
    TBitmap target;
    target.SetBrushColor(clWhite);
    target.Reset(20, 10, TPixelFormat::pf1bit);
    StretchHalftone(source, target, 2, 1, 16, 8);
    for (int y = 1; y < 9; ++y) {
        for (int x = 2; x < 18; ++x) {
            ASSERT_EQ(Bit(target, x, y), x >= 10) << x << "," << y;
        }
    }
    EXPECT_TRUE(Bit(target, 1, 1)); // margin untouched
    TBitmap half;
    half.Reset(4, 2, TPixelFormat::pf1bit);
    StretchHalftone(source, half, 0, 0, 4, 2);
    EXPECT_FALSE(Bit(half, 1, 0));
    EXPECT_TRUE(Bit(half, 2, 1));
}

TEST(Resample, RectangleOutsideTheTargetIsClipped) {
    const TBitmap source = Pattern(10, 10);
    TBitmap target;
    target.SetBrushColor(clBlack);
    target.Reset(6, 6, TPixelFormat::pf24bit);
    StretchHalftone(source, target, 3, 3, 10, 10);
    EXPECT_EQ(At(target, 3, 3), At(source, 0, 0));
    EXPECT_EQ(At(target, 5, 5), At(source, 2, 2));
    StretchHalftone(source, target, -8, -8, 10, 10);
    EXPECT_EQ(At(target, 0, 0), At(source, 8, 8));
    EXPECT_EQ(At(target, 1, 1), At(source, 9, 9));
    StretchHalftone(source, target, 6, 0, 10, 10); // wholly outside
    StretchHalftone(source, target, 0, 0, 0, 5);
    EXPECT_EQ(At(target, 2, 2), (std::array<int, 3>{0, 0, 0}));
}
