#include "app/Translation.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// The language subtag of a BCP 47 tag ("en-Latn-GB" gives "en"); "C" and "POSIX" give themselves.
QString PrimaryLanguage(const QString& tag) {
    return tag.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0).toLower();
}

QString TranslationFile(const QString& language) {
    return QLatin1String(TranslationFolder) + QStringLiteral("/ambrelle_") + language + QStringLiteral(".qm");
}

bool KeepsSourceTexts(const QString& language) {
    return language.isEmpty() || language == QLatin1String("ru") || language == QLatin1String("c") ||
           language == QLatin1String("posix");
}

} // namespace

QString TranslationFileFor(const QStringList& uiLanguages) {
    if (uiLanguages.isEmpty()) {
        return QString();
    }
    for (const QString& tag : uiLanguages) {
        const QString language = PrimaryLanguage(tag);
        if (KeepsSourceTexts(language)) {
            return QString();
        }
        if (QFileInfo::exists(TranslationFile(language))) {
            return TranslationFile(language);
        }
    }
    return TranslationFile(QStringLiteral("en"));
}

QTranslator* InstallTranslation() {
    const QString file = TranslationFileFor(QLocale().uiLanguages());
    if (file.isEmpty()) {
        return nullptr;
    }
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(file)) {
        delete translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}
