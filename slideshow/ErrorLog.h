#pragma once

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QString>

// The error log "Error.dat": one line per handled error,
//   Date-<date time>;  ErrorSTR-<message>; FileNameFoto-<picture>; NShow-<n>; NHide-<n>
inline const QString ErrorLogFileName = QStringLiteral("Error.dat");

// The locale's short date, a blank and its long time (without a time zone); the date alone at exactly
// midnight.
QString FormatErrorDateTime(const QDateTime& when, const QLocale& locale);
QString FormatErrorRecord(const QDateTime& when, const QLocale& locale, const QString& message,
                          const QString& pictureName, int nShow, int nHide);

class TErrorLog {
public:
    // Opens the log for appending, or, when that fails, creates it empty. False when neither works.
    bool Open(const QString& path);
    bool IsOpen() const { return FFile.isOpen(); }
    // Writes one record and its CR LF and hands them to the system at once, so that a crash or a kill
    // loses no record.
    void Append(const QString& record);
    void Close();

private:
    QFile FFile;
};
