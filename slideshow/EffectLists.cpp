#include "slideshow/EffectLists.h"

#include "effects/EffectCatalogue.h"
#include "platform/Exceptions.h"
#include "platform/ProfileFile.h"
#include "platform/Random.h"

#include <QCollator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

QStringList ParseStringList(const QByteArray& text) {
    QStringList entries;
    qsizetype end = text.indexOf('\0');
    if (end < 0) {
        end = text.size();
    }
    qsizetype start = 0;
    while (start < end) {
        qsizetype stop = start;
        while (stop < end && text[stop] != '\r' && text[stop] != '\n') {
            ++stop;
        }
        entries.append(QString::fromLocal8Bit(text.constData() + start, stop - start));
        if (stop < end && text[stop] == '\r') {
            ++stop;
            if (stop < end && text[stop] == '\n') {
                ++stop;
            }
        } else if (stop < end) {
            ++stop;
        }
        start = stop;
    }
    return entries;
}

QByteArray FormatStringList(const QStringList& entries) {
    QByteArray text;
    for (const QString& entry : entries) {
        text += entry.toLocal8Bit();
        text += "\r\n";
    }
    return text;
}

QStringList LoadStringsFromFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        RaiseFileOpenError(path, file.errorString());
    }
    return ParseStringList(file.readAll());
}

void SaveStringsToFile(const QStringList& entries, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        RaiseFileCreateError(path, file.errorString());
    }
    file.write(FormatStringList(entries));
    if (!file.commit()) {
        RaiseFileCreateError(path, file.errorString());
    }
}

QStringList DefaultEffectList() {
    QStringList entries;
    for (int n = 0; n < EffectCount; ++n) {
        entries.append(QString::number(n));
    }
    return entries;
}

void LoadOrCreateEffectList(QStringList& list, const QString& path) {
    if (QFileInfo::exists(path)) {
        list = LoadStringsFromFile(path);
        return;
    }
    list = DefaultEffectList();
    SaveStringsToFile(list, path);
}

int CompareEffectText(const QString& a, const QString& b) {
    static const QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        c.setNumericMode(false);
        return c;
    }();
    return collator.compare(a, b);
}

void SortEffectList(QStringList& list) {
    std::stable_sort(list.begin(), list.end(),
                     [](const QString& a, const QString& b) { return CompareEffectText(a, b) < 0; });
}

int FindEffectText(const QStringList& sorted, const QString& text) {
    const auto it =
        std::lower_bound(sorted.begin(), sorted.end(), text,
                         [](const QString& a, const QString& b) { return CompareEffectText(a, b) < 0; });
    if (it == sorted.end() || CompareEffectText(*it, text) != 0) {
        return -1;
    }
    return int(it - sorted.begin());
}

int ChooseEffect(const QStringList& effects) {
    TRandom::Shared().Randomize();
    if (effects.isEmpty()) {
        return -1;
    }
    const QString& entry = effects[TRandom::Shared().Next(int(effects.size()))];
    const auto number = TryStrToInt(entry);
    if (!number) {
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(entry));
    }
    return *number;
}
