#include "platform/ProfileFile.h"

#include "platform/ConfigFolder.h"
#include "platform/Exceptions.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QSaveFile>

#include <cerrno>
#include <cstdint>
#include <limits>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QByteArray ReadWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    return file.readAll();
}

// Lines without their ends; a line ends at LF, and a CR before it is dropped.
QList<QByteArray> SplitLines(const QByteArray& text) {
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    for (QByteArray& line : lines) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
    }
    return lines;
}

std::optional<QString> SectionName(const QByteArray& line) {
    const QByteArray trimmed = line.trimmed();
    if (!trimmed.startsWith('[')) {
        return std::nullopt;
    }
    const qsizetype close = trimmed.indexOf(']');
    const QByteArray name = close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1);
    return QString::fromLocal8Bit(name).trimmed();
}

struct KeyLine {
    QString key;
    QString value;
};

std::optional<KeyLine> ParseKeyLine(const QByteArray& line) {
    const qsizetype equals = line.indexOf('=');
    if (equals < 0) {
        return std::nullopt;
    }
    KeyLine parsed{QString::fromLocal8Bit(line.left(equals)).trimmed(),
                   QString::fromLocal8Bit(line.mid(equals + 1)).trimmed()};
    const QString& v = parsed.value;
    if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\'')) &&
        v.back() == v.front()) {
        parsed.value = v.mid(1, v.size() - 2);
    }
    return parsed;
}

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where a key of a section stands in the lines of a file.
struct KeyPosition {
    qsizetype sectionLine = -1; // the "[Section]" line, -1 when the section is missing
    qsizetype keyLine = -1;     // the key's line, -1 when the key is missing
    qsizetype lastLine = -1;    // the last non-blank line of the section
};

KeyPosition FindKey(const QList<QByteArray>& lines, const QString& section, const QString& key) {
    KeyPosition found;
    bool inSection = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const auto name = SectionName(lines[i])) {
            if (inSection) {
                break;
            }
            inSection = SameName(*name, section);
            if (inSection) {
                found.sectionLine = found.lastLine = i;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (!lines[i].trimmed().isEmpty()) {
            found.lastLine = i;
        }
        const auto parsed = ParseKeyLine(lines[i]);
        if (parsed && found.keyLine < 0 && SameName(parsed->key, key)) {
            found.keyLine = i;
        }
    }
    return found;
}

int DigitValue(QChar c, bool hex) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') {
        return u - '0';
    }
    if (hex && u >= 'a' && u <= 'f') {
        return u - 'a' + 10;
    }
    if (hex && u >= 'A' && u <= 'F') {
        return u - 'A' + 10;
    }
    return -1;
}

std::optional<int> ParseDigits(const QString& text, qsizetype pos, bool negative) {
    const bool hex = pos < text.size() && text[pos] == QLatin1Char('$');
    if (hex) {
        ++pos;
    }
    if (pos >= text.size()) {
        return std::nullopt;
    }
    const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    std::uint64_t value = 0;
    for (; pos < text.size(); ++pos) {
        const int digit = DigitValue(text[pos], hex);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * (hex ? 16 : 10) + std::uint64_t(digit);
        if (value > limit) {
            return std::nullopt;
        }
    }
    const auto bits = static_cast<std::uint32_t>(negative ? (~value + 1) : value);
    return static_cast<int>(static_cast<std::int32_t>(bits));
}

// Several copies of the program may write the same file at once (one show per monitor, the settings
// dialog): each read-modify-write holds an exclusive lock on a companion file, so that no writer works from
// a copy that another is about to replace. The file itself cannot carry the lock, as every write replaces
// it. Without a lock file (a folder that cannot be written) the write goes on and fails on its own.
class TWriteLock {
public:
    explicit TWriteLock(const QString& path) {
        const QByteArray name = QFile::encodeName(path + QStringLiteral(".lock"));
        FDescriptor = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (FDescriptor >= 0) {
            while (::flock(FDescriptor, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~TWriteLock() {
        if (FDescriptor >= 0) {
            ::close(FDescriptor);
        }
    }
    TWriteLock(const TWriteLock&) = delete;
    TWriteLock& operator=(const TWriteLock&) = delete;

private:
    int FDescriptor = -1;
};

} // namespace

QString ProfileFilePath(const QString& fileName) {
    if (fileName.contains(QLatin1Char(PathDelimiter))) {
        return fileName;
    }
    return WindowsDirectory() + QLatin1Char(PathDelimiter) + fileName;
}

std::optional<QString> ReadProfileValue(const QString& fileName, const QString& section, const QString& key) {
    const QList<QByteArray> lines = SplitLines(ReadWholeFile(ProfileFilePath(fileName)));
    const KeyPosition at = FindKey(lines, section, key);
    if (at.keyLine < 0) {
        return std::nullopt;
    }
    return ParseKeyLine(lines[at.keyLine])->value;
}

bool WriteProfileValue(const QString& fileName, const QString& section, const QString& key,
                       const QString& value) {
    const QString path = ProfileFilePath(fileName);
    const TWriteLock lock(path);
    QList<QByteArray> lines = SplitLines(ReadWholeFile(path));
    const KeyPosition at = FindKey(lines, section, key);
    const QByteArray entry = key.toLocal8Bit() + '=' + value.toLocal8Bit();
    if (at.keyLine >= 0) {
        lines[at.keyLine] = entry;
    } else if (at.sectionLine >= 0) {
        lines.insert(at.lastLine + 1, entry);
    } else {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty()) {
            lines.append(QByteArray());
        }
        lines.append('[' + section.toLocal8Bit() + ']');
        lines.append(entry);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    for (const QByteArray& line : lines) {
        file.write(line);
        file.write("\r\n", 2);
    }
    return file.commit();
}

std::optional<int> TryStrToInt(const QString& text) {
    qsizetype pos = 0;
    while (pos < text.size() && text[pos] == QLatin1Char(' ')) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == QLatin1Char('-') || text[pos] == QLatin1Char('+'))) {
        negative = text[pos] == QLatin1Char('-');
        ++pos;
    }
    return ParseDigits(text, pos, negative);
}

int StrToIntDef(const QString& text, int defaultValue) {
    return TryStrToInt(text).value_or(defaultValue);
}

TIniFile::TIniFile(const QString& fileName) : FFileName(fileName) {}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const {
    const auto value = ReadProfileValue(FFileName, section, key);
    if (!value) {
        return defaultValue;
    }
    return value->left(MaxStringLength);
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const {
    QString text = ReadString(section, key, QString());
    if (text.size() > 2 && text[0] == QLatin1Char('0') &&
        (text[1] == QLatin1Char('x') || text[1] == QLatin1Char('X'))) {
        text = QLatin1Char('$') + text.mid(2);
    }
    return StrToIntDef(text, defaultValue);
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value) const {
    if (!WriteProfileValue(FFileName, section, key, value)) {
        throw EIniFileException(QStringLiteral("Unable to write to %1").arg(ProfileFilePath(FFileName)));
    }
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int value) const {
    WriteString(section, key, QString::number(value));
}
