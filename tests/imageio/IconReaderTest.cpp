#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include "platform/ScreenDpi.h"

#include <gtest/gtest.h>

// The files are made by tests/data/ico/make.sh, which says what each holds.

namespace {

QString IcoData(const char* name) {
    return TestDataPath(QStringLiteral("ico/") + QLatin1String(name));
}

struct TIconLoad {
    TBitmap Bitmap;
    TLoadResult Result;
};

TIconLoad LoadIcon(const QString& path, const TIOParams& start = TIOParams()) {
    TIconLoad load;
    load.Bitmap.Reset(2, 2, TPixelFormat::pf24bit);
    load.Bitmap.Fill(RGBColor(10, 20, 30));
    load.Result = LoadPicture(path, load.Bitmap, start);
    return load;
}

// A data file with some bytes changed, written as name.
QString Patched(const TPictureFolder& folder, const char* file, const char* name,
                std::initializer_list<std::pair<int, int>> changes) {
    QByteArray bytes = ReadFileBytes(IcoData(file));
    for (const auto& [at, value] : changes) {
        bytes[at] = char(value);
    }
    return folder.Write(QLatin1String(name), bytes);
}

bool Unchanged(const TBitmap& bitmap) {
    return bitmap.Width() == 2 && PixelAt(bitmap, 1, 1) == (TBgr{30, 20, 10});
}

// Offsets in a file of one image: the entry's width, colour count and bits; the info header's bits and
// pixels per metre.
constexpr int EntryWidth = 6, EntryColours = 8, EntryBits = 12, InfoBits = 22 + 14, InfoPerMetre = 22 + 24;

} // namespace

TEST(IconReader, PicturesOfImageMagickDecodeAsItReadsThemOnWhite) {
    struct TCase {
        const char* File;
        int BitsPerSample, SamplesPerPixel, PaletteCount;
    };
    for (const TCase c : {TCase{"magick-16colour", 4, 1, 16}, TCase{"magick-32bit", 8, 3, 0}}) {
        SCOPED_TRACE(c.File);
        const TIconLoad load = LoadIcon(IcoData(c.File) + QStringLiteral(".ico"));
        EXPECT_FALSE(load.Result.Aborted);
        EXPECT_EQ(load.Bitmap.PixelFormat(), TPixelFormat::pf24bit);
        EXPECT_EQ(MaxDifference(PictureOf(load.Bitmap), ReadPpm(IcoData(c.File) + QStringLiteral(".ppm"))),
                  0);
        const TIOParams& p = load.Result.Params;
        EXPECT_EQ(p.FileType, 6);
        EXPECT_EQ(p.Width, 32);
        EXPECT_EQ(p.Height, 32);
        EXPECT_EQ(p.BitsPerSample, c.BitsPerSample);
        EXPECT_EQ(p.SamplesPerPixel, c.SamplesPerPixel);
        EXPECT_EQ(p.PaletteCount, c.PaletteCount);
        EXPECT_EQ(p.XDpi, ScreenDpiX());
    }
}

TEST(IconReader, TransparentPixelsTakeTheIconBackground) {
    TIOParams start;
    start.IcoBackground = {128, 0, 0};
    for (const char* file : {"magick-16colour.ico", "magick-32bit.ico"}) {
        SCOPED_TRACE(file);
        const TIconLoad onWhite = LoadIcon(IcoData(file));
        const TIconLoad onBlue = LoadIcon(IcoData(file), start);
        // The corner is transparent; the left edge of the circle is opaque in the 16-colour picture and
        // nearly transparent in the 32-bit one (alpha 16).
        EXPECT_EQ(PixelAt(onWhite.Bitmap, 0, 0), (TBgr{255, 255, 255}));
        EXPECT_EQ(PixelAt(onBlue.Bitmap, 0, 0), (TBgr{128, 0, 0}));
        EXPECT_EQ(PixelAt(onWhite.Bitmap, 2, 16) == PixelAt(onBlue.Bitmap, 2, 16),
                  QByteArray(file).contains("16colour"));
    }
}

TEST(IconReader, MonochromeIconAppliesItsMaskToTheBits) {
    // Pixels 0 to 7 of the top row: black, white, transparent, inverting, black, transparent, white,
    // inverting.
    struct TCase {
        TBGRTriple Background;
        bool TopRow[8];
    };
    for (const TCase& c : {TCase{{255, 255, 255}, {false, true, true, false, false, true, true, false}},
                           TCase{{0, 0, 0}, {false, true, false, true, false, false, true, true}}}) {
        TIOParams start;
        start.IcoBackground = c.Background;
        const TIconLoad load = LoadIcon(IcoData("mono.ico"), start);
        ASSERT_EQ(load.Bitmap.PixelFormat(), TPixelFormat::pf1bit);
        ASSERT_EQ(load.Bitmap.Width(), 8);
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(BitAt(load.Bitmap, x, 0), c.TopRow[x]) << x;
            EXPECT_TRUE(BitAt(load.Bitmap, x, 1)) << x;
        }
        EXPECT_EQ(load.Result.Params.BitsPerSample, 1);
        EXPECT_EQ(load.Result.Params.PaletteCount, 2);
    }
}

TEST(IconReader, IconFileHoldingABitmapFileLoadsAsThatBitmap) {
    TPictureFolder folder;
    const QString path = folder.Write(QStringLiteral("bitmap.ico"),
                                      ReadFileBytes(TestDataPath(QStringLiteral("bmp/magick-24bit.bmp"))));
    const TIconLoad load = LoadIcon(path);
    EXPECT_FALSE(load.Result.Aborted);
    EXPECT_EQ(PictureOf(load.Bitmap), ReadPpm(TestDataPath(QStringLiteral("bmp/picture.ppm"))));
    EXPECT_EQ(load.Result.Params.FileType, 6);
    EXPECT_EQ(load.Result.Params.BmpVersion, 1);
}

TEST(IconReader, FourBitsOfOddWidthFillEveryPixelOfTheRowAndNoMore) {
    const TIconLoad load = LoadIcon(IcoData("odd-4bit.ico"));
    ASSERT_EQ(load.Bitmap.Width(), 5);
    ASSERT_EQ(load.Bitmap.Height(), 2);
    const auto colour = [](int i) { return TBgr{255 - 16 * i, 0, 16 * i}; };
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(PixelAt(load.Bitmap, x, 0), colour(1 + x)) << x;
        EXPECT_EQ(PixelAt(load.Bitmap, x, 1), x == 2 ? (TBgr{255, 255, 255}) : colour(10 + x)) << x;
    }
    EXPECT_EQ(load.Result.Params.BitsPerSample, 4);
    EXPECT_EQ(load.Result.Params.SamplesPerPixel, 1);
}

TEST(IconReader, CursorRecordsTheHotSpotOfTheImageChosen) {
    struct TCase {
        int Index;
        int Width;
        TPixelFormat Format;
        int HotSpotX, HotSpotY, BitsPerSample;
    };
    for (const TCase c :
         {TCase{0, 16, TPixelFormat::pf1bit, 1, 2, 1}, TCase{1, 4, TPixelFormat::pf24bit, 3, 1, 4}}) {
        TIOParams start;
        start.CurImageIndex = c.Index;
        const TIconLoad load = LoadIcon(IcoData("two-images.cur"), start);
        EXPECT_FALSE(load.Result.Aborted);
        EXPECT_EQ(load.Bitmap.Width(), c.Width);
        EXPECT_EQ(load.Bitmap.PixelFormat(), c.Format);
        EXPECT_EQ(load.Result.Params.CurHotSpotX, c.HotSpotX);
        EXPECT_EQ(load.Result.Params.CurHotSpotY, c.HotSpotY);
        EXPECT_EQ(load.Result.Params.BitsPerSample, c.BitsPerSample);
        EXPECT_EQ(load.Result.Params.SamplesPerPixel, 1);
        EXPECT_EQ(load.Result.Params.FileType, 7);
    }
    // The arrow: row y has y div 2 + 1 white pixels on the left.
    const TIconLoad arrow = LoadIcon(IcoData("two-images.cur"));
    EXPECT_TRUE(BitAt(arrow.Bitmap, 3, 7));
    EXPECT_FALSE(BitAt(arrow.Bitmap, 4, 7));
}

TEST(IconReader, ImageIndexOutsideTheDirectoryChangesNothing) {
    for (const int index : {-1, 1, 1000}) {
        TIOParams start;
        start.IcoImageIndex = index;
        start.CurImageIndex = index * 2;
        for (const char* file : {"odd-4bit.ico", "two-images.cur"}) {
            const TIconLoad load = LoadIcon(IcoData(file), start);
            EXPECT_FALSE(load.Result.Aborted) << file << " " << index;
            EXPECT_TRUE(Unchanged(load.Bitmap)) << file << " " << index;
        }
    }
}

TEST(IconReader, ImagesThatFillNoRowsAreRefusedAndLeaveTheBitmap) {
    TPictureFolder folder;
    const QString refused[] = {
        IcoData("pillow-png.ico"),
        Patched(folder, "odd-4bit.ico", "16-bit.ico", {{EntryBits, 16}, {InfoBits, 16}}),
        Patched(folder, "odd-4bit.ico", "2-bit.ico", {{EntryBits, 2}, {InfoBits, 0}}),
        Patched(folder, "odd-4bit.ico", "no-depth.ico", {{EntryBits, 0}, {InfoBits, 0}, {EntryColours, 0}}),
        Patched(folder, "two-images.cur", "24-bit.cur", {{InfoBits + 16, 24}}),
    };
    for (const QString& path : refused) {
        const TIconLoad load = LoadIcon(path);
        EXPECT_TRUE(load.Result.Aborted) << path.toStdString();
        EXPECT_TRUE(Unchanged(load.Bitmap)) << path.toStdString();
    }
    // Without bits in the entry and the info header, the colour count gives them.
    const TIconLoad fromCount =
        LoadIcon(Patched(folder, "odd-4bit.ico", "count.ico", {{EntryBits, 0}, {InfoBits, 0}}));
    EXPECT_FALSE(fromCount.Result.Aborted);
    EXPECT_EQ(fromCount.Result.Params.BitsPerSample, 4);
}

TEST(IconReader, SizeAndResolutionRules) {
    TPictureFolder folder;
    // An icon whose entry disagrees with its info header takes the info header's size; a cursor its
    // entry's.
    EXPECT_EQ(LoadIcon(Patched(folder, "odd-4bit.ico", "wide.ico", {{EntryWidth, 9}})).Bitmap.Width(), 5);
    EXPECT_EQ(LoadIcon(Patched(folder, "odd-4bit.ico", "zero.ico", {{EntryWidth, 0}})).Bitmap.Width(), 5);
    TIOParams second;
    second.CurImageIndex = 1;
    EXPECT_EQ(LoadIcon(Patched(folder, "two-images.cur", "wide.cur", {{EntryWidth + 16, 6}}), second)
                  .Bitmap.Width(),
              6);
    // 2835 pixels per metre (0x0B13) are 72 dots per inch.
    const TIconLoad dpi = LoadIcon(
        Patched(folder, "odd-4bit.ico", "dpi.ico", {{InfoPerMetre, 0x13}, {InfoPerMetre + 1, 0x0B}}));
    EXPECT_EQ(dpi.Result.Params.XDpi, 72);
    EXPECT_EQ(dpi.Result.Params.YDpi, ScreenDpiY());
}
