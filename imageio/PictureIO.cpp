#include "imageio/PictureIO.h"

#include "imageio/FileExtension.h"
#include "imageio/Stream.h"

QString PictureExtension(const QString& path) {
    QString extension = FileExtension(path);
    for (QChar& c : extension) {
        c = QChar(AsciiLower(c.unicode()));
    }
    return extension;
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
    const TFileFormatInfo* format = LoaderFormatOf(PictureExtension(path));
    if (!format) {
        // Nothing is known of the file, not even which format it claims to be.
        FParams.FileName.clear();
        FParams.FileType = 0;
        FAborted = true;
        return;
    }
    if (format->ImportedByPath) {
        ImportMetafile(path, -1, -1);
    } else if (format->Reader) {
        LoadWith(format->Reader, format->Code, path);
    } else {
        FAborted = true;
    }
}

void TPictureIO::LoadWith(TStreamReader reader, int fileType, const QString& path) {
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
