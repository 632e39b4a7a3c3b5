#include "slideshow/ProcessState.h"

#include <QDir>

QString BasePath;
QStringList ShowEffects;
QStringList HideEffects;
QStringList PictureList;
bool SettingsMode = false;

QString FotoDir;
int NFoto = 0;
int TimerInterval = 15;

bool IncludeSubfolders = false;
bool Shuffle = false;
quint32 ShuffleSeed = 0;
QString ShuffleLast;

namespace {

const QString& StartFolder() {
    static const QString folder = QDir::currentPath();
    return folder;
}

} // namespace

void RememberStartFolder() {
    StartFolder();
}

QString PictureFolder() {
    if (FotoDir.isEmpty() || QDir::isAbsolutePath(FotoDir)) {
        return FotoDir;
    }
    return StartFolder() + QLatin1Char('/') + FotoDir;
}
