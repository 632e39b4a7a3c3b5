#include "app/ScreenSaver.h"

#include "platform/Application.h"
#include "platform/Exceptions.h"
#include "platform/Password.h"
#include "slideshow/FotoScan.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>

#include "tests/support/QtApp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

// ---- The command line ---------------------------------------------------------------------------------

struct ModeRow {
    QStringList arguments;
    TScreenSaverMode mode;
    WId window;
    // XSCREENSAVER_WINDOW, the daemon's window.
    QString daemonWindow = QString();
    bool onRoot = false;
};

void PrintTo(const ModeRow& row, std::ostream* out) {
    *out << '{';
    for (const QString& argument : row.arguments) {
        *out << '"' << argument.toStdString() << "\" ";
    }
    *out << '}';
}

class ModeTable : public testing::TestWithParam<ModeRow> {};

TEST_P(ModeTable, PicksTheModeAndTheWindow) {
    const ModeRow& row = GetParam();
    const TScreenSaverCommand command = ParseScreenSaverCommandLine(row.arguments, row.daemonWindow);
    EXPECT_EQ(command.Mode, row.mode);
    EXPECT_EQ(command.Window, row.window);
    EXPECT_EQ(command.OnRoot, row.onRoot);
}

using M = TScreenSaverMode;
const QString S1234 = QStringLiteral("1234");

INSTANTIATE_TEST_SUITE_P(
    CommandLines, ModeTable,
    testing::Values(
        // No arguments: settings.
        ModeRow{{}, M::Settings, 0},
        // "C" opens the settings whatever follows; the handle is not read.
        ModeRow{{"/c"}, M::Settings, 0}, ModeRow{{"/C"}, M::Settings, 0},
        ModeRow{{"/c:1234"}, M::Settings, 0}, ModeRow{{"/c", S1234}, M::Settings, 0},
        ModeRow{{"-c", S1234, "x"}, M::Settings, 0},
        // One argument of any other letter: full screen.
        ModeRow{{"/s"}, M::FullScreen, 0}, ModeRow{{"/S"}, M::FullScreen, 0},
        ModeRow{{"-s"}, M::FullScreen, 0}, ModeRow{{"xs"}, M::FullScreen, 0},
        ModeRow{{"/p"}, M::FullScreen, 0}, ModeRow{{"/p:1234"}, M::FullScreen, 0},
        ModeRow{{"/a"}, M::FullScreen, 0}, ModeRow{{"/A"}, M::FullScreen, 0},
        ModeRow{{"/x"}, M::FullScreen, 0},
        // A one-character argument has no letter.
        ModeRow{{"s"}, M::FullScreen, 0}, ModeRow{{"c"}, M::FullScreen, 0},
        ModeRow{{"p", S1234}, M::FullScreen, 0}, ModeRow{{"a", S1234}, M::FullScreen, 0},
        ModeRow{{""}, M::FullScreen, 0},
        // The first character is never examined.
        ModeRow{{"pc"}, M::Settings, 0}, ModeRow{{"cp", S1234}, M::Preview, 1234},
        ModeRow{{"ap", S1234}, M::Preview, 1234}, ModeRow{{"pa", S1234}, M::ChangePassword, 1234},
        // Two or more arguments.
        ModeRow{{"/a", S1234}, M::ChangePassword, 1234}, ModeRow{{"/A", "77"}, M::ChangePassword, 77},
        ModeRow{{"/p", S1234}, M::Preview, 1234}, ModeRow{{"/P", S1234, "more"}, M::Preview, 1234},
        ModeRow{{"-p", "0x1a00005"}, M::Preview, 0x1a00005}, ModeRow{{"/p", "window"}, M::Preview, 0},
        ModeRow{{"/s", S1234}, M::FullScreen, 0}, ModeRow{{"/x", S1234}, M::FullScreen, 0},
        // Only ASCII letters are upper-cased.
        ModeRow{{QStringLiteral("/\u00e7"), S1234}, M::FullScreen, 0},
        // xscreensaver's hacks: the root, a window of the command line, or the daemon's window.
        ModeRow{{"-root"}, M::Hack, 0, {}, true}, ModeRow{{"--root"}, M::Hack, 0, {}, true},
        ModeRow{{"-root"}, M::Hack, 0x400018, "0x400018"}, ModeRow{{"--root", "x"}, M::Hack, 77, "77"},
        ModeRow{{"-window-id", S1234}, M::Hack, 1234}, ModeRow{{"--window-id", "0x2a"}, M::Hack, 42},
        ModeRow{{"-window-id", S1234}, M::Hack, 1234, "77"}, ModeRow{{"-window-id"}, M::Hack, 0},
        ModeRow{{"-window-id", "w"}, M::Hack, 0}, ModeRow{{"-Root"}, M::FullScreen, 0},
        ModeRow{{}, M::Hack, 77, "77"}, ModeRow{{"/s"}, M::Hack, 77, "77"},
        ModeRow{{"/x", S1234}, M::Hack, 77, "77"}, ModeRow{{"-s"}, M::Hack, 0, "nonsense"},
        // The daemon's variable does not override an explicit request.
        ModeRow{{"/c"}, M::Settings, 0, "77"}, ModeRow{{"/p", S1234}, M::Preview, 1234, "77"},
        ModeRow{{"/a", S1234}, M::ChangePassword, 1234, "77"}));

TEST(WindowHandle, DecimalAndTheHexadecimalFormOfX11Ids) {
    EXPECT_EQ(ParseWindowHandle(QStringLiteral("1234")), WId(1234));
    EXPECT_EQ(ParseWindowHandle(QStringLiteral("0")), WId(0));
    EXPECT_EQ(ParseWindowHandle(QStringLiteral("4294967295")), WId(4294967295u));
    EXPECT_EQ(ParseWindowHandle(QStringLiteral("0x1a")), WId(26));
    EXPECT_EQ(ParseWindowHandle(QStringLiteral("0X00C0FFEE")), WId(0xC0FFEE));
    EXPECT_EQ(ParseWindowHandle(QStringLiteral("0xffffffff")), WId(0xFFFFFFFFu));
}

TEST(WindowHandle, AnythingElseGivesZero) {
    for (const char* text : {"", "abc", "12a", "-5", "+5", " 5", "5 ", "1a", "0x", "0xg", "x1a", "$1a",
                             "4294967296", "0x100000000", "99999999999999999999999", "1.5"}) {
        EXPECT_EQ(ParseWindowHandle(QString::fromLatin1(text)), WId(0)) << text;
    }
}

// ---- The pointer rule -------------------------------------------------------------------------------------

TEST(CursorRule, MoreThanTwentyFivePixelsOnOneAxis) {
    const QPoint last(400, 300);
    EXPECT_FALSE(CursorMovedTooFar(last, last));
    EXPECT_FALSE(CursorMovedTooFar(last, last + QPoint(25, 25)));
    EXPECT_FALSE(CursorMovedTooFar(last, last - QPoint(25, 25)));
    EXPECT_TRUE(CursorMovedTooFar(last, last + QPoint(26, 0)));
    EXPECT_TRUE(CursorMovedTooFar(last, last + QPoint(0, 26)));
    EXPECT_TRUE(CursorMovedTooFar(last, last - QPoint(26, 0)));
    EXPECT_TRUE(CursorMovedTooFar(last, last - QPoint(0, 26)));
    EXPECT_TRUE(CursorMovedTooFar(last, last + QPoint(26, 26)));
    // Far corners of the coordinate range do not overflow.
    EXPECT_TRUE(CursorMovedTooFar(QPoint(INT_MIN, 0), QPoint(INT_MAX, 0)));
    EXPECT_TRUE(CursorMovedTooFar(QPoint(0, INT_MAX), QPoint(0, INT_MIN)));
}

// ---- The component ----------------------------------------------------------------------------------------

class Component : public testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        form = std::make_unique<QWidget>();
        saver = new TScreenSaver(form.get());
        saver->SetCursorPosSource([this] { return cursor; });
        saver->SetOnCloseQuery([this](QObject* Sender, bool& CanClose) {
            EXPECT_EQ(Sender, saver);
            EXPECT_TRUE(CanClose);
            ++closeQueries;
            CanClose = agree;
        });
        saver->SetPasswordCheck([this](QWidget* owner) {
            EXPECT_EQ(owner, form.get());
            ++passwordChecks;
            return passwordRight;
        });
    }

    void UsePassword(const QByteArray& value) {
        WriteFileBytes(config.Config() + QStringLiteral("/desktop.ini"),
                       "[Control Panel\\Desktop]\r\nScreenSaveUsePassword=" + value + "\r\n");
    }

    // A key as the window system delivers it: to the form's window, which hands it on to the widgets.
    void Key(int key, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(form->windowHandle(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(form->windowHandle(), &release);
    }

    void StartFullScreen() {
        saver->Loaded({QStringLiteral("/s")});
        form->show();
        ASSERT_NE(form->windowHandle(), nullptr);
    }

    // One real tick of the 500 ms check with the pointer at p.
    void Tick(QPoint p) {
        cursor = p;
        saver->MouseTimerTimer(saver->MouseTimer());
    }

    TempConfigHome config;
    std::unique_ptr<QWidget> form;
    TScreenSaver* saver = nullptr;
    QPoint cursor{640, 480};
    bool agree = false;
    bool passwordRight = false;
    int closeQueries = 0;
    int passwordChecks = 0;
};

TEST_F(Component, Defaults) {
    EXPECT_EQ(saver->Options().Mask(), 11u);
    EXPECT_EQ(saver->Options(), DefaultScreenSaverOptions);
    EXPECT_FALSE(saver->Options().Contains(ssoAutoHookMouseEvents));
    EXPECT_TRUE(saver->HonourWindowsPassword());
    EXPECT_TRUE(saver->AboutString().isEmpty());
    EXPECT_EQ(saver->MouseMoveSkip(), 5);
    EXPECT_EQ(saver->MouseTimer(), nullptr);
    EXPECT_EQ(saver->LastCursorPos(), QPoint(0, 0));
    EXPECT_EQ(saver->parent(), form.get());
    EXPECT_EQ(TScreenSaverOptions::FromMask(0xFF).Mask(), 15u);
}

TEST_F(Component, FullScreenCoversTheScreenOnTopWithoutBorderAndStartsTheCheck) {
    int executed = 0;
    saver->SetOnExecute([&](QObject* Sender) {
        EXPECT_EQ(Sender, saver);
        ++executed;
    });
    StartFullScreen();
    EXPECT_EQ(saver->Mode(), TScreenSaverMode::FullScreen);
    EXPECT_EQ(executed, 1);
    EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(form->windowState() & Qt::WindowFullScreen);
    EXPECT_EQ(form->geometry(), QGuiApplication::primaryScreen()->geometry());
    ASSERT_NE(saver->MouseTimer(), nullptr);
    EXPECT_EQ(saver->MouseTimer()->Interval(), 500);
    EXPECT_TRUE(saver->MouseTimer()->Enabled());
    // The first check runs at once and only records where the pointer is.
    EXPECT_EQ(saver->LastCursorPos(), QPoint(640, 480));
    EXPECT_EQ(closeQueries, 0);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);
}

TEST_F(Component, ModeIsChosenOnce) {
    StartFullScreen();
    int requested = 0;
    saver->SetOnPropertiesRequested([&](QObject*) { ++requested; });
    saver->Loaded({});
    EXPECT_EQ(saver->Mode(), TScreenSaverMode::FullScreen);
    EXPECT_EQ(requested, 0);
}

TEST_F(Component, WithoutTheEnhancedOptionThereIsNoTimer) {
    saver->SetOptions({ssoAutoAdjustFormProperties, ssoAutoHookKeyboardEvents});
    StartFullScreen();
    EXPECT_EQ(saver->MouseTimer(), nullptr);
    EXPECT_EQ(saver->LastCursorPos(), QPoint(0, 0));
}

TEST_F(Component, TwentyFivePixelsRightAndDownInOnePeriodDoNotEndTheShow) {
    StartFullScreen();
    Tick(QPoint(665, 505));
    EXPECT_EQ(closeQueries, 0);
    EXPECT_EQ(saver->LastCursorPos(), QPoint(665, 505));
}

TEST_F(Component, TwentySixPixelsOnEitherAxisDo) {
    StartFullScreen();
    Tick(QPoint(666, 480));
    EXPECT_EQ(closeQueries, 1);
    Tick(QPoint(666, 454));
    EXPECT_EQ(closeQueries, 2);
    Tick(QPoint(640, 454));
    EXPECT_EQ(closeQueries, 3);
    Tick(QPoint(640, 480));
    EXPECT_EQ(closeQueries, 4);
    // The show goes on while the query refuses.
    EXPECT_TRUE(saver->MouseTimer()->Enabled());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(Component, MovementIsNotAddedUpAcrossPeriods) {
    StartFullScreen();
    QPoint p = cursor;
    for (int period = 0; period < 12; ++period) {
        p += QPoint(20, period % 2 == 0 ? 20 : -20);
        Tick(p);
    }
    EXPECT_EQ(closeQueries, 0);
    EXPECT_EQ(saver->LastCursorPos(), p);
}

TEST_F(Component, AnAgreedQueryClosesTheFormAndStopsTheCheck) {
    StartFullScreen();
    agree = true;
    Tick(cursor + QPoint(0, 30));
    EXPECT_EQ(closeQueries, 1);
    EXPECT_EQ(passwordChecks, 0);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(saver->MouseTimer()->Enabled());
    // The pointer shows again.
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(Component, CharacterKeysEndTheShowShiftAndArrowsDoNot) {
    StartFullScreen();
    Key(Qt::Key_Shift, QString());
    Key(Qt::Key_Control, QString());
    Key(Qt::Key_Left, QString());
    Key(Qt::Key_F5, QString());
    EXPECT_EQ(closeQueries, 0);
    Key(Qt::Key_A, QStringLiteral("a"));
    EXPECT_EQ(closeQueries, 1);
    Key(Qt::Key_Return, QStringLiteral("\r"));
    Key(Qt::Key_Escape, QStringLiteral("\x1b"));
    Key(Qt::Key_Space, QStringLiteral(" "));
    EXPECT_EQ(closeQueries, 4);
    EXPECT_TRUE(form->isVisible());
    agree = true;
    Key(Qt::Key_Z, QStringLiteral("z"));
    EXPECT_FALSE(form->isVisible());
}

TEST_F(Component, KeysAreNotWatchedWithoutTheKeyboardOption) {
    saver->SetOptions({ssoAutoAdjustFormProperties});
    StartFullScreen();
    Key(Qt::Key_A, QStringLiteral("a"));
    EXPECT_EQ(closeQueries, 0);
}

TEST_F(Component, TheMouseMoveHookIgnoresTheFirstFiveMoves) {
    saver->SetOptions({ssoAutoAdjustFormProperties, ssoAutoHookMouseEvents});
    StartFullScreen();
    for (int n = 1; n <= 5; ++n) {
        QMouseEvent move(QEvent::MouseMove, QPointF(n, n), QPointF(n, n), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(form->windowHandle(), &move);
        EXPECT_EQ(saver->MouseMoveSkip(), 5 - n);
    }
    EXPECT_EQ(closeQueries, 0);
    QMouseEvent move(QEvent::MouseMove, QPointF(9, 9), QPointF(9, 9), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(form->windowHandle(), &move);
    EXPECT_EQ(closeQueries, 1);
}

TEST_F(Component, MovesAreNotWatchedByDefault) {
    StartFullScreen();
    for (int n = 0; n < 8; ++n) {
        QMouseEvent move(QEvent::MouseMove, QPointF(n, n), QPointF(n, n), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(form->windowHandle(), &move);
    }
    EXPECT_EQ(saver->MouseMoveSkip(), 5);
    EXPECT_EQ(closeQueries, 0);
}

TEST_F(Component, AForeignCloseRequestGoesThroughTheQuery) {
    StartFullScreen();
    form->close();
    EXPECT_TRUE(form->isVisible());
    QCoreApplication::processEvents();
    EXPECT_EQ(closeQueries, 1);
    EXPECT_TRUE(form->isVisible());
    agree = true;
    form->close();
    QCoreApplication::processEvents();
    EXPECT_EQ(closeQueries, 2);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(Component, ARefusingCloseQueryNeverAsksForThePassword) {
    UsePassword("1");
    StartFullScreen();
    EXPECT_FALSE(saver->QueryClose());
    EXPECT_EQ(closeQueries, 1);
    EXPECT_EQ(passwordChecks, 0);
}

TEST_F(Component, WithThePasswordOnAWrongOneKeepsTheShow) {
    UsePassword("1");
    StartFullScreen();
    agree = true;
    EXPECT_FALSE(saver->QueryClose());
    EXPECT_EQ(passwordChecks, 1);
    EXPECT_TRUE(form->isVisible());
    passwordRight = true;
    EXPECT_TRUE(saver->QueryClose());
    EXPECT_EQ(passwordChecks, 2);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(Component, AQueryWhileThePromptIsOpenDoesNotOpenAnother) {
    UsePassword("-7");
    StartFullScreen();
    agree = true;
    bool inner = true;
    saver->SetPasswordCheck([&](QWidget*) {
        ++passwordChecks;
        inner = saver->QueryClose();
        Tick(cursor + QPoint(100, 0));
        return false;
    });
    EXPECT_FALSE(saver->QueryClose());
    EXPECT_FALSE(inner);
    EXPECT_EQ(passwordChecks, 1);
    EXPECT_EQ(closeQueries, 1);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(Component, WithThePasswordOffOrMissingNoPasswordIsAsked) {
    StartFullScreen();
    agree = true;
    UsePassword("0");
    EXPECT_TRUE(saver->QueryClose());
    EXPECT_EQ(passwordChecks, 0);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(Component, NoDesktopFileAsksNoPassword) {
    StartFullScreen();
    agree = true;
    EXPECT_TRUE(saver->QueryClose());
    EXPECT_EQ(passwordChecks, 0);
}

TEST_F(Component, APasswordValueThatIsNoIntegerRaisesTheRegistryErrorWithoutClosing) {
    UsePassword("yes");
    StartFullScreen();
    agree = true;
    try {
        saver->QueryClose();
        FAIL() << "no exception";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Invalid data type for 'ScreenSaveUsePassword'"));
    }
    EXPECT_EQ(passwordChecks, 0);
    EXPECT_TRUE(form->isVisible());
    // The error did not leave the component stuck: the next query runs.
    UsePassword("0");
    EXPECT_TRUE(saver->QueryClose());
}

// Whether the arguments request the end of the program. The request is a flag of the whole process, so
// each case runs in a fresh copy of the test program.
void ExpectTermination(const QStringList& arguments, bool expected) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            EnsureApplication();
            TempConfigHome home;
            QWidget form;
            auto* saver = new TScreenSaver(&form);
            saver->SetOnPropertiesRequested([](QObject*) {});
            saver->Loaded(arguments);
            std::_Exit(TerminationRequested() ? 10 : 20);
        },
        testing::ExitedWithCode(expected ? 10 : 20), "");
}

TEST(Termination, SettingsPasswordChangeAndAMissingPreviewHostEndTheProgram) {
    ExpectTermination({}, true);
    ExpectTermination({QStringLiteral("/c:99")}, true);
    ExpectTermination({QStringLiteral("/a"), QStringLiteral("55")}, true);
    ExpectTermination({QStringLiteral("/p"), QStringLiteral("0")}, true);
    ExpectTermination({QStringLiteral("/p"), QStringLiteral("nonsense")}, true);
}

TEST(Termination, SettingsEndAlsoWhenTheirHandlerFails) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            EnsureApplication();
            QWidget form;
            auto* saver = new TScreenSaver(&form);
            saver->SetOnPropertiesRequested([](QObject*) { throw EInOutError(QStringLiteral("disk gone")); });
            try {
                saver->Loaded({});
            } catch (const EInOutError&) {
                std::_Exit(TerminationRequested() ? 10 : 20);
            }
            std::_Exit(30);
        },
        testing::ExitedWithCode(10), "");
}

TEST(Termination, AHackWithoutAWindowEndsTheProgram) {
    ExpectTermination({QStringLiteral("-window-id"), QStringLiteral("0")}, true);
    ExpectTermination({QStringLiteral("-window-id")}, true);
}

TEST(Termination, TheShowDoesNot) {
    ExpectTermination({QStringLiteral("/s")}, false);
    ExpectTermination({QStringLiteral("/p")}, false);
}

TEST_F(Component, SettingsCallTheHandlerBeforeEnding) {
    int requested = 0;
    saver->SetOnPropertiesRequested([&](QObject* Sender) {
        EXPECT_EQ(Sender, saver);
        ++requested;
    });
    saver->Loaded({QStringLiteral("/c:99")});
    EXPECT_EQ(saver->Mode(), TScreenSaverMode::Settings);
    EXPECT_EQ(requested, 1);
    EXPECT_EQ(saver->MouseTimer(), nullptr);
    EXPECT_FALSE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(Component, PasswordChangeSetsNothingUp) {
    saver->Loaded({QStringLiteral("/a"), QStringLiteral("55")});
    EXPECT_EQ(saver->Mode(), TScreenSaverMode::ChangePassword);
    EXPECT_EQ(saver->MouseTimer(), nullptr);
    EXPECT_FALSE(form->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(Component, APreviewWithoutAHostDoesNotFire) {
    int previews = 0;
    saver->SetOnPreview([&](QObject*, WId) { ++previews; });
    saver->Loaded({QStringLiteral("/p"), QStringLiteral("0")});
    EXPECT_EQ(saver->Mode(), TScreenSaverMode::Preview);
    EXPECT_EQ(previews, 0);
    EXPECT_EQ(saver->MouseTimer(), nullptr);
    EXPECT_EQ(form->cursor().shape(), Qt::ArrowCursor);
}

// ---- The password setting
// ----------------------------------------------------------------------------------

class PasswordSetting : public testing::Test {
protected:
    void Write(const QByteArray& text) {
        WriteFileBytes(config.Config() + QStringLiteral("/desktop.ini"), text);
    }
    static QString ErrorOf() {
        try {
            ScreenSaveUsePassword();
        } catch (const ERegistryException& e) {
            return e.Message();
        }
        return QString();
    }
    TempConfigHome config;
};

TEST_F(PasswordSetting, MissingFileSectionOrValueMeansNone) {
    EXPECT_FALSE(ScreenSaveUsePassword());
    Write("[Control Panel\\Other]\r\nScreenSaveUsePassword=1\r\n");
    EXPECT_FALSE(ScreenSaveUsePassword());
    Write("[Control Panel\\Desktop]\r\nScreenSaveActive=1\r\n");
    EXPECT_FALSE(ScreenSaveUsePassword());
}

TEST_F(PasswordSetting, NonZeroIntegersSwitchItOn) {
    Write("[Control Panel\\Desktop]\r\nScreenSaveUsePassword=1\r\n");
    EXPECT_TRUE(ScreenSaveUsePassword());
    Write("[control panel\\desktop]\nscreensaveusepassword = -1\n");
    EXPECT_TRUE(ScreenSaveUsePassword());
    Write("[Control Panel\\Desktop]\r\nScreenSaveUsePassword=$10\r\n");
    EXPECT_TRUE(ScreenSaveUsePassword());
    Write("[Control Panel\\Desktop]\r\nScreenSaveUsePassword=0\r\n");
    EXPECT_FALSE(ScreenSaveUsePassword());
    Write("[Control Panel\\Desktop]\r\nScreenSaveUsePassword=-0\r\n");
    EXPECT_FALSE(ScreenSaveUsePassword());
}

TEST_F(PasswordSetting, OtherDataRaisesTheRegistryErrors) {
    Write("[Control Panel\\Desktop]\r\nScreenSaveUsePassword=on\r\n");
    EXPECT_EQ(ErrorOf(), QStringLiteral("Invalid data type for 'ScreenSaveUsePassword'"));
    Write("[Control Panel\\Desktop]\r\nScreenSaveUsePassword=\r\n");
    EXPECT_EQ(ErrorOf(), QStringLiteral("Invalid data type for 'ScreenSaveUsePassword'"));
    Write("[Control Panel\\Desktop]\r\nScreenSaveUsePassword=1.0\r\n");
    EXPECT_EQ(ErrorOf(), QStringLiteral("Invalid data type for 'ScreenSaveUsePassword'"));
    // A number too wide for four bytes is data of the wrong size.
    Write("[Control Panel\\Desktop]\r\nScreenSaveUsePassword=4294967296\r\n");
    EXPECT_EQ(ErrorOf(), QStringLiteral("Failed to get data for 'ScreenSaveUsePassword'"));
}

} // namespace

TEST(HackInstances, EachFurtherMonitorStartsOnePictureLater) {
    // The show steps from the stored position to the next, wrapping after the last.
    const auto firstShownAfter = [](int position, int count) {
        return position < 0 || position >= count - 1 ? 0 : position + 1;
    };
    // position, instance, count, and the index of the picture that instance shows first
    const int rows[][4] = {{5, 0, 3, 0},  {1, 0, 3, 2},          {1, 1, 3, 0}, {1, 2, 3, 1},
                           {-7, 1, 3, 1}, {2147483647, 4, 3, 1}, {0, 1, 1, 0}};
    for (const auto& [position, instance, count, firstShown] : rows) {
        EXPECT_EQ(firstShownAfter(SpreadHackPosition(position, instance, count), count), firstShown)
            << position << " " << instance << " " << count;
    }
}
