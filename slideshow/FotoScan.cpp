#include "slideshow/FotoScan.h"

#include "platform/ConfigFolder.h"
#include "platform/FileNames.h"
#include "slideshow/ProcessState.h"

#include <QDir>

#include <algorithm>
#include <array>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 22> PictureExtensions = {
    ".jpg", ".jpeg", ".jpe", ".tif",   ".tiff", ".pcx", ".wmf", ".emf", ".dib", ".bmp", ".rle",
    ".cur", ".ico",  ".tga", ".targa", ".vda",  ".vst", ".icb", ".win", ".png", ".gif", ".webp"};

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
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

bool HasPictureExtension(std::string_view name) {
    const auto dot = name.rfind('.');
    const auto separator = name.find_last_of("/\\:");
    if (dot == std::string_view::npos || (separator != std::string_view::npos && dot < separator)) {
        return false;
    }
    const std::string_view extension = name.substr(dot);
    for (const std::string_view picture : PictureExtensions) {
        if (std::equal(extension.begin(), extension.end(), picture.begin(), picture.end(),
                       [](char a, char b) { return AsciiLower(a) == b; })) {
            return true;
        }
    }
    return false;
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

QString PicturePath(int index) {
    return FotoDir + QLatin1Char(PathDelimiter) + PictureList[index];
}

int IndexAfter(int index, qsizetype count) {
    return index < 0 || index >= count - 1 ? 0 : index + 1;
}
