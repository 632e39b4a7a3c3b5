#include "platform/Exceptions.h"

#include <cerrno>
#include <cstring>

void RaiseFileOpenError(const QString& path, const QString& reason) {
    throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason));
}

void RaiseFileCreateError(const QString& path, const QString& reason) {
    throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason));
}

QString LastSystemErrorText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

QString ExceptionMessage(const std::exception& e) {
    if (const auto* own = dynamic_cast<const Exception*>(&e)) {
        return own->Message();
    }
    return QString::fromLocal8Bit(e.what());
}
