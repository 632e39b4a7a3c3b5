#include "platform/Process.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

bool StartProcess(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments, QDir::currentPath());
}

QString ExecutablePath() {
    return QCoreApplication::applicationFilePath();
}
