#pragma once

#include "platform/Bitmap.h"
#include "platform/Color.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

class TStream;

enum class TProgressStageIO { psStarting = 0, psRunning = 1, psEnding = 2 };

// Sender (the TPictureIO), percentage 0 to 100, stage; readers report with psRunning only.
using TProgressEvent = std::function<void(QObject* Sender, int per, TProgressStageIO StageIO)>;

// Colour-table entry as the readers store it: blue, green, red.
struct TBGRTriple {
    std::uint8_t Blue = 0;
    std::uint8_t Green = 0;
    std::uint8_t Red = 0;
    bool operator==(const TBGRTriple&) const = default;
};

enum TJpegColorSpace : std::uint8_t {
    ioJPEG_RGB = 0,
    ioJPEG_GRAYLEV = 1,
    ioJPEG_YCBCR = 2,
    ioJPEG_CMYK = 3,
    ioJPEG_YCBCRK = 4
};
enum TJpegDctMethod : std::uint8_t { ioJPEG_ISLOW = 0, ioJPEG_IFAST = 1, ioJPEG_FLOAT = 2 };
// 0 picks the reduction whose pixel count comes closest to Width x Height as they stand before the read.
enum TJpegScale : std::uint8_t {
    ioJPEG_AUTOCALC = 0,
    ioJPEG_FULLSIZE = 1,
    ioJPEG_HALF = 2,
    ioJPEG_QUARTER = 3,
    ioJPEG_EIGHTH = 4
};
enum TBmpCompression : std::uint8_t { ioBMP_UNCOMPRESSED = 0, ioBMP_RLE = 1 };
enum TTiffCompression : std::uint8_t {
    ioTIFF_UNCOMPRESSED = 0,
    ioTIFF_CCITT1D = 1,
    ioTIFF_G3FAX1D = 2,
    ioTIFF_G3FAX2D = 3,
    ioTIFF_G4FAX = 4,
    ioTIFF_LZW = 5,
    ioTIFF_OLDJPEG = 6,
    ioTIFF_JPEG = 7,
    ioTIFF_PACKBITS = 8
};
enum TTiffPhotometric : std::uint8_t {
    ioTIFF_WHITEISZERO = 0,
    ioTIFF_BLACKISZERO = 1,
    ioTIFF_RGB = 2,
    ioTIFF_RGBPALETTE = 3,
    ioTIFF_TRANSPMASK = 4,
    ioTIFF_CMYK = 5,
    ioTIFF_YCBCR = 6,
    ioTIFF_CIELAB = 7
};

// What was learned about the file of the last read. Each reader overwrites only the fields it knows, so
// fields of an earlier read of another format survive.
struct TIOParams {
    std::int32_t BitsPerSample = 8;
    std::int32_t SamplesPerPixel = 3;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t XDpi = 0;
    std::int32_t YDpi = 0;
    std::int32_t FileType = 0;
    QString FileName;
    std::vector<TBGRTriple> Palette;
    std::int32_t PaletteCount = 0;

    std::uint8_t JpegColorSpace = ioJPEG_YCBCR;
    std::uint8_t JpegDctMethod = ioJPEG_ISLOW;
    std::uint8_t JpegScale = ioJPEG_FULLSIZE;
    std::uint8_t JpegProgressive = 0;
    // When both are above 0 and JpegScale asks for full size, the JPEG reader reads at the largest
    // reduction (1/2, 1/4, 1/8) that leaves the picture, turned upright, at least as large as its fit into
    // a box of this size, so that fitting it only ever shrinks it. 0, the default, reads at full size.
    std::int32_t JpegFitWidth = 0;
    std::int32_t JpegFitHeight = 0;
    // Exif tag 274 of a JPEG, 1 ... 8 (1 when the file gives none): how its rows must be turned to stand
    // upright (imageio/Orientation.h). The reader reports it and leaves the rows as stored.
    std::uint8_t ExifOrientation = 1;

    // 2 for the OS/2 12-byte header, 1 for 40 bytes, 3 for 64 bytes, 0 for any other header size.
    std::uint8_t BmpVersion = 0;
    std::uint8_t BmpCompression = ioBMP_UNCOMPRESSED;

    // The TIFF page to read, counting from 0; the other TIFF fields describe the page read.
    std::int32_t TiffImageIndex = 0;
    std::uint8_t TiffCompression = ioTIFF_UNCOMPRESSED;
    std::uint8_t TiffPhotometric = ioTIFF_RGB;
    std::int32_t TiffPlanarConfig = 1;
    QString TiffDocumentName;
    QString TiffImageDescription;
    QString TiffPageName;
    std::int32_t TiffPageNumber = 0;
    std::int32_t TiffPageCount = 0;

    // The header's version byte.
    std::int32_t PcxVersion = 5;

    QString TgaImageId;
    std::int32_t TgaXOrigin = 0;
    std::int32_t TgaYOrigin = 0;
    // From the extension area of a TGA 2.0 file; the defaults below when it has none.
    QString TgaAuthor;
    QDateTime TgaDate;
    QString TgaJobName;
    TColor TgaKeyColor = clBlack;
    double TgaAspectRatio = 1.0;
    double TgaGamma = 2.2;
    // 1 for an 8-bit picture without colour map, 0 for one with a colour map.
    std::uint8_t TgaGrayscale = 0;
    // 1 for run-length image types.
    std::uint8_t TgaCompressed = 0;

    // Which image of an icon or cursor file is read, and the colour its transparent pixels get.
    std::int32_t IcoImageIndex = 0;
    std::int32_t CurImageIndex = 0;
    TBGRTriple IcoBackground{255, 255, 255};
    TBGRTriple CurBackground{255, 255, 255};
    std::int32_t CurHotSpotX = 0;
    std::int32_t CurHotSpotY = 0;

    void FreePalette() {
        Palette.clear();
        Palette.shrink_to_fit();
        PaletteCount = 0;
    }
};

// Built by each per-format load and handed to its reader.
struct ProgressContext {
    TProgressEvent OnProgress;
    QObject* Sender = nullptr;
    int Counter = 0;     // rows done
    double Factor = 0.0; // 100 / rows to read
    bool* Aborted = nullptr;

    bool IsAborted() const { return *Aborted; }
    void Abort() const { *Aborted = true; }
    // Reports Counter x Factor, truncated, when a handler is assigned.
    void Report() const {
        if (OnProgress) {
            OnProgress(Sender, int(Counter * Factor), TProgressStageIO::psRunning);
        }
    }
};

struct TFileFormatInfo {
    int Code;
    std::string_view Description;
    std::string_view Extensions; // ";"-separated, upper case
};

// The known file types; code 0 is unknown.
extern const std::array<TFileFormatInfo, 12> FileFormatTable;
// The code of FileFormatTable that lists an extension (without the dot, any case), else 0.
int FileFormatOfExtension(const QString& extension);

// The extension of a path as the loader sees it: from the last "." after the last path delimiter, dot
// included, ASCII letters lower-cased; empty when there is none.
QString PictureExtension(const QString& path);

// Reads picture files into a bitmap that somebody else owns, choosing the reader by extension alone.
class TPictureIO : public QObject {
    Q_OBJECT
public:
    explicit TPictureIO(QObject* owner = nullptr);
    ~TPictureIO() override;

    TBitmap* AttachedBitmap() const { return FBitmap; }
    // The caller keeps ownership; the bitmap must outlive every load into it.
    void SetAttachedBitmap(TBitmap* bitmap);

    bool Aborted() const { return FAborted; }
    // Set during a load (from a progress handler) to stop the JPEG, BMP and PCX readers at their next row.
    void SetAborted(bool aborted) { FAborted = aborted; }

    const TProgressEvent& OnProgress() const { return FOnProgress; }
    void SetOnProgress(TProgressEvent handler) { FOnProgress = std::move(handler); }

    TColor Background() const { return FBackground; }
    void SetBackground(TColor color) { FBackground = color; }

    TIOParams& Params() { return FParams; }
    const TIOParams& Params() const { return FParams; }
    int FileType() const { return FParams.FileType; }

    // Reads the file into the attached bitmap (nothing happens without one). A refused file sets
    // Aborted; a file that cannot be opened raises EFOpenError; the bitmap then keeps its picture.
    void LoadFromFile(const QString& path);

    // Replaces the attached bitmap with the metafile drawn on Background at width x height (-1 for
    // either takes it from the natural size, keeping the proportions; both -1 is the natural size).
    // A file that is no metafile raises EInvalidGraphic "Metafile is not valid"; an empty size sets
    // Aborted. The bitmap is unchanged in both cases.
    void ImportMetafile(const QString& path, int width, int height);

    // The signature every reader has; the loader opens the stream and hands it over at position 0.
    using TReader = void (*)(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context);

private:
    void LoadWith(TReader reader, int fileType, const QString& path);

    TBitmap* FBitmap = nullptr;
    TIOParams FParams;
    bool FAborted = false;
    TProgressEvent FOnProgress;
    TColor FBackground = clBlack;
};
