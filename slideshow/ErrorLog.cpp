#include "slideshow/ErrorLog.h"

#include <QRegularExpression>

namespace {

QString LongTimeFormat(const QLocale& locale) {
    static const QRegularExpression zone(QStringLiteral("\\s*t+"));
    return locale.timeFormat(QLocale::LongFormat).remove(zone).trimmed();
}

} // namespace

QString FormatErrorDateTime(const QDateTime& when, const QLocale& locale) {
    QString text = locale.toString(when.date(), locale.dateFormat(QLocale::ShortFormat));
    if (when.time() != QTime(0, 0)) {
        text += QLatin1Char(' ') + locale.toString(when.time(), LongTimeFormat(locale));
    }
    return text;
}

QString FormatErrorRecord(const QDateTime& when, const QLocale& locale, const QString& message,
                          const QString& pictureName, int nShow, int nHide) {
    return QStringLiteral("Date-") + FormatErrorDateTime(when, locale) + QStringLiteral(";  ErrorSTR-") +
           message + QStringLiteral("; FileNameFoto-") + pictureName + QStringLiteral("; NShow-") +
           QString::number(nShow) + QStringLiteral("; NHide-") + QString::number(nHide);
}

bool TErrorLog::Open(const QString& path) {
    Close();
    FFile.setFileName(path);
    if (FFile.exists() && FFile.open(QIODevice::WriteOnly | QIODevice::Append)) {
        return true;
    }
    return FFile.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

void TErrorLog::Append(const QString& record) {
    if (!FFile.isOpen()) {
        return;
    }
    FFile.write(record.toLocal8Bit() + "\r\n");
    FFile.flush();
}

void TErrorLog::Close() {
    if (FFile.isOpen()) {
        FFile.close();
    }
}
