#include "tests/imageio/PictureTestSupport.h"

#include "imageio/Readers.h"
#include "imageio/Stream.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

TRgbPicture ReadPpm(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    // "P6" whitespace width whitespace height whitespace 255 one whitespace, then the samples.
    QList<QByteArray> fields;
    qsizetype i = 0;
    while (fields.size() < 4 && i < bytes.size()) {
        while (i < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[i]))) {
            ++i;
        }
        const qsizetype start = i;
        while (i < bytes.size() && !std::isspace(static_cast<unsigned char>(bytes[i]))) {
            ++i;
        }
        fields << bytes.mid(start, i - start);
    }
    ++i;
    if (fields.size() != 4 || fields[0] != "P6" || fields[3] != "255") {
        return {};
    }
    TRgbPicture picture;
    picture.Width = fields[1].toInt();
    picture.Height = fields[2].toInt();
    const qsizetype samples = qsizetype(picture.Width) * picture.Height * 3;
    if (bytes.size() - i < samples) {
        return {};
    }
    picture.Rgb.assign(bytes.begin() + i, bytes.begin() + i + samples);
    return picture;
}

TRgbPicture ReadThroughQt(const QString& path) {
    const QImage image = QImage(path).convertToFormat(QImage::Format_RGB888);
    TRgbPicture picture{image.width(), image.height(), {}};
    for (int y = 0; y < image.height(); ++y) {
        picture.Rgb.insert(picture.Rgb.end(), image.constScanLine(y),
                           image.constScanLine(y) + image.width() * 3);
    }
    return picture;
}

TRgbPicture PictureOf(const TBitmap& bitmap) {
    TRgbPicture picture;
    picture.Width = bitmap.Width();
    picture.Height = bitmap.Height();
    picture.Rgb.reserve(std::size_t(picture.Width) * picture.Height * 3);
    for (int y = 0; y < picture.Height; ++y) {
        for (int x = 0; x < picture.Width; ++x) {
            if (bitmap.PixelFormat() == TPixelFormat::pf1bit) {
                const std::uint8_t level = BitAt(bitmap, x, y) ? 255 : 0;
                picture.Rgb.insert(picture.Rgb.end(), {level, level, level});
            } else {
                const std::uint8_t* p = bitmap.ScanLine(y) + x * 3;
                picture.Rgb.insert(picture.Rgb.end(), {p[2], p[1], p[0]});
            }
        }
    }
    return picture;
}

int MaxDifference(const TRgbPicture& a, const TRgbPicture& b) {
    if (a.Width != b.Width || a.Height != b.Height || a.Rgb.size() != b.Rgb.size()) {
        return -1;
    }
    int worst = 0;
    for (std::size_t i = 0; i < a.Rgb.size(); ++i) {
        worst = std::max(worst, std::abs(int(a.Rgb[i]) - int(b.Rgb[i])));
    }
    return worst;
}

TBgr PixelAt(const TBitmap& bitmap, int x, int y) {
    const std::uint8_t* p = bitmap.ScanLine(y) + x * 3;
    return {p[0], p[1], p[2]};
}

bool BitAt(const TBitmap& bitmap, int x, int y) {
    return (bitmap.ScanLine(y)[x >> 3] >> (7 - (x & 7))) & 1;
}

QString TPictureFolder::Write(const QString& name, const QByteArray& bytes) const {
    const QString path = Path(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        return QString();
    }
    return path;
}

TLoadResult LoadPicture(const QString& path, TBitmap& bitmap, const TIOParams& start) {
    TPictureIO loader;
    loader.Params() = start;
    loader.SetAttachedBitmap(&bitmap);
    loader.LoadFromFile(path);
    return {loader.Aborted(), loader.Params()};
}

TLoadResult ExpectLikeThePpmBeside(const std::string& path) {
    TBitmap bitmap;
    const TLoadResult r = LoadPicture(TestDataPath(QString::fromStdString(path)), bitmap);
    EXPECT_FALSE(r.Aborted) << path;
    const std::string stem = path.substr(0, path.rfind('.'));
    const TRgbPicture reference = ReadPpm(TestDataPath(QString::fromStdString(stem + ".ppm")));
    EXPECT_GT(reference.Width, 0) << path;
    const int apart = MaxDifference(PictureOf(bitmap), reference);
    EXPECT_TRUE(apart >= 0 && apart <= 2) << path << ": " << apart;
    EXPECT_EQ(r.Params.Width, reference.Width) << path;
    EXPECT_EQ(r.Params.Height, reference.Height) << path;
    return r;
}

TLoadResult LoadBytes(const QString& name, const QByteArray& bytes, TBitmap& bitmap, const TIOParams& start) {
    TPictureFolder folder;
    return LoadPicture(folder.Write(name, bytes), bitmap, start);
}

QByteArray Patched(QByteArray bytes, std::initializer_list<std::pair<qsizetype, int>> changes) {
    for (const auto& [at, value] : changes) {
        bytes[at] = char(value);
    }
    return bytes;
}

TBitmap MarkedBitmap() {
    TBitmap bitmap;
    bitmap.Reset(2, 2, TPixelFormat::pf24bit);
    bitmap.Fill(RGBColor(10, 20, 30));
    return bitmap;
}

bool IsMarked(const TBitmap& bitmap) {
    return bitmap.Width() == 2 && bitmap.Height() == 2 && PixelAt(bitmap, 1, 1) == (TBgr{30, 20, 10});
}

int ReadTiffBytes(const QByteArray& bytes, TBitmap& bitmap, TIOParams& params, bool& aborted,
                  const TProgressEvent& onProgress) {
    TMemoryStream stream(bytes.constData(), bytes.size());
    ProgressContext context;
    context.Aborted = &aborted;
    context.OnProgress = onProgress;
    int pages = 0;
    ReadTiff(stream, bitmap, pages, params, context);
    return pages;
}

TBmpBuilder& TBmpBuilder::U8(unsigned v) {
    FBytes.append(char(v & 0xFF));
    return *this;
}

TBmpBuilder& TBmpBuilder::U16(unsigned v) {
    return U8(v).U8(v >> 8);
}

TBmpBuilder& TBmpBuilder::U32(std::uint32_t v) {
    return U16(v & 0xFFFF).U16(v >> 16);
}

TBmpBuilder& TBmpBuilder::Bytes(std::initializer_list<unsigned> bytes) {
    for (unsigned b : bytes) {
        U8(b);
    }
    return *this;
}

TBmpBuilder& TBmpBuilder::Bytes(const QByteArray& bytes) {
    FBytes.append(bytes);
    return *this;
}

TBmpBuilder& TBmpBuilder::PadRow(qsizetype rowStart) {
    while ((FBytes.size() - rowStart) % 4 != 0) {
        U8(0);
    }
    return *this;
}

TBmpBuilder& TBmpBuilder::FileHeader() {
    FHasFileHeader = true;
    return Bytes({'B', 'M'}).U32(0).U32(0).U32(0);
}

TBmpBuilder& TBmpBuilder::MarkPixels() {
    FPixelOffset = FBytes.size();
    return *this;
}

TBmpBuilder& TBmpBuilder::InfoHeader(std::int32_t width, std::int32_t height, int bits,
                                     std::uint32_t compression, std::uint32_t coloursUsed,
                                     std::int32_t pixelsPerMetre, int headerSize) {
    const qsizetype start = FBytes.size();
    U32(std::uint32_t(headerSize))
        .U32(std::uint32_t(width))
        .U32(std::uint32_t(height))
        .U16(1)
        .U16(unsigned(bits));
    U32(compression).U32(0).U32(std::uint32_t(pixelsPerMetre)).U32(std::uint32_t(pixelsPerMetre));
    U32(coloursUsed).U32(0);
    while (FBytes.size() - start < headerSize) {
        U8(0);
    }
    return *this;
}

TBmpBuilder& TBmpBuilder::Os2Header(int width, int height, int bits) {
    return U32(12).U16(unsigned(width)).U16(unsigned(height)).U16(1).U16(unsigned(bits));
}

TBmpBuilder& TBmpBuilder::Colour(unsigned red, unsigned green, unsigned blue, bool os2) {
    U8(blue).U8(green).U8(red);
    return os2 ? *this : U8(0);
}

QByteArray TBmpBuilder::Build() const {
    QByteArray bytes = FBytes;
    if (FHasFileHeader && bytes.size() >= 14) {
        const auto put32 = [&bytes](int at, std::uint32_t v) {
            for (int i = 0; i < 4; ++i) {
                bytes[at + i] = char((v >> (8 * i)) & 0xFF);
            }
        };
        put32(2, std::uint32_t(bytes.size()));
        put32(10, std::uint32_t(FPixelOffset < 0 ? 0 : FPixelOffset));
    }
    return bytes;
}
