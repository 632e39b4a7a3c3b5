#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

// The first image of each file on its logical screen, against Pillow's first frame composited over black
// (tests/data/gif/make.py): colour tables of 2 to 256 entries, global and local, transparency, an image
// at an offset of a larger screen, interlacing at a height that leaves passes short, an animation, and a
// picture large enough to be drawn on a second thread (reference kept as PNG).
TEST(GifReader, FirstImageMatchesTheReferenceDecode) {
    for (const char* name : {"global-2bit", "two-colours", "local-8bit", "transparent", "offset-transparent",
                             "interlaced", "animated", "large-interlaced"}) {
        const QString base = TestDataPath(QStringLiteral("gif/") + QLatin1String(name));
        TBitmap bitmap;
        const TLoadResult r = LoadPicture(base + QStringLiteral(".gif"), bitmap);
        const TRgbPicture reference = QFile::exists(base + QStringLiteral(".ppm"))
                                          ? ReadPpm(base + QStringLiteral(".ppm"))
                                          : ReadThroughQt(base + QStringLiteral(".png"));
        ASSERT_FALSE(reference.Rgb.empty()) << name;
        EXPECT_FALSE(r.Aborted) << name;
        EXPECT_EQ(r.Params.FileType, 2) << name;
        EXPECT_EQ(r.Params.Width, reference.Width) << name;
        EXPECT_EQ(r.Params.SamplesPerPixel, 1) << name;
        EXPECT_EQ(PictureOf(bitmap), reference) << name;
    }
}

// Cut in the middle of its image data, the large picture is refused while its lines are being drawn.
TEST(GifReader, LargePictureCutShortIsRefused) {
    QFile file(TestDataPath(QStringLiteral("gif/large-interlaced.gif")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    TBitmap bitmap;
    EXPECT_TRUE(LoadBytes(QStringLiteral("cut.gif"), whole.left(whole.size() / 2), bitmap).Aborted);
}
