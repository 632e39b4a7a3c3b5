#include "platform/ConfigFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString ConfigHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty()) {
        return xdg;
    }
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty()) {
        return QString();
    }
    return home + QStringLiteral("/.config");
}

} // namespace

QString WindowsDirectory() {
    const QString home = ConfigHome();
    if (home.isEmpty()) {
        return QString();
    }
    const QString folder = QDir::cleanPath(home + QStringLiteral("/ambrelle"));
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir()) {
        return QString();
    }
    return folder;
}

QString ExecutableFolder() {
    QString folder = QCoreApplication::instance()
                         ? QCoreApplication::applicationDirPath()
                         : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    if (!folder.endsWith(QLatin1Char(PathDelimiter))) {
        folder += QLatin1Char(PathDelimiter);
    }
    return folder;
}
