#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

// Against dwebp's decode of the same file, scaled by it where the reader is given a box, and Pillow's
// first frame of the animation, transparency composited over black (tests/data/webp/make.sh).
TEST(WebpReader, EveryVariantMatchesTheReferenceDecode) {
    struct TCase {
        const char* File;
        const char* Reference;
        int BoxWidth = 0;
        int BoxHeight = 0;
        int Orientation = 1;
        int SamplesPerPixel = 3;
    };
    const TCase cases[] = {
        {"lossy", "lossy"},
        {"lossless", "lossless"},
        {"lossy-alpha", "lossy-alpha", 0, 0, 1, 4},
        {"lossless-alpha", "lossless-alpha", 0, 0, 1, 4},
        {"animated", "animated", 0, 0, 1, 4},
        // The 64 x 48 picture halves into a 32 x 24 box; a larger box leaves it whole.
        {"lossy", "lossy-scaled", 32, 24},
        {"lossy", "lossy", 640, 480},
        {"exif-orientation-6", "exif-orientation-6", 0, 0, 6},
        // Turned upright it is 48 x 64, which fits the box as 18 x 24: stored, 24 x 18.
        {"exif-orientation-6", "exif-orientation-6-scaled", 32, 24, 6},
    };
    for (const TCase& c : cases) {
        const std::string label = std::string(c.File) + " in " + std::to_string(c.BoxWidth);
        TIOParams start;
        start.JpegFitWidth = c.BoxWidth;
        start.JpegFitHeight = c.BoxHeight;
        TBitmap bitmap;
        const TLoadResult r = LoadPicture(
            TestDataPath(QStringLiteral("webp/") + QLatin1String(c.File) + QStringLiteral(".webp")), bitmap,
            start);
        const TRgbPicture reference = ReadPpm(
            TestDataPath(QStringLiteral("webp/") + QLatin1String(c.Reference) + QStringLiteral(".ppm")));
        ASSERT_FALSE(reference.Rgb.empty()) << label;
        EXPECT_FALSE(r.Aborted) << label;
        EXPECT_EQ(r.Params.FileType, 12) << label;
        EXPECT_EQ(r.Params.Width, reference.Width) << label;
        EXPECT_EQ(r.Params.Height, reference.Height) << label;
        EXPECT_EQ(r.Params.ExifOrientation, c.Orientation) << label;
        EXPECT_EQ(r.Params.SamplesPerPixel, c.SamplesPerPixel) << label;
        EXPECT_EQ(PictureOf(bitmap), reference) << label;
    }
}
