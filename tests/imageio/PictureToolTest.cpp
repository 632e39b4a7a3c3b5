#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct TRun {
    int ExitCode = -1;
    QStringList Lines;
};

TRun RunPictureTool(const QStringList& arguments) {
    QProcess process;
    process.start(BinPath(QStringLiteral("ambrelle-picture")), arguments);
    TRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        return run;
    }
    run.ExitCode = process.exitCode();
    run.Lines =
        QString::fromLocal8Bit(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return run;
}

} // namespace

TEST(PictureTool, FolderOfMixedFilesGetsOneStatusLineEach) {
    TPictureFolder folder;
    folder.Write(QStringLiteral("a-photo.JPG"),
                 ReadFileBytes(TestDataPath(QStringLiteral("jpeg/baseline.jpg"))));
    folder.Write(QStringLiteral("b-drawing.bmp"),
                 ReadFileBytes(TestDataPath(QStringLiteral("bmp/pillow-1bit.bmp"))));
    folder.Write(QStringLiteral("c-animation.jpg"),
                 ReadFileBytes(TestDataPath(QStringLiteral("jpeg/gif-content.jpg"))));
    folder.Write(QStringLiteral("d-notes.txt"), "just text");
    folder.Write(QStringLiteral("e-scan.tif"), "II*\0");
    ASSERT_TRUE(QDir().mkpath(folder.Path(QStringLiteral("f-sub.d"))));
    folder.Write(QStringLiteral("f-turned.jpg"),
                 ReadFileBytes(TestDataPath(QStringLiteral("jpeg/orientation/orientation-6.jpg"))));
    const QString missing = folder.Path(QStringLiteral("g-missing.bmp"));

    const TRun run = RunPictureTool({folder.Path(QString()), missing});
    EXPECT_EQ(run.ExitCode, 1);
    const QString p = folder.Path(QString()) + QLatin1Char('/');
    const QStringList expected = {
        p + QStringLiteral("a-photo.JPG\tloaded\t48\t32\t24\t3\t1"),
        p + QStringLiteral("b-drawing.bmp\tloaded\t37\t3\t1\t5\t1"),
        p + QStringLiteral("c-animation.jpg\trefused\t0\t0\t24\t3\t1"),
        p + QStringLiteral("d-notes.txt\trefused\t0\t0\t24\t0\t1"),
        p + QStringLiteral("e-scan.tif\trefused\t0\t0\t24\t1\t1"),
        p + QStringLiteral("f-turned.jpg\tloaded\t16\t24\t24\t3\t6"),
        missing + QStringLiteral("\terror\t0\t0\t24\t0\t1\tCannot open file \"") + missing +
            QStringLiteral("\". No such file or directory"),
    };
    EXPECT_EQ(run.Lines, expected);
}

TEST(PictureTool, ExitCodeZeroWhenEverythingLoaded) {
    const TRun run = RunPictureTool({TestDataPath(QStringLiteral("jpeg/progressive.jpg")),
                                     TestDataPath(QStringLiteral("bmp/magick-rle8.bmp")),
                                     TestDataPath(QStringLiteral("pcx/pillow-1bit.pcx")),
                                     TestDataPath(QStringLiteral("tga/magick-32bit-rle-top.tga"))});
    EXPECT_EQ(run.ExitCode, 0);
    ASSERT_EQ(run.Lines.size(), 4);
    EXPECT_TRUE(run.Lines[2].endsWith(QStringLiteral("\tloaded\t37\t3\t1\t4\t1")));
    EXPECT_TRUE(run.Lines[3].endsWith(QStringLiteral("\tloaded\t13\t7\t24\t11\t1")));
}

TEST(PictureTool, TiffFilesAreReportedWithTheirFormat) {
    const QString fax = TestDataPath(QStringLiteral("tiff/fax-tiffcp-g4.tif"));
    // Turned a quarter, LZW-coded: reported as stored, with its orientation.
    const QString turned = TestDataPath(QStringLiteral("tiff/orientation-6.tif"));
    const QString broken = TestDataPath(QStringLiteral("tiff/refused-deflate-kept.tif"));
    const TRun run = RunPictureTool({fax, turned, broken});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Lines, (QStringList{fax + QStringLiteral("\tloaded\t2600\t48\t1\t1\t1"),
                                      turned + QStringLiteral("\tloaded\t4\t6\t24\t1\t6"),
                                      broken + QStringLiteral("\trefused\t0\t0\t24\t1\t1")}));
}

TEST(PictureTool, PpmOutputHoldsTheBitmapTopRowFirst) {
    TPictureFolder folder;
    const QString out = folder.Path(QStringLiteral("out.ppm"));
    TRun run =
        RunPictureTool({QStringLiteral("--ppm"), out, TestDataPath(QStringLiteral("bmp/magick-rle8.bmp"))});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(ReadPpm(out), ReadPpm(TestDataPath(QStringLiteral("bmp/picture.ppm"))));
    // 1-bit pixels come out as 0 and 255.
    run = RunPictureTool({QStringLiteral("--ppm"), out, TestDataPath(QStringLiteral("bmp/pillow-1bit.bmp"))});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(ReadPpm(out), ReadPpm(TestDataPath(QStringLiteral("bmp/pillow-1bit.ppm"))));
}

TEST(PictureTool, WrongCommandLinesAreRefused) {
    EXPECT_EQ(RunPictureTool({}).ExitCode, 2);
    EXPECT_EQ(RunPictureTool({QStringLiteral("--ppm"), QStringLiteral("x.ppm")}).ExitCode, 2);
    EXPECT_EQ(RunPictureTool({QStringLiteral("--ppm"), QStringLiteral("x.ppm"), QStringLiteral("a.jpg"),
                              QStringLiteral("b.jpg")})
                  .ExitCode,
              2);
}

TEST(PictureTool, EmptyPictureWritesNoPpmAndEndsNormally) {
    TPictureFolder folder;
    TBmpBuilder b;
    b.FileHeader().InfoHeader(0, 5, 24).MarkPixels();
    const QString empty = folder.Write(QStringLiteral("empty.bmp"), b.Build());
    const QString out = folder.Path(QStringLiteral("out.ppm"));

    TRun run = RunPictureTool({QStringLiteral("--ppm"), out, empty});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Lines, QStringList{empty + QStringLiteral("\tloaded\t0\t5\t24\t5\t1")});
    EXPECT_FALSE(QFile::exists(out));

    run = RunPictureTool({empty, TestDataPath(QStringLiteral("bmp/magick-24bit.bmp"))});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Lines.size(), 2);
}

TEST(PictureTool, ReportsIconsCursorsAndMetafiles) {
    QStringList files;
    for (const char* name : {"ico/mono.ico", "ico/odd-4bit.ico", "ico/two-images.cur", "ico/pillow-png.ico",
                             "metafile/rectangle.emf", "metafile/rectangle.wmf"}) {
        files << TestDataPath(QLatin1String(name));
    }
    const TRun run = RunPictureTool(files);
    EXPECT_EQ(run.ExitCode, 1);
    const QStringList expected = {
        files[0] + QStringLiteral("\tloaded\t8\t2\t1\t6\t1"),
        files[1] + QStringLiteral("\tloaded\t5\t2\t24\t6\t1"),
        files[2] + QStringLiteral("\tloaded\t16\t16\t1\t7\t1"),
        files[3] + QStringLiteral("\trefused\t0\t0\t24\t6\t1"),
        files[4] + QStringLiteral("\tloaded\t2799\t699\t24\t10\t1"),
        files[5] + QStringLiteral("\tloaded\t2799\t699\t24\t9\t1"),
    };
    EXPECT_EQ(run.Lines, expected);
}
