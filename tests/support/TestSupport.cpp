#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString BinPath(const QString& program) {
    return QStringLiteral(AMBRELLE_BIN_DIR "/") + program;
}

QString TestDataPath(const QString& relative) {
    return QStringLiteral(AMBRELLE_TEST_DATA_DIR "/") + relative;
}

TempConfigHome::TempConfigHome()
    : FOldHome(qgetenv("XDG_CONFIG_HOME")), FOldRuntime(qgetenv("XDG_RUNTIME_DIR")) {
    qputenv("XDG_CONFIG_HOME", FHome.path().toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", FRuntime.path().toLocal8Bit());
}

TempConfigHome::~TempConfigHome() {
    qputenv("XDG_CONFIG_HOME", FOldHome);
    qputenv("XDG_RUNTIME_DIR", FOldRuntime);
}

QByteArray ReadFileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    return file.readAll();
}

void WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(bytes);
    }
}
