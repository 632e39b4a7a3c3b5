#include "platform/InstanceLock.h"

#include <QDir>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

int heldDescriptor = -1;

QString LockFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists()) {
        return runtime;
    }
    const QString folder = QStringLiteral("/tmp/ambrelle-%1").arg(getuid());
    QDir().mkpath(folder);
    return folder;
}

} // namespace

bool AcquireSingleInstance(const QString& name) {
    if (heldDescriptor >= 0) {
        return true;
    }
    const QByteArray path = (LockFolder() + QLatin1Char('/') + name + QStringLiteral(".lock")).toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    heldDescriptor = fd;
    return true;
}

void ReleaseSingleInstance() {
    if (heldDescriptor >= 0) {
        ::flock(heldDescriptor, LOCK_UN);
        ::close(heldDescriptor);
        heldDescriptor = -1;
    }
}
