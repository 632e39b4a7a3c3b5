#include "app/Translation.h"
#include "app/PasswordPrompt.h"
#include "controls/NSSlider.h"
#include "settings_dialog/UFChangeDir.h"
#include "settings_dialog/UFProperty.h"
#include "slideshow/ProcessState.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
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

// The English translation installed for the lifetime of the object.
class EnglishTexts {
public:
    EnglishTexts() {
        EnsureApplication();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        FTranslator = InstallTranslation();
        QLocale::setDefault(QLocale::system());
    }
    ~EnglishTexts() {
        QCoreApplication::removeTranslator(FTranslator);
        delete FTranslator;
    }
    bool Installed() const { return FTranslator != nullptr; }

private:
    QTranslator* FTranslator = nullptr;
};

// The width a text and its decoration need on a control; labels draw their bare text.
int NeededWidth(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return label->fontMetrics().horizontalAdvance(label->text());
    }
    if (const auto* radio = qobject_cast<const QRadioButton*>(control)) {
        return radio->sizeHint().width();
    }
    // A push button's own size hint has a minimum width of the style's; measured as the style lays it out.
    const auto* button = qobject_cast<const QPushButton*>(control);
    const QStyle* style = button->style();
    const int margins = 2 * (style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                             style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button));
    const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
    return button->fontMetrics().horizontalAdvance(button->text()) + icon + margins;
}

QString TextOf(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    return qobject_cast<const QAbstractButton*>(control)->text();
}

// A control and how far right its text may reach in its parent: the next control or the parent's edge,
// for labels that take the size of their text; its own right edge otherwise.
struct Room {
    const QWidget* control;
    int right;
};

void ExpectEnglishInItsRoom(const Room& room) {
    const QString text = TextOf(room.control);
    SCOPED_TRACE(text.toStdString());
    EXPECT_FALSE(text.isEmpty());
    EXPECT_FALSE(HasCyrillic(text));
    EXPECT_LE(room.control->x() + NeededWidth(room.control), room.right);
}

int OwnRight(const QWidget* control) {
    return control->x() + control->width();
}

TEST(Translation, AnEnglishLocaleGetsTheSettingsDialogAndFolderChooserInEnglishAndWhole) {
    const EnglishTexts english;
    ASSERT_TRUE(english.Installed());
    const TempConfigHome config;
    BasePath = config.Config() + QLatin1Char('/');
    QDir().mkpath(config.Config());
    // An empty folder, so the red message is up.
    const QTemporaryDir empty;
    FotoDir = empty.path();
    {
        TFProperty dialog;
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Ambrelle screen saver settings"));
        // The longest values the sliders can show.
        dialog.NSSlider1->SetPosition(50000);
        dialog.NSSlider2->SetPosition(100);
        const int panelInside = dialog.Panel4->width() - 1;
        for (const Room& room : {
                 Room{dialog.Label11, dialog.Bevel2->x() + dialog.Bevel2->width()},
                 Room{dialog.Label6, dialog.Bevel1->x()},
                 Room{dialog.RadioButton1, OwnRight(dialog.RadioButton1)},
                 Room{dialog.RadioButton2, OwnRight(dialog.RadioButton2)},
                 Room{dialog.Label1, OwnRight(dialog.Panel4)},
                 Room{dialog.Label4, dialog.NSSlider1->x()},
                 Room{dialog.Label5, panelInside},
                 Room{dialog.Label3, OwnRight(dialog.Label3)},
                 Room{dialog.Label7, OwnRight(dialog.Panel3)},
                 Room{dialog.Label9, dialog.NSSlider2->x()},
                 Room{dialog.Label10, panelInside},
                 Room{dialog.Label8, OwnRight(dialog.Label8)},
                 Room{dialog.Label2, OwnRight(dialog.Panel3)},
                 Room{dialog.ChFolderPic, OwnRight(dialog.ChFolderPic)},
                 Room{dialog.Label12, dialog.width()},
                 Room{dialog.BOk, OwnRight(dialog.BOk)},
                 Room{dialog.BCancel, OwnRight(dialog.BCancel)},
             }) {
            ExpectEnglishInItsRoom(room);
        }
        EXPECT_EQ(dialog.Label8->text(), QStringLiteral("100 milliseconds"));
    }
    for (const bool forPictures : {true, false}) {
        TFChangeDir chooser;
        chooser.FForPictures = forPictures;
        chooser.FormShow();
        EXPECT_EQ(chooser.windowTitle(), QStringLiteral("Browse for folder"));
        for (const Room& room :
             {Room{chooser.Label1, chooser.width()}, Room{chooser.BOk, OwnRight(chooser.BOk)},
              Room{chooser.bCancel, OwnRight(chooser.bCancel)}}) {
            ExpectEnglishInItsRoom(room);
        }
    }
}

} // namespace
