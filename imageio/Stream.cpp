#include "imageio/Stream.h"

#include "platform/Exceptions.h"
#include "platform/FileNames.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>

TFileStream::TFileStream(const QString& path) : FFile(path) {
    // A folder opens fine as a QFile on Unix but reads fail; it is no picture file, so it fails here.
    if (QFileInfo(path).isDir()) {
        RaiseFileOpenError(path, QString::fromLocal8Bit(std::strerror(EISDIR)));
    }
    if (!FFile.open(QIODevice::ReadOnly | QIODevice::Unbuffered) &&
        !OpenUnderStoredName(FFile, path, QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        RaiseFileOpenError(path, FFile.errorString());
    }
    FSize = FFile.size();
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) noexcept {
    if (count <= 0 || FPosition >= FSize) {
        return 0;
    }
    std::int64_t done = 0;
    auto* out = static_cast<char*>(buffer);
    // The file may be shorter than it was at open (or longer); the system's answer decides.
    while (done < count) {
        const qint64 got = FFile.read(out + done, count - done);
        if (got <= 0) {
            break;
        }
        done += got;
    }
    FPosition += done;
    return done;
}

void TFileStream::Seek(std::int64_t position) noexcept {
    position = std::max<std::int64_t>(position, 0);
    if (position == FPosition) {
        return;
    }
    // QFile refuses nothing for a read-only file; a position beyond the end makes later reads deliver 0.
    if (FFile.seek(position)) {
        FPosition = position;
    } else {
        FPosition = std::max(position, FSize);
    }
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) noexcept {
    if (count <= 0 || FPosition >= FSize) {
        return 0;
    }
    const std::int64_t n = std::min(count, FSize - FPosition);
    std::memcpy(buffer, FData + FPosition, std::size_t(n));
    FPosition += n;
    return n;
}
