#include "slideshow/FotoScan.h"

#include "slideshow/ProcessState.h"

#include <QDir>

#include <algorithm>
#include <array>

namespace {

constexpr std::array<const char*, 19> PictureExtensions = {
    ".jpg", ".jpeg", ".jpe", ".tif", ".tiff",  ".pcx", ".wmf", ".emf", ".dib", ".bmp",
    ".rle", ".cur",  ".ico", ".tga", ".targa", ".vda", ".vst", ".icb", ".win"};

QString AsciiLower(QString text) {
    for (QChar& c : text) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) {
            c = QChar(c.unicode() + ('a' - 'A'));
        }
    }
    return text;
}

} // namespace

QString ExtractFileExt(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype separator =
        std::max({name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')),
                  name.lastIndexOf(QLatin1Char(':'))});
    if (dot < 0 || dot < separator) {
        return QString();
    }
    return name.mid(dot);
}

bool HasPictureExtension(const QString& name) {
    const QString extension = AsciiLower(ExtractFileExt(name));
    for (const char* picture : PictureExtensions) {
        if (extension == QLatin1String(picture)) {
            return true;
        }
    }
    return false;
}

void ScanFotoDir() {
    if (FotoDir.isEmpty() || !QDir::setCurrent(FotoDir)) {
        return;
    }
    const QDir folder(QDir::currentPath());
    const QStringList names = folder.entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString& name : names) {
        if (HasPictureExtension(name)) {
            PictureList.append(name);
        }
    }
}
