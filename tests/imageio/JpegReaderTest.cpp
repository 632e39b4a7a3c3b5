#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include "imageio/Readers.h"
#include "imageio/Stream.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {

QString JpegData(const char* name) {
    return TestDataPath(QStringLiteral("jpeg/") + QLatin1String(name));
}

// The source picture of the committed files: six flat 16 x 16 blocks, in red, green, blue.
const std::uint8_t BlockColours[6][3] = {{255, 0, 0},     {0, 255, 0}, {0, 0, 255},
                                         {255, 255, 255}, {0, 0, 0},   {200, 100, 50}};

// The centre of every block lies within a few levels of its colour, whatever the library does: this
// catches a swapped byte order or row order without trusting the reference decode.
void ExpectBlockColours(const TBitmap& bitmap, int tolerance) {
    for (int block = 0; block < 6; ++block) {
        const int x = (block % 3) * 16 + 8;
        const int y = (block / 3) * 16 + 8;
        const TBgr p = PixelAt(bitmap, x, y);
        EXPECT_NEAR(p.Red, BlockColours[block][0], tolerance) << "block " << block;
        EXPECT_NEAR(p.Green, BlockColours[block][1], tolerance) << "block " << block;
        EXPECT_NEAR(p.Blue, BlockColours[block][2], tolerance) << "block " << block;
    }
}

struct TSegment {
    std::uint8_t Marker;
    qsizetype At;     // index of the FF
    qsizetype Length; // the segment's length field; 0 for markers without one
};

// The marker segments up to and including the first start-of-scan.
std::vector<TSegment> Segments(const QByteArray& jpeg) {
    std::vector<TSegment> segments;
    qsizetype i = 2;
    while (i + 4 <= jpeg.size() && std::uint8_t(jpeg[i]) == 0xFF) {
        const std::uint8_t marker = std::uint8_t(jpeg[i + 1]);
        const qsizetype length = (qsizetype(std::uint8_t(jpeg[i + 2])) << 8) | std::uint8_t(jpeg[i + 3]);
        segments.push_back({marker, i, length});
        if (marker == 0xDA) {
            break;
        }
        i += 2 + length;
    }
    return segments;
}

qsizetype SegmentAt(const QByteArray& jpeg, std::uint8_t marker) {
    for (const TSegment& s : Segments(jpeg)) {
        if (s.Marker == marker) {
            return s.At;
        }
    }
    return -1;
}

// Density fields of the JFIF segment, which cjpeg writes right after the start of image.
QByteArray WithDensity(QByteArray jpeg, int unit, int x, int y) {
    const qsizetype app0 = SegmentAt(jpeg, 0xE0);
    EXPECT_EQ(app0, 2);
    jpeg[app0 + 11] = char(unit);
    jpeg[app0 + 12] = char(x >> 8);
    jpeg[app0 + 13] = char(x & 0xFF);
    jpeg[app0 + 14] = char(y >> 8);
    jpeg[app0 + 15] = char(y & 0xFF);
    return jpeg;
}

struct TJpegLoad {
    TBitmap Bitmap;
    TLoadResult Result;
};

TJpegLoad LoadJpegBytes(const QByteArray& bytes, const TIOParams& start = TIOParams()) {
    TPictureFolder folder;
    TJpegLoad load;
    load.Result = LoadPicture(folder.Write(QStringLiteral("picture.jpg"), bytes), load.Bitmap, start);
    return load;
}

// A JPEG of two components, which no colour space of the library describes.
QByteArray TwoComponentJpeg() {
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = 8;
    info.image_height = 8;
    info.input_components = 2;
    info.in_color_space = JCS_UNKNOWN;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, JCS_UNKNOWN);
    jpeg_start_compress(&info, TRUE);
    unsigned char row[16] = {};
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return bytes;
}

} // namespace

TEST(JpegReader, BaselineMatchesTheLibrarysOwnDecodeAndTheSourceColours) {
    TBitmap bitmap;
    const TLoadResult r = LoadPicture(JpegData("baseline.jpg"), bitmap);
    EXPECT_FALSE(r.Aborted);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(PictureOf(bitmap), ReadPpm(JpegData("baseline.ppm")));
    ExpectBlockColours(bitmap, 4);
    EXPECT_EQ(r.Params.Width, 48);
    EXPECT_EQ(r.Params.Height, 32);
    EXPECT_EQ(r.Params.FileType, 3);
    EXPECT_EQ(r.Params.JpegColorSpace, ioJPEG_YCBCR);
    EXPECT_EQ(r.Params.JpegProgressive, 0);
    EXPECT_EQ(r.Params.BitsPerSample, 8);
    EXPECT_EQ(r.Params.SamplesPerPixel, 3);
    // cjpeg writes density unit 0 with an aspect of 1:1.
    EXPECT_EQ(r.Params.XDpi, 1);
    EXPECT_EQ(r.Params.YDpi, 1);
}

TEST(JpegReader, ProgressiveLoadsCompletely) {
    TBitmap bitmap;
    const TLoadResult r = LoadPicture(JpegData("progressive.jpg"), bitmap);
    EXPECT_FALSE(r.Aborted);
    EXPECT_EQ(PictureOf(bitmap), ReadPpm(JpegData("progressive.ppm")));
    ExpectBlockColours(bitmap, 6);
    EXPECT_EQ(r.Params.JpegProgressive, 1);
}

TEST(JpegReader, GreyscaleGivesThreeEqualBytes) {
    TBitmap bitmap;
    const TLoadResult r = LoadPicture(JpegData("grey.jpg"), bitmap);
    EXPECT_FALSE(r.Aborted);
    EXPECT_EQ(r.Params.JpegColorSpace, ioJPEG_GRAYLEV);
    EXPECT_EQ(PictureOf(bitmap), ReadPpm(JpegData("grey.ppm")));
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            const TBgr p = PixelAt(bitmap, x, y);
            ASSERT_EQ(p.Blue, p.Green);
            ASSERT_EQ(p.Green, p.Red);
        }
    }
    // White and black blocks stay white and black.
    EXPECT_GE(PixelAt(bitmap, 8, 24).Red, 251);
    EXPECT_LE(PixelAt(bitmap, 24, 24).Red, 4);
}

TEST(JpegReader, RgbCodedFileKeepsItsColours) {
    TBitmap bitmap;
    const TLoadResult r = LoadPicture(JpegData("rgb.jpg"), bitmap);
    EXPECT_FALSE(r.Aborted);
    EXPECT_EQ(r.Params.JpegColorSpace, ioJPEG_RGB);
    EXPECT_EQ(PictureOf(bitmap), ReadPpm(JpegData("rgb.ppm")));
    ExpectBlockColours(bitmap, 4);
}

TEST(JpegReader, CmykAndYcckGoThroughTheInkFormula) {
    struct TCase {
        const char* File;
        int ColourSpace;
    };
    for (const TCase c : {TCase{"cmyk.jpg", ioJPEG_CMYK}, TCase{"ycck.jpg", ioJPEG_YCBCRK}}) {
        SCOPED_TRACE(c.File);
        TBitmap bitmap;
        const TLoadResult r = LoadPicture(JpegData(c.File), bitmap);
        EXPECT_FALSE(r.Aborted);
        EXPECT_EQ(r.Params.JpegColorSpace, c.ColourSpace);
        ASSERT_EQ(bitmap.Width(), 40);
        // Blocks of ink: none (all bytes 255 as stored), full black (black byte 0), full cyan, magenta
        // with yellow, half black (stored 127: 255 x 127 div 255 = 127).
        const TBgr expected[5] = {{255, 255, 255}, {0, 0, 0}, {255, 255, 0}, {0, 0, 255}, {127, 127, 127}};
        for (int block = 0; block < 5; ++block) {
            const TBgr p = PixelAt(bitmap, block * 8 + 4, 4);
            EXPECT_NEAR(p.Blue, expected[block].Blue, 3) << block;
            EXPECT_NEAR(p.Green, expected[block].Green, 3) << block;
            EXPECT_NEAR(p.Red, expected[block].Red, 3) << block;
        }
    }
}

TEST(JpegReader, JfifDensityInInchesAndCentimetres) {
    const QByteArray baseline = ReadFileBytes(JpegData("baseline.jpg"));
    struct TCase {
        int Unit, X, Y, XDpi, YDpi;
    };
    // Unit 2: 118 x 2.54 = 299.72 and 59 x 2.54 = 149.86, truncated. Unit 3 is unknown: the values of
    // the read before stay.
    for (const TCase c : {TCase{1, 72, 72, 72, 72}, TCase{2, 118, 59, 299, 149}, TCase{0, 3, 2, 3, 2},
                          TCase{3, 50, 50, 11, 12}}) {
        TIOParams start;
        start.XDpi = 11;
        start.YDpi = 12;
        const TJpegLoad load = LoadJpegBytes(WithDensity(baseline, c.Unit, c.X, c.Y), start);
        EXPECT_FALSE(load.Result.Aborted);
        EXPECT_EQ(load.Result.Params.XDpi, c.XDpi) << c.Unit;
        EXPECT_EQ(load.Result.Params.YDpi, c.YDpi) << c.Unit;
    }
}

TEST(JpegReader, FileWithoutJfifGivesTheLibraryDefaultDensity) {
    TBitmap bitmap;
    const TLoadResult r = LoadPicture(JpegData("cmyk.jpg"), bitmap);
    EXPECT_EQ(r.Params.XDpi, 1);
    EXPECT_EQ(r.Params.YDpi, 1);
}

TEST(JpegReader, PictureOneRowHigh) {
    TBitmap bitmap;
    const TLoadResult r = LoadPicture(JpegData("one-row.jpg"), bitmap);
    EXPECT_FALSE(r.Aborted);
    EXPECT_EQ(bitmap.Height(), 1);
    EXPECT_EQ(PictureOf(bitmap), ReadPpm(JpegData("one-row.ppm")));
}

TEST(JpegReader, ScanDataStoppingHalfWayLoadsWithoutAborted) {
    const QByteArray whole = ReadFileBytes(JpegData("baseline.jpg"));
    const qsizetype scan = SegmentAt(whole, 0xDA);
    ASSERT_GT(scan, 0);
    const qsizetype data = scan + 2 + 12;
    const TJpegLoad load = LoadJpegBytes(whole.left(data + (whole.size() - data) / 2));
    EXPECT_FALSE(load.Result.Aborted);
    ASSERT_EQ(load.Bitmap.Width(), 48);
    ASSERT_EQ(load.Bitmap.Height(), 32);
    // The first row of blocks is complete; the last row is the library's fill for missing data, flat
    // mid grey.
    const TRgbPicture reference = ReadPpm(JpegData("baseline.ppm"));
    const TRgbPicture got = PictureOf(load.Bitmap);
    for (int x = 0; x < 48; ++x) {
        EXPECT_EQ(got.At(x, 0)[0], reference.At(x, 0)[0]) << x;
        EXPECT_EQ(PixelAt(load.Bitmap, x, 31), (TBgr{128, 128, 128})) << x;
    }
}

TEST(JpegReader, GifInAJpgFileIsRefusedAndThePreviousPictureStays) {
    TBitmap bitmap;
    LoadPicture(JpegData("baseline.jpg"), bitmap);
    const TRgbPicture before = PictureOf(bitmap);
    TPictureIO loader;
    loader.SetAttachedBitmap(&bitmap);
    loader.Params().Width = 5;
    loader.LoadFromFile(JpegData("gif-content.jpg"));
    EXPECT_TRUE(loader.Aborted());
    EXPECT_EQ(PictureOf(bitmap), before);
    EXPECT_EQ(loader.Params().Width, 5);
    // The loader records the file even when its reader refused it.
    EXPECT_EQ(loader.Params().FileType, 3);
    EXPECT_EQ(loader.Params().FileName, JpegData("gif-content.jpg"));
}

TEST(JpegReader, BmpContentInAJpgFileIsRefused) {
    TBitmap bitmap;
    const TJpegLoad load = LoadJpegBytes(ReadFileBytes(TestDataPath(QStringLiteral("bmp/magick-24bit.bmp"))));
    EXPECT_TRUE(load.Result.Aborted);
    EXPECT_TRUE(load.Bitmap.Empty());
}

TEST(JpegReader, ShortAndEmptyFilesAreRefused) {
    for (const QByteArray& bytes : {QByteArray(), QByteArray("\xFF\xD8", 2), QByteArray("\xFF\xD8\xFF", 3),
                                    QByteArray("\xFF\xD8\xFF\xE0", 4)}) {
        const TJpegLoad load = LoadJpegBytes(bytes);
        EXPECT_TRUE(load.Result.Aborted) << bytes.size();
        EXPECT_TRUE(load.Bitmap.Empty());
    }
}

TEST(JpegReader, ScaleReducesByPowersOfTwo) {
    struct TCase {
        int Scale, Width, Height;
    };
    for (const TCase c :
         {TCase{1, 48, 32}, TCase{2, 24, 16}, TCase{3, 12, 8}, TCase{4, 6, 4}, TCase{9, 48, 32}}) {
        TIOParams start;
        start.JpegScale = std::uint8_t(c.Scale);
        TBitmap bitmap;
        const TLoadResult r = LoadPicture(JpegData("baseline.jpg"), bitmap, start);
        EXPECT_EQ(bitmap.Width(), c.Width) << c.Scale;
        EXPECT_EQ(bitmap.Height(), c.Height) << c.Scale;
        EXPECT_EQ(r.Params.Width, c.Width) << c.Scale;
    }
}

TEST(JpegReader, AutomaticScaleComesClosestToTheTargetAndTiesKeepTheLargerPicture) {
    struct TCase {
        int TargetWidth, TargetHeight, Width;
    };
    // Full size is 48 x 32 = 1536 pixels, half 384, quarter 96, eighth 24. 960 lies exactly between
    // full and half size.
    for (const TCase c : {TCase{0, 0, 48}, TCase{24, 16, 24}, TCase{13, 8, 12}, TCase{1, 1, 6},
                          TCase{960, 1, 48}, TCase{959, 1, 24}, TCase{1000, 1000, 48}}) {
        TIOParams start;
        start.JpegScale = ioJPEG_AUTOCALC;
        start.Width = c.TargetWidth;
        start.Height = c.TargetHeight;
        TBitmap bitmap;
        LoadPicture(JpegData("baseline.jpg"), bitmap, start);
        EXPECT_EQ(bitmap.Width(), c.Width) << c.TargetWidth << "x" << c.TargetHeight;
    }
}

TEST(JpegReader, EveryDctMethodDecodes) {
    const TRgbPicture reference = ReadPpm(JpegData("baseline.ppm"));
    for (const int method : {0, 1, 2, 7}) {
        TIOParams start;
        start.JpegDctMethod = std::uint8_t(method);
        TBitmap bitmap;
        const TLoadResult r = LoadPicture(JpegData("baseline.jpg"), bitmap, start);
        EXPECT_FALSE(r.Aborted);
        const int difference = MaxDifference(PictureOf(bitmap), reference);
        // The reference is the integer-slow transform, which is also the library's default.
        if (method == 0 || method == 7) {
            EXPECT_EQ(difference, 0) << method;
        } else {
            EXPECT_GE(difference, 0) << method;
            EXPECT_LE(difference, 12) << method;
        }
    }
}

TEST(JpegReader, TwoComponentFileIsRefused) {
    TIOParams start;
    start.JpegColorSpace = 77;
    const TJpegLoad load = LoadJpegBytes(TwoComponentJpeg(), start);
    EXPECT_TRUE(load.Result.Aborted);
    EXPECT_EQ(load.Result.Params.JpegColorSpace, 77);
    EXPECT_TRUE(load.Bitmap.Empty());
}

namespace {

// The progressive file with its last scan repeated: the library only warns about the bogus progression.
QByteArray WithRepeatedLastScan(int repeats) {
    const QByteArray whole = ReadFileBytes(JpegData("progressive.jpg"));
    const qsizetype lastScan = whole.lastIndexOf(QByteArray("\xFF\xDA", 2));
    const QByteArray scan = whole.mid(lastScan, whole.size() - 2 - lastScan);
    QByteArray bytes = whole.left(whole.size() - 2);
    for (int i = 0; i < repeats; ++i) {
        bytes += scan;
    }
    return bytes + QByteArray("\xFF\xD9", 2);
}

} // namespace

TEST(JpegReader, EndlessScansAreRefused) {
    const TJpegLoad few = LoadJpegBytes(WithRepeatedLastScan(50));
    EXPECT_FALSE(few.Result.Aborted);
    EXPECT_EQ(few.Bitmap.Width(), 48);
    const TJpegLoad many = LoadJpegBytes(WithRepeatedLastScan(600));
    EXPECT_TRUE(many.Result.Aborted);
}

namespace {

QByteArray WithSize(QByteArray jpeg, std::uint8_t frameMarker, int width, int height) {
    const qsizetype frame = SegmentAt(jpeg, frameMarker);
    EXPECT_GT(frame, 0);
    jpeg[frame + 5] = char(height >> 8);
    jpeg[frame + 6] = char(height & 0xFF);
    jpeg[frame + 7] = char(width >> 8);
    jpeg[frame + 8] = char(width & 0xFF);
    return jpeg;
}

} // namespace

TEST(JpegReader, HugeHeaderRaisesOutOfMemoryBeforeDecoding) {
    const QByteArray huge = WithSize(ReadFileBytes(JpegData("baseline.jpg")), 0xC0, 60000, 60000);
    TPictureFolder folder;
    TBitmap bitmap;
    bitmap.Reset(3, 3, TPixelFormat::pf24bit);
    TPictureIO loader;
    loader.SetAttachedBitmap(&bitmap);
    EXPECT_THROW(loader.LoadFromFile(folder.Write(QStringLiteral("huge.jpg"), huge)), EOutOfMemory);
    EXPECT_EQ(bitmap.Width(), 3);
}

TEST(JpegReader, ReducedProgressivePictureTooBigForTheLibrarysBuffersIsRefused) {
    // An eighth of 60000 x 60000 fits the bitmap, but the library would keep the coefficients of the
    // whole picture, about 10 GB.
    TIOParams start;
    start.JpegScale = ioJPEG_EIGHTH;
    const TJpegLoad load =
        LoadJpegBytes(WithSize(ReadFileBytes(JpegData("progressive.jpg")), 0xC2, 60000, 60000), start);
    EXPECT_TRUE(load.Result.Aborted);
    EXPECT_TRUE(load.Bitmap.Empty());
}

TEST(JpegReader, ReadsFromTheStreamsPosition) {
    // ReadJpeg is also given streams that start elsewhere than at 0.
    QByteArray bytes = QByteArray("junk") + ReadFileBytes(JpegData("baseline.jpg"));
    TMemoryStream stream(bytes.constData(), bytes.size());
    stream.Seek(4);
    TBitmap bitmap;
    TIOParams params;
    bool aborted = false;
    ProgressContext context;
    context.Aborted = &aborted;
    ReadJpeg(stream, bitmap, params, context);
    EXPECT_FALSE(aborted);
    EXPECT_EQ(PictureOf(bitmap), ReadPpm(JpegData("baseline.ppm")));
}
