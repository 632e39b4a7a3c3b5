#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include "imageio/Orientation.h"
#include "imageio/Readers.h"
#include "platform/Fit.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

QString OrientationData(const QString& name) {
    return TestDataPath(QStringLiteral("jpeg/orientation/") + name);
}

std::vector<std::uint8_t> ExifBytes(const QString& file) {
    // The files' only APP1 segment, after Pillow's JFIF one.
    const QByteArray bytes = ReadFileBytes(file);
    const qsizetype at = bytes.indexOf("Exif");
    const int length = (std::uint8_t(bytes[at - 2]) << 8) | std::uint8_t(bytes[at - 1]);
    return std::vector<std::uint8_t>(bytes.begin() + at, bytes.begin() + at + length - 2);
}

} // namespace

TEST(Orientation, EveryOrientationIsReportedAndTurnsUpright) {
    const TRgbPicture upright = ReadPpm(OrientationData(QStringLiteral("upright.ppm")));
    ASSERT_EQ(upright.Width, 24);
    TBitmap scratch;
    TIOParams start;
    start.ExifOrientation = 3; // what an earlier read left
    for (int n = 1; n <= 8; ++n) {
        TBitmap bitmap;
        const TLoadResult result =
            LoadPicture(OrientationData(QStringLiteral("orientation-%1.jpg").arg(n)), bitmap, start);
        ASSERT_FALSE(result.Aborted) << n;
        EXPECT_EQ(result.Params.ExifOrientation, n);
        // The reader leaves the rows as stored.
        EXPECT_EQ(bitmap.Width(), OrientationSwapsSides(n) ? 16 : 24) << n;
        TurnUpright(bitmap, n, scratch);
        EXPECT_EQ(PictureOf(bitmap), upright) << "orientation " << n;
    }
    // Without Exif: upright.
    EXPECT_EQ(
        LoadPicture(TestDataPath(QStringLiteral("jpeg/baseline.jpg")), scratch, start).Params.ExifOrientation,
        1);
}

TEST(Orientation, BrokenExifBlocksReadAsUpright) {
    const std::vector<std::uint8_t> good = ExifBytes(OrientationData(QStringLiteral("orientation-6.jpg")));
    ASSERT_EQ(ExifOrientation(good), 6);
    // Little-endian block: TIFF header at 6, directory at 14, its second entry (the orientation) at 28.
    const std::vector<std::function<void(std::vector<std::uint8_t>&)>> breakages = {
        [](auto& b) { b[0] = 'e'; },                                 // not "Exif"
        [](auto& b) { b[6] = 'X'; },                                 // no byte order
        [](auto& b) { b[8] = 43; },                                  // not 42
        [](auto& b) { b[10] = 0xF0; },                               // directory far beyond the block
        [](auto& b) { b[10] = 0xFF, b[11] = b[12] = b[13] = 0xFF; }, // directory offset 2^32 - 1
        [](auto& b) { b[14] = 1; },                                  // one entry, the width only
        [](auto& b) { b.resize(36); },                               // ends inside the orientation entry
        [](auto& b) { b[30] = 4; },                                  // a LONG, not a SHORT
        [](auto& b) { b[32] = 0; },                                  // count 0
        [](auto& b) { b[36] = 9; },                                  // no such orientation
        [](auto& b) { b[36] = 0; },
    };
    for (std::size_t i = 0; i < breakages.size(); ++i) {
        std::vector<std::uint8_t> broken = good;
        breakages[i](broken);
        EXPECT_EQ(ExifOrientation(broken), 1) << "breakage " << i;
    }
    EXPECT_EQ(ExifOrientation(ExifBytes(OrientationData(QStringLiteral("orientation-7.jpg")))),
              7); // big-endian
    EXPECT_EQ(ExifOrientation({}), 1);
    // A count beyond the block reads the entries that are there.
    std::vector<std::uint8_t> overcounted = good;
    overcounted[14] = overcounted[15] = 0xFF;
    EXPECT_EQ(ExifOrientation(overcounted), 6);
}

TEST(Orientation, ReductionIsTheLargestThatStaysAtLeastTheFit) {
    struct Case {
        int Width, Height, Orientation, BoxWidth, BoxHeight;
        unsigned Denominator;
    };
    const Case cases[] = {
        {6000, 4000, 1, 1920, 1080, 2}, // fit 1620 x 1080; a quarter would be 1500 x 1000
        {6000, 4000, 6, 1920, 1080, 4}, // upright 4000 x 6000, fit 720 x 1080
        {6000, 4000, 1, 3840, 2160, 1}, {6000, 4000, 1, 800, 600, 4},
        {6000, 4000, 1, 152, 112, 8},  // the settings preview
        {1000, 800, 1, 1920, 1080, 1}, // enlarged
        {4001, 3001, 1, 500, 375, 8},  // rounded up to 501 x 376, the fit is 499 x 375
        {6000, 4000, 1, 0, 0, 1},      // no box: full size
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JpegReductionFor(c.Width, c.Height, c.Orientation, c.BoxWidth, c.BoxHeight), c.Denominator)
            << c.Width << "x" << c.Height << " in " << c.BoxWidth << "x" << c.BoxHeight;
    }
    // Never below the fit, and the next reduction would be.
    for (int width = 37; width < 7000; width += 211) {
        for (int height = 29; height < 5000; height += 157) {
            const QSize fit = FittedSize(width, height, 1280, 1024);
            const unsigned d = JpegReductionFor(width, height, 1, 1280, 1024);
            const auto reduced = [&](unsigned by) {
                return QSize(int((unsigned(width) + by - 1) / by), int((unsigned(height) + by - 1) / by));
            };
            // A picture smaller than its fit is read at full size and enlarged.
            ASSERT_TRUE(d == 1 || (reduced(d).width() >= fit.width() && reduced(d).height() >= fit.height()));
            if (d < 8) {
                ASSERT_FALSE(reduced(d * 2).width() >= fit.width() &&
                             reduced(d * 2).height() >= fit.height());
            }
        }
    }
}

TEST(Orientation, JpegReaderReducesForTheUprightPicture) {
    TBitmap bitmap;
    TIOParams start;
    // Upright 24 x 16 in 3 x 8 fits as 3 x 2, which an eighth covers; the stored 16 x 24 would need a
    // quarter.
    start.JpegFitWidth = 3;
    start.JpegFitHeight = 8;
    LoadPicture(OrientationData(QStringLiteral("orientation-6.jpg")), bitmap, start);
    EXPECT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.Height(), 3);
}
