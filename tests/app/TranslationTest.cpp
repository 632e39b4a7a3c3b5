#include "app/Translation.h"
#include "app/PasswordPrompt.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTranslator>

#include "tests/support/QtApp.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct LanguageRow {
    QStringList uiLanguages;
    const char* file;
};

class LanguageTable : public testing::TestWithParam<LanguageRow> {};

TEST_P(LanguageTable, PicksTheTranslation) {
    EXPECT_EQ(TranslationFileFor(GetParam().uiLanguages), QString::fromLatin1(GetParam().file));
}

const char* const English = ":/i18n/ambrelle_en.qm";

INSTANTIATE_TEST_SUITE_P(
    Locales, LanguageTable,
    testing::Values(
        LanguageRow{{}, ""}, LanguageRow{{QStringLiteral("C")}, ""},
        LanguageRow{{QStringLiteral("ru-RU"), QStringLiteral("ru-Cyrl-RU"), QStringLiteral("ru")}, ""},
        LanguageRow{{QStringLiteral("en-US"), QStringLiteral("en-Latn-US"), QStringLiteral("en")}, English},
        // Qt gives no bare "en" for some regions.
        LanguageRow{{QStringLiteral("en-GB"), QStringLiteral("en-Latn-GB")}, English},
        // A language without a translation reads English rather than Russian ...
        LanguageRow{{QStringLiteral("de-DE"), QStringLiteral("de")}, English},
        // ... unless Russian is among the user's choices.
        LanguageRow{{QStringLiteral("de"), QStringLiteral("ru"), QStringLiteral("en")}, ""},
        LanguageRow{{QStringLiteral("ru"), QStringLiteral("en")}, ""}));

bool HasCyrillic(const QString& text) {
    return std::ranges::any_of(text, [](QChar c) { return c.script() == QChar::Script_Cyrillic; });
}

template <typename Widget> void ExpectEnglishAndWhole(const Widget* widget) {
    const QString text = widget->text();
    EXPECT_FALSE(text.isEmpty());
    EXPECT_FALSE(HasCyrillic(text)) << text.toStdString();
    EXPECT_LE(widget->fontMetrics().horizontalAdvance(text), widget->width()) << text.toStdString();
}

TEST(Translation, AnEnglishLocaleGetsThePasswordPromptInEnglish) {
    EnsureApplication();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QTranslator* translator = InstallTranslation();
    QLocale::setDefault(QLocale::system());
    ASSERT_NE(translator, nullptr);

    {
        TFPasswordPrompt prompt(QStringLiteral("olga"), {});
        EXPECT_FALSE(HasCyrillic(prompt.windowTitle()));
        ExpectEnglishAndWhole(prompt.LUser);
        ExpectEnglishAndWhole(prompt.LPassword);
        ExpectEnglishAndWhole(prompt.BOk);
        ExpectEnglishAndWhole(prompt.BCancel);
    }
    QCoreApplication::removeTranslator(translator);
    delete translator;
}

} // namespace
