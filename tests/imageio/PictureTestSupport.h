#pragma once

#include "imageio/PictureIO.h"
#include "platform/Bitmap.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

// A picture as red, green, blue bytes, top row first: what a reference PPM holds and what a bitmap is
// compared as.
struct TRgbPicture {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Rgb;

    const std::uint8_t* At(int x, int y) const { return Rgb.data() + (std::size_t(y) * Width + x) * 3; }
    bool operator==(const TRgbPicture&) const = default;
};

// Binary PPM (P6, 8 bits); an empty picture when the file is no such PPM.
TRgbPicture ReadPpm(const QString& path);
// Any file Qt reads (PNG references too large to keep as PPM), without its alpha; empty when Qt cannot.
TRgbPicture ReadThroughQt(const QString& path);
// Both pixel formats; 1-bit pixels become 0 or 255.
TRgbPicture PictureOf(const TBitmap& bitmap);
// Largest difference of any sample; -1 when the sizes differ.
int MaxDifference(const TRgbPicture& a, const TRgbPicture& b);

// Blue, green, red of a 24-bit bitmap's pixel; the bit of a 1-bit one.
struct TBgr {
    int Blue, Green, Red;
    bool operator==(const TBgr&) const = default;
};
TBgr PixelAt(const TBitmap& bitmap, int x, int y);
bool BitAt(const TBitmap& bitmap, int x, int y);

// A folder for one test, with the picture files the test writes.
class TPictureFolder {
public:
    QString Path(const QString& name) const { return FDir.filePath(name); }
    QString Write(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir FDir;
};

// Loads a file through a fresh TPictureIO into the bitmap and returns the loader's params and Aborted.
struct TLoadResult {
    bool Aborted = false;
    TIOParams Params;
};
TLoadResult LoadPicture(const QString& path, TBitmap& bitmap, const TIOParams& start = TIOParams());
// Loads a test data picture (path relative to tests/data) and checks it against the reference decode beside
// it (the same stem with .ppm): loaded, at most 2 apart per sample, the reported size the reference's.
// The result is for the reader's own checks.
TLoadResult ExpectLikeThePpmBeside(const std::string& path);
// Writes the bytes to a temporary file of that name (whose extension picks the reader) and loads it.
TLoadResult LoadBytes(const QString& name, const QByteArray& bytes, TBitmap& bitmap,
                      const TIOParams& start = TIOParams());
// The bytes with each {offset, value} changed.
QByteArray Patched(QByteArray bytes, std::initializer_list<std::pair<qsizetype, int>> changes);

// A 2 x 2 bitmap of one colour, to tell whether a refused read left it alone.
TBitmap MarkedBitmap();
bool IsMarked(const TBitmap& bitmap);

// Reads TIFF bytes straight through the reader, which also counts the pages; returns that count.
int ReadTiffBytes(const QByteArray& bytes, TBitmap& bitmap, TIOParams& params, bool& aborted,
                  const TProgressEvent& onProgress = {});

// Builds BMP files byte by byte, for the variants that no encoder at hand writes.
class TBmpBuilder {
public:
    TBmpBuilder& U8(unsigned v);
    TBmpBuilder& U16(unsigned v);
    TBmpBuilder& U32(std::uint32_t v);
    TBmpBuilder& Bytes(std::initializer_list<unsigned> bytes);
    TBmpBuilder& Bytes(const QByteArray& bytes);
    // Zero bytes up to a multiple of four since the pixel data began.
    TBmpBuilder& PadRow(qsizetype rowStart);
    qsizetype Size() const { return FBytes.size(); }
    QByteArray Build() const;

    // A 14-byte file header whose pixel offset and total size Build() fills in from MarkPixels() and
    // the final length.
    TBmpBuilder& FileHeader();
    TBmpBuilder& MarkPixels();
    // A 40-byte (or longer, zero-extended) info header.
    TBmpBuilder& InfoHeader(std::int32_t width, std::int32_t height, int bits, std::uint32_t compression = 0,
                            std::uint32_t coloursUsed = 0, std::int32_t pixelsPerMetre = 0,
                            int headerSize = 40);
    // The 12-byte OS/2 header.
    TBmpBuilder& Os2Header(int width, int height, int bits);
    TBmpBuilder& Colour(unsigned red, unsigned green, unsigned blue, bool os2 = false);

private:
    QByteArray FBytes;
    qsizetype FPixelOffset = -1;
    bool FHasFileHeader = false;
};
