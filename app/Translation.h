#pragma once

#include <QString>
#include <QStringList>

class QTranslator;

// The dialogs' texts are written in Russian; translations of them are built into the program as
// ":/i18n/ambrelle_<language>.qm".
inline constexpr const char* TranslationFolder = ":/i18n";

// The translation for the user's languages in order of preference (as QLocale::uiLanguages() gives them):
// the first language that is Russian or has a translation decides; the C locale (or none) keeps the
// Russian texts, and a list of only other languages gets the English translation. Empty for the Russian
// texts.
QString TranslationFileFor(const QStringList& uiLanguages);

// Loads the translation for the languages of the default locale into the application and returns it (the
// application owns it); null for the Russian texts. Needs the application object.
QTranslator* InstallTranslation();
