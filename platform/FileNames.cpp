#include "platform/FileNames.h"

#include <QStringDecoder>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <optional>

namespace {

// Windows-1251 puts the Russian alphabet at 0xC0 ... 0xFF in Unicode's order, with Ё and ё apart.
constexpr unsigned char CyrillicYo = 0xA8;
constexpr unsigned char CyrillicSmallYo = 0xB8;
constexpr char16_t UnicodeCapitalA = 0x0410;
constexpr char16_t UnicodeYo = 0x0401;
constexpr char16_t UnicodeSmallYo = 0x0451;

bool IsAsciiLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsCyrillicLetter1251(unsigned char c) {
    return c >= 0xC0 || c == CyrillicYo || c == CyrillicSmallYo;
}

bool ReadsAsCyrillic(std::string_view bytes) {
    bool any = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            continue;
        }
        const bool touchesLatin =
            (i > 0 && IsAsciiLetter(static_cast<unsigned char>(bytes[i - 1]))) ||
            (i + 1 < bytes.size() && IsAsciiLetter(static_cast<unsigned char>(bytes[i + 1])));
        if (!IsCyrillicLetter1251(c) || touchesLatin) {
            return false;
        }
        any = true;
    }
    return any;
}

QString DecodeCyrillic(std::string_view bytes) {
    QString text(qsizetype(bytes.size()), Qt::Uninitialized);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        char16_t unit = c;
        if (c >= 0xC0) {
            unit = char16_t(UnicodeCapitalA + (c - 0xC0));
        } else if (c == CyrillicYo) {
            unit = UnicodeYo;
        } else if (c == CyrillicSmallYo) {
            unit = UnicodeSmallYo;
        }
        text[qsizetype(i)] = QChar(unit);
    }
    return text;
}

// The inverse of DecodeCyrillic; nothing when the name holds a character it cannot have given.
std::optional<QByteArray> EncodeCyrillic(const QString& name) {
    QByteArray bytes(name.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i].unicode();
        if (unit < 0x80) {
            bytes[i] = char(unit);
        } else if (unit >= UnicodeCapitalA && unit < UnicodeCapitalA + 64) {
            bytes[i] = char(0xC0 + (unit - UnicodeCapitalA));
        } else if (unit == UnicodeYo) {
            bytes[i] = char(CyrillicYo);
        } else if (unit == UnicodeSmallYo) {
            bytes[i] = char(CyrillicSmallYo);
        } else {
            return std::nullopt;
        }
    }
    return bytes;
}

std::optional<QByteArray> EncodeLatin1(const QString& name) {
    for (const QChar c : name) {
        if (c.unicode() > 0xFF) {
            return std::nullopt;
        }
    }
    return name.toLatin1();
}

bool OpenBytes(QFile& file, const QByteArray& path, QIODevice::OpenMode mode) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode) ||
        !file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

struct TDirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

} // namespace

QString DecodeFileName(std::string_view bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (!utf8.hasError()) {
        return text;
    }
    if (ReadsAsCyrillic(bytes)) {
        return DecodeCyrillic(bytes);
    }
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

bool ForEachStoredName(const QString& folder, const std::function<void(std::string_view name)>& visit) {
    const std::unique_ptr<DIR, TDirCloser> dir(::opendir(QFile::encodeName(folder).constData()));
    if (!dir) {
        return false;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..") {
            visit(name);
        }
    }
    return true;
}

bool OpenUnderStoredName(QFile& file, const QString& path, QIODevice::OpenMode mode) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString name = path.mid(slash + 1);
    bool ascii = true;
    for (const QChar c : name) {
        ascii = ascii && c.unicode() < 0x80;
    }
    if (ascii) {
        return false;
    }
    const QByteArray folder = QFile::encodeName(path.left(slash + 1));
    for (const auto& stored : {EncodeCyrillic(name), EncodeLatin1(name)}) {
        if (stored && OpenBytes(file, folder + *stored, mode)) {
            return true;
        }
    }
    return false;
}
