#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

// JPEG XL pictures against djxl's decode (tests/data/jxl/make.sh); an animation shows its first frame.
TEST(JxlReader, EveryVariantMatchesTheReferenceDecode) {
    struct TCase {
        const char* Stem;
        int Bits;
        int Samples;
    };
    for (const TCase& c :
         {TCase{"lossless", 8, 3}, TCase{"lossy", 8, 3}, TCase{"lossless16", 16, 3}, TCase{"lossy16", 16, 3},
          TCase{"grey", 8, 1}, TCase{"alpha", 8, 4}, TCase{"lossless-alpha", 8, 4}, TCase{"odd", 8, 3},
          TCase{"oriented6", 8, 3}, TCase{"animation", 8, 4}}) {
        const std::string stem = std::string("jxl/") + c.Stem;
        const TLoadResult r = ExpectLikeThePpmBeside(stem + ".jxl");
        EXPECT_EQ(r.Params.BitsPerSample, c.Bits) << stem;
        EXPECT_EQ(r.Params.SamplesPerPixel, c.Samples) << stem;
        EXPECT_EQ(r.Params.ExifOrientation, 1) << stem;
        EXPECT_EQ(r.Params.FileType, 15) << stem;
    }
}
