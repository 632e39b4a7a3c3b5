#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QDir>
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
        p + QStringLiteral("e-scan.tif\trefused\t0\t0\t24\t0\t1"),
        p + QStringLiteral("f-turned.jpg\tloaded\t16\t24\t24\t3\t6"),
        missing + QStringLiteral("\terror\t0\t0\t24\t0\t1\tCannot open file \"") + missing +
            QStringLiteral("\". No such file or directory"),
    };
    EXPECT_EQ(run.Lines, expected);
}

TEST(PictureTool, ExitCodeZeroWhenEverythingLoaded) {
    const TRun run = RunPictureTool({TestDataPath(QStringLiteral("jpeg/progressive.jpg")),
                                     TestDataPath(QStringLiteral("bmp/magick-rle8.bmp"))});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Lines.size(), 2);
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
