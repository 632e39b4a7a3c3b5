#include "slideshow/FotoScan.h"

#include "imageio/FileExtension.h"
#include "imageio/FormatTable.h"
#include "platform/ConfigFolder.h"
#include "platform/FileNames.h"
#include "slideshow/ProcessState.h"

#include <QDir>

QString ExtractFileExt(const QString& name) {
    return FileExtension(name);
}

bool HasPictureExtension(std::string_view name) {
    return LoaderReadsExtension(FileExtension(name));
}

bool HasPictureExtension(const QString& name) {
    const QByteArray bytes = name.toUtf8();
    return HasPictureExtension(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

void ScanFotoDir() {
    if (FotoDir.isEmpty() || !QDir::setCurrent(FotoDir)) {
        return;
    }
    // Straight from the system's listing: nothing is looked up per entry, and only the names kept
    // become text.
    ForEachStoredName(QStringLiteral("."), [](std::string_view name) {
        if (HasPictureExtension(name)) {
            PictureList.append(DecodeFileName(name));
        }
    });
    PictureList.squeeze();
}
