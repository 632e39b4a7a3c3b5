#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

// Layouts whose rows are easily read wrong, each against the picture that ImageMagick, Pillow or netpbm
// (whichever reads it right; see the make scripts) decodes from the same file.
TEST(OddLayouts, DecodeAsTheReferenceDecoders) {
    for (const auto& [file, reference] : {
             std::pair{"tga/pillow-grey-alpha.tga", "tga/pillow-grey-alpha.ppm"},
             std::pair{"tga/pillow-grey-alpha-rle.tga", "tga/pillow-grey-alpha.ppm"},
             std::pair{"ico/v5-bitfields.ico", "ico/v5-bitfields.ppm"},
             std::pair{"pcx/cga.pcx", "pcx/magick-cga.ppm"},
             std::pair{"pcx/cga-settings.pcx", "pcx/cga-settings.ppm"},
             std::pair{"pcx/2planes.pcx", "pcx/netpbm-2planes.ppm"},
             std::pair{"pcx/3planes.pcx", "pcx/netpbm-3planes.ppm"},
             std::pair{"pcx/rgba-4planes.pcx", "pcx/magick-rgba-4planes.ppm"},
         }) {
        SCOPED_TRACE(file);
        TBitmap bitmap;
        EXPECT_FALSE(LoadPicture(TestDataPath(QLatin1String(file)), bitmap).Aborted);
        const TRgbPicture expected = ReadPpm(TestDataPath(QLatin1String(reference)));
        ASSERT_GT(expected.Width, 0);
        EXPECT_EQ(PictureOf(bitmap), expected);
    }
}
