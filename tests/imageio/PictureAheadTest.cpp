#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include "imageio/PictureAhead.h"
#include "platform/Exceptions.h"
#include "platform/Fit.h"
#include "platform/Resample.h"

#include <gtest/gtest.h>

namespace {

QString Data(const char* name) {
    return TestDataPath(QLatin1String(name));
}

} // namespace

TEST(PictureAhead, HandsOverWhatTheLoaderReadsTurnedUprightAndReducedForTheBox) {
    TPictureAhead ahead;
    TBitmap picture;
    ahead.SetAttachedBitmap(&picture);
    ahead.Prepare(Data("jpeg/orientation/orientation-8.jpg")); // full size: no box yet
    ahead.LoadFromFile(Data("jpeg/orientation/orientation-8.jpg"));
    EXPECT_FALSE(ahead.Aborted());
    EXPECT_EQ(ahead.Params().ExifOrientation, 8);
    EXPECT_EQ(PictureOf(picture), ReadPpm(Data("jpeg/orientation/upright.ppm")));

    ahead.SetFitBox(QSize(12, 9));
    ahead.Prepare(Data("jpeg/grey.jpg")); // dropped: the next turn is another picture's
    ahead.LoadFromFile(Data("jpeg/baseline.jpg"));
    TBitmap reference;
    TIOParams quarter;
    quarter.JpegScale = ioJPEG_QUARTER;
    LoadPicture(Data("jpeg/baseline.jpg"), reference, quarter);
    EXPECT_EQ(PictureOf(picture), PictureOf(reference));
    EXPECT_EQ(ahead.Params().ExifOrientation, 1);

    ahead.SetFitBox(QSize(24, 16)); // larger than the box of the read ahead: read again
    ahead.Prepare(Data("jpeg/baseline.jpg"));
    ahead.SetFitBox(QSize(48, 32));
    ahead.LoadFromFile(Data("jpeg/baseline.jpg"));
    EXPECT_EQ(picture.Width(), 48);

    // A read stopped on the way is not handed over: its turn reads afresh.
    ahead.Prepare(Data("jpeg/progressive.jpg"));
    ahead.SetAborted(true);
    ahead.LoadFromFile(Data("jpeg/progressive.jpg"));
    EXPECT_FALSE(ahead.Aborted());
    EXPECT_EQ(PictureOf(picture), ReadPpm(Data("jpeg/progressive.ppm")));
}

TEST(PictureAhead, RefusalsAndErrorsComeAtTheirOwnTurn) {
    TPictureFolder folder;
    const QString notJpeg = folder.Write(QStringLiteral("not.jpg"), "not a picture");
    const QString missing = folder.Path(QStringLiteral("missing.bmp"));
    TPictureAhead ahead;
    TBitmap picture;
    ahead.SetAttachedBitmap(&picture);
    ahead.LoadFromFile(Data("jpeg/baseline.jpg"));
    const TRgbPicture before = PictureOf(picture);

    ahead.Prepare(notJpeg);
    ahead.LoadFromFile(notJpeg);
    EXPECT_TRUE(ahead.Aborted());
    EXPECT_EQ(PictureOf(picture), before); // refused before sizing: the bitmap keeps its picture

    ahead.Prepare(missing); // no exception yet
    try {
        ahead.LoadFromFile(missing);
        FAIL() << "no exception";
    } catch (const EFOpenError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot open file \"") + missing)) << e.what();
    }
    EXPECT_EQ(PictureOf(picture), before);
    ahead.LoadFromFile(Data("jpeg/grey.jpg")); // and the next one loads
    EXPECT_FALSE(ahead.Aborted());
    EXPECT_EQ(ahead.Params().JpegColorSpace, ioJPEG_GRAYLEV);
}

TEST(PictureAhead, PicturesTheFitWouldShrinkComeAtTheSizeAndWithThePixelsOfTheFit) {
    const struct {
        const char* File;
        QSize Box;
        bool Shrinks;
    } cases[] = {
        {"bmp/magick-24bit.bmp", QSize(8, 6), true},
        {"tiff/fax-tiffcp-g4.tif", QSize(640, 480), true}, // 1 bit stays 1 bit, thresholded as the fit does
        {"bmp/magick-24bit.bmp", QSize(40, 40), false},    // enlarged by the fit: kept as read
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File);
        TBitmap full;
        LoadPicture(Data(c.File), full);
        const QSize fit = FittedSize(full.Width(), full.Height(), c.Box.width(), c.Box.height());
        // What the show's fit makes of the picture as read and of the picture handed over.
        const auto fitted = [&](const TBitmap& picture) {
            TBitmap result;
            result.Reset(fit.width(), fit.height(), picture.PixelFormat());
            StretchHalftone(picture, result, 0, 0, fit.width(), fit.height());
            return result;
        };
        TPictureAhead ahead;
        TBitmap picture;
        ahead.SetAttachedBitmap(&picture);
        ahead.SetFitBox(c.Box);
        ahead.LoadFromFile(Data(c.File));
        EXPECT_EQ(picture.PixelFormat(), full.PixelFormat());
        EXPECT_EQ(PictureOf(picture), PictureOf(c.Shrinks ? fitted(full) : full));
        EXPECT_EQ(PictureOf(fitted(picture)), PictureOf(fitted(full)));
    }
}
