#pragma once

#include <QString>

#include <optional>

// Profile (ini) files: "[Section]" lines followed by "key=value" lines. Section and key names compare
// case-insensitively, blanks around names and values are ignored, and a value wrapped in a pair of matching
// quotes loses them. Every call opens the file, reads or writes, and releases it; nothing is cached. A
// write keeps every other section, key and line as it was and replaces the file atomically, so a crash
// never leaves a torn file; writers in several processes at once take turns (a lock on "<file>.lock"), so
// none loses what another wrote.

// A file name without a folder lives in the Windows directory (the config folder here).
QString ProfileFilePath(const QString& fileName);

// The raw value, or nothing when the file, section or key is missing.
std::optional<QString> ReadProfileValue(const QString& fileName, const QString& section, const QString& key);
// False when the file could not be written.
bool WriteProfileValue(const QString& fileName, const QString& section, const QString& key,
                       const QString& value);

// The runtime's integer conversion: optional blanks and sign, then decimal digits or "$" and hexadecimal
// digits (up to 32 bits, taken as the bit pattern). Nothing may follow. Out-of-range values fail.
std::optional<int> TryStrToInt(const QString& text);
int StrToIntDef(const QString& text, int defaultValue);

// A settings-file object after the toolkit's TIniFile.
class TIniFile {
public:
    // Values longer than this are cut when read.
    static constexpr int MaxStringLength = 2047;

    explicit TIniFile(const QString& fileName);

    const QString& FileName() const { return FFileName; }

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    // "0x"/"0X" followed by at least one character is hexadecimal; values that do not convert give the
    // default.
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    // Both throw EIniFileException "Unable to write to %s" when the file cannot be written.
    void WriteString(const QString& section, const QString& key, const QString& value) const;
    void WriteInteger(const QString& section, const QString& key, int value) const;

private:
    QString FFileName;
};
