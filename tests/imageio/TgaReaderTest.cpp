#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include "platform/ScreenDpi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace {

QString TgaData(const char* name) {
    return TestDataPath(QStringLiteral("tga/") + QLatin1String(name));
}

TLoadResult LoadTgaBytes(const QByteArray& bytes, TBitmap& bitmap, const TIOParams& start = TIOParams()) {
    return LoadBytes(QStringLiteral("picture.tga"), bytes, bitmap, start);
}

// Fields that a read must set whether or not the file says anything about them.
TIOParams StartParams() {
    TIOParams start;
    start.TgaAuthor = start.TgaJobName = QStringLiteral("left over");
    start.TgaAspectRatio = start.TgaGamma = 5.0;
    start.TgaKeyColor = clWhite;
    start.TgaGrayscale = 7;
    return start;
}

} // namespace

TEST(TgaReader, EveryEncodingOfThePictureDecodesIdentically) {
    struct TCase {
        const char* File;
        int BitsPerSample, SamplesPerPixel, Compressed;
        int Grayscale; // 7: left as it was
        int PaletteCount;
    };
    const TCase cases[] = {
        {"pillow-24bit.tga", 8, 3, 0, 7, 0},
        {"pillow-24bit-top.tga", 8, 3, 0, 7, 0},
        {"magick-24bit-top.tga", 8, 3, 0, 7, 0},
        {"script-24bit-rle-across-rows.tga", 8, 3, 1, 7, 0},
        {"magick-32bit-rle-top.tga", 8, 4, 1, 7, 0},
        {"script-15bit.tga", 5, 3, 0, 7, 0},
        {"script-16bit-top.tga", 5, 3, 0, 7, 0},
        {"pillow-8bit-mapped.tga", 8, 1, 0, 0, 256},
        {"netpbm-8bit-map-rle.tga", 8, 1, 1, 0, 6},
        {"script-8bit-map16.tga", 8, 1, 0, 0, 6},
        {"script-right-8bit-map32.tga", 8, 1, 0, 0, 6},
        {"script-right-8bit-map15-rle.tga", 8, 1, 1, 0, 6},
        {"script-right-16bit-top.tga", 5, 3, 0, 7, 0},
        {"script-right-24bit.tga", 8, 3, 0, 7, 0},
        {"script-right-32bit-rle.tga", 8, 4, 1, 7, 0},
        {"script-extension-area.tga", 8, 3, 0, 7, 0},
        {"pillow-grey.tga", 8, 1, 0, 1, 0},
        {"netpbm-grey-rle.tga", 8, 1, 1, 1, 0},
    };
    const TRgbPicture picture = ReadPpm(TgaData("picture.ppm")), grey = ReadPpm(TgaData("grey.ppm"));
    ASSERT_EQ(picture.Width, 13);
    ASSERT_EQ(grey.Width, 13);
    // Each file under a name with another of the format's extensions.
    const char* const names[] = {"a.tga", "a.TARGA", "a.vda", "a.icb", "a.vst", "a.win"};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const TCase& c = cases[i];
        SCOPED_TRACE(c.File);
        TBitmap bitmap;
        const TLoadResult r = LoadBytes(QLatin1String(names[i % std::size(names)]),
                                        ReadFileBytes(TgaData(c.File)), bitmap, StartParams());
        EXPECT_FALSE(r.Aborted);
        EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
        EXPECT_EQ(PictureOf(bitmap), c.Grayscale == 1 ? grey : picture);
        const TIOParams& p = r.Params;
        EXPECT_EQ(std::tuple(p.FileType, p.Width, p.Height, p.XDpi, p.BitsPerSample, p.SamplesPerPixel,
                             p.TgaCompressed, p.TgaGrayscale, p.PaletteCount, int(p.Palette.size())),
                  std::tuple(11, 13, 7, ScreenDpiX(), c.BitsPerSample, c.SamplesPerPixel, c.Compressed,
                             c.Grayscale, c.PaletteCount, c.PaletteCount));
    }
}

TEST(TgaReader, ExtensionAreaFillsAuthorJobDateAndAspectElseTheyTakeTheirDefaults) {
    // After the whole area: no footer; a footer whose extension offset is 0; an extension area with month
    // 13 and zero ratios, whose texts stay as read.
    const QByteArray extended = ReadFileBytes(TgaData("script-extension-area.tga"));
    const qsizetype area = extended.size() - 26 - 495;
    QByteArray badDate = Patched(extended, {{area + 367, 13}});
    std::fill(badDate.begin() + area + 474, badDate.begin() + area + 482, '\0');
    const QDateTime today(QDate::currentDate(), QTime(0, 0));
    const std::tuple<QByteArray, const char*, const char*, QDateTime, double> cases[] = {
        {extended, "Ambrelle Tests", "Six colours", QDateTime(QDate(2003, 7, 14), QTime(16, 45, 30)),
         4.0 / 3.0},
        {ReadFileBytes(TgaData("magick-24bit-top.tga")), "", "", today, 1.0},
        {ReadFileBytes(TgaData("pillow-24bit.tga")), "", "", today, 1.0},
        {badDate, nullptr, nullptr, today, 1.0},
    };
    for (const auto& [bytes, author, job, date, aspect] : cases) {
        TBitmap bitmap;
        const TLoadResult r = LoadTgaBytes(bytes, bitmap, StartParams());
        EXPECT_FALSE(r.Aborted);
        EXPECT_EQ(std::tuple(r.Params.TgaDate, r.Params.TgaKeyColor), std::tuple(date, clBlack));
        EXPECT_DOUBLE_EQ(r.Params.TgaAspectRatio, aspect);
        EXPECT_DOUBLE_EQ(r.Params.TgaGamma, 2.2);
        if (author) {
            EXPECT_EQ(r.Params.TgaAuthor, QLatin1String(author));
            EXPECT_EQ(r.Params.TgaJobName, QLatin1String(job));
        }
    }
}

TEST(TgaReader, ImageIdAndOriginsComeFromTheHeader) {
    const QByteArray bytes = Patched(ReadFileBytes(TgaData("netpbm-8bit-map-rle.tga")),
                                     {{8, 0x34}, {9, 0x12}, {10, 0xFF}, {11, 0xFF}});
    TBitmap bitmap;
    const TLoadResult r = LoadTgaBytes(bytes, bitmap);
    EXPECT_EQ(std::tuple(r.Params.TgaImageId, r.Params.TgaXOrigin, r.Params.TgaYOrigin),
              std::tuple(QStringLiteral("six-colours"), 0x1234, 0xFFFF));
}

TEST(TgaReader, UnknownTypeDepthOrMapEntrySizeIsRefusedWithTheBitmapUnchanged) {
    // Image type at byte 2, depth at 16, colour map entry size at 7.
    const std::tuple<const char*, int, int> cases[] = {
        {"pillow-24bit.tga", 2, 0},      {"pillow-24bit.tga", 2, 4},      {"pillow-24bit.tga", 2, 32},
        {"pillow-24bit.tga", 16, 4},     {"pillow-24bit.tga", 16, 12},    {"pillow-24bit.tga", 16, 0},
        {"script-8bit-map16.tga", 7, 8}, {"script-8bit-map16.tga", 7, 0},
    };
    for (const auto& [file, at, value] : cases) {
        SCOPED_TRACE(at * 1000 + value);
        TBitmap bitmap = MarkedBitmap();
        const TLoadResult r =
            LoadTgaBytes(Patched(ReadFileBytes(TgaData(file)), {{at, value}, {8, 9}}), bitmap);
        EXPECT_TRUE(r.Aborted && IsMarked(bitmap));
        EXPECT_EQ(std::tuple(r.Params.Width, r.Params.TgaXOrigin, r.Params.FileType), std::tuple(0, 9, 11));
    }
}

TEST(TgaReader, OneBitRowsArePackedBitsAndComeBackFromRightToLeft) {
    // Ten pixels 1011 0000 01 in the bottom row, stored first, and a black top row. Stored right to left,
    // the six bits after the row's end are set.
    TRgbPicture expected{10, 2, std::vector<std::uint8_t>(30, 0)};
    for (const bool bit : {true, false, true, true, false, false, false, false, false, true}) {
        expected.Rgb.insert(expected.Rgb.end(), 3, bit ? 255 : 0);
    }
    for (const bool rightToLeft : {false, true}) {
        SCOPED_TRACE(rightToLeft);
        TBmpBuilder b;
        b.U8(0).U8(0).U8(3).U16(0).U16(0).U8(0).U16(0).U16(0).U16(10).U16(2).U8(1).U8(rightToLeft ? 0x10 : 0);
        b.Bytes(rightToLeft ? QByteArray("\x83\x7F\0\0", 4) : QByteArray("\xB0\x40\0\0", 4));
        TBitmap bitmap;
        const TLoadResult r = LoadTgaBytes(b.Build(), bitmap);
        EXPECT_EQ(std::tuple(r.Aborted, bitmap.PixelFormat(), r.Params.BitsPerSample),
                  std::tuple(false, TPixelFormat::pf1bit, 1));
        EXPECT_EQ(PictureOf(bitmap), expected);
    }
}

TEST(TgaReader, FileThatEndsEarlyLeavesTheRowsAfterItsLastByteBlack) {
    // Header, two rows of 13 pixels and four pixels of the third.
    const int pixels = 13 * 2 + 4;
    TBitmap bitmap;
    EXPECT_FALSE(
        LoadTgaBytes(ReadFileBytes(TgaData("pillow-24bit-top.tga")).left(18 + pixels * 3), bitmap).Aborted);
    TRgbPicture expected = ReadPpm(TgaData("picture.ppm"));
    ASSERT_EQ(expected.Height, 7);
    std::fill(expected.Rgb.begin() + pixels * 3, expected.Rgb.end(), 0);
    EXPECT_EQ(PictureOf(bitmap), expected);
}
