#include "tests/imageio/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include "platform/ScreenDpi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <utility>

namespace {

QString PcxData(const char* name) {
    return TestDataPath(QStringLiteral("pcx/") + QLatin1String(name));
}

TLoadResult LoadPcxBytes(const QByteArray& bytes, TBitmap& bitmap, const TIOParams& start = TIOParams()) {
    return LoadBytes(QStringLiteral("picture.pcx"), bytes, bitmap, start);
}

// A 128-byte header with corners 0, 0 and width - 1, height - 1; header palette entry i is (16 i, 0,
// 255 - 16 i).
TBmpBuilder PcxHeader(int bits, int planes, int bytesPerLine, int width, int height, int encoding = 1) {
    TBmpBuilder b;
    b.U8(10).U8(5).U8(unsigned(encoding)).U8(unsigned(bits));
    b.U16(0).U16(0).U16(unsigned(width - 1)).U16(unsigned(height - 1)).U16(72).U16(72);
    for (unsigned i = 0; i < 16; ++i) {
        b.U8(i * 16).U8(0).U8(255 - i * 16);
    }
    b.U8(0).U8(unsigned(planes)).U16(unsigned(bytesPerLine));
    while (b.Size() < 128) {
        b.U8(0);
    }
    return b;
}

} // namespace

TEST(PcxReader, EveryEncodingOfThePictureDecodesIdentically) {
    struct TCase {
        const char* File;
        const char* Reference;
        int BitsPerSample, SamplesPerPixel, PaletteCount;
        int XDpi, YDpi; // 0: the screen's
        int Version;
    };
    const TCase cases[] = {
        {"netpbm-4planes.pcx", "picture.ppm", 4, 1, 16, 13, 7, 5},
        {"netpbm-packed-4bit.pcx", "picture.ppm", 4, 1, 16, 13, 7, 5},
        {"netpbm-8bit.pcx", "picture.ppm", 8, 1, 256, 13, 7, 5},
        {"netpbm-24bit.pcx", "picture.ppm", 8, 3, 256, 13, 7, 5},
        {"netpbm-1bit.pcx", "mono.ppm", 1, 1, 2, 37, 3, 5},
        {"magick-8bit.pcx", "picture.ppm", 8, 1, 256, 0, 0, 5},
        {"magick-24bit.pcx", "picture.ppm", 8, 3, 256, 0, 0, 5},
        {"pillow-8bit.pcx", "picture.ppm", 8, 1, 256, 100, 100, 5},
        {"pillow-24bit.pcx", "picture.ppm", 8, 3, 256, 100, 100, 5},
        {"pillow-1bit.pcx", "mono.ppm", 1, 1, 2, 100, 100, 2},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        const TRgbPicture expected = ReadPpm(PcxData(c.Reference));
        ASSERT_GT(expected.Width, 0);
        TBitmap bitmap;
        const TLoadResult r = LoadPicture(PcxData(c.File), bitmap);
        EXPECT_FALSE(r.Aborted);
        EXPECT_EQ(PictureOf(bitmap), expected);
        EXPECT_EQ(bitmap.PixelFormat(), c.BitsPerSample == 1 ? TPixelFormat::pf1bit : TPixelFormat::pf24bit);
        const TIOParams& p = r.Params;
        EXPECT_EQ(std::tuple(p.FileType, p.Width, p.Height, p.BitsPerSample, p.SamplesPerPixel,
                             p.PaletteCount, int(p.Palette.size()), p.XDpi, p.YDpi, p.PcxVersion),
                  std::tuple(4, expected.Width, expected.Height, c.BitsPerSample, c.SamplesPerPixel,
                             c.PaletteCount, c.PaletteCount, c.XDpi == 0 ? ScreenDpiX() : c.XDpi,
                             c.YDpi == 0 ? ScreenDpiY() : c.YDpi, c.Version));
        // The palettes are kept as blue, green, red, whichever of the two the file has.
        if (c.SamplesPerPixel == 1 && c.BitsPerSample > 1) {
            EXPECT_NE(std::find(r.Params.Palette.begin(), r.Params.Palette.end(), TBGRTriple{48, 104, 200}),
                      r.Params.Palette.end());
        }
    }
}

TEST(PcxReader, RunByte192WritesNothingAndRunsContinueOnTheNextLine) {
    TBmpBuilder b = PcxHeader(8, 1, 4, 4, 3);
    b.Bytes({0xC0, 0x55});       // a run of none: the 0x55 is used up, nothing written
    b.Bytes({0xC6, 9});          // six 9s: the four of the top row and two of the next
    b.Bytes({1, 2});             // the rest of the middle row
    b.Bytes({0xC2, 3, 0xC0, 4}); // two 3s, then nothing
    b.Bytes({5, 6});
    // The 768-byte palette at the end: entry i is (i, 255 - i, 7).
    b.U8(12);
    for (unsigned i = 0; i < 256; ++i) {
        b.U8(i).U8(255 - i).U8(7);
    }
    TRgbPicture expected{4, 3, {}};
    for (const std::uint8_t i : {9, 9, 9, 9, 9, 9, 1, 2, 3, 3, 5, 6}) {
        expected.Rgb.insert(expected.Rgb.end(), {i, std::uint8_t(255 - i), 7});
    }
    TBitmap bitmap;
    EXPECT_FALSE(LoadPcxBytes(b.Build(), bitmap).Aborted);
    EXPECT_EQ(PictureOf(bitmap), expected);
}

TEST(PcxReader, ResolutionZeroInEitherDirectionGivesTheScreenResolutionInBoth) {
    const QByteArray file = ReadFileBytes(PcxData("pillow-24bit.pcx"));
    for (const auto& [x, y, xDpi, yDpi] :
         {std::tuple{0, 300, ScreenDpiX(), ScreenDpiY()}, std::tuple{300, 0, ScreenDpiX(), ScreenDpiY()},
          std::tuple{300, 150, 300, 150}}) {
        SCOPED_TRACE(testing::Message() << x << " " << y);
        TBitmap bitmap;
        const TLoadResult r =
            LoadPcxBytes(Patched(file, {{12, x & 0xFF}, {13, x >> 8}, {14, y & 0xFF}, {15, y >> 8}}), bitmap);
        EXPECT_EQ(std::tuple(r.Params.XDpi, r.Params.YDpi), std::tuple(xDpi, yDpi));
    }
}

TEST(PcxReader, UnknownManufacturerDepthOrEncodingIsRefusedAndChangesNothing) {
    const QByteArray file = ReadFileBytes(PcxData("netpbm-24bit.pcx"));
    for (const auto& [at, value] : {std::pair{0, 11}, std::pair{3, 9}, std::pair{3, 255}, std::pair{2, 2}}) {
        SCOPED_TRACE(at * 1000 + value);
        TBitmap bitmap = MarkedBitmap();
        TIOParams start;
        start.XDpi = 1234;
        const TLoadResult r = LoadPcxBytes(Patched(file, {{at, value}}), bitmap, start);
        EXPECT_TRUE(r.Aborted);
        EXPECT_TRUE(IsMarked(bitmap));
        EXPECT_EQ(std::tuple(r.Params.XDpi, r.Params.Width, r.Params.FileType), std::tuple(1234, 0, 4));
    }
    TBmpBuilder b = PcxHeader(8, 1, 2, 2, 1);
    b.Bytes({1, 2});
    TBitmap bitmap;
    EXPECT_TRUE(LoadPcxBytes(b.Build(), bitmap).Aborted) << "eight bits without the palette";
}

TEST(PcxReader, RowsAfterTheDataOrOfAnUnsupportedLayoutStayBlack) {
    // Raw lines of a 3-plane file, 2 x 3 pixels: the top row whole, the middle row in part. Then two planes
    // of 4 bits and two planes of 8 bits, 3 x 2 pixels, which are not read.
    TBmpBuilder early = PcxHeader(8, 3, 2, 2, 3, 0), twoBits = PcxHeader(4, 2, 2, 3, 2),
                twoPlanes = PcxHeader(8, 2, 2, 3, 2);
    early.Bytes({10, 11, 20, 21, 30, 31, 40, 41, 50});
    twoBits.Bytes({0xC8, 0x77});
    twoPlanes.Bytes({0xC8, 0x77});
    TRgbPicture partial{2, 3, {10, 20, 30, 11, 21, 31}};
    partial.Rgb.resize(18, 0);
    const TRgbPicture black{3, 2, std::vector<std::uint8_t>(18, 0)};
    for (const auto& [builder, expected] : {std::pair{&early, &std::as_const(partial)},
                                            std::pair{&twoBits, &black}, std::pair{&twoPlanes, &black}}) {
        TBitmap bitmap;
        EXPECT_FALSE(LoadPcxBytes(builder->Build(), bitmap).Aborted);
        EXPECT_EQ(PictureOf(bitmap), *expected);
    }
}

TEST(PcxReader, DataLongerThanTheReadWindowDecodesWhole) {
    const TRgbPicture expected = ReadThroughQt(PcxData("large.png"));
    ASSERT_EQ(expected.Width, 203);
    for (const char* file : {"pillow-large.pcx", "magick-large-raw.pcx"}) {
        SCOPED_TRACE(file);
        TBitmap bitmap;
        EXPECT_FALSE(LoadPicture(PcxData(file), bitmap).Aborted);
        EXPECT_EQ(PictureOf(bitmap), expected);
    }
}
