#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

// The first image of each file on its logical screen, against Pillow's first frame composited over black
// (tests/data/gif/make.py): colour tables of 2 to 256 entries, global and local, transparency, an image
// at an offset of a larger screen, interlacing at a height that leaves passes short, an animation.
TEST(GifReader, FirstImageMatchesTheReferenceDecode) {
    for (const char* name : {"global-2bit", "two-colours", "local-8bit", "transparent", "offset-transparent",
                             "interlaced", "animated"}) {
        const QString base = TestDataPath(QStringLiteral("gif/") + QLatin1String(name));
        TBitmap bitmap;
        const TLoadResult r = LoadPicture(base + QStringLiteral(".gif"), bitmap);
        const TRgbPicture reference = ReadPpm(base + QStringLiteral(".ppm"));
        ASSERT_FALSE(reference.Rgb.empty()) << name;
        EXPECT_FALSE(r.Aborted) << name;
        EXPECT_EQ(r.Params.FileType, 2) << name;
        EXPECT_EQ(r.Params.Width, reference.Width) << name;
        EXPECT_EQ(r.Params.SamplesPerPixel, 1) << name;
        EXPECT_EQ(PictureOf(bitmap), reference) << name;
    }
}
