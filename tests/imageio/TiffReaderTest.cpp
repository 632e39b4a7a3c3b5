#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include "imageio/PictureAhead.h"
#include "platform/ScreenDpi.h"

#include <QImage>

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

QString TiffPath(const QString& name) {
    return TestDataPath(QStringLiteral("tiff/") + name);
}

TLoadResult LoadTiffFile(const char* name, TBitmap& bitmap) {
    return LoadPicture(TiffPath(QLatin1String(name)), bitmap);
}

// The fax page as Qt's own PBM reader sees it, inverted when asked.
TRgbPicture FaxPage(bool inverted) {
    QImage page = QImage(TiffPath(QStringLiteral("page.pbm"))).convertToFormat(QImage::Format_RGB888);
    if (inverted) {
        page.invertPixels();
    }
    TRgbPicture picture{page.width(), page.height(), {}};
    for (int y = 0; y < page.height(); ++y) {
        picture.Rgb.insert(picture.Rgb.end(), page.constScanLine(y),
                           page.constScanLine(y) + page.width() * 3);
    }
    return picture;
}

} // namespace

TEST(TiffReader, EveryEncodingOfThePictureAndTheFaxPageDecodesIdentically) {
    // One fax file has the photometric interpretation swapped and so shows the page inverted.
    const TRgbPicture picture = ReadPpm(TiffPath(QStringLiteral("picture.ppm")));
    const TRgbPicture page = FaxPage(false), inverted = FaxPage(true);
    ASSERT_EQ(picture.Width, 13);
    ASSERT_EQ(page.Width, 2600);
    struct TCase {
        const char* File;
        int Compression, Photometric, Planar, Samples;
        const TRgbPicture* Expected = nullptr; // the picture
    };
    const int none = ioTIFF_UNCOMPRESSED, packBits = ioTIFF_PACKBITS, rgb = ioTIFF_RGB;
    const int blackIsZero = ioTIFF_BLACKISZERO, whiteIsZero = ioTIFF_WHITEISZERO;
    const TCase cases[] = {
        {"rgb-pillow-le.tif", none, rgb, 1, 3},
        {"rgb-magick-be.tif", none, rgb, 1, 3},
        {"rgb-magick-rgba.tif", none, rgb, 1, 4},
        {"rgb-tiffcp-strips.tif", none, rgb, 1, 3},
        {"rgb-pillow-packbits.tif", packBits, rgb, 1, 3},
        {"rgb-tiffcp-packbits.tif", packBits, rgb, 1, 3},
        {"rgb-tiffcp-planar.tif", none, rgb, 2, 3},
        {"rgb-tiffcp-planar-packbits.tif", packBits, rgb, 2, 3},
        {"palette-pillow-8bit.tif", none, ioTIFF_RGBPALETTE, 1, 1},
        {"bilevel-magick-none.tif", none, blackIsZero, 1, 1, &page},
        {"bilevel-pillow-min-is-black.tif", none, blackIsZero, 1, 1, &page},
        {"bilevel-min-is-white.tif", none, whiteIsZero, 1, 1, &page},
        {"bilevel-tiffcp-packbits.tif", packBits, blackIsZero, 1, 1, &page},
        {"fax-tiffcp-g3-1d.tif", ioTIFF_G3FAX1D, blackIsZero, 1, 1, &page},
        {"fax-tiffcp-g3-1d-fill.tif", ioTIFF_G3FAX1D, blackIsZero, 1, 1, &page},
        {"fax-tiffcp-g3-2d.tif", ioTIFF_G3FAX2D, blackIsZero, 1, 1, &page},
        {"fax-tiffcp-g3-2d-lsb.tif", ioTIFF_G3FAX2D, blackIsZero, 1, 1, &page},
        {"fax-tiffcp-g4.tif", ioTIFF_G4FAX, blackIsZero, 1, 1, &page},
        {"fax-tiffcp-g4-lsb.tif", ioTIFF_G4FAX, blackIsZero, 1, 1, &page},
        {"fax-magick-g3.tif", ioTIFF_G3FAX1D, whiteIsZero, 1, 1, &page},
        {"fax-magick-g4.tif", ioTIFF_G4FAX, whiteIsZero, 1, 1, &page},
        {"fax-pillow-mh.tif", ioTIFF_CCITT1D, blackIsZero, 1, 1, &page},
        {"fax-pillow-g3.tif", ioTIFF_G3FAX1D, blackIsZero, 1, 1, &page},
        {"fax-g4-swapped-photometric.tif", ioTIFF_G4FAX, whiteIsZero, 1, 1, &inverted},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        const TRgbPicture& expected = c.Expected ? *c.Expected : picture;
        TBitmap bitmap;
        const TLoadResult r = LoadTiffFile(c.File, bitmap);
        EXPECT_FALSE(r.Aborted);
        EXPECT_EQ(bitmap.PixelFormat(), c.Expected ? TPixelFormat::pf1bit : TPixelFormat::pf24bit);
        EXPECT_EQ(PictureOf(bitmap), expected);
        const TIOParams& p = r.Params;
        EXPECT_EQ(std::tuple(p.FileType, p.Width, p.Height, p.TiffCompression, p.TiffPhotometric,
                             p.TiffPlanarConfig, p.SamplesPerPixel, p.BitsPerSample),
                  std::tuple(1, expected.Width, expected.Height, c.Compression, c.Photometric, c.Planar,
                             c.Samples, c.Expected ? 1 : 8));
    }
}

TEST(TiffReader, PixelLayoutsMatchTheirIndependentDecode) {
    // name.tif against name.ppm. CMYK: ImageMagick rounds where the reader truncates. Four-bit grey:
    // ImageMagick scales 15 to 255, the reader to 240.
    for (const auto& [file, tolerance] :
         {std::pair{"grey-8bit", 0}, std::pair{"grey-8bit-min-is-white", 0}, std::pair{"grey-16bit", 0},
          std::pair{"grey-16bit-full", 0}, std::pair{"grey-4bit", 0}, std::pair{"cmyk", 1},
          std::pair{"palette-magick-2bit", 0}, std::pair{"palette-1bit", 0}, std::pair{"rgb555-be", 0},
          std::pair{"no-strip-byte-counts", 0}}) {
        SCOPED_TRACE(file);
        TBitmap bitmap;
        const TLoadResult r = LoadTiffFile((std::string(file) + ".tif").c_str(), bitmap);
        EXPECT_FALSE(r.Aborted);
        EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
        TRgbPicture reference = ReadPpm(TiffPath(QLatin1String(file) + QStringLiteral(".ppm")));
        ASSERT_GT(reference.Width, 0);
        if (r.Params.BitsPerSample == 4) {
            for (std::uint8_t& sample : reference.Rgb) {
                ASSERT_EQ(sample % 17, 0);
                sample = std::uint8_t(sample / 17 * 16);
            }
        }
        const int difference = MaxDifference(PictureOf(bitmap), reference);
        EXPECT_TRUE(difference >= 0 && difference <= tolerance) << difference;
    }
}

TEST(TiffReader, ThreePagesAreCountedAndTiffImageIndexPicksOne) {
    const QByteArray bytes = ReadFileBytes(TiffPath(QStringLiteral("three-pages.tif")));
    // Beyond the last page nothing is read, and that is no error.
    for (const auto& [index, width, pageName] : {std::tuple{0, 13, ""}, std::tuple{1, 9, "Second page"},
                                                 std::tuple{2, 2600, ""}, std::tuple{3, 0, ""}}) {
        SCOPED_TRACE(index);
        TBitmap bitmap;
        TIOParams params;
        params.TiffImageIndex = index;
        bool aborted = false;
        EXPECT_EQ(ReadTiffBytes(bytes, bitmap, params, aborted), 3);
        EXPECT_FALSE(aborted);
        EXPECT_EQ(std::pair(bitmap.Width(), params.Width), std::pair(width, width));
        EXPECT_EQ(params.TiffPageName, QLatin1String(pageName));
    }
}

TEST(TiffReader, BrokenFilesAreRefusedAndLayoutsBeyondTheOwnDecoderLoad) {
    TBitmap previous;
    ASSERT_FALSE(LoadTiffFile("rgb-pillow-le.tif", previous).Aborted);
    // Size 0: refused with the previous picture kept; a zero width leaves 1 x 1. Others load (libtiff).
    for (const auto& [file, aborted, size] :
         {std::tuple{"refused-grey-2bit-kept.tif", true, 0}, std::tuple{"refused-jpeg-kept.tif", true, 0},
          std::tuple{"refused-deflate-kept.tif", true, 0},
          std::tuple{"refused-unequal-bits-kept.tif", true, 0},
          std::tuple{"refused-g4-grey-kept.tif", true, 0}, std::tuple{"refused-zero-width.tif", true, 1},
          std::tuple{"refused-ycbcr-kept.tif", false, 2}, std::tuple{"refused-rgb-16bit-kept.tif", false, 2},
          std::tuple{"refused-tiled.tif", false, 2}, std::tuple{"rgb-tiffcp-lzw.tif", false, 13}}) {
        SCOPED_TRACE(file);
        TBitmap bitmap = previous;
        EXPECT_EQ(LoadTiffFile(file, bitmap).Aborted, aborted);
        EXPECT_EQ(PictureOf(bitmap) == PictureOf(previous), size == 0 || size == 13);
        EXPECT_EQ(bitmap.Width(), size == 0 ? 13 : size);
    }
}

TEST(TiffReader, LayoutsThroughLibtiffMatchTheirIndependentDecode) {
    // library-NAME.tif against library-NAME.ppm, ImageMagick's decode with alpha over black. Where 16-bit,
    // floating-point and CMYK samples become 8 bits, the two round differently.
    const int none = ioTIFF_UNCOMPRESSED, lzw = ioTIFF_LZW, jpeg = ioTIFF_JPEG, unchanged = 99;
    for (const auto& [name, tolerance, compression, planar] :
         {std::tuple{"lzw-predictor", 0, lzw, 1}, std::tuple{"deflate-predictor", 0, unchanged, 1},
          std::tuple{"deflate-old-code", 0, unchanged, 1}, std::tuple{"tiled-lzw", 0, lzw, 1},
          std::tuple{"bigtiff", 0, unchanged, 1}, std::tuple{"rgb16", 1, none, 1},
          std::tuple{"rgb16-planar", 1, lzw, 2}, std::tuple{"rgb8-planar-lzw", 0, lzw, 2},
          std::tuple{"rgba16", 1, lzw, 1}, std::tuple{"rgba8-unassociated-lzw", 1, lzw, 1},
          std::tuple{"rgba8-associated-lzw", 1, lzw, 1}, std::tuple{"ycbcr-subsampled", 1, none, 1},
          std::tuple{"jpeg-ycbcr", 2, jpeg, 1}, std::tuple{"jpeg-rgb", 0, jpeg, 1},
          std::tuple{"cmyk8-planar", 1, none, 2}, std::tuple{"grey16-lzw", 1, lzw, 1},
          std::tuple{"float32-fp-predictor", 1, unchanged, 1}}) {
        SCOPED_TRACE(name);
        TBitmap bitmap;
        TIOParams start;
        start.TiffCompression = unchanged;
        const QString stem = QStringLiteral("library-") + QLatin1String(name);
        const TLoadResult r = LoadPicture(TiffPath(stem + QStringLiteral(".tif")), bitmap, start);
        EXPECT_FALSE(r.Aborted);
        const int difference =
            MaxDifference(PictureOf(bitmap), ReadPpm(TiffPath(stem + QStringLiteral(".ppm"))));
        EXPECT_TRUE(difference >= 0 && difference <= tolerance) << difference;
        EXPECT_EQ(std::tuple(r.Params.FileType, r.Params.Width, r.Params.TiffCompression,
                             r.Params.TiffPlanarConfig),
                  std::tuple(1, 40, compression, planar));
    }
}

TEST(TiffReader, EveryOrientationComesUprightThroughTheReadAhead) {
    // Odd orientations are uncompressed (the own decoder), even ones LZW (libtiff).
    const TRgbPicture upright = ReadPpm(TiffPath(QStringLiteral("upright.ppm")));
    ASSERT_EQ(upright.Width, 6);
    TPictureAhead ahead;
    TBitmap picture;
    ahead.SetAttachedBitmap(&picture);
    for (int n = 1; n <= 8; ++n) {
        ahead.LoadFromFile(TiffPath(QStringLiteral("orientation-%1.tif").arg(n)));
        EXPECT_FALSE(ahead.Aborted()) << n;
        EXPECT_EQ(ahead.Params().ExifOrientation, n);
        EXPECT_EQ(PictureOf(picture), upright) << "orientation " << n;
    }
}

TEST(TiffReader, ResolutionInCentimetresBecomesDotsPerInch) {
    // lab.tif has no resolution tags.
    for (const auto& [file, xDpi, yDpi] :
         {std::tuple{"dpi-300-cm.tif", 762, 762}, std::tuple{"dpi-72-inch.tif", 72, 72},
          std::tuple{"lab.tif", ScreenDpiX(), ScreenDpiY()}}) {
        SCOPED_TRACE(file);
        TBitmap bitmap;
        const TIOParams p = LoadTiffFile(file, bitmap).Params;
        EXPECT_EQ(std::pair(p.XDpi, p.YDpi), std::pair(xDpi, yDpi));
    }
}

TEST(TiffReader, LabWhiteComesOutCloseToWhiteAndBlackCloseToBlack) {
    TBitmap bitmap;
    EXPECT_EQ(LoadTiffFile("lab.tif", bitmap).Params.TiffPhotometric, ioTIFF_CIELAB);
    const TBgr white = PixelAt(bitmap, 0, 0), black = PixelAt(bitmap, 1, 0), grey = PixelAt(bitmap, 2, 0);
    EXPECT_GE(std::min({white.Blue, white.Green, white.Red}), 250);
    // The a and b bytes of 0 map to -0.39, not quite neutral.
    EXPECT_LE(std::max({black.Blue, black.Green, black.Red}), 8);
    EXPECT_NEAR(grey.Red, grey.Blue, 8);
    EXPECT_NEAR(grey.Green, 130, 70);
}

TEST(TiffReader, ProgressReachesTheLastRowAndAbortStopsTheRead) {
    TBitmap bitmap;
    TIOParams params;
    bool aborted = false;
    std::vector<int> reports;
    ReadTiffBytes(ReadFileBytes(TiffPath(QStringLiteral("fax-tiffcp-g4.tif"))), bitmap, params, aborted,
                  [&](QObject*, int per, TProgressStageIO) {
                      reports.push_back(per);
                      aborted = aborted || per >= 50;
                  });
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), 50);
    // Rows after the stop stay as the fresh bitmap has them: black.
    EXPECT_TRUE(BitAt(bitmap, 0, 1));
    EXPECT_FALSE(BitAt(bitmap, 0, bitmap.Height() - 1));
}
