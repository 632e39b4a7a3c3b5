#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

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
          std::pair{"grey-4bit", 0}, std::pair{"cmyk", 1}, std::pair{"palette-magick-2bit", 0},
          std::pair{"palette-1bit", 0}, std::pair{"rgb555-be", 0}, std::pair{"no-strip-byte-counts", 0}}) {
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

TEST(TiffReader, RefusedFilesLeaveTheBitmapAsEachRefusalSays) {
    TBitmap previous;
    ASSERT_FALSE(LoadTiffFile("rgb-pillow-le.tif", previous).Aborted);
    // Most refusals keep the previous picture; a zero width leaves 1 x 1, tiles 2 x 2.
    for (const auto& [file, size] :
         {std::pair{"rgb-tiffcp-lzw.tif", 0}, std::pair{"refused-ycbcr-kept.tif", 0},
          std::pair{"refused-rgb-16bit-kept.tif", 0}, std::pair{"refused-grey-2bit-kept.tif", 0},
          std::pair{"refused-jpeg-kept.tif", 0}, std::pair{"refused-deflate-kept.tif", 0},
          std::pair{"refused-unequal-bits-kept.tif", 0}, std::pair{"refused-g4-grey-kept.tif", 0},
          std::pair{"refused-zero-width.tif", 1}, std::pair{"refused-tiled.tif", 2}}) {
        SCOPED_TRACE(file);
        TBitmap bitmap = previous;
        EXPECT_TRUE(LoadTiffFile(file, bitmap).Aborted);
        EXPECT_EQ(PictureOf(bitmap) == PictureOf(previous), size == 0);
        EXPECT_EQ(bitmap.Width(), size == 0 ? 13 : size);
        EXPECT_EQ(bitmap.Height(), size == 0 ? 7 : size);
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
