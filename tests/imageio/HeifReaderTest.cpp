#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

// HEIF and AVIF pictures against heif-convert's decode (tests/data/heif/make.sh, avif/make.sh).

namespace {

struct THeifCase {
    const char* File;
    int Bits;
};

void ExpectLikeTheReference(const char* folder, const THeifCase& c, int fileType) {
    const std::string path = std::string(folder) + "/" + c.File;
    const TLoadResult r = ExpectLikeThePpmBeside(path);
    EXPECT_EQ(r.Params.BitsPerSample, c.Bits) << path;
    EXPECT_EQ(r.Params.ExifOrientation, 1) << path;
    EXPECT_EQ(r.Params.FileType, fileType) << path;
}

} // namespace

TEST(HeifReader, EveryVariantMatchesTheReferenceDecode) {
    for (const THeifCase& c :
         {THeifCase{"rgb8.heic", 8}, THeifCase{"rgb10.heic", 10}, THeifCase{"rgb12.heic", 12},
          THeifCase{"grey.heic", 8}, THeifCase{"alpha.heic", 8}, THeifCase{"odd.heic", 8},
          THeifCase{"lossless.heic", 8}, THeifCase{"rotated-mirrored.heic", 8}}) {
        ExpectLikeTheReference("heif", c, 13);
    }
}

TEST(AvifReader, EveryVariantMatchesTheReferenceDecode) {
    for (const THeifCase& c :
         {THeifCase{"rgb8-444.avif", 8}, THeifCase{"rgb8-420.avif", 8}, THeifCase{"rgb10.avif", 10},
          THeifCase{"rgb12.avif", 12}, THeifCase{"grey.avif", 8}, THeifCase{"alpha.avif", 8},
          THeifCase{"odd.avif", 8}, THeifCase{"lossless.avif", 8}, THeifCase{"rotated-mirrored.avif", 8},
          THeifCase{"cropped.avif", 8}}) {
        ExpectLikeTheReference("avif", c, 14);
    }
}
