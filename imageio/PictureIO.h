#pragma once

#include "imageio/FormatTable.h"
#include "imageio/IOParams.h"
#include "platform/Bitmap.h"

#include <QObject>
#include <QString>

// The extension of a path as the loader sees it: from the last "." after the last path delimiter, dot
// included, ASCII letters lower-cased; empty when there is none.
QString PictureExtension(const QString& path);

// Reads picture files into a bitmap that somebody else owns, choosing the reader by extension alone
// (FileFormatTable).
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

private:
    void LoadWith(TStreamReader reader, int fileType, const QString& path);

    TBitmap* FBitmap = nullptr;
    TIOParams FParams;
    bool FAborted = false;
    TProgressEvent FOnProgress;
    TColor FBackground = clBlack;
};
