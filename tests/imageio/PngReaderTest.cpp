#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

// Every colour type and bit depth, tRNS, Adam7 and eXIf against ImageMagick's decode of the same file,
// rounded to 8 bits and composited over black (tests/data/png/make.py).
TEST(PngReader, EveryVariantMatchesTheReferenceDecode) {
    struct TCase {
        const char* Name;
        int BitsPerSample;
        int SamplesPerPixel;
        int Orientation = 1;
    };
    const TCase cases[] = {
        {"grey-1", 1, 1},
        {"grey-2", 2, 1},
        {"grey-4", 4, 1},
        {"grey-8", 8, 1},
        {"grey-16", 16, 1},
        {"grey-2-trns", 2, 1},
        {"grey-16-trns", 16, 1},
        {"palette-1", 1, 1},
        {"palette-2", 2, 1},
        {"palette-4", 4, 1},
        {"palette-8", 8, 1},
        {"palette-4-trns", 4, 1},
        {"rgb-8", 8, 3},
        {"rgb-16", 16, 3},
        {"rgb-8-trns", 8, 3},
        {"grey-alpha-8", 8, 2},
        {"grey-alpha-16", 16, 2},
        {"rgba-8", 8, 4},
        {"rgba-16", 16, 4},
        {"interlaced-grey-1", 1, 1},
        {"interlaced-palette-4", 4, 1},
        {"interlaced-rgb-8", 8, 3},
        {"interlaced-rgba-16", 16, 4},
        {"one-pixel", 8, 3},
        {"exif-orientation-6", 8, 3, 6},
    };
    for (const TCase& c : cases) {
        const QString base = TestDataPath(QStringLiteral("png/") + QLatin1String(c.Name));
        TBitmap bitmap;
        const TLoadResult r = LoadPicture(base + QStringLiteral(".png"), bitmap);
        const TRgbPicture reference = ReadPpm(base + QStringLiteral(".ppm"));
        ASSERT_FALSE(reference.Rgb.empty()) << c.Name;
        EXPECT_FALSE(r.Aborted) << c.Name;
        EXPECT_EQ(r.Params.FileType, 8) << c.Name;
        EXPECT_EQ(r.Params.Width, reference.Width) << c.Name;
        EXPECT_EQ(r.Params.Height, reference.Height) << c.Name;
        EXPECT_EQ(r.Params.BitsPerSample, c.BitsPerSample) << c.Name;
        EXPECT_EQ(r.Params.SamplesPerPixel, c.SamplesPerPixel) << c.Name;
        EXPECT_EQ(r.Params.ExifOrientation, c.Orientation) << c.Name;
        EXPECT_EQ(PictureOf(bitmap), reference) << c.Name;
    }
}
