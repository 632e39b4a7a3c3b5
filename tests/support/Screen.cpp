#include "tests/support/Screen.h"

#include <QProcess>

#include <cstdlib>

QImage GrabScreen(const QString& displayName) {
    QStringList arguments{QStringLiteral("-silent"), QStringLiteral("-window"), QStringLiteral("root"),
                          QStringLiteral("png:-")};
    if (!displayName.isEmpty()) {
        arguments.prepend(displayName);
        arguments.prepend(QStringLiteral("-display"));
    }
    QProcess import;
    import.start(QStringLiteral("/usr/bin/import"), arguments);
    if (!import.waitForFinished(10000) || import.exitCode() != 0) {
        return QImage();
    }
    QImage image;
    image.loadFromData(import.readAllStandardOutput(), "PNG");
    return image.convertToFormat(QImage::Format_RGB32);
}

bool PressKey(const QString& keyName) {
    return QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), keyName}) == 0;
}

bool SameColor(QColor a, QColor b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}
