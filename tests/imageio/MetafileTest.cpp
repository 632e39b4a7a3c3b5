#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/QtApp.h"
#include "tests/support/TestSupport.h"

#include "platform/Exceptions.h"
#include "platform/Metafile.h"
#include "platform/ScreenDpi.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <gtest/gtest.h>

#include <tuple>

// rectangle.emf and rectangle.wmf (made by tests/data/metafile/make.py): 4000 x 1000 pixels at 96 dots
// per inch, nothing drawn but a red rectangle from (1000, 250) to (2000, 750).

namespace {

QString Rectangle(const char* extension) {
    return TestDataPath(QStringLiteral("metafile/rectangle.") + QLatin1String(extension));
}

std::optional<TMetafileHeader> HeaderOf(const QByteArray& bytes, int dpi = 96) {
    return ReadMetafileHeader(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())), dpi,
        dpi);
}

// The reference SVG drawn by Qt SVG at its own size on black, into a picture one column and one row
// smaller, as a metafile is loaded.
TRgbPicture RenderedReference(const QString& svgName) {
    QSvgRenderer renderer(TestDataPath(QStringLiteral("metafile/") + svgName));
    const QSize size = renderer.defaultSize();
    QImage image(size - QSize(1, 1), QImage::Format_BGR888);
    image.fill(Qt::black);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), size));
    painter.end();
    image.convertTo(QImage::Format_RGB888);
    TRgbPicture picture{image.width(), image.height(), {}};
    for (int y = 0; y < picture.Height; ++y) {
        const uchar* line = image.constScanLine(y);
        picture.Rgb.insert(picture.Rgb.end(), line, line + picture.Width * 3);
    }
    return picture;
}

struct TMetafileFixture : ::testing::Test {
    TBitmap Bitmap;
    TPictureIO Loader;
    void SetUp() override {
        EnsureApplication();
        ASSERT_EQ(ScreenDpiX(), 96);
        Bitmap = MarkedBitmap();
        Loader.SetAttachedBitmap(&Bitmap);
    }
};

} // namespace

TEST_F(TMetafileFixture, NaturalSizeIsCappedAt2800AndDrawnOnTheBackgroundOnePixelBeyondTheBitmap) {
    for (const auto& [extension, background, fileType] :
         {std::tuple{"emf", clBlack, 10}, std::tuple{"wmf", clBlack, 9},
          std::tuple{"wmf", RGBColor(0, 0, 128), 9}, std::tuple{"emf", RGBColor(0, 90, 0), 10}}) {
        SCOPED_TRACE(extension);
        Loader.SetBackground(background);
        Loader.LoadFromFile(Rectangle(extension));
        EXPECT_FALSE(Loader.Aborted());
        ASSERT_EQ(std::pair(Bitmap.Width(), Bitmap.Height()), std::pair(2799, 699));
        EXPECT_EQ(Bitmap.PixelFormat(), TPixelFormat::pf24bit);
        const TIOParams& p = Loader.Params();
        EXPECT_EQ(
            std::tuple(p.FileType, p.FileName, p.Width, p.Height, p.XDpi, p.BitsPerSample, p.SamplesPerPixel),
            std::tuple(fileType, Rectangle(extension), 2799, 699, 96, 8, 3));
        // At 0.7 of the natural size the rectangle covers (700, 175) to (1400, 525).
        const TBgr red{0, 0, 255};
        for (const auto& [x, y] : {std::pair{703, 178}, std::pair{1050, 350}, std::pair{1396, 521}}) {
            EXPECT_EQ(PixelAt(Bitmap, x, y), red) << x << "," << y;
        }
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{696, 350}, std::pair{1404, 350},
                                   std::pair{1050, 171}, std::pair{1050, 529}, std::pair{2798, 698}}) {
            EXPECT_EQ(PixelAt(Bitmap, x, y),
                      (TBgr{BlueOf(background), GreenOf(background), RedOf(background)}))
                << x << "," << y;
        }
    }
}

TEST_F(TMetafileFixture, DrawnAtTheNaturalSizeAsTheReferenceShowsThem) {
    // Twips and a shifted window, a window upside down, Windows-1251 text.
    for (const auto& [file, reference] :
         {std::pair{"twips.wmf", "frame.svg"}, std::pair{"flipped.wmf", "frame.svg"},
          std::pair{"cyrillic.wmf", "cyrillic.svg"}}) {
        SCOPED_TRACE(file);
        Loader.LoadFromFile(TestDataPath(QStringLiteral("metafile/") + QLatin1String(file)));
        EXPECT_EQ(MaxDifference(PictureOf(Bitmap), RenderedReference(QLatin1String(reference))), 0);
    }
}

// Clip paths against librsvg's rendering of the converter's SVG (clip.png from clip.svg), which honours
// them: equal but for a few antialiased edge pixels.
TEST_F(TMetafileFixture, ClipPathsOfAnEnhancedMetafileHideWhatTheyClip) {
    Loader.LoadFromFile(TestDataPath(QStringLiteral("metafile/clip.emf")));
    const QImage reference(TestDataPath(QStringLiteral("metafile/clip.png")));
    EXPECT_LE(PixelsApart(Bitmap.Image(), reference.copy(0, 0, Bitmap.Width(), Bitmap.Height()), 24),
              Bitmap.Width() * Bitmap.Height() / 100);
}

TEST_F(TMetafileFixture, RequestedSizesKeepTheProportionsOfTheNaturalSize) {
    // The size asked for, then the bitmap's.
    for (const auto& [width, height, bitmapWidth, bitmapHeight] :
         {std::tuple{400, -1, 399, 99}, std::tuple{-1, 200, 799, 199}, std::tuple{100, 50, 99, 49},
          std::tuple{1, 1, 0, 0}, std::tuple{-1, 5000, 2799, 699}, std::tuple{10, 3000, 8, 2799},
          std::tuple{2800, 2800, 2799, 2799}}) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        Loader.ImportMetafile(Rectangle("wmf"), width, height);
        EXPECT_EQ(std::tuple(Loader.Aborted(), Bitmap.Width(), Bitmap.Height()),
                  std::tuple(false, bitmapWidth, bitmapHeight));
    }
}

TEST_F(TMetafileFixture, ZeroSizeAsksForNothingAndAnEmptyPictureIsRefused) {
    Loader.SetAborted(true);
    Loader.ImportMetafile(Rectangle("emf"), 0, 100);
    EXPECT_FALSE(Loader.Aborted());
    EXPECT_TRUE(IsMarked(Bitmap));

    // A placeable bounding box of zero width.
    TPictureFolder folder;
    Loader.LoadFromFile(folder.Write(QStringLiteral("empty.wmf"),
                                     Patched(ReadFileBytes(Rectangle("wmf")), {{10, 0}, {11, 0}})));
    EXPECT_TRUE(Loader.Aborted());
    EXPECT_TRUE(IsMarked(Bitmap));
    EXPECT_TRUE(Loader.Params().FileName.isEmpty());
}

TEST_F(TMetafileFixture, WhatIsNoEnhancedOrPlaceableMetafileRaisesTheMetafileError) {
    const QByteArray wmf = ReadFileBytes(Rectangle("wmf")), emf = ReadFileBytes(Rectangle("emf"));
    const QByteArray inputs[] = {
        wmf.mid(22),                      // a Windows metafile without the placeable header
        Patched(emf, {{40, 'X'}}),        // bad signature
        Patched(wmf, {{14, 0}, {15, 0}}), // zero units per inch
        Patched(wmf, {{22 + 14, 1}}),     // a record longer than the file
        emf.left(87),
        QByteArray("not a metafile at all, only some text"),
        ReadFileBytes(TestDataPath(QStringLiteral("bmp/magick-24bit.bmp"))),
    };
    TPictureFolder folder;
    for (const QByteArray& bytes : inputs) {
        const QString path = folder.Write(QStringLiteral("bad.emf"), bytes);
        try {
            Loader.LoadFromFile(path);
            ADD_FAILURE() << "no error for " << bytes.left(8).toHex().toStdString();
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Metafile is not valid"));
        }
        EXPECT_TRUE(IsMarked(Bitmap));
        EXPECT_FALSE(HeaderOf(bytes));
    }
    EXPECT_THROW(Loader.LoadFromFile(folder.Path(QStringLiteral("missing.wmf"))), EFOpenError);
}

TEST(MetafileHeader, NaturalSizeFollowsTheScreenResolution) {
    for (const int dpi : {96, 120, 72}) {
        SCOPED_TRACE(dpi);
        for (const auto& [extension, kind] :
             {std::pair{"emf", TMetafileKind::Enhanced}, std::pair{"wmf", TMetafileKind::Windows}}) {
            const auto header = HeaderOf(ReadFileBytes(Rectangle(extension)), dpi);
            ASSERT_TRUE(header);
            EXPECT_EQ(std::tuple(header->Kind, header->Width, header->Height),
                      std::tuple(kind, 4000 * dpi / 96, 1000 * dpi / 96));
        }
    }
}

TEST_F(TMetafileFixture, TruncatedAndDamagedFilesEndAsPicturesOrAsTheMetafileError) {
    TPictureFolder folder;
    for (const char* extension : {"emf", "wmf"}) {
        const QByteArray whole = ReadFileBytes(Rectangle(extension));
        std::vector<QByteArray> inputs;
        for (qsizetype length = 0; length < whole.size(); length += 2) {
            inputs.push_back(whole.left(length));
        }
        for (qsizetype i = 0; i < whole.size(); ++i) {
            inputs.push_back(Patched(whole, {{i, ~whole[i]}}));
        }
        for (const QByteArray& bytes : inputs) {
            try {
                Loader.ImportMetafile(
                    folder.Write(QStringLiteral("damaged.") + QLatin1String(extension), bytes), -1, -1);
            } catch (const EInvalidGraphic&) {
            }
            EXPECT_LE(Bitmap.Width(), 2799);
            EXPECT_LE(Bitmap.Height(), 2799);
        }
    }
}
