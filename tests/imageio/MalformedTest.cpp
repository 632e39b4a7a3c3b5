#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include "imageio/Readers.h"
#include "imageio/Stream.h"
#include "platform/Exceptions.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <tuple>

// Hostile inputs: nothing here may crash, hang or touch memory outside a buffer (the sanitizer build
// runs these). A read may be refused, load garbage, or raise the bitmap's out-of-memory error.

namespace {

enum class TFormat { Jpeg, Bmp, Tiff, Pcx, Tga, Ico, Cur };

// Reads the bytes with the reader itself; returns false when an exception other than the bitmap's
// out-of-memory error came out.
bool ReadBytes(TFormat format, const QByteArray& bytes, bool* abortedOut = nullptr) {
    TMemoryStream stream(bytes.constData(), bytes.size());
    TBitmap bitmap;
    TIOParams params;
    bool aborted = false;
    ProgressContext context;
    context.Aborted = &aborted;
    try {
        switch (format) {
        case TFormat::Jpeg:
            ReadJpeg(stream, bitmap, params, context);
            break;
        case TFormat::Tiff: {
            int pageCount = 0;
            ReadTiff(stream, bitmap, pageCount, params, context);
            break;
        }
        case TFormat::Bmp:
            ReadBmp(stream, bitmap, bytes.size(), params, context);
            break;
        case TFormat::Pcx:
            ReadPcx(stream, bitmap, bytes.size(), params, context);
            break;
        case TFormat::Tga:
            ReadTga(stream, bitmap, params, context);
            break;
        case TFormat::Ico:
            ReadIcon(stream, bitmap, params, context);
            break;
        case TFormat::Cur:
            ReadCursor(stream, bitmap, params, context);
            break;
        }
    } catch (const EOutOfMemory&) {
    } catch (...) {
        return false;
    }
    if (abortedOut) {
        *abortedOut = aborted;
    }
    // Whatever was read, the bitmap is consistent: every row can be walked.
    for (int y = 0; !bitmap.Empty() && y < bitmap.Height(); ++y) {
        if (bitmap.ScanLine(y) == nullptr) {
            return false;
        }
    }
    return true;
}

QStringList FilesIn(const QString& folder, const QString& pattern, qint64 maxSize = -1) {
    QStringList paths;
    const QDir dir(TestDataPath(folder));
    for (const QFileInfo& file : dir.entryInfoList({pattern}, QDir::Files, QDir::Name)) {
        if (maxSize < 0 || file.size() <= maxSize) {
            paths << file.filePath();
        }
    }
    return paths;
}

} // namespace

TEST(Malformed, SavedJpegCasesAreReplayed) {
    const QStringList files = FilesIn(QStringLiteral("jpeg/malformed"), QStringLiteral("*.jpg"));
    ASSERT_GE(files.size(), 10);
    for (const QString& path : files) {
        EXPECT_TRUE(ReadBytes(TFormat::Jpeg, ReadFileBytes(path))) << path.toStdString();
        TBitmap bitmap;
        EXPECT_NO_THROW(LoadPicture(path, bitmap)) << path.toStdString();
    }
}

TEST(Malformed, SavedBmpCasesAreReplayed) {
    const QStringList files = FilesIn(QStringLiteral("bmp/malformed"), QStringLiteral("*.bmp"));
    ASSERT_GE(files.size(), 10);
    for (const QString& path : files) {
        EXPECT_TRUE(ReadBytes(TFormat::Bmp, ReadFileBytes(path))) << path.toStdString();
        TBitmap bitmap;
        try {
            LoadPicture(path, bitmap);
        } catch (const EOutOfMemory&) {
        }
    }
}

TEST(Malformed, SavedPcxAndTgaCasesAreReplayed) {
    for (const auto& [format, folder, pattern] : {std::tuple{TFormat::Pcx, "pcx/malformed", "*.pcx"},
                                                  std::tuple{TFormat::Tga, "tga/malformed", "*.tga"}}) {
        const QStringList files = FilesIn(QLatin1String(folder), QLatin1String(pattern));
        ASSERT_GE(files.size(), 10) << folder;
        for (const QString& path : files) {
            EXPECT_TRUE(ReadBytes(format, ReadFileBytes(path))) << path.toStdString();
            TBitmap bitmap;
            try {
                LoadPicture(path, bitmap);
            } catch (const EOutOfMemory&) {
            }
        }
    }
}

TEST(Malformed, SavedIconAndCursorCasesAreReplayed) {
    const QStringList files = FilesIn(QStringLiteral("ico/malformed"), QStringLiteral("*.*"));
    ASSERT_GE(files.size(), 10);
    for (const QString& path : files) {
        // Either reader over either kind of file.
        for (const TFormat format : {TFormat::Ico, TFormat::Cur}) {
            EXPECT_TRUE(ReadBytes(format, ReadFileBytes(path))) << path.toStdString();
        }
    }
}

TEST(Malformed, AbsurdPcxAndTgaSizesAreRefusedOrRaiseTheLimit) {
    // The PCX reader turns the bitmap's out-of-memory error into Aborted; the TGA reader passes it on.
    bool aborted = false;
    ASSERT_TRUE(ReadBytes(TFormat::Pcx,
                          ReadFileBytes(TestDataPath(QStringLiteral("pcx/malformed/size-65536-squared.pcx"))),
                          &aborted));
    EXPECT_TRUE(aborted);
    const QByteArray tga =
        ReadFileBytes(TestDataPath(QStringLiteral("tga/malformed/size-65535-squared.tga")));
    TMemoryStream stream(tga.constData(), tga.size());
    TBitmap bitmap;
    TIOParams params;
    ProgressContext context;
    context.Aborted = &aborted;
    EXPECT_THROW(ReadTga(stream, bitmap, params, context), EOutOfMemory);
}

TEST(Malformed, SomeSavedJpegCasesAreRefused) {
    // The library's fatal errors arrive as Aborted, not as a crash or an exception.
    for (const char* name : {"sof-zero-width.jpg", "sof-five-components.jpg", "sof-precision-twelve.jpg",
                             "scan-before-frame.jpg", "segment-length-zero.jpg", "only-signature.jpg"}) {
        bool aborted = false;
        ASSERT_TRUE(ReadBytes(
            TFormat::Jpeg,
            ReadFileBytes(TestDataPath(QStringLiteral("jpeg/malformed/") + QLatin1String(name))), &aborted));
        EXPECT_TRUE(aborted) << name;
    }
}

TEST(Malformed, EveryTruncationOfEveryTestPicture) {
    struct TSource {
        TFormat Format;
        QStringList Files;
    };
    const TSource sources[] = {
        {TFormat::Jpeg, FilesIn(QStringLiteral("jpeg"), QStringLiteral("*.jpg"))},
        {TFormat::Bmp, FilesIn(QStringLiteral("bmp"), QStringLiteral("*.bmp"))},
        // The uncompressed pages of 16 KB only repeat what their compressed copies cover.
        {TFormat::Tiff, FilesIn(QStringLiteral("tiff"), QStringLiteral("*.tif"), 8192)},
        {TFormat::Pcx, FilesIn(QStringLiteral("pcx"), QStringLiteral("*.pcx"))},
        {TFormat::Tga, FilesIn(QStringLiteral("tga"), QStringLiteral("*.tga"))},
        {TFormat::Ico, FilesIn(QStringLiteral("ico"), QStringLiteral("*.ico"))},
        {TFormat::Cur, FilesIn(QStringLiteral("ico"), QStringLiteral("*.cur"))},
    };
    for (const TSource& source : sources) {
        ASSERT_GE(source.Files.size(), 1);
        for (const QString& path : source.Files) {
            const QByteArray whole = ReadFileBytes(path);
            for (qsizetype length = 0; length < whole.size(); ++length) {
                ASSERT_TRUE(ReadBytes(source.Format, whole.left(length)))
                    << path.toStdString() << " " << length;
            }
        }
    }
}

TEST(Malformed, EveryByteOfTheHeadersInverted) {
    struct TSource {
        TFormat Format;
        const char* File;
        qsizetype Bytes;
        bool SkipSizeBytes = false;
    };
    // The JPEG, PCX and TGA files are small enough to invert every byte; of the BMP files the headers and
    // tables.
    // Inverted high bytes of a 40-byte header's width and height (bytes 20, 21, 24, 25) only ask for black
    // bitmaps of hundreds of megabytes, which the bitmap's limit allows; that costs seconds each and is
    // covered once by the absurd-size test.
    const TSource sources[] = {
        {TFormat::Jpeg, "jpeg/baseline.jpg", 1 << 20},
        {TFormat::Jpeg, "jpeg/progressive.jpg", 1 << 20},
        {TFormat::Jpeg, "jpeg/ycck.jpg", 1 << 20},
        {TFormat::Bmp, "bmp/magick-rle8.bmp", 1200, true},
        {TFormat::Bmp, "bmp/magick-os2-4bit.bmp", 80},
        {TFormat::Bmp, "bmp/pillow-1bit.bmp", 62, true},
        {TFormat::Bmp, "bmp/magick-4bit.bmp", 118, true},
        {TFormat::Tiff, "tiff/rgb-tiffcp-planar.tif", 1 << 20},
        {TFormat::Tiff, "tiff/palette-magick-2bit.tif", 1 << 20},
        {TFormat::Tiff, "tiff/fax-tiffcp-g3-2d-lsb.tif", 1 << 20},
        {TFormat::Tiff, "tiff/three-pages.tif", 1 << 20},
        {TFormat::Pcx, "pcx/netpbm-4planes.pcx", 1 << 20},
        {TFormat::Pcx, "pcx/netpbm-packed-4bit.pcx", 1 << 20},
        {TFormat::Pcx, "pcx/magick-8bit.pcx", 1 << 20},
        {TFormat::Pcx, "pcx/pillow-1bit.pcx", 1 << 20},
        {TFormat::Tga, "tga/netpbm-8bit-map-rle.tga", 1 << 20},
        {TFormat::Tga, "tga/script-right-8bit-map15-rle.tga", 1 << 20},
        {TFormat::Tga, "tga/script-extension-area.tga", 1 << 20},
        {TFormat::Tga, "tga/script-right-32bit-rle.tga", 1 << 20},
        {TFormat::Ico, "ico/magick-16colour.ico", 1 << 20},
        {TFormat::Ico, "ico/magick-32bit.ico", 1 << 20},
        {TFormat::Ico, "ico/mono.ico", 1 << 20},
        {TFormat::Cur, "ico/two-images.cur", 1 << 20},
    };
    for (const TSource& source : sources) {
        const QByteArray whole = ReadFileBytes(TestDataPath(QLatin1String(source.File)));
        ASSERT_FALSE(whole.isEmpty()) << source.File;
        for (qsizetype i = 0; i < std::min(source.Bytes, whole.size()); ++i) {
            if (source.SkipSizeBytes && i >= 20 && i < 26 && i != 22 && i != 23) {
                continue;
            }
            QByteArray changed = whole;
            changed[i] = char(~changed[i]);
            ASSERT_TRUE(ReadBytes(source.Format, changed)) << source.File << " byte " << i;
        }
    }
}

TEST(Malformed, SavedTiffCasesAreReplayed) {
    const QStringList files = FilesIn(QStringLiteral("tiff/malformed"), QStringLiteral("*.tif"));
    ASSERT_GE(files.size(), 10);
    for (const QString& path : files) {
        EXPECT_TRUE(ReadBytes(TFormat::Tiff, ReadFileBytes(path))) << path.toStdString();
        TBitmap bitmap;
        try {
            LoadPicture(path, bitmap);
        } catch (const EOutOfMemory&) {
        }
    }
}

TEST(Malformed, TiffChainsThatLoopEndTheWalk) {
    struct TCase {
        const char* File;
        int Pages;
    };
    for (const TCase c : {TCase{"chain-to-itself.tif", 1}, TCase{"chain-back-to-first.tif", 3}}) {
        const QByteArray bytes =
            ReadFileBytes(TestDataPath(QStringLiteral("tiff/malformed/") + QLatin1String(c.File)));
        TMemoryStream stream(bytes.constData(), bytes.size());
        TBitmap bitmap;
        TIOParams params;
        bool aborted = false;
        ProgressContext context;
        context.Aborted = &aborted;
        int pages = 0;
        ReadTiff(stream, bitmap, pages, params, context);
        EXPECT_EQ(pages, c.Pages) << c.File;
        EXPECT_FALSE(aborted) << c.File;
    }
}
