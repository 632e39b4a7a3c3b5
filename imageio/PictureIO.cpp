#include "imageio/PictureIO.h"

#include "imageio/Readers.h"
#include "imageio/Stream.h"

#include <string>

const std::array<TFileFormatInfo, 12> FileFormatTable = {{
    {1, "TIFF Bitmap", "TIF;TIFF"},
    {2, "CompuServe Bitmap", "GIF"},
    {3, "JPEG Bitmap", "JPG;JPEG;JPE"},
    {4, "PaintBrush", "PCX"},
    {5, "Windows Bitmap", "BMP;DIB;RLE"},
    {6, "Windows Icon", "ICO"},
    {7, "Windows Cursor", "CUR"},
    {8, "Portable Network Graphics", "PNG"},
    {9, "Windows Metafile", "WMF"},
    {10, "Enhanced Windows Metafile", "EMF"},
    {11, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX"},
    {12, "WebP Bitmap", "WEBP"},
}};

namespace {

// Codes of FileFormatTable.
constexpr int MetafileFileType = 9;
constexpr int EnhancedMetafileFileType = 10;

void LoadBmp(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context) {
    ReadBmp(stream, bitmap, stream.Size(), params, context);
}

// The page count matters to callers that page through a file; the slide show shows the first page.
void LoadTiff(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context) {
    int pageCount = 0;
    ReadTiff(stream, bitmap, pageCount, params, context);
}

void LoadPcx(TStream& stream, TBitmap& bitmap, TIOParams& params, ProgressContext& context) {
    ReadPcx(stream, bitmap, stream.Size(), params, context);
}

// The loader's own dispatch, which is not FileFormatTable: ".win" loads as Targa although the table does
// not list it, and "pix" is listed there but loads nothing. The metafile types have no reader: they
// are imported by path rather than read from a stream.
struct TDispatch {
    std::string_view Extension;
    TPictureIO::TReader Reader;
    int FileType;
};

constexpr TDispatch Dispatch[] = {
    {".jpg", ReadJpeg, 3},   {".jpeg", ReadJpeg, 3},  {".jpe", ReadJpeg, 3}, {".png", ReadPng, 8},
    {".tif", LoadTiff, 1},   {".tiff", LoadTiff, 1},  {".pcx", LoadPcx, 4},  {".gif", ReadGif, 2},
    {".wmf", nullptr, 9},    {".emf", nullptr, 10},   {".bmp", LoadBmp, 5},  {".dib", LoadBmp, 5},
    {".rle", LoadBmp, 5},    {".cur", ReadCursor, 7}, {".ico", ReadIcon, 6}, {".tga", ReadTga, 11},
    {".targa", ReadTga, 11}, {".vda", ReadTga, 11},   {".icb", ReadTga, 11}, {".vst", ReadTga, 11},
    {".win", ReadTga, 11},   {".webp", ReadWebp, 12},
};

} // namespace

QString PictureExtension(const QString& path) {
    // "/" is the delimiter here; "\" and ":" are those of the system the file names may come from.
    qsizetype delimiter = -1;
    for (const QChar c : {QLatin1Char('/'), QLatin1Char('\\'), QLatin1Char(':')}) {
        delimiter = std::max(delimiter, path.lastIndexOf(c));
    }
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < delimiter) {
        return QString();
    }
    QString extension = path.mid(dot);
    for (QChar& c : extension) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) {
            c = QChar(c.unicode() + ('a' - 'A'));
        }
    }
    return extension;
}

int FileFormatOfExtension(const QString& extension) {
    const std::string wanted = extension.toUpper().toStdString();
    if (wanted.empty()) {
        return 0;
    }
    for (const TFileFormatInfo& format : FileFormatTable) {
        std::string_view rest = format.Extensions;
        while (!rest.empty()) {
            const auto end = rest.find(';');
            if (rest.substr(0, end) == wanted) {
                return format.Code;
            }
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        }
    }
    return 0;
}

TPictureIO::TPictureIO(QObject* owner) : QObject(owner) {}

TPictureIO::~TPictureIO() = default;

void TPictureIO::SetAttachedBitmap(TBitmap* bitmap) {
    if (bitmap == FBitmap) {
        return;
    }
    FBitmap = bitmap;
}

void TPictureIO::LoadFromFile(const QString& path) {
    if (!FBitmap) {
        return;
    }
    const QString extension = PictureExtension(path);
    for (const TDispatch& entry : Dispatch) {
        if (extension == QLatin1String(entry.Extension.data(), qsizetype(entry.Extension.size()))) {
            if (entry.FileType == MetafileFileType || entry.FileType == EnhancedMetafileFileType) {
                ImportMetafile(path, -1, -1);
                return;
            }
            if (!entry.Reader) {
                FAborted = true;
                return;
            }
            LoadWith(entry.Reader, entry.FileType, path);
            return;
        }
    }
    // No row of FileFormatTable has a reader, so whatever the table lists for the extension, nothing
    // can be read.
    FParams.FileName.clear();
    FParams.FileType = 0;
    FAborted = true;
}

void TPictureIO::LoadWith(TReader reader, int fileType, const QString& path) {
    FAborted = false;
    if (!FBitmap) {
        return;
    }
    ProgressContext context;
    context.OnProgress = FOnProgress;
    context.Sender = this;
    context.Aborted = &FAborted;
    TFileStream stream(path);
    reader(stream, *FBitmap, FParams, context);
    FParams.FileName = path;
    FParams.FileType = fileType;
    FBitmap->Changed();
}
