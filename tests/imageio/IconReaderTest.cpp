#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include "platform/ScreenDpi.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

// The files are made by tests/data/ico/make.sh, which says what each holds.

namespace {

QString IcoData(const char* name) {
    return TestDataPath(QStringLiteral("ico/") + QLatin1String(name));
}

struct TIconLoad {
    TBitmap Bitmap = MarkedBitmap();
    TLoadResult Result;
};

TIconLoad LoadIcon(const char* file, const TIOParams& start = TIOParams()) {
    TIconLoad load;
    load.Result = LoadPicture(IcoData(file), load.Bitmap, start);
    return load;
}

// A data file with some bytes changed, loaded as name.
TIconLoad LoadPatched(const char* file, const char* name,
                      std::initializer_list<std::pair<qsizetype, int>> changes,
                      const TIOParams& start = TIOParams()) {
    TIconLoad load;
    load.Result =
        LoadBytes(QLatin1String(name), Patched(ReadFileBytes(IcoData(file)), changes), load.Bitmap, start);
    return load;
}

// Offsets in a file of one image: the entry's width, colour count and bits; the info header's bits and
// pixels per metre.
constexpr int EntryWidth = 6, EntryColours = 8, EntryBits = 12, InfoBits = 22 + 14, InfoPerMetre = 22 + 24;

} // namespace

TEST(IconReader, PicturesOfImageMagickDecodeAsItReadsThemOnWhiteAndTakeTheIconBackground) {
    TIOParams onBlue;
    onBlue.IcoBackground = {128, 0, 0};
    for (const auto& [file, bits, samples, palette] :
         {std::tuple{"magick-16colour", 4, 1, 16}, std::tuple{"magick-32bit", 8, 3, 0}}) {
        SCOPED_TRACE(file);
        const std::string name = std::string(file) + ".ico";
        const TIconLoad white = LoadIcon(name.c_str()), blue = LoadIcon(name.c_str(), onBlue);
        EXPECT_FALSE(white.Result.Aborted);
        EXPECT_EQ(white.Bitmap.PixelFormat(), TPixelFormat::pf24bit);
        EXPECT_EQ(PictureOf(white.Bitmap), ReadPpm(IcoData(file) + QStringLiteral(".ppm")));
        const TIOParams& p = white.Result.Params;
        EXPECT_EQ(std::tuple(p.FileType, p.Width, p.Height, p.BitsPerSample, p.SamplesPerPixel,
                             p.PaletteCount, p.XDpi),
                  std::tuple(6, 32, 32, bits, samples, palette, ScreenDpiX()));
        // The corner is transparent; the left edge of the circle is opaque in the 16-colour picture and
        // nearly transparent in the 32-bit one (alpha 16).
        EXPECT_EQ(PixelAt(blue.Bitmap, 0, 0), (TBgr{128, 0, 0}));
        EXPECT_EQ(PixelAt(white.Bitmap, 2, 16) == PixelAt(blue.Bitmap, 2, 16), palette == 16);
    }
}

TEST(IconReader, MonochromeIconAppliesItsMaskToTheBits) {
    // Pixels 0 to 7 of the top row: black, white, transparent, inverting, black, transparent, white,
    // inverting; the bottom row is white.
    for (const auto& [background, topRow] :
         {std::pair{TBGRTriple{255, 255, 255}, "01100110"}, std::pair{TBGRTriple{0, 0, 0}, "01010011"}}) {
        TIOParams start;
        start.IcoBackground = background;
        const TIconLoad load = LoadIcon("mono.ico", start);
        TRgbPicture expected{8, 2, {}};
        for (const char bit : std::string(topRow) + "11111111") {
            expected.Rgb.insert(expected.Rgb.end(), 3, bit == '1' ? 255 : 0);
        }
        EXPECT_EQ(load.Bitmap.PixelFormat(), TPixelFormat::pf1bit);
        EXPECT_EQ(PictureOf(load.Bitmap), expected) << topRow;
        EXPECT_EQ(std::tuple(load.Result.Params.BitsPerSample, load.Result.Params.PaletteCount),
                  std::tuple(1, 2));
    }
}

TEST(IconReader, IconFileHoldingABitmapFileLoadsAsThatBitmap) {
    TBitmap bitmap;
    const TLoadResult r =
        LoadBytes(QStringLiteral("bitmap.ico"),
                  ReadFileBytes(TestDataPath(QStringLiteral("bmp/magick-24bit.bmp"))), bitmap);
    EXPECT_FALSE(r.Aborted);
    EXPECT_EQ(PictureOf(bitmap), ReadPpm(TestDataPath(QStringLiteral("bmp/picture.ppm"))));
    EXPECT_EQ(std::pair(r.Params.FileType, int(r.Params.BmpVersion)), std::pair(6, 1));
}

TEST(IconReader, FourBitsOfOddWidthFillEveryPixelOfTheRowAndNoMore) {
    const TIconLoad load = LoadIcon("odd-4bit.ico");
    // Palette entry i is (16 i, 0, 255 - 16 i); the middle of the bottom row is transparent.
    TRgbPicture expected{5, 2, {}};
    for (const int i : {1, 2, 3, 4, 5, 10, 11, -1, 13, 14}) {
        expected.Rgb.insert(expected.Rgb.end(),
                            {std::uint8_t(i < 0 ? 255 : 16 * i), std::uint8_t(i < 0 ? 255 : 0),
                             std::uint8_t(i < 0 ? 255 : 255 - 16 * i)});
    }
    EXPECT_EQ(PictureOf(load.Bitmap), expected);
    EXPECT_EQ(std::tuple(load.Result.Params.BitsPerSample, load.Result.Params.SamplesPerPixel),
              std::tuple(4, 1));
}

TEST(IconReader, CursorRecordsTheHotSpotOfTheImageChosen) {
    for (const auto& [index, width, format, hotX, hotY, bits] :
         {std::tuple{0, 16, TPixelFormat::pf1bit, 1, 2, 1},
          std::tuple{1, 4, TPixelFormat::pf24bit, 3, 1, 4}}) {
        SCOPED_TRACE(index);
        TIOParams start;
        start.CurImageIndex = index;
        const TIconLoad load = LoadIcon("two-images.cur", start);
        const TIOParams& p = load.Result.Params;
        EXPECT_FALSE(load.Result.Aborted);
        EXPECT_EQ(std::tuple(load.Bitmap.Width(), load.Bitmap.PixelFormat()), std::tuple(width, format));
        EXPECT_EQ(std::tuple(p.CurHotSpotX, p.CurHotSpotY, p.BitsPerSample, p.SamplesPerPixel, p.FileType),
                  std::tuple(hotX, hotY, bits, 1, 7));
    }
    // The arrow: row y has y div 2 + 1 white pixels on the left.
    const TIconLoad arrow = LoadIcon("two-images.cur");
    EXPECT_TRUE(BitAt(arrow.Bitmap, 3, 7));
    EXPECT_FALSE(BitAt(arrow.Bitmap, 4, 7));
}

TEST(IconReader, ImageIndexOutsideTheDirectoryChangesNothing) {
    for (const int index : {-1, 1, 1000}) {
        TIOParams start;
        start.IcoImageIndex = index;
        start.CurImageIndex = index * 2;
        for (const char* file : {"odd-4bit.ico", "two-images.cur"}) {
            const TIconLoad load = LoadIcon(file, start);
            EXPECT_TRUE(!load.Result.Aborted && IsMarked(load.Bitmap)) << file << " " << index;
        }
    }
}

TEST(IconReader, ImagesThatFillNoRowsAreRefusedAndLeaveTheBitmap) {
    for (const TIconLoad& load :
         {LoadIcon("pillow-png.ico"),
          LoadPatched("odd-4bit.ico", "16.ico", {{EntryBits, 16}, {InfoBits, 16}}),
          LoadPatched("odd-4bit.ico", "2.ico", {{EntryBits, 2}, {InfoBits, 0}}),
          LoadPatched("odd-4bit.ico", "0.ico", {{EntryBits, 0}, {InfoBits, 0}, {EntryColours, 0}}),
          LoadPatched("two-images.cur", "24.cur", {{InfoBits + 16, 24}})}) {
        EXPECT_TRUE(load.Result.Aborted && IsMarked(load.Bitmap));
    }
    // Without bits in the entry and the info header, the colour count gives them.
    const TIconLoad fromCount = LoadPatched("odd-4bit.ico", "count.ico", {{EntryBits, 0}, {InfoBits, 0}});
    EXPECT_EQ(std::pair(fromCount.Result.Aborted, fromCount.Result.Params.BitsPerSample),
              std::pair(false, 4));
}

TEST(IconReader, SizeAndResolutionRules) {
    // An icon whose entry disagrees with its info header takes the info header's size; a cursor its
    // entry's.
    EXPECT_EQ(LoadPatched("odd-4bit.ico", "wide.ico", {{EntryWidth, 9}}).Bitmap.Width(), 5);
    EXPECT_EQ(LoadPatched("odd-4bit.ico", "zero.ico", {{EntryWidth, 0}}).Bitmap.Width(), 5);
    TIOParams second;
    second.CurImageIndex = 1;
    EXPECT_EQ(LoadPatched("two-images.cur", "wide.cur", {{EntryWidth + 16, 6}}, second).Bitmap.Width(), 6);
    // 2835 pixels per metre (0x0B13) are 72 dots per inch.
    const TIconLoad dpi =
        LoadPatched("odd-4bit.ico", "dpi.ico", {{InfoPerMetre, 0x13}, {InfoPerMetre + 1, 0x0B}});
    EXPECT_EQ(std::pair(dpi.Result.Params.XDpi, dpi.Result.Params.YDpi), std::pair(72, ScreenDpiY()));
}
