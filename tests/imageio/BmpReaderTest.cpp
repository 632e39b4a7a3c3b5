#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include "platform/Exceptions.h"
#include "platform/ScreenDpi.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>

namespace {

struct TBmpLoad {
    TBitmap Bitmap;
    TLoadResult Result;
};

TBmpLoad LoadBmpBytes(const QByteArray& bytes, const QString& name = QStringLiteral("picture.bmp")) {
    TBmpLoad load;
    load.Result = LoadBytes(name, bytes, load.Bitmap);
    return load;
}

// Rows of 24-bit pixels, given top row first as the picture shows them; stored bottom-up.
QByteArray Bmp24(int width, const std::vector<std::vector<TBgr>>& rowsTopDown, int bits = 24) {
    TBmpBuilder b;
    b.FileHeader().InfoHeader(width, int(rowsTopDown.size()), bits).MarkPixels();
    for (auto row = rowsTopDown.rbegin(); row != rowsTopDown.rend(); ++row) {
        const qsizetype start = b.Size();
        for (const TBgr& p : *row) {
            b.U8(unsigned(p.Blue)).U8(unsigned(p.Green)).U8(unsigned(p.Red));
            if (bits == 32) {
                b.U8(0xAB);
            }
        }
        b.PadRow(start);
    }
    return b.Build();
}

} // namespace

TEST(BmpReader, EveryEncodingOfThePictureDecodesIdentically) {
    struct TCase {
        const char* File;
        int Version;
        int Compression;
        int BitsPerSample;
        // ImageMagick's own decode where 5-bit channels make it differ from the original picture.
        const char* Reference = "picture.ppm";
    };
    const TCase cases[] = {
        {"magick-24bit.bmp", 1, ioBMP_UNCOMPRESSED, 8},
        {"magick-v5-24bit.bmp", 0, ioBMP_UNCOMPRESSED, 8},
        {"magick-4bit.bmp", 1, ioBMP_UNCOMPRESSED, 4},
        {"magick-rle8.bmp", 1, ioBMP_RLE, 8},
        {"magick-os2-4bit.bmp", 2, ioBMP_UNCOMPRESSED, 4},
        {"pillow-8bit.bmp", 1, ioBMP_UNCOMPRESSED, 8},
        {"magick-565.bmp", 0, ioBMP_UNCOMPRESSED, 5, "magick-565.ppm"},
        {"magick-32bit-alpha.bmp", 0, ioBMP_UNCOMPRESSED, 8},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        const TRgbPicture expected =
            ReadPpm(TestDataPath(QStringLiteral("bmp/") + QLatin1String(c.Reference)));
        ASSERT_EQ(expected.Width, 13);
        TBitmap bitmap;
        const TLoadResult r =
            LoadPicture(TestDataPath(QStringLiteral("bmp/") + QLatin1String(c.File)), bitmap);
        EXPECT_FALSE(r.Aborted);
        EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
        EXPECT_EQ(MaxDifference(PictureOf(bitmap), expected), 0);
        EXPECT_EQ(r.Params.FileType, 5);
        EXPECT_EQ(r.Params.Width, 13);
        EXPECT_EQ(r.Params.Height, 7);
        EXPECT_EQ(r.Params.BmpVersion, c.Version);
        EXPECT_EQ(r.Params.BmpCompression, c.Compression);
        EXPECT_EQ(r.Params.BitsPerSample, c.BitsPerSample);
    }
}

TEST(BmpReader, OneBitFileFromPillowStaysOneBit) {
    TBitmap bitmap;
    const TLoadResult r = LoadPicture(TestDataPath(QStringLiteral("bmp/pillow-1bit.bmp")), bitmap);
    EXPECT_FALSE(r.Aborted);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf1bit);
    EXPECT_EQ(PictureOf(bitmap), ReadPpm(TestDataPath(QStringLiteral("bmp/pillow-1bit.ppm"))));
    EXPECT_EQ(r.Params.BitsPerSample, 1);
    EXPECT_EQ(r.Params.SamplesPerPixel, 1);
    // 3780 pixels per metre.
    EXPECT_EQ(r.Params.XDpi, 96);
}

TEST(BmpReader, TwentyFourBitsArePixelExactWithTheFirstStoredRowAtTheBottom) {
    const TBmpLoad load = LoadBmpBytes(
        Bmp24(3, {{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {{10, 11, 12}, {13, 14, 15}, {16, 17, 18}}}));
    ASSERT_EQ(load.Bitmap.Width(), 3);
    ASSERT_EQ(load.Bitmap.Height(), 2);
    EXPECT_EQ(PixelAt(load.Bitmap, 0, 0), (TBgr{1, 2, 3}));
    EXPECT_EQ(PixelAt(load.Bitmap, 2, 0), (TBgr{7, 8, 9}));
    EXPECT_EQ(PixelAt(load.Bitmap, 1, 1), (TBgr{13, 14, 15}));
    EXPECT_EQ(load.Result.Params.SamplesPerPixel, 3);
}

TEST(BmpReader, ThirtyTwoBitsIgnoreTheFourthByte) {
    const TBmpLoad load = LoadBmpBytes(Bmp24(2, {{{1, 2, 3}, {250, 251, 252}}}, 32));
    EXPECT_EQ(PixelAt(load.Bitmap, 0, 0), (TBgr{1, 2, 3}));
    EXPECT_EQ(PixelAt(load.Bitmap, 1, 0), (TBgr{250, 251, 252}));
    EXPECT_EQ(load.Result.Params.BitsPerSample, 8);
}

TEST(BmpReader, SixteenBitsWithoutMasksAreFiveFiveFive) {
    TBmpBuilder b;
    b.FileHeader().InfoHeader(3, 1, 16).MarkPixels();
    // 0x7C00 is full red, 0x03E0 full green, 0x801F blue with the unused top bit set.
    b.U16(0x7C00).U16(0x03E0).U16(0x801F).PadRow(b.Size() - 6);
    const TBmpLoad load = LoadBmpBytes(b.Build());
    EXPECT_EQ(PixelAt(load.Bitmap, 0, 0), (TBgr{0, 0, 248}));
    EXPECT_EQ(PixelAt(load.Bitmap, 1, 0), (TBgr{0, 248, 0}));
    EXPECT_EQ(PixelAt(load.Bitmap, 2, 0), (TBgr{248, 0, 0}));
    EXPECT_EQ(load.Result.Params.BitsPerSample, 5);
}

TEST(BmpReader, BitFieldMasksAreHonoured) {
    struct TCase {
        int Bits;
        int HeaderSize;                     // 40: the masks follow the header, before the colour table
        std::array<std::uint32_t, 3> Masks; // red, green, blue
        std::uint32_t Pixel;
        TBgr Expected;
    };
    const TCase cases[] = {
        {16, 40, {0xF800, 0x07E0, 0x001F}, 0xF800, {0, 0, 255}},
        {16, 40, {0xF800, 0x07E0, 0x001F}, 0x07E0, {0, 255, 0}},
        {16, 40, {0xF800, 0x07E0, 0x001F}, 0x001F, {255, 0, 0}},
        {16, 40, {0xF800, 0x07E0, 0x001F}, 0x8410, {132, 130, 132}},
        {16, 56, {0x0F00, 0x00F0, 0x000F}, 0xF8A1, {0x11, 0xAA, 0x88}},
        {32, 40, {0xFF, 0xFF00, 0xFF0000}, 0x00563412, {0x56, 0x34, 0x12}},
        {32, 124, {0x3FF00000, 0x000FFC00, 0x000003FF}, 0x3FF00000 | (0x200 << 10) | 0x004, {1, 128, 255}},
        {24, 40, {0xFF0000, 0xFF, 0xFF00}, 0x123456, {0x34, 0x56, 0x12}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.Bits << " bits, header " << c.HeaderSize << ", pixel " << c.Pixel);
        TBmpBuilder b;
        b.FileHeader().InfoHeader(1, 1, c.Bits, 3, 1, 0, c.HeaderSize);
        if (c.HeaderSize < 52) {
            b.U32(c.Masks[0]).U32(c.Masks[1]).U32(c.Masks[2]);
        }
        b.Colour(9, 9, 9); // a colour table of one entry, which pixels of 16 bits and more do not use
        const qsizetype pixels = b.Size();
        for (int k = 0; k < c.Bits / 8; ++k) {
            b.U8(c.Pixel >> (8 * k));
        }
        QByteArray bytes = b.PadRow(pixels).Build();
        for (int i = 0; c.HeaderSize >= 52 && i < 12; ++i) {
            bytes[14 + 40 + i] = char(c.Masks[i / 4] >> (8 * (i % 4)));
        }
        const TBmpLoad load = LoadBmpBytes(bytes);
        ASSERT_FALSE(load.Result.Aborted);
        ASSERT_EQ(load.Bitmap.Width(), 1);
        EXPECT_EQ(PixelAt(load.Bitmap, 0, 0), c.Expected);
        EXPECT_EQ(load.Result.Params.BmpCompression, ioBMP_UNCOMPRESSED);
    }
}

TEST(BmpReader, Os2HeaderWithEightBitsReadsTwoHundredFiftySixThreeByteEntries) {
    TBmpBuilder b;
    b.FileHeader().Os2Header(2, 1, 8);
    for (unsigned i = 0; i < 256; ++i) {
        b.Colour(i, 255 - i, i / 2, true);
    }
    b.MarkPixels().Bytes({0, 255, 0, 0});
    const TBmpLoad load = LoadBmpBytes(b.Build());
    EXPECT_FALSE(load.Result.Aborted);
    EXPECT_EQ(PixelAt(load.Bitmap, 0, 0), (TBgr{0, 255, 0}));
    EXPECT_EQ(PixelAt(load.Bitmap, 1, 0), (TBgr{127, 0, 255}));
    EXPECT_EQ(load.Result.Params.PaletteCount, 256);
    EXPECT_EQ(load.Result.Params.Palette[255], (TBGRTriple{127, 0, 255}));
    EXPECT_EQ(load.Result.Params.BmpVersion, 2);
    EXPECT_EQ(load.Result.Params.XDpi, ScreenDpiX());
    EXPECT_EQ(load.Result.Params.YDpi, ScreenDpiY());
}

TEST(BmpReader, FourBitWidthsFiveAndSixFillEveryColumn) {
    for (const int width : {5, 6}) {
        SCOPED_TRACE(width);
        TBmpBuilder b;
        b.FileHeader().InfoHeader(width, 2, 4, 0, 16);
        for (unsigned i = 0; i < 16; ++i) {
            b.Colour(i * 16, 0, 255 - i * 16);
        }
        b.MarkPixels();
        // Bottom row indices 1 2 3 4 5 6, top row 10 11 12 13 14 15; the low nibble after an odd width is
        // padding and holds 15.
        const qsizetype bottom = b.Size();
        b.Bytes({0x12, 0x34, width == 5 ? 0x5Fu : 0x56u}).PadRow(bottom);
        const qsizetype top = b.Size();
        b.Bytes({0xAB, 0xCD, width == 5 ? 0xEFu : 0xEFu}).PadRow(top);
        const TBmpLoad load = LoadBmpBytes(b.Build());
        ASSERT_EQ(load.Bitmap.Width(), width);
        for (int x = 0; x < width; ++x) {
            const int bottomIndex = 1 + x;
            const int topIndex = 10 + x;
            EXPECT_EQ(PixelAt(load.Bitmap, x, 1), (TBgr{255 - bottomIndex * 16, 0, bottomIndex * 16})) << x;
            EXPECT_EQ(PixelAt(load.Bitmap, x, 0), (TBgr{255 - topIndex * 16, 0, topIndex * 16})) << x;
        }
        EXPECT_EQ(load.Result.Params.BitsPerSample, 4);
    }
}

TEST(BmpReader, OneBitTablesGiveTheirColoursAndOnlyBlackAndWhiteStaysOneBit) {
    const TBgr black{0, 0, 0}, white{255, 255, 255}, blue{255, 0, 0}, red{0, 0, 255}, dark{1, 0, 0};
    struct TCase {
        std::vector<TBgr> Table;
        int Height;
        bool OneBit;
        TBgr Zero, One;
    };
    // A white, black pair among other than two entries names its colours like any other table.
    const TCase cases[] = {
        {{white, black}, 2, true, white, black}, {{white, black}, 1, true, white, black},
        {{black, white}, 1, true, black, white}, {{red, blue}, 1, false, red, blue},
        {{white, dark}, 1, false, white, dark},  {{white, black, red}, 1, false, white, black},
        {{white}, 1, false, white, black},
    };
    for (const TCase& c : cases) {
        TBmpBuilder b;
        b.FileHeader().InfoHeader(10, c.Height, 1, 0, std::uint32_t(c.Table.size()));
        for (const TBgr& colour : c.Table) {
            b.Colour(unsigned(colour.Red), unsigned(colour.Green), unsigned(colour.Blue));
        }
        b.MarkPixels();
        // Bits 1011 0000 01 in every row, the rest of the row padding.
        TRgbPicture expected{10, c.Height, {}};
        for (int y = 0; y < c.Height; ++y) {
            b.U8(0xB0).U8(0x40).U8(0).U8(0);
            for (const bool bit : {true, false, true, true, false, false, false, false, false, true}) {
                const TBgr p = bit ? c.One : c.Zero;
                expected.Rgb.insert(expected.Rgb.end(),
                                    {std::uint8_t(p.Red), std::uint8_t(p.Green), std::uint8_t(p.Blue)});
            }
        }
        const TBmpLoad load = LoadBmpBytes(b.Build());
        EXPECT_EQ(load.Bitmap.PixelFormat(), c.OneBit ? TPixelFormat::pf1bit : TPixelFormat::pf24bit);
        EXPECT_EQ(PictureOf(load.Bitmap), expected);
        EXPECT_EQ(load.Result.Params.BitsPerSample, 1);
    }
}

TEST(BmpReader, Rle8DeltaContinuesAtTheColumnReached) {
    TBmpBuilder b;
    b.FileHeader().InfoHeader(8, 3, 8, 1, 4);
    b.Colour(0, 0, 0).Colour(255, 0, 0).Colour(0, 255, 0).Colour(0, 0, 255);
    b.MarkPixels();
    b.Bytes({2, 1});             // bottom row: two red
    b.Bytes({0, 2, 3, 1});       // delta: 3 right, 1 up: column 5 of the middle row
    b.Bytes({2, 2});             // two green at columns 5 and 6
    b.Bytes({0, 0});             // end of line: top row
    b.Bytes({0, 3, 3, 2, 1, 0}); // literal blue green red, padded
    b.Bytes({0, 1});             // end of bitmap
    b.Bytes({5, 3});             // never read
    const TBmpLoad load = LoadBmpBytes(b.Build());
    EXPECT_FALSE(load.Result.Aborted);
    EXPECT_EQ(load.Result.Params.BmpCompression, ioBMP_RLE);
    const TBgr black{0, 0, 0}, red{0, 0, 255}, green{0, 255, 0}, blue{255, 0, 0};
    const TBgr expected[3][8] = {
        {blue, green, red, black, black, black, black, black},
        {black, black, black, black, black, green, green, black},
        {red, red, black, black, black, black, black, black},
    };
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(PixelAt(load.Bitmap, x, y), expected[y][x]) << x << "," << y;
        }
    }
}

TEST(BmpReader, Rle8WithMoreBytesThanPixelsIsDecodedWhole) {
    // One pixel and one delta per two columns: three bytes per pixel, as transparent areas are coded.
    const int width = 64, height = 8;
    TBmpBuilder b;
    b.FileHeader().InfoHeader(width, height, 8, 1, 2);
    b.Colour(0, 0, 0).Colour(10, 200, 30);
    b.MarkPixels();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; x += 2) {
            b.Bytes({1, 1, 0, 2, 1, 0});
        }
        b.Bytes({0, 0});
    }
    const TBmpLoad load = LoadBmpBytes(b.Build());
    EXPECT_FALSE(load.Result.Aborted);
    TRgbPicture expected{width, height, {}};
    for (int i = 0; i < width * height; ++i) {
        const std::uint8_t set = i % 2 == 0;
        expected.Rgb.insert(expected.Rgb.end(),
                            {std::uint8_t(set * 10), std::uint8_t(set * 200), std::uint8_t(set * 30)});
    }
    EXPECT_EQ(PictureOf(load.Bitmap), expected);
}

TEST(BmpReader, Rle4RunsAlternateNibblesAndLiteralsArePadded) {
    TBmpBuilder b;
    b.FileHeader().InfoHeader(7, 2, 4, 2, 3);
    b.Colour(0, 0, 0).Colour(255, 0, 0).Colour(0, 0, 255);
    b.MarkPixels();
    b.Bytes({5, 0x12}); // 1 2 1 2 1
    b.Bytes({0, 0});
    b.Bytes({0, 3, 0x21, 0x20});          // literal 2 1 2: two bytes, already even
    b.Bytes({0, 5, 0x12, 0x12, 0x10, 0}); // literal 1 2 1 2 1: three bytes, padded to four
    b.Bytes({0, 0});
    const TBmpLoad load = LoadBmpBytes(b.Build());
    const TBgr black{0, 0, 0}, red{0, 0, 255}, blue{255, 0, 0};
    const TBgr bottom[7] = {red, blue, red, blue, red, black, black};
    // Literal 2 1 2 then 1 2 1 2 1: eight pixels for a row of seven; the last one is dropped.
    const TBgr top[7] = {blue, red, blue, red, blue, red, blue};
    for (int x = 0; x < 7; ++x) {
        EXPECT_EQ(PixelAt(load.Bitmap, x, 1), bottom[x]) << x;
        EXPECT_EQ(PixelAt(load.Bitmap, x, 0), top[x]) << x;
    }
}

TEST(BmpReader, RleRunsAndDeltasThatLeaveTheBitmapAreDropped) {
    TBmpBuilder b;
    b.FileHeader().InfoHeader(4, 2, 8, 1, 2);
    b.Colour(0, 0, 0).Colour(255, 255, 255);
    b.MarkPixels();
    b.Bytes({255, 1});         // 255 white pixels into a row of 4
    b.Bytes({0, 2, 255, 255}); // far outside
    b.Bytes({200, 1});
    b.Bytes({0, 0}); // back to column 0 of the row 256 rows up: none, decoding stops
    b.Bytes({4, 1});
    const TBmpLoad load = LoadBmpBytes(b.Build());
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(PixelAt(load.Bitmap, x, 1), (TBgr{255, 255, 255}));
        EXPECT_EQ(PixelAt(load.Bitmap, x, 0), (TBgr{0, 0, 0}));
    }
}

TEST(BmpReader, PaletteIndexBeyondTheTableIsBlack) {
    TBmpBuilder b;
    b.FileHeader().InfoHeader(3, 1, 8, 0, 2);
    b.Colour(10, 20, 30).Colour(40, 50, 60);
    b.MarkPixels().Bytes({1, 2, 255, 0});
    const TBmpLoad load = LoadBmpBytes(b.Build());
    EXPECT_EQ(PixelAt(load.Bitmap, 0, 0), (TBgr{60, 50, 40}));
    EXPECT_EQ(PixelAt(load.Bitmap, 1, 0), (TBgr{0, 0, 0}));
    EXPECT_EQ(PixelAt(load.Bitmap, 2, 0), (TBgr{0, 0, 0}));
    EXPECT_EQ(load.Result.Params.PaletteCount, 2);
}

TEST(BmpReader, TableOfMoreThan256EntriesKeepsTheFirst256AndSkipsTheRest) {
    TBmpBuilder b;
    // Pixel offset 0: the pixels follow the table directly, so the skipped entries must be skipped.
    b.FileHeader().InfoHeader(2, 1, 8, 0, 300);
    for (unsigned i = 0; i < 300; ++i) {
        b.Colour(i & 0xFF, i >> 8, 7);
    }
    b.Bytes({255, 3, 0, 0});
    const TBmpLoad load = LoadBmpBytes(b.Build());
    EXPECT_EQ(load.Result.Params.PaletteCount, 256);
    EXPECT_EQ(PixelAt(load.Bitmap, 0, 0), (TBgr{7, 0, 255}));
    EXPECT_EQ(PixelAt(load.Bitmap, 1, 0), (TBgr{7, 0, 3}));
}

TEST(BmpReader, PixelsPerMetreGiveDotsPerInch) {
    struct TCase {
        std::int32_t PerMetre;
        int Dpi;
    };
    for (const TCase c : {TCase{2835, 72}, TCase{3780, 96}, TCase{11811, 300}, TCase{0, ScreenDpiX()}}) {
        TBmpBuilder b;
        b.FileHeader().InfoHeader(1, 1, 24, 0, 0, c.PerMetre).MarkPixels().U32(0);
        const TBmpLoad load = LoadBmpBytes(b.Build());
        EXPECT_EQ(load.Result.Params.XDpi, c.Dpi) << c.PerMetre;
        EXPECT_EQ(load.Result.Params.YDpi, c.PerMetre == 0 ? ScreenDpiY() : c.Dpi) << c.PerMetre;
    }
}

TEST(BmpReader, NegativeHeightIsReadTopDown) {
    TBmpBuilder b;
    b.FileHeader().InfoHeader(1, -2, 24).MarkPixels();
    b.Bytes({1, 2, 3, 0, 4, 5, 6, 0});
    const TBmpLoad load = LoadBmpBytes(b.Build());
    ASSERT_EQ(load.Bitmap.Height(), 2);
    EXPECT_EQ(load.Result.Params.Height, 2);
    EXPECT_EQ(PixelAt(load.Bitmap, 0, 0), (TBgr{1, 2, 3}));
    EXPECT_EQ(PixelAt(load.Bitmap, 0, 1), (TBgr{4, 5, 6}));
}

TEST(BmpReader, DepthsAndCompressionsWithoutPixelsAreRefusedAndKeepThePicture) {
    struct TCase {
        const char* Name;
        int Bits;
        std::uint32_t Compression;
        int HeaderSize = 40;
    };
    const TCase cases[] = {
        {"2 bits", 2, 0},           {"64 bits", 64, 0},          {"embedded JPEG", 0, 4},
        {"embedded PNG", 0, 5},     {"RLE24", 24, 4, 64},        {"Huffman 1D", 1, 3, 64},
        {"RLE8 at 4 bits", 4, 1},   {"RLE4 at 8 bits", 8, 2},    {"RLE8 at 1 bit", 1, 1},
        {"RLE4 at 16 bits", 16, 2}, {"alpha bit fields", 32, 6}, {"unknown", 8, 99},
    };
    TBitmap previous;
    const TLoadResult before = LoadPicture(TestDataPath(QStringLiteral("bmp/magick-24bit.bmp")), previous);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TBmpBuilder b;
        b.FileHeader().InfoHeader(3, 2, c.Bits, c.Compression, 0, 0, c.HeaderSize).MarkPixels();
        b.Bytes({0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88});
        TBitmap bitmap = previous;
        const TLoadResult r = LoadBytes(QStringLiteral("x.bmp"), b.Build(), bitmap, before.Params);
        EXPECT_TRUE(r.Aborted);
        EXPECT_EQ(PictureOf(bitmap), PictureOf(previous));
        EXPECT_EQ(r.Params.Width, 13);
    }
}

TEST(BmpReader, TruncatedFileKeepsTheRowsItHas) {
    QByteArray bytes = Bmp24(2, {{{9, 9, 9}, {9, 9, 9}}, {{8, 8, 8}, {8, 8, 8}}, {{7, 7, 7}, {7, 7, 7}}});
    // Stored rows are 8 bytes each: keep the bottom row and the first pixel of the middle one.
    bytes.truncate(54 + 8 + 3);
    const TBmpLoad load = LoadBmpBytes(bytes);
    EXPECT_FALSE(load.Result.Aborted);
    ASSERT_EQ(load.Bitmap.Height(), 3);
    EXPECT_EQ(PixelAt(load.Bitmap, 1, 2), (TBgr{7, 7, 7}));
    EXPECT_EQ(PixelAt(load.Bitmap, 0, 1), (TBgr{8, 8, 8}));
    EXPECT_EQ(PixelAt(load.Bitmap, 1, 1), (TBgr{0, 0, 0}));
    EXPECT_EQ(PixelAt(load.Bitmap, 0, 0), (TBgr{0, 0, 0}));
}

TEST(BmpReader, AbsurdSizeRaisesOutOfMemoryAndKeepsThePicture) {
    for (const auto& size : {std::pair{100000, 100000}, std::pair{1, INT_MIN}, std::pair{INT_MAX, 1},
                             std::pair{2000000000, 2000000000}}) {
        TBmpBuilder b;
        b.FileHeader().InfoHeader(size.first, size.second, 24).MarkPixels().U32(0);
        TPictureFolder folder;
        const QString path = folder.Write(QStringLiteral("huge.bmp"), b.Build());
        TBitmap bitmap;
        bitmap.Reset(2, 2, TPixelFormat::pf24bit);
        bitmap.Fill(RGBColor(1, 2, 3));
        TPictureIO loader;
        loader.SetAttachedBitmap(&bitmap);
        EXPECT_THROW(loader.LoadFromFile(path), EOutOfMemory);
        EXPECT_EQ(bitmap.Width(), 2);
        EXPECT_EQ(PixelAt(bitmap, 1, 1), (TBgr{3, 2, 1}));
        EXPECT_TRUE(loader.Params().FileName.isEmpty());
    }
}

TEST(BmpReader, ReadWithoutTableFreesThePreviousPalette) {
    TPictureFolder folder;
    TBitmap bitmap;
    TPictureIO loader;
    loader.SetAttachedBitmap(&bitmap);
    loader.LoadFromFile(TestDataPath(QStringLiteral("bmp/pillow-8bit.bmp")));
    EXPECT_EQ(loader.Params().PaletteCount, 256);
    loader.LoadFromFile(TestDataPath(QStringLiteral("bmp/magick-24bit.bmp")));
    EXPECT_EQ(loader.Params().PaletteCount, 0);
    EXPECT_TRUE(loader.Params().Palette.empty());
}

TEST(BmpReader, HeaderSizeOtherThanTheKnownOnesReadsItsFirstFields) {
    // A 108-byte header with the pixel offset pointing behind it.
    TBmpBuilder b;
    b.FileHeader().InfoHeader(1, 1, 24, 0, 0, 0, 108).MarkPixels().Bytes({5, 6, 7, 0});
    const TBmpLoad load = LoadBmpBytes(b.Build(), QStringLiteral("v4.dib"));
    EXPECT_EQ(PixelAt(load.Bitmap, 0, 0), (TBgr{5, 6, 7}));
    EXPECT_EQ(load.Result.Params.BmpVersion, 0);
    EXPECT_EQ(load.Result.Params.FileType, 5);
}
