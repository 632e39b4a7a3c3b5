#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include "imageio/Readers.h"
#include "imageio/Stream.h"
#include "platform/ScreenDpi.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

QString TiffPath(const char* name) {
    return TestDataPath(QStringLiteral("tiff/") + QLatin1String(name));
}

TLoadResult LoadTiffFile(const char* name, TBitmap& bitmap, const TIOParams& start = TIOParams()) {
    return LoadPicture(TiffPath(name), bitmap, start);
}

// The fax page as Qt's own PBM reader sees it.
TRgbPicture FaxPage() {
    const QImage page = QImage(TiffPath("page.pbm")).convertToFormat(QImage::Format_RGB888);
    TRgbPicture picture;
    picture.Width = page.width();
    picture.Height = page.height();
    for (int y = 0; y < page.height(); ++y) {
        const uchar* line = page.constScanLine(y);
        picture.Rgb.insert(picture.Rgb.end(), line, line + page.width() * 3);
    }
    return picture;
}

TRgbPicture Inverted(TRgbPicture picture) {
    for (std::uint8_t& sample : picture.Rgb) {
        sample = std::uint8_t(255 - sample);
    }
    return picture;
}

} // namespace

TEST(TiffReader, EveryEncodingOfThePictureDecodesIdentically) {
    const TRgbPicture expected = ReadPpm(TiffPath("picture.ppm"));
    ASSERT_EQ(expected.Width, 13);
    struct TCase {
        const char* File;
        int Compression;
        int Photometric;
        int Planar;
        int Samples;
    };
    const TCase cases[] = {
        {"rgb-pillow-le.tif", ioTIFF_UNCOMPRESSED, ioTIFF_RGB, 1, 3},
        {"rgb-magick-be.tif", ioTIFF_UNCOMPRESSED, ioTIFF_RGB, 1, 3},
        {"rgb-magick-rgba.tif", ioTIFF_UNCOMPRESSED, ioTIFF_RGB, 1, 4},
        {"rgb-tiffcp-strips.tif", ioTIFF_UNCOMPRESSED, ioTIFF_RGB, 1, 3},
        {"rgb-pillow-packbits.tif", ioTIFF_PACKBITS, ioTIFF_RGB, 1, 3},
        {"rgb-tiffcp-packbits.tif", ioTIFF_PACKBITS, ioTIFF_RGB, 1, 3},
        {"rgb-tiffcp-planar.tif", ioTIFF_UNCOMPRESSED, ioTIFF_RGB, 2, 3},
        {"rgb-tiffcp-planar-packbits.tif", ioTIFF_PACKBITS, ioTIFF_RGB, 2, 3},
        {"palette-pillow-8bit.tif", ioTIFF_UNCOMPRESSED, ioTIFF_RGBPALETTE, 1, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        TBitmap bitmap;
        const TLoadResult r = LoadTiffFile(c.File, bitmap);
        EXPECT_FALSE(r.Aborted);
        EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
        EXPECT_EQ(PictureOf(bitmap), expected);
        EXPECT_EQ(r.Params.FileType, 1);
        EXPECT_EQ(r.Params.Width, 13);
        EXPECT_EQ(r.Params.Height, 7);
        EXPECT_EQ(r.Params.TiffCompression, c.Compression);
        EXPECT_EQ(r.Params.TiffPhotometric, c.Photometric);
        EXPECT_EQ(r.Params.TiffPlanarConfig, c.Planar);
        EXPECT_EQ(r.Params.SamplesPerPixel, c.Samples);
    }
}

TEST(TiffReader, EveryEncodingOfTheFaxPageDecodesIdentically) {
    const TRgbPicture page = FaxPage();
    ASSERT_EQ(page.Width, 2600);
    struct TCase {
        const char* File;
        int Compression;
        int Photometric;
        bool Inverted = false;
    };
    const TCase cases[] = {
        {"bilevel-magick-none.tif", ioTIFF_UNCOMPRESSED, ioTIFF_BLACKISZERO},
        {"bilevel-pillow-min-is-black.tif", ioTIFF_UNCOMPRESSED, ioTIFF_BLACKISZERO},
        {"bilevel-min-is-white.tif", ioTIFF_UNCOMPRESSED, ioTIFF_WHITEISZERO},
        {"bilevel-tiffcp-packbits.tif", ioTIFF_PACKBITS, ioTIFF_BLACKISZERO},
        {"fax-tiffcp-g3-1d.tif", ioTIFF_G3FAX1D, ioTIFF_BLACKISZERO},
        {"fax-tiffcp-g3-1d-fill.tif", ioTIFF_G3FAX1D, ioTIFF_BLACKISZERO},
        {"fax-tiffcp-g3-2d.tif", ioTIFF_G3FAX2D, ioTIFF_BLACKISZERO},
        {"fax-tiffcp-g3-2d-lsb.tif", ioTIFF_G3FAX2D, ioTIFF_BLACKISZERO},
        {"fax-tiffcp-g4.tif", ioTIFF_G4FAX, ioTIFF_BLACKISZERO},
        {"fax-tiffcp-g4-lsb.tif", ioTIFF_G4FAX, ioTIFF_BLACKISZERO},
        {"fax-magick-g3.tif", ioTIFF_G3FAX1D, ioTIFF_WHITEISZERO},
        {"fax-magick-g4.tif", ioTIFF_G4FAX, ioTIFF_WHITEISZERO},
        {"fax-pillow-mh.tif", ioTIFF_CCITT1D, ioTIFF_BLACKISZERO},
        {"fax-pillow-g3.tif", ioTIFF_G3FAX1D, ioTIFF_BLACKISZERO},
        {"fax-g4-swapped-photometric.tif", ioTIFF_G4FAX, ioTIFF_WHITEISZERO, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        TBitmap bitmap;
        const TLoadResult r = LoadTiffFile(c.File, bitmap);
        EXPECT_FALSE(r.Aborted);
        EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf1bit);
        EXPECT_EQ(PictureOf(bitmap), c.Inverted ? Inverted(page) : page);
        EXPECT_EQ(r.Params.TiffCompression, c.Compression);
        EXPECT_EQ(r.Params.TiffPhotometric, c.Photometric);
        EXPECT_EQ(r.Params.BitsPerSample, 1);
    }
}

TEST(TiffReader, PixelLayoutsMatchTheirIndependentDecode) {
    struct TCase {
        const char* File;
        const char* Reference;
        int Tolerance;
    };
    // CMYK: ImageMagick rounds where the reader truncates.
    const TCase cases[] = {
        {"grey-8bit.tif", "grey-8bit.ppm", 0},
        {"grey-8bit-min-is-white.tif", "grey-8bit-min-is-white.ppm", 0},
        {"grey-16bit.tif", "grey-16bit.ppm", 0},
        {"cmyk.tif", "cmyk.ppm", 1},
        {"palette-magick-2bit.tif", "palette-magick-2bit.ppm", 0},
        {"palette-1bit.tif", "palette-1bit.ppm", 0},
        {"rgb555-be.tif", "rgb555-be.ppm", 0},
        {"no-strip-byte-counts.tif", "no-strip-byte-counts.ppm", 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        TBitmap bitmap;
        const TLoadResult r = LoadTiffFile(c.File, bitmap);
        EXPECT_FALSE(r.Aborted);
        EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
        const TRgbPicture reference = ReadPpm(TiffPath(c.Reference));
        ASSERT_GT(reference.Width, 0);
        const int difference = MaxDifference(PictureOf(bitmap), reference);
        EXPECT_GE(difference, 0);
        EXPECT_LE(difference, c.Tolerance);
    }
}

TEST(TiffReader, FourBitGreyIsTheValueTimesSixteen) {
    // ImageMagick scales 15 to 255, the reader to 240.
    TRgbPicture expected = ReadPpm(TiffPath("grey-4bit.ppm"));
    ASSERT_GT(expected.Width, 0);
    for (std::uint8_t& sample : expected.Rgb) {
        ASSERT_EQ(sample % 17, 0);
        sample = std::uint8_t(sample / 17 * 16);
    }
    TBitmap bitmap;
    const TLoadResult r = LoadTiffFile("grey-4bit.tif", bitmap);
    EXPECT_EQ(PictureOf(bitmap), expected);
    EXPECT_EQ(r.Params.BitsPerSample, 4);
}

TEST(TiffReader, OneBitPaletteGetsTwentyFourBitsAndItsColours) {
    TBitmap bitmap;
    const TLoadResult r = LoadTiffFile("palette-1bit.tif", bitmap);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
    ASSERT_EQ(r.Params.PaletteCount, 2);
    EXPECT_EQ(r.Params.Palette[0], (TBGRTriple{0x80, 0x20, 0x10}));
    EXPECT_EQ(r.Params.Palette[1], (TBGRTriple{0x00, 0xA5, 0xFF}));
}

TEST(TiffReader, ThreePagesAreCountedAndTiffImageIndexPicksOne) {
    const QByteArray bytes = ReadFileBytes(TiffPath("three-pages.tif"));
    struct TCase {
        int Index;
        int Width;
        const char* PageName;
    };
    for (const TCase c : {TCase{0, 13, ""}, TCase{1, 9, "Second page"}, TCase{2, 2600, ""}}) {
        SCOPED_TRACE(c.Index);
        TMemoryStream stream(bytes.constData(), bytes.size());
        TBitmap bitmap;
        TIOParams params;
        params.TiffImageIndex = c.Index;
        bool aborted = false;
        ProgressContext context;
        context.Aborted = &aborted;
        int pages = 0;
        ReadTiff(stream, bitmap, pages, params, context);
        EXPECT_EQ(pages, 3);
        EXPECT_FALSE(aborted);
        EXPECT_EQ(bitmap.Width(), c.Width);
        EXPECT_EQ(params.TiffPageName, QLatin1String(c.PageName));
    }
}

TEST(TiffReader, PageBeyondTheLastReadsNothingAndIsNoError) {
    TBitmap bitmap;
    TIOParams start;
    start.TiffImageIndex = 3;
    const TLoadResult r = LoadTiffFile("three-pages.tif", bitmap, start);
    EXPECT_FALSE(r.Aborted);
    EXPECT_EQ(bitmap.Height(), 0);
    EXPECT_EQ(r.Params.Width, 0);
}

TEST(TiffReader, RefusedFilesLeaveTheBitmapAsEachRefusalSays) {
    enum TLeft { Previous, OneByOne, NewSize };
    const struct {
        const char* File;
        TLeft Left;
    } cases[] = {
        {"rgb-tiffcp-lzw.tif", Previous},
        {"refused-ycbcr-kept.tif", Previous},
        {"refused-rgb-16bit-kept.tif", Previous},
        {"refused-grey-2bit-kept.tif", Previous},
        {"refused-jpeg-kept.tif", Previous},
        {"refused-deflate-kept.tif", Previous},
        {"refused-unequal-bits-kept.tif", Previous},
        {"refused-g4-grey-kept.tif", Previous},
        {"refused-zero-width.tif", OneByOne},
        {"refused-tiled.tif", NewSize},
    };
    TBitmap previous;
    ASSERT_FALSE(LoadTiffFile("rgb-pillow-le.tif", previous).Aborted);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File);
        TBitmap bitmap = previous;
        const TLoadResult r = LoadTiffFile(c.File, bitmap);
        EXPECT_TRUE(r.Aborted);
        switch (c.Left) {
        case Previous:
            EXPECT_EQ(PictureOf(bitmap), PictureOf(previous));
            break;
        case OneByOne:
            EXPECT_EQ(bitmap.Width(), 1);
            EXPECT_EQ(bitmap.Height(), 1);
            break;
        case NewSize:
            EXPECT_EQ(bitmap.Width(), 2);
            EXPECT_EQ(bitmap.Height(), 2);
            break;
        }
    }
    TBitmap bitmap;
    EXPECT_EQ(LoadTiffFile("rgb-tiffcp-lzw.tif", bitmap).Params.TiffCompression, ioTIFF_LZW);
}

TEST(TiffReader, ResolutionInCentimetresBecomesDotsPerInch) {
    struct TCase {
        const char* File;
        int XDpi;
        int YDpi;
    };
    // lab.tif has no resolution tags.
    for (const TCase c : {TCase{"dpi-300-cm.tif", 762, 762}, TCase{"dpi-72-inch.tif", 72, 72},
                          TCase{"lab.tif", ScreenDpiX(), ScreenDpiY()}}) {
        SCOPED_TRACE(c.File);
        TBitmap bitmap;
        const TLoadResult r = LoadTiffFile(c.File, bitmap);
        EXPECT_EQ(r.Params.XDpi, c.XDpi);
        EXPECT_EQ(r.Params.YDpi, c.YDpi);
    }
}

TEST(TiffReader, LabWhiteComesOutCloseToWhiteAndBlackCloseToBlack) {
    TBitmap bitmap;
    const TLoadResult r = LoadTiffFile("lab.tif", bitmap);
    EXPECT_EQ(r.Params.TiffPhotometric, ioTIFF_CIELAB);
    const TBgr white = PixelAt(bitmap, 0, 0);
    EXPECT_GE(std::min({white.Blue, white.Green, white.Red}), 250);
    // The a and b bytes of 0 map to -0.39, not quite neutral.
    const TBgr black = PixelAt(bitmap, 1, 0);
    EXPECT_LE(std::max({black.Blue, black.Green, black.Red}), 8);
    const TBgr grey = PixelAt(bitmap, 2, 0);
    EXPECT_NEAR(grey.Red, grey.Blue, 8);
    EXPECT_GT(grey.Green, 60);
    EXPECT_LT(grey.Green, 200);
}

TEST(TiffReader, ProgressReachesTheLastRowAndAbortStopsTheRead) {
    const QByteArray bytes = ReadFileBytes(TiffPath("fax-tiffcp-g4.tif"));
    TMemoryStream stream(bytes.constData(), bytes.size());
    TBitmap bitmap;
    TIOParams params;
    bool aborted = false;
    ProgressContext context;
    context.Aborted = &aborted;
    std::vector<int> reports;
    context.OnProgress = [&](QObject*, int per, TProgressStageIO) {
        reports.push_back(per);
        if (per >= 50) {
            aborted = true;
        }
    };
    int pages = 0;
    ReadTiff(stream, bitmap, pages, params, context);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), 50);
    // Rows after the stop stay as the fresh bitmap has them: black.
    EXPECT_TRUE(BitAt(bitmap, 0, 1));
    EXPECT_FALSE(BitAt(bitmap, 0, bitmap.Height() - 1));
}
