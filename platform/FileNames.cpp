#include "platform/FileNames.h"

#include <QStringDecoder>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

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

namespace {

bool IsAscii(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// The byte forms a component of a path may be stored under: as it stands when it is ASCII, otherwise in
// UTF-8 (when asked for) and in the two 8-bit code pages DecodeFileName reads.
std::vector<QByteArray> StoredForms(const QString& component, bool withUtf8) {
    if (IsAscii(component)) {
        return {component.toLatin1()};
    }
    std::vector<QByteArray> forms;
    if (withUtf8) {
        forms.push_back(component.toUtf8());
    }
    for (const auto& stored : {EncodeCyrillic(component), EncodeLatin1(component)}) {
        if (stored) {
            forms.push_back(*stored);
        }
    }
    return forms;
}

bool IsStoredFolder(const QByteArray& path) {
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

bool OpenUnderStoredName(QFile& file, const QString& path, QIODevice::OpenMode mode) {
    if (IsAscii(path)) {
        return false;
    }
    const QStringList components = path.split(QLatin1Char('/'));
    // Folders on the way keep whichever form of their name is there; the name itself is tried only in
    // the 8-bit forms, its UTF-8 form being what the ordinary open has tried already.
    QByteArray stored;
    for (qsizetype i = 0; i + 1 < components.size(); ++i) {
        bool found = false;
        for (const QByteArray& form : StoredForms(components[i], true)) {
            if (IsAscii(components[i]) || IsStoredFolder(stored + form)) {
                stored += form + '/';
                found = true;
                break;
            }
        }
        if (!found) {
            return false;
        }
    }
    for (const QByteArray& form : StoredForms(components.last(), false)) {
        if (OpenBytes(file, stored + form, mode)) {
            return true;
        }
    }
    return false;
}

bool ListStoredFolder(const QByteArray& path, TFolderId& id,
                      const std::function<void(std::string_view name, bool folder)>& visit) {
    const std::unique_ptr<DIR, TDirCloser> dir(::opendir(path.constData()));
    struct stat info {};
    if (!dir || ::fstat(::dirfd(dir.get()), &info) != 0) {
        return false;
    }
    id = {quint64(info.st_dev), quint64(info.st_ino)};
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        bool folder = entry->d_type == DT_DIR;
        // A link counts as what it leads to; a broken one as no folder.
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat target {};
            folder = ::fstatat(::dirfd(dir.get()), entry->d_name, &target, 0) == 0 && S_ISDIR(target.st_mode);
        }
        visit(name, folder);
        errno = 0;
    }
    return errno == 0;
}
