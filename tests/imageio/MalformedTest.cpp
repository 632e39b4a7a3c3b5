#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include "imageio/Readers.h"
#include "imageio/Stream.h"
#include "platform/Exceptions.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

// Hostile inputs: nothing here may crash, hang or touch memory outside a buffer (the sanitizer build
// runs these). A read may be refused, load garbage, or raise the bitmap's out-of-memory error.

namespace {

enum class TFormat { Jpeg, Bmp, Tiff, Pcx, Tga, Ico, Cur, Png, Gif, Webp, Heif, Jxl };

// Broken: an exception other than the bitmap's out-of-memory error came out, or the bitmap is inconsistent.
enum class TOutcome { Read, Aborted, OutOfMemory, Broken };

// Reads the bytes with the reader itself.
TOutcome ReadBytes(TFormat format, const QByteArray& bytes) {
    TMemoryStream stream(bytes.constData(), bytes.size());
    TBitmap bitmap;
    TIOParams params;
    bool aborted = false;
    ProgressContext context;
    context.Aborted = &aborted;
    int pages = 0;
    bool outOfMemory = false;
    // In the order of TFormat.
    const std::function<void()> readers[] = {
        [&] { ReadJpeg(stream, bitmap, params, context); },
        [&] { ReadBmp(stream, bitmap, bytes.size(), params, context); },
        [&] { ReadTiff(stream, bitmap, pages, params, context); },
        [&] { ReadPcx(stream, bitmap, bytes.size(), params, context); },
        [&] { ReadTga(stream, bitmap, params, context); },
        [&] { ReadIcon(stream, bitmap, params, context); },
        [&] { ReadCursor(stream, bitmap, params, context); },
        [&] { ReadPng(stream, bitmap, params, context); },
        [&] { ReadGif(stream, bitmap, params, context); },
        [&] { ReadWebp(stream, bitmap, params, context); },
        [&] { ReadHeif(stream, bitmap, params, context); },
        [&] { ReadJxl(stream, bitmap, params, context); },
    };
    try {
        readers[int(format)]();
    } catch (const EOutOfMemory&) {
        outOfMemory = true;
    } catch (...) {
        return TOutcome::Broken;
    }
    // Whatever was read, the bitmap is consistent: every row can be walked.
    for (int y = 0; !bitmap.Empty() && y < bitmap.Height(); ++y) {
        if (bitmap.ScanLine(y) == nullptr) {
            return TOutcome::Broken;
        }
    }
    return outOfMemory ? TOutcome::OutOfMemory : aborted ? TOutcome::Aborted : TOutcome::Read;
}

QStringList FilesIn(const QString& folder, const QStringList& patterns, qint64 maxSize = -1) {
    QStringList paths;
    for (const QFileInfo& file :
         QDir(TestDataPath(folder)).entryInfoList(patterns, QDir::Files, QDir::Name)) {
        if (maxSize < 0 || file.size() <= maxSize) {
            paths << file.filePath();
        }
    }
    return paths;
}

QByteArray DataBytes(const char* relative) {
    return ReadFileBytes(TestDataPath(QLatin1String(relative)));
}

} // namespace

TEST(Malformed, SavedCasesAreReplayed) {
    const std::tuple<const char*, QStringList, std::vector<TFormat>> folders[] = {
        {"jpeg/malformed", {"*.jpg"}, {TFormat::Jpeg}},
        {"bmp/malformed", {"*.bmp"}, {TFormat::Bmp}},
        {"tiff/malformed", {"*.tif"}, {TFormat::Tiff}},
        {"pcx/malformed", {"*.pcx"}, {TFormat::Pcx}},
        {"tga/malformed", {"*.tga"}, {TFormat::Tga}},
        // Either reader over either kind of file.
        {"ico/malformed", {"*.ico", "*.cur"}, {TFormat::Ico, TFormat::Cur}},
        {"png/malformed", {"*.png"}, {TFormat::Png}},
        {"gif/malformed", {"*.gif"}, {TFormat::Gif}},
        {"webp/malformed", {"*.webp"}, {TFormat::Webp}},
        {"heif/malformed", {"*.heic"}, {TFormat::Heif}},
        {"avif/malformed", {"*.avif"}, {TFormat::Heif}},
        {"jxl/malformed", {"*.jxl"}, {TFormat::Jxl}},
    };
    for (const auto& [folder, patterns, formats] : folders) {
        const QStringList files = FilesIn(QLatin1String(folder), patterns);
        ASSERT_GE(files.size(), 10) << folder;
        for (const QString& path : files) {
            for (const TFormat format : formats) {
                EXPECT_NE(ReadBytes(format, ReadFileBytes(path)), TOutcome::Broken) << path.toStdString();
            }
            // Through the loader too; only the JPEG reader never asks for an absurd bitmap.
            TBitmap bitmap;
            try {
                LoadPicture(path, bitmap);
            } catch (const EOutOfMemory&) {
                EXPECT_NE(formats.front(), TFormat::Jpeg) << path.toStdString();
            }
        }
    }
}

TEST(Malformed, SomeSavedCasesAreRefusedOrRaiseTheLimit) {
    // The JPEG library's fatal errors and the PCX reader's out-of-memory error arrive as Aborted; the TGA
    // reader passes the bitmap's out-of-memory error on. The PNG, GIF and WebP libraries' errors arrive as
    // Aborted, sizes beyond the bitmap's limit as its out-of-memory error.
    for (const auto& [format, file, outcome] :
         {std::tuple{TFormat::Pcx, "pcx/malformed/size-65536-squared.pcx", TOutcome::Aborted},
          std::tuple{TFormat::Tga, "tga/malformed/size-65535-squared.tga", TOutcome::OutOfMemory},
          std::tuple{TFormat::Jpeg, "jpeg/malformed/sof-zero-width.jpg", TOutcome::Aborted},
          std::tuple{TFormat::Jpeg, "jpeg/malformed/sof-five-components.jpg", TOutcome::Aborted},
          std::tuple{TFormat::Jpeg, "jpeg/malformed/sof-precision-twelve.jpg", TOutcome::Aborted},
          std::tuple{TFormat::Jpeg, "jpeg/malformed/scan-before-frame.jpg", TOutcome::Aborted},
          std::tuple{TFormat::Jpeg, "jpeg/malformed/segment-length-zero.jpg", TOutcome::Aborted},
          std::tuple{TFormat::Jpeg, "jpeg/malformed/only-signature.jpg", TOutcome::Aborted},
          std::tuple{TFormat::Png, "png/malformed/ihdr-million-squared.png", TOutcome::OutOfMemory},
          std::tuple{TFormat::Png, "png/malformed/ihdr-width-beyond-limit.png", TOutcome::Aborted},
          std::tuple{TFormat::Png, "png/malformed/idat-garbage.png", TOutcome::Aborted},
          std::tuple{TFormat::Png, "png/malformed/idat-cut.png", TOutcome::Aborted},
          std::tuple{TFormat::Gif, "gif/malformed/screen-and-frame-65535.gif", TOutcome::OutOfMemory},
          std::tuple{TFormat::Gif, "gif/malformed/lzw-cut.gif", TOutcome::Aborted},
          std::tuple{TFormat::Gif, "gif/malformed/no-image.gif", TOutcome::Aborted},
          std::tuple{TFormat::Webp, "webp/malformed/vp8-cut.webp", TOutcome::Aborted},
          std::tuple{TFormat::Webp, "webp/malformed/vp8l-data-garbage.webp", TOutcome::Aborted},
          std::tuple{TFormat::Webp, "webp/malformed/frame-offset-beyond-canvas.webp", TOutcome::Aborted}}) {
        EXPECT_EQ(ReadBytes(format, DataBytes(file)), outcome) << file;
    }
}

TEST(Malformed, TiffChainsThatLoopEndTheWalk) {
    for (const auto& [file, pages] :
         {std::pair{"chain-to-itself.tif", 1}, std::pair{"chain-back-to-first.tif", 3}}) {
        TBitmap bitmap;
        TIOParams params;
        bool aborted = false;
        EXPECT_EQ(ReadTiffBytes(DataBytes((std::string("tiff/malformed/") + file).c_str()), bitmap, params,
                                aborted),
                  pages)
            << file;
        EXPECT_FALSE(aborted) << file;
    }
}

TEST(Malformed, EveryTruncationOfEveryTestPicture) {
    struct TSource {
        TFormat Format;
        QStringList Files;
    };
    const TSource sources[] = {
        {TFormat::Jpeg, FilesIn(QStringLiteral("jpeg"), {"*.jpg"})},
        {TFormat::Bmp, FilesIn(QStringLiteral("bmp"), {"*.bmp"})},
        // The uncompressed pages of 16 KB only repeat what their compressed copies cover.
        {TFormat::Tiff, FilesIn(QStringLiteral("tiff"), {"*.tif"}, 8192)},
        // The pictures of more than 64 KB would take half a minute for cuts the small ones already make.
        {TFormat::Pcx, FilesIn(QStringLiteral("pcx"), {"*.pcx"}, 8192)},
        {TFormat::Tga, FilesIn(QStringLiteral("tga"), {"*.tga"})},
        {TFormat::Ico, FilesIn(QStringLiteral("ico"), {"*.ico"})},
        {TFormat::Cur, FilesIn(QStringLiteral("ico"), {"*.cur"})},
        {TFormat::Png, FilesIn(QStringLiteral("png"), {"*.png"})},
        // The large interlaced picture only repeats cuts of the small interlaced one, at 256 KB of decodes.
        {TFormat::Gif, FilesIn(QStringLiteral("gif"), {"*.gif"}, 8192)},
        {TFormat::Webp, FilesIn(QStringLiteral("webp"), {"*.webp"})},
        // One picture each: every cut runs the whole library decode.
        {TFormat::Heif, FilesIn(QStringLiteral("heif"), {"rgb8.heic"})},
        {TFormat::Heif, FilesIn(QStringLiteral("avif"), {"alpha.avif"})},
        {TFormat::Jxl, FilesIn(QStringLiteral("jxl"), {"lossless-alpha.jxl", "animation.jxl"})},
    };
    for (const TSource& source : sources) {
        ASSERT_GE(source.Files.size(), 1);
        for (const QString& path : source.Files) {
            const QByteArray whole = ReadFileBytes(path);
            for (qsizetype length = 0; length < whole.size(); ++length) {
                ASSERT_NE(ReadBytes(source.Format, whole.left(length)), TOutcome::Broken)
                    << path.toStdString() << " " << length;
            }
        }
    }
}

TEST(Malformed, EveryByteOfTheHeadersInverted) {
    struct TSource {
        TFormat Format;
        std::vector<const char*> Files;
        qsizetype Bytes = 1 << 20;
        bool SkipSizeBytes = false;
    };
    // Every byte of the small files; of the BMP files the headers and tables. Inverted high bytes of a
    // 40-byte header's width and height (20, 21, 24, 25) only ask for black bitmaps of hundreds of
    // megabytes, which the bitmap's limit allows: seconds each, and covered once by the absurd-size test.
    const TSource sources[] = {
        {TFormat::Jpeg, {"jpeg/baseline.jpg", "jpeg/progressive.jpg", "jpeg/ycck.jpg"}},
        {TFormat::Bmp, {"bmp/magick-rle8.bmp"}, 1200, true},
        {TFormat::Bmp, {"bmp/magick-os2-4bit.bmp"}, 80},
        {TFormat::Bmp, {"bmp/pillow-1bit.bmp"}, 62, true},
        {TFormat::Bmp, {"bmp/magick-4bit.bmp"}, 118, true},
        {TFormat::Tiff,
         {"tiff/rgb-tiffcp-planar.tif", "tiff/palette-magick-2bit.tif", "tiff/fax-tiffcp-g3-2d-lsb.tif",
          "tiff/three-pages.tif", "tiff/library-tiled-lzw.tif", "tiff/library-jpeg-ycbcr.tif",
          "tiff/library-bigtiff.tif"}},
        {TFormat::Pcx,
         {"pcx/netpbm-4planes.pcx", "pcx/netpbm-packed-4bit.pcx", "pcx/magick-8bit.pcx",
          "pcx/pillow-1bit.pcx"}},
        {TFormat::Tga,
         {"tga/netpbm-8bit-map-rle.tga", "tga/script-right-8bit-map15-rle.tga",
          "tga/script-extension-area.tga", "tga/script-right-32bit-rle.tga"}},
        {TFormat::Ico, {"ico/magick-16colour.ico", "ico/magick-32bit.ico", "ico/mono.ico"}},
        {TFormat::Cur, {"ico/two-images.cur"}},
        {TFormat::Png,
         {"png/palette-4-trns.png", "png/interlaced-rgba-16.png", "png/exif-orientation-6.png"},
         120},
        {TFormat::Gif, {"gif/offset-transparent.gif", "gif/interlaced.gif"}, 60},
        {TFormat::Webp, {"webp/lossy-alpha.webp", "webp/animated.webp", "webp/exif-orientation-6.webp"}, 120},
        // The boxes before the coded data; the codestream headers.
        {TFormat::Heif, {"heif/rotated-mirrored.heic", "avif/rgb8-420.avif"}, 400},
        {TFormat::Jxl, {"jxl/lossy.jxl", "jxl/oriented6.jxl"}, 120},
    };
    for (const TSource& source : sources) {
        for (const char* file : source.Files) {
            const QByteArray whole = DataBytes(file);
            ASSERT_FALSE(whole.isEmpty()) << file;
            for (qsizetype i = 0; i < std::min(source.Bytes, whole.size()); ++i) {
                if (!source.SkipSizeBytes || i < 20 || i >= 26 || i == 22 || i == 23) {
                    ASSERT_NE(ReadBytes(source.Format, Patched(whole, {{i, ~whole[i]}})), TOutcome::Broken)
                        << file << " byte " << i;
                }
            }
        }
    }
}
