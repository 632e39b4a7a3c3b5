#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include "imageio/PictureIO.h"
#include "platform/Exceptions.h"
#include "platform/ScreenDpi.h"

#include <QDir>
#include <QFile>

#include <utility>

#include <gtest/gtest.h>

namespace {

QString Baseline() {
    return TestDataPath(QStringLiteral("jpeg/baseline.jpg"));
}

// A loader over a bitmap that holds a known 2 x 2 picture.
struct TLoaderFixture {
    TBitmap Bitmap;
    TPictureIO Loader;
    TLoaderFixture() {
        Bitmap.Reset(2, 2, TPixelFormat::pf24bit);
        Bitmap.Fill(RGBColor(10, 20, 30));
        Loader.SetAttachedBitmap(&Bitmap);
    }
    bool Unchanged() const { return Bitmap.Width() == 2 && PixelAt(Bitmap, 1, 1) == (TBgr{30, 20, 10}); }
};

} // namespace

TEST(PictureIO, ExtensionIsTakenAfterTheLastDelimiterAndLowerCased) {
    struct TCase {
        const char* Path;
        const char* Extension;
    };
    const TCase cases[] = {
        {"/photos/PHOTO.JPG", ".jpg"},
        {"photo.jpg.bak", ".bak"},
        {"/photos/.tif", ".tif"},
        {"/photos.d/name", ""},
        {"name", ""},
        {"C:\\photos.d\\name", ""},
        {"a:b.TIFF", ".tiff"},
        {"x.d:name", ""},
        {"/p/file.", "."},
        {"/p/ÄBC.JPÉ", ".jpÉ"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(PictureExtension(QString::fromUtf8(c.Path)), QString::fromUtf8(c.Extension)) << c.Path;
    }
}

TEST(PictureIO, UpperAndLowerCaseNamesTakeTheSameReader) {
    TPictureFolder folder;
    const QByteArray jpeg = ReadFileBytes(Baseline());
    for (const char* name : {"PHOTO.JPG", "photo.jpg", "Photo.Jpeg", "photo.jpe"}) {
        TBitmap bitmap;
        const TLoadResult r = LoadPicture(folder.Write(QLatin1String(name), jpeg), bitmap);
        EXPECT_FALSE(r.Aborted) << name;
        EXPECT_EQ(bitmap.Width(), 48) << name;
        EXPECT_EQ(r.Params.FileType, 3) << name;
        EXPECT_EQ(r.Params.FileName, folder.Path(QLatin1String(name)));
    }
}

TEST(PictureIO, UnknownExtensionIsRefusedAndForgetsTheFile) {
    TPictureFolder folder;
    const QByteArray jpeg = ReadFileBytes(Baseline());
    for (const char* name : {"photo.jpg.bak", "photo.pix", "photo", "photo.txt"}) {
        TLoaderFixture f;
        f.Loader.LoadFromFile(Baseline());
        ASSERT_EQ(f.Loader.FileType(), 3);
        const TRgbPicture before = PictureOf(f.Bitmap);
        f.Loader.LoadFromFile(folder.Write(QLatin1String(name), jpeg));
        EXPECT_TRUE(f.Loader.Aborted()) << name;
        EXPECT_EQ(f.Loader.FileType(), 0) << name;
        EXPECT_TRUE(f.Loader.Params().FileName.isEmpty()) << name;
        EXPECT_EQ(PictureOf(f.Bitmap), before) << name;
    }
}

TEST(PictureIO, FilesOfAnotherFormatAreRefusedByTheReaderTheirExtensionPicks) {
    TPictureFolder folder;
    const QByteArray jpeg = ReadFileBytes(Baseline());
    // The reader checks the signature and leaves the bitmap alone; the loader still records the file.
    for (const auto& [name, fileType] :
         {std::pair{"a.png", 8}, std::pair{"a.gif", 2}, std::pair{"a.webp", 12}}) {
        TLoaderFixture f;
        f.Loader.LoadFromFile(Baseline());
        const TRgbPicture before = PictureOf(f.Bitmap);
        f.Loader.LoadFromFile(folder.Write(QLatin1String(name), jpeg));
        EXPECT_TRUE(f.Loader.Aborted()) << name;
        EXPECT_EQ(f.Loader.FileType(), fileType) << name;
        EXPECT_EQ(PictureOf(f.Bitmap), before) << name;
    }
}

TEST(PictureIO, TiffFilesLoadByTheirExtensionEvenAsTheWholeName) {
    TPictureFolder folder;
    const QByteArray tiff = ReadFileBytes(TestDataPath(QStringLiteral("tiff/rgb-pillow-le.tif")));
    for (const char* name : {".tif", "a.TIFF", "b.tif"}) {
        TLoaderFixture f;
        f.Loader.LoadFromFile(folder.Write(QLatin1String(name), tiff));
        EXPECT_FALSE(f.Loader.Aborted()) << name;
        EXPECT_EQ(f.Loader.FileType(), 1) << name;
        EXPECT_EQ(f.Bitmap.Width(), 13) << name;
    }
}

TEST(PictureIO, ContentNeverChoosesTheReader) {
    TPictureFolder folder;
    const QByteArray bmp = ReadFileBytes(TestDataPath(QStringLiteral("bmp/magick-24bit.bmp")));
    TLoaderFixture f;
    f.Loader.LoadFromFile(folder.Write(QStringLiteral("really-a-bmp.jpg"), bmp));
    EXPECT_TRUE(f.Loader.Aborted());
    EXPECT_TRUE(f.Unchanged());
    // And a JPEG named .rle is read by the bitmap reader, which finds 514 bits per pixel in it.
    TBitmap bitmap;
    const QString path = folder.Write(QStringLiteral("really-a-jpeg.rle"), ReadFileBytes(Baseline()));
    TPictureIO loader;
    loader.SetAttachedBitmap(&bitmap);
    loader.LoadFromFile(path);
    EXPECT_TRUE(loader.Aborted());
    EXPECT_EQ(loader.FileType(), 5);
    EXPECT_EQ(loader.Params().BmpVersion, 0);
}

TEST(PictureIO, MissingFileRaisesTheOpenErrorAndKeepsThePicture) {
    TPictureFolder folder;
    const QString path = folder.Path(QStringLiteral("missing.jpg"));
    TLoaderFixture f;
    try {
        f.Loader.LoadFromFile(path);
        FAIL() << "no exception";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(path));
    }
    EXPECT_TRUE(f.Unchanged());
    EXPECT_TRUE(f.Loader.Params().FileName.isEmpty());
}

TEST(PictureIO, FolderWithAPictureExtensionRaisesTheOpenError) {
    TPictureFolder folder;
    const QString path = folder.Path(QStringLiteral("album.bmp"));
    ASSERT_TRUE(QDir().mkpath(path));
    TLoaderFixture f;
    EXPECT_THROW(f.Loader.LoadFromFile(path), EFOpenError);
    EXPECT_TRUE(f.Unchanged());
}

TEST(PictureIO, WithoutBitmapNothingHappens) {
    TPictureIO loader;
    loader.SetAborted(true);
    loader.LoadFromFile(Baseline());
    EXPECT_TRUE(loader.Aborted());
    EXPECT_EQ(loader.FileType(), 0);
    loader.SetAborted(false);
    loader.LoadFromFile(QStringLiteral("/no/such/file.jpg"));
    EXPECT_FALSE(loader.Aborted());
    EXPECT_EQ(loader.AttachedBitmap(), nullptr);
}

TEST(PictureIO, ParamsStartWithTheirDefaultsAndOwnerOwnsTheLoader) {
    QObject owner;
    auto* loader = new TPictureIO(&owner);
    EXPECT_EQ(loader->parent(), &owner);
    const TIOParams& p = loader->Params();
    EXPECT_EQ(p.BitsPerSample, 8);
    EXPECT_EQ(p.SamplesPerPixel, 3);
    EXPECT_EQ(p.Width, 0);
    EXPECT_EQ(p.XDpi, 0);
    EXPECT_EQ(p.FileType, 0);
    EXPECT_EQ(p.JpegColorSpace, ioJPEG_YCBCR);
    EXPECT_EQ(p.JpegDctMethod, ioJPEG_ISLOW);
    EXPECT_EQ(p.JpegScale, ioJPEG_FULLSIZE);
    EXPECT_EQ(p.PaletteCount, 0);
    EXPECT_EQ(loader->Background(), clBlack);
    EXPECT_FALSE(loader->Aborted());
}

TEST(PictureIO, EachLoadClearsAbortedFirst) {
    TLoaderFixture f;
    f.Loader.SetAborted(true);
    f.Loader.LoadFromFile(Baseline());
    EXPECT_FALSE(f.Loader.Aborted());
    EXPECT_EQ(f.Bitmap.Width(), 48);
}

TEST(PictureIO, FieldsOfAnotherFormatSurviveARead) {
    TLoaderFixture f;
    f.Loader.LoadFromFile(TestDataPath(QStringLiteral("bmp/magick-rle8.bmp")));
    EXPECT_EQ(f.Loader.Params().BmpCompression, ioBMP_RLE);
    f.Loader.LoadFromFile(TestDataPath(QStringLiteral("jpeg/progressive.jpg")));
    EXPECT_EQ(f.Loader.Params().BmpCompression, ioBMP_RLE);
    EXPECT_EQ(f.Loader.Params().BmpVersion, 1);
    f.Loader.LoadFromFile(TestDataPath(QStringLiteral("bmp/magick-24bit.bmp")));
    EXPECT_EQ(f.Loader.Params().JpegProgressive, 1);
    EXPECT_EQ(f.Loader.Params().BmpCompression, ioBMP_UNCOMPRESSED);
}

TEST(PictureIO, ChangeNotificationComesWhenThePixelsAreInPlace) {
    TLoaderFixture f;
    int changes = 0;
    TBgr lastSeen{};
    f.Bitmap.OnChange = [&] {
        ++changes;
        if (f.Bitmap.Width() == 48) {
            lastSeen = PixelAt(f.Bitmap, 40, 24);
        }
    };
    f.Loader.LoadFromFile(Baseline());
    EXPECT_GE(changes, 1);
    // Block 5 of the picture, (200, 100, 50), as decoded.
    EXPECT_NEAR(lastSeen.Red, 200, 4);
    EXPECT_NEAR(lastSeen.Blue, 50, 4);
}

TEST(PictureIO, ProgressIsReportedPerRowWhileRunning) {
    for (const char* file : {"jpeg/baseline.jpg", "bmp/magick-24bit.bmp", "bmp/magick-rle8.bmp",
                             "pcx/magick-8bit.pcx", "tga/script-24bit-rle-across-rows.tga"}) {
        SCOPED_TRACE(file);
        TLoaderFixture f;
        std::vector<int> reports;
        f.Loader.SetOnProgress([&](QObject* sender, int per, TProgressStageIO stage) {
            EXPECT_EQ(sender, &f.Loader);
            EXPECT_EQ(stage, TProgressStageIO::psRunning);
            reports.push_back(per);
        });
        f.Loader.LoadFromFile(TestDataPath(QLatin1String(file)));
        ASSERT_GE(reports.size(), 6u);
        EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
        EXPECT_GE(reports.front(), 0);
        EXPECT_LE(reports.back(), 100);
    }
}

TEST(PictureIO, JpegProgressReachesOneHundredAfterTheLastRow) {
    TLoaderFixture f;
    std::vector<int> reports;
    f.Loader.SetOnProgress([&](QObject*, int per, TProgressStageIO) { reports.push_back(per); });
    f.Loader.LoadFromFile(Baseline());
    ASSERT_EQ(reports.size(), 32u);
    EXPECT_EQ(reports.front(), 3);
    EXPECT_EQ(reports.back(), 100);
}

TEST(PictureIO, AbortFromTheProgressHandlerStopsTheRead) {
    {
        TLoaderFixture f;
        int calls = 0;
        f.Loader.SetOnProgress([&](QObject*, int, TProgressStageIO) {
            ++calls;
            f.Loader.SetAborted(true);
        });
        f.Loader.LoadFromFile(Baseline());
        EXPECT_EQ(calls, 1);
        EXPECT_TRUE(f.Loader.Aborted());
        // The first row is decoded, the last is still black.
        EXPECT_GE(PixelAt(f.Bitmap, 8, 0).Red, 250);
        EXPECT_EQ(PixelAt(f.Bitmap, 8, 31), (TBgr{0, 0, 0}));
        EXPECT_EQ(f.Loader.FileType(), 3);
    }
    for (const auto& [file, fileType] :
         {std::pair{"bmp/magick-24bit.bmp", 5}, std::pair{"pcx/magick-24bit.pcx", 4}}) {
        TLoaderFixture f;
        f.Loader.SetOnProgress([&](QObject*, int, TProgressStageIO) { f.Loader.SetAborted(true); });
        f.Loader.LoadFromFile(TestDataPath(QLatin1String(file)));
        EXPECT_TRUE(f.Loader.Aborted()) << file;
        // BMP and PCX test before each row: nothing was read.
        EXPECT_EQ(f.Bitmap.Width(), 13) << file;
        EXPECT_EQ(
            MaxDifference(PictureOf(f.Bitmap), TRgbPicture{13, 7, std::vector<std::uint8_t>(13 * 7 * 3)}), 0)
            << file;
        EXPECT_EQ(f.Loader.FileType(), fileType) << file;
    }
}

TEST(PictureIO, ExceptionFromTheProgressHandlerPassesAndLeavesNoLeak) {
    TLoaderFixture f;
    f.Loader.SetOnProgress([](QObject*, int per, TProgressStageIO) {
        if (per > 40) {
            throw EAbort(QStringLiteral("stop"));
        }
    });
    EXPECT_THROW(f.Loader.LoadFromFile(Baseline()), EAbort);
    EXPECT_NE(f.Loader.FileType(), 3);
    // The next load works as usual.
    f.Loader.SetOnProgress(nullptr);
    f.Loader.LoadFromFile(Baseline());
    EXPECT_FALSE(f.Loader.Aborted());
    EXPECT_EQ(f.Loader.FileType(), 3);
}

TEST(PictureIO, FileFormatTableListsTheKnownTypes) {
    ASSERT_EQ(FileFormatTable.size(), 15u);
    for (std::size_t i = 0; i < FileFormatTable.size(); ++i) {
        EXPECT_EQ(FileFormatTable[i].Code, int(i) + 1);
    }
    EXPECT_EQ(FileFormatTable[2].Description, "JPEG Bitmap");
    EXPECT_EQ(FileFormatTable[10].Description, "Targa Bitmap");
    EXPECT_EQ(FileFormatOfExtension(QStringLiteral("pix")), 11);
    EXPECT_EQ(FileFormatOfExtension(QStringLiteral("JPE")), 3);
    EXPECT_EQ(FileFormatOfExtension(QStringLiteral("Rle")), 5);
    EXPECT_EQ(FileFormatOfExtension(QStringLiteral("win")), 0);
    EXPECT_EQ(FileFormatOfExtension(QStringLiteral("hif")), 13);
    EXPECT_EQ(FileFormatOfExtension(QStringLiteral("AVIF")), 14);
    EXPECT_EQ(FileFormatOfExtension(QStringLiteral("jxl")), 15);
    EXPECT_EQ(FileFormatOfExtension(QStringLiteral("TIF;TIFF")), 0);
    EXPECT_EQ(FileFormatOfExtension(QString()), 0);
}

TEST(PictureIO, ScreenDpiWithoutGuiApplicationIsTheDesktopDefault) {
    // This test program creates no GUI application.
    EXPECT_EQ(ScreenDpiX(), 96);
    EXPECT_EQ(ScreenDpiY(), 96);
}
