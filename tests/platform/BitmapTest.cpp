#include "platform/Bitmap.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

void SetPixel24(TBitmap& b, int x, int y, std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    std::uint8_t* p = b.ScanLine(y) + x * 3;
    p[0] = blue;
    p[1] = green;
    p[2] = red;
}

bool Bit(const TBitmap& b, int x, int y) {
    return (b.ScanLine(y)[x >> 3] >> (7 - (x & 7))) & 1;
}

} // namespace

TEST(Bitmap, RowsArePaddedToFourBytes) {
    EXPECT_EQ(TBitmap::RowBytesFor(1, TPixelFormat::pf24bit), 4);
    EXPECT_EQ(TBitmap::RowBytesFor(5, TPixelFormat::pf24bit), 16);
    EXPECT_EQ(TBitmap::RowBytesFor(33, TPixelFormat::pf1bit), 8);
    EXPECT_EQ(TBitmap::RowBytesFor(32, TPixelFormat::pf1bit), 4);
    TBitmap b;
    b.SetSize(5, 3);
    EXPECT_EQ(b.RowBytes(), 16);
    EXPECT_EQ(b.ScanLine(1) - b.ScanLine(0), 16);
}

TEST(Bitmap, ResizeKeepsOldPixelsAndFillsNewAreaWithBrush) {
    TBitmap b;
    b.SetBrushColor(RGBColor(10, 20, 30));
    b.SetSize(2, 2);
    SetPixel24(b, 1, 1, 1, 2, 3);
    b.SetBrushColor(RGBColor(200, 100, 50));
    b.SetSize(4, 3);
    const std::uint8_t* kept = b.ScanLine(1) + 3;
    EXPECT_EQ(kept[0], 1);
    EXPECT_EQ(kept[2], 3);
    const std::uint8_t* oldArea = b.ScanLine(0);
    EXPECT_EQ(oldArea[2], 10); // red of the first brush
    const std::uint8_t* newColumn = b.ScanLine(1) + 3 * 3;
    EXPECT_EQ(newColumn[0], 50);
    EXPECT_EQ(newColumn[2], 200);
    const std::uint8_t* newRow = b.ScanLine(2);
    EXPECT_EQ(newRow[1], 100);
}

TEST(Bitmap, PixelFormatChangeKeepsThePicture) {
    TBitmap b;
    b.SetBrushColor(clBlack);
    b.SetSize(9, 2);
    SetPixel24(b, 0, 0, 255, 255, 255);
    SetPixel24(b, 8, 1, 200, 200, 200);
    b.SetPixelFormat(TPixelFormat::pf1bit);
    EXPECT_EQ(b.RowBytes(), 4);
    EXPECT_TRUE(Bit(b, 0, 0));
    EXPECT_FALSE(Bit(b, 1, 0));
    EXPECT_TRUE(Bit(b, 8, 1));
    b.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_EQ(b.ScanLine(1)[8 * 3], 255);
    EXPECT_EQ(b.ScanLine(1)[7 * 3], 0);
}

TEST(Bitmap, RefusesPixelBlocksBeyondOneGibibyte) {
    TBitmap b;
    try {
        b.SetSize(70000, 70000);
        FAIL() << "no exception";
    } catch (const EOutOfMemory& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("1 GiB"))) << e.what();
    }
    EXPECT_TRUE(b.Empty());
    EXPECT_THROW(b.SetSize(0x7FFFFFFF, 0), EOutOfMemory);
    EXPECT_THROW(b.SetSize(0x7FFFFFFF, 0x7FFFFFFF), EOutOfMemory);
    EXPECT_EQ(TBitmap::PixelBytesFor(0x7FFFFFFF, 0x7FFFFFFF, TPixelFormat::pf24bit),
              TBitmap::MaxPixelBytes + 1);
    EXPECT_NO_THROW(b.SetSize(16384, 16384)); // 768 MiB
}

TEST(Bitmap, EmptyBitmapsChangeFormat) {
    TBitmap b;
    b.SetSize(0, 5);
    b.SetPixelFormat(TPixelFormat::pf1bit);
    b.SetSize(7, 0);
    b.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.RowBytes(), 24);
}

TEST(Bitmap, ScanLineOutsideTheBitmapThrows) {
    TBitmap b;
    b.SetSize(3, 3);
    EXPECT_THROW(b.ScanLine(3), EInvalidGraphic);
    EXPECT_THROW(b.ScanLine(-1), EInvalidGraphic);
}

TEST(Bitmap, ImageViewsShareThePixels) {
    TBitmap b;
    b.SetBrushColor(clBlack);
    b.SetSize(3, 2);
    SetPixel24(b, 2, 1, 0, 0, 255);
    const QImage view = b.Image();
    EXPECT_EQ(view.constBits(), b.Bits());
    EXPECT_EQ(view.pixel(2, 1), qRgb(255, 0, 0));
    b.Reset(10, 1, TPixelFormat::pf1bit);
    b.ScanLine(0)[0] = 0x80;
    const QImage mono = b.Image();
    EXPECT_EQ(mono.constBits(), b.Bits());
    EXPECT_EQ(mono.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(mono.pixel(1, 0), qRgb(0, 0, 0));
}

TEST(Bitmap, ChangesAreNotifiedOnlyWhenSomethingChanged) {
    TBitmap b;
    int changes = 0;
    b.OnChange = [&] { ++changes; };
    b.SetSize(2, 2);
    b.SetSize(2, 2);
    b.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_EQ(changes, 1);
    b.SetPixelFormat(TPixelFormat::pf1bit);
    EXPECT_EQ(changes, 2);
}

TEST(Bitmap, PicturesOfAboutTheSameSizeReuseTheBlockOfAnEmptiedOne) {
    TBitmap b;
    b.SetBrushColor(RGBColor(1, 2, 3));
    b.Reset(100, 100, TPixelFormat::pf24bit);
    const std::uint8_t* block = b.Bits();
    b.SetWidth(0);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Capacity(), 30000);
    b.Reset(90, 100, TPixelFormat::pf24bit); // 27200 bytes
    EXPECT_EQ(b.Bits(), block);
    EXPECT_EQ(b.ScanLine(99)[89 * 3], 3); // filled with the brush all the same
    b.SetSize(0, 0);
    b.SetPixelFormat(TPixelFormat::pf1bit);
    b.SetSize(100, 100); // 1-bit: 1600 bytes, far less than half of the block
    EXPECT_EQ(b.Capacity(), 1600);
    b.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_EQ(b.Capacity(), 30000);
}

TEST(Bitmap, SwapPixelsExchangesPicturesButKeepsBrushAndNotification) {
    TBitmap a;
    TBitmap b;
    int changes = 0;
    a.OnChange = [&] { ++changes; };
    a.SetBrushColor(clBlack);
    b.SetBrushColor(clWhite);
    a.Reset(2, 3, TPixelFormat::pf24bit);
    b.Reset(9, 1, TPixelFormat::pf1bit);
    const std::uint8_t* blockOfB = b.Bits();
    changes = 0;
    a.SwapPixels(b);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(a.Bits(), blockOfB);
    EXPECT_EQ(a.Width(), 9);
    EXPECT_EQ(a.PixelFormat(), TPixelFormat::pf1bit);
    EXPECT_EQ(b.Height(), 3);
    EXPECT_EQ(b.ScanLine(2)[5], 0); // the black pixels of a
    EXPECT_EQ(a.BrushColor(), clBlack);
    EXPECT_EQ(b.BrushColor(), clWhite);
}

TEST(Bitmap, LargeBlocksGoBackWholeAndAPlaceholderKeepsTheBlock) {
    const std::int64_t before = TBitmap::HeldBlockBytes();
    TBitmap b;
    b.Reset(2000, 1000, TPixelFormat::pf24bit); // 6 MB
    EXPECT_EQ(TBitmap::HeldBlockBytes() - before, 6000000);
    b.Reset(1, 1, TPixelFormat::pf24bit); // the placeholder a reader sets before the real size
    b.Reset(1900, 1000, TPixelFormat::pf24bit);
    EXPECT_EQ(b.Capacity(), 6000000);
    b.SetSize(0, 0);
    b.TrimBlock();
    EXPECT_EQ(b.Capacity(), 0);
    EXPECT_EQ(TBitmap::HeldBlockBytes(), before);
    b.Reset(3, 2, TPixelFormat::pf24bit);
    b.TrimBlock(); // a block of its own size stays
    EXPECT_EQ(b.Capacity(), 24);
}

TEST(Bitmap, RowsFilledOnDemandComeOutAsAnEagerResetWithTheWritesOnTop) {
    for (const TPixelFormat format : {TPixelFormat::pf24bit, TPixelFormat::pf1bit}) {
        TBitmap eager;
        TBitmap lazy;
        for (TBitmap* b : {&eager, &lazy}) {
            b->SetBrushColor(clWhite);
            b->Reset(40, 6, format); // a block full of white: the fill below must replace it
            b->SetSize(0, 0);
        }
        eager.SetBrushColor(clBlack);
        eager.Reset(35, 6, format);
        lazy.ResetFillingOnDemand(35, 6, format, clBlack);
        for (TBitmap* b : {&eager, &lazy}) {
            b->ScanLine(4)[0] = 0xA5; // part of a row, as a file that ends inside it leaves it
            b->ScanLine(1)[2] = 0x5A;
        }
        const std::int64_t bytes = TBitmap::PixelBytesFor(35, 6, format);
        EXPECT_TRUE(std::equal(eager.Bits(), eager.Bits() + bytes, lazy.Bits()));
        TBitmap copy(lazy);
        lazy.ResetFillingOnDemand(35, 6, format, clBlack);
        copy.SwapPixels(lazy);
        EXPECT_TRUE(std::equal(eager.Bits(), eager.Bits() + bytes, lazy.Bits()));
    }
}
