#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

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

int PixelsApart(const QImage& a, const QImage& b, int tolerance) {
    if (a.size() != b.size()) {
        return -1;
    }
    const auto overBlack = [](const QImage& image) {
        QImage opaque(image.size(), QImage::Format_RGB888);
        opaque.fill(Qt::black);
        QPainter(&opaque).drawImage(0, 0, image);
        return opaque;
    };
    const QImage first = overBlack(a), second = overBlack(b);
    int apart = 0;
    for (int y = 0; y < first.height(); ++y) {
        const uchar* p = first.constScanLine(y);
        const uchar* q = second.constScanLine(y);
        for (int x = 0; x < first.width(); ++x, p += 3, q += 3) {
            apart += std::abs(p[0] - q[0]) > tolerance || std::abs(p[1] - q[1]) > tolerance ||
                     std::abs(p[2] - q[2]) > tolerance;
        }
    }
    return apart;
}

void WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(bytes);
    }
}

bool WriteStoredFile(const QString& folder, const QByteArray& name, const QByteArray& bytes) {
    const QByteArray path = QFile::encodeName(folder) + '/' + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool written = ::write(fd, bytes.constData(), std::size_t(bytes.size())) == ssize_t(bytes.size());
    return ::close(fd) == 0 && written;
}

bool MakeStoredFolder(const QString& folder, const QByteArray& name) {
    return ::mkdir((QFile::encodeName(folder) + '/' + name).constData(), 0755) == 0;
}

void RemoveStoredEntries(const QString& folder) {
    const QByteArray root = QFile::encodeName(folder) + '/';
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(root.constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        ::closedir(dir);
    }
    for (const std::string& name : names) {
        const QByteArray path = root + QByteArray::fromStdString(name);
        if (::unlink(path.constData()) != 0) {
            ::rmdir(path.constData());
        }
    }
}
