#include "tests/support/TestSupport.h"
#include "tests/support/X11Helpers.h"

#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <memory>
#include <pwd.h>
#ifdef __SANITIZE_ADDRESS__
#include <dlfcn.h>
extern "C" void __asan_init();
#endif
#include <unistd.h>

namespace {

const QString PamWrapperLibrary = QStringLiteral("/usr/lib/x86_64-linux-gnu/libpam_wrapper.so");
const QString PamMatrixModule = QStringLiteral("/usr/lib/x86_64-linux-gnu/pam_wrapper/pam_matrix.so");

// A sanitizer build must load its runtime before anything else that is preloaded, and pam_wrapper's deep
// binding would hide the sanitizer's interceptors from the modules.
QString SanitizerRuntime() {
#ifdef __SANITIZE_ADDRESS__
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&__asan_init), &info) != 0 && info.dli_fname != nullptr) {
        return QString::fromLocal8Bit(info.dli_fname) + QLatin1Char(':');
    }
#endif
    return QString();
}

QString UserName() {
    const passwd* entry = getpwuid(getuid());
    return entry != nullptr ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

// The real program on an X server of each test's own, with a config folder of its own that points the
// show at the sample pictures.
class ScreenSaver : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(server.Name().isEmpty()) << "Xvfb did not start";
        ASSERT_TRUE(x.Connected());
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), server.Name());
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.Home());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), config.Runtime());
        WriteFileBytes(config.Config() + QStringLiteral("/ssAmbrelle.ini"),
                       "[General]\r\nFotoDir=" + QByteArray(AMBRELLE_SOURCE_DIR) + "/samples\r\n");
        // Keep the pointer still where the show will appear, so only what a test does moves it.
        Xdo({QStringLiteral("mousemove"), QStringLiteral("640"), QStringLiteral("512")});
    }

    void TearDown() override {
        if (program && program->state() != QProcess::NotRunning) {
            program->kill();
            program->waitForFinished();
        }
    }

    void Start(const QStringList& arguments) {
        program = std::make_unique<QProcess>();
        program->setProcessEnvironment(environment);
        program->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program->start(BinPath(QStringLiteral("ambrelle")), arguments);
        ASSERT_TRUE(program->waitForStarted());
    }

    void UsePassword(const QByteArray& value) {
        WriteFileBytes(config.Config() + QStringLiteral("/desktop.ini"),
                       "[Control Panel\\Desktop]\r\nScreenSaveUsePassword=" + value + "\r\n");
    }

    // Lets the program check passwords against a file of the test's own instead of the system's users.
    bool UsePamMatrix(const QString& password) {
        if (!QFileInfo::exists(PamWrapperLibrary) || !QFileInfo::exists(PamMatrixModule)) {
            return false;
        }
        const QString services = config.Home() + QStringLiteral("/pam.d");
        const QString passdb = config.Home() + QStringLiteral("/passdb");
        const QByteArray module = PamMatrixModule.toLocal8Bit() + " passdb=" + passdb.toLocal8Bit();
        WriteFileBytes(services + QStringLiteral("/ambrelle"),
                       "auth required " + module + "\naccount required " + module + "\n");
        WriteFileBytes(passdb, UserName().toLocal8Bit() + ':' + password.toLocal8Bit() + ":ambrelle\n");
        environment.insert(QStringLiteral("LD_PRELOAD"), SanitizerRuntime() + PamWrapperLibrary);
        environment.insert(QStringLiteral("PAM_WRAPPER"), QStringLiteral("1"));
        if (!SanitizerRuntime().isEmpty()) {
            environment.insert(QStringLiteral("PAM_WRAPPER_DISABLE_DEEPBIND"), QStringLiteral("1"));
        }
        environment.insert(QStringLiteral("PAM_WRAPPER_SERVICE_DIR"), services);
        return true;
    }

    std::vector<TX11Test::TWindow> Windows(TX11Test::TWindow parent = 0) {
        return x.ViewableWindowsOf(program->processId(), parent);
    }

    // The full-screen window, once it is on the screen.
    TX11Test::TWindow WaitForShow() {
        TX11Test::TWindow show = 0;
        WaitUntil([&] {
            const auto windows = Windows();
            show = windows.size() == 1 ? windows.front() : 0;
            return show != 0 && x.Geometry(show) == x.ScreenRect();
        });
        return show;
    }

    // The second window of the program: the password prompt over the show.
    TX11Test::TWindow WaitForPrompt(TX11Test::TWindow show) {
        TX11Test::TWindow prompt = 0;
        WaitUntil([&] {
            for (const TX11Test::TWindow window : Windows()) {
                if (window != show) {
                    prompt = window;
                }
            }
            return prompt != 0;
        });
        return prompt;
    }

    bool Ended() { return program->waitForFinished(10000) && program->exitStatus() == QProcess::NormalExit; }

    bool Xdo(const QStringList& arguments) { return XdoTool(arguments, server.Name()); }

    TPrivateXServer server;
    TX11Test x{server.Name()};
    TempConfigHome config;
    QProcessEnvironment environment;
    std::unique_ptr<QProcess> program;
};

TEST_F(ScreenSaver, FullScreenCoversTheScreenUndecoratedOnTopAndALetterEndsIt) {
    Start({QStringLiteral("/s")});
    const TX11Test::TWindow show = WaitForShow();
    ASSERT_NE(show, 0u);
    EXPECT_EQ(x.Geometry(show), x.ScreenRect());
    // Motif hints: the decorations field is given (flag 2) and asks for none.
    const std::vector<std::uint32_t> motif = x.Property32(show, "_MOTIF_WM_HINTS");
    ASSERT_GE(motif.size(), 3u);
    EXPECT_TRUE(motif[0] & 2u);
    EXPECT_EQ(motif[2], 0u);
    EXPECT_TRUE(x.AtomNames(show, "_NET_WM_STATE").contains(QStringLiteral("_NET_WM_STATE_ABOVE")));

    ASSERT_TRUE(Xdo({QStringLiteral("key"), QStringLiteral("a")}));
    ASSERT_TRUE(Ended());
    EXPECT_EQ(program->exitCode(), 0);
}

TEST_F(ScreenSaver, ShiftAloneDoesNotEndTheShow) {
    Start({QStringLiteral("-S")});
    ASSERT_NE(WaitForShow(), 0u);
    ASSERT_TRUE(Xdo({QStringLiteral("key"), QStringLiteral("shift"), QStringLiteral("Shift_R"),
                     QStringLiteral("ctrl"), QStringLiteral("Left"), QStringLiteral("F2")}));
    // Nothing announces that a key was ignored; a show that would end on these keys ends well within this.
    EXPECT_FALSE(program->waitForFinished(1500));
    ASSERT_TRUE(Xdo({QStringLiteral("key"), QStringLiteral("space")}));
    ASSERT_TRUE(Ended());
    EXPECT_EQ(program->exitCode(), 0);
}

TEST_F(ScreenSaver, APointerMoveOfMoreThanTwentyFivePixelsEndsTheShow) {
    Start({QStringLiteral("/s")});
    ASSERT_NE(WaitForShow(), 0u);
    ASSERT_TRUE(Xdo({QStringLiteral("mousemove_relative"), QStringLiteral("--"), QStringLiteral("0"),
                     QStringLiteral("-200")}));
    ASSERT_TRUE(Ended());
    EXPECT_EQ(program->exitCode(), 0);
}

TEST_F(ScreenSaver, PreviewLivesInsideTheHostAtItsSizeAndEndsWithIt) {
    const TX11Test::TWindow host = x.CreateWindow(QRect(50, 60, 152, 112));
    Start({QStringLiteral("/p"), QString::number(host)});
    TX11Test::TWindow preview = 0;
    ASSERT_TRUE(WaitUntil([&] {
        const auto inside = Windows(host);
        preview = inside.size() == 1 ? inside.front() : 0;
        return preview != 0;
    }));
    EXPECT_TRUE(WaitUntil([&] { return x.Geometry(preview, true) == QRect(0, 0, 152, 112); }))
        << x.Geometry(preview, true).width() << "x" << x.Geometry(preview, true).height();
    EXPECT_TRUE(Windows().empty()) << "a top-level window besides the preview";

    // The host changes size: the preview follows.
    x.ResizeWindow(host, 200, 150);
    EXPECT_TRUE(WaitUntil([&] { return x.Geometry(preview, true) == QRect(0, 0, 200, 150); }));

    x.DestroyWindow(host);
    ASSERT_TRUE(Ended());
    EXPECT_EQ(program->exitCode(), 0);
}

TEST_F(ScreenSaver, PreviewTakesTheHexadecimalFormOfAWindowId) {
    const TX11Test::TWindow host = x.CreateWindow(QRect(0, 0, 80, 60));
    Start({QStringLiteral("/p"), QStringLiteral("0x") + QString::number(host, 16)});
    ASSERT_TRUE(WaitUntil([&] { return Windows(host).size() == 1; }));
    x.DestroyWindow(host);
    ASSERT_TRUE(Ended());
    EXPECT_EQ(program->exitCode(), 0);
}

TEST_F(ScreenSaver, AHackFillsTheDaemonsWindowIgnoresInputAndEndsWithTheWindow) {
    // The pointer rests inside the host, so keys go there.
    const TX11Test::TWindow host = x.CreateWindow(QRect(0, 0, 800, 600));
    environment.insert(QStringLiteral("XSCREENSAVER_WINDOW"),
                       QStringLiteral("0x") + QString::number(host, 16));
    Start({QStringLiteral("-root")});
    TX11Test::TWindow hack = 0;
    ASSERT_TRUE(WaitUntil([&] {
        const auto inside = Windows(host);
        hack = inside.size() == 1 ? inside.front() : 0;
        return hack != 0 && x.Geometry(hack, true) == QRect(0, 0, 800, 600);
    }));
    EXPECT_TRUE(Windows().empty()) << "a top-level window besides the daemon's";

    ASSERT_TRUE(Xdo({QStringLiteral("key"), QStringLiteral("a")}));
    ASSERT_TRUE(Xdo({QStringLiteral("mousemove_relative"), QStringLiteral("--"), QStringLiteral("100"),
                     QStringLiteral("50")}));
    // Nothing announces that input was ignored; a full-screen show would end on these well within this.
    EXPECT_FALSE(program->waitForFinished(1500));

    x.DestroyWindow(host);
    ASSERT_TRUE(Ended());
    EXPECT_EQ(program->exitCode(), 0);
}

TEST_F(ScreenSaver, PreviewWithoutAHostEndsAtOnce) {
    Start({QStringLiteral("/p"), QStringLiteral("0")});
    ASSERT_TRUE(Ended());
    EXPECT_EQ(program->exitCode(), 0);

    const TX11Test::TWindow gone = x.CreateWindow(QRect(0, 0, 10, 10));
    x.DestroyWindow(gone);
    Start({QStringLiteral("/p"), QString::number(gone)});
    ASSERT_TRUE(Ended());
    EXPECT_EQ(program->exitCode(), 0);
}

TEST_F(ScreenSaver, PasswordChangeEndsWithoutAShow) {
    Start({QStringLiteral("/a"), QStringLiteral("123")});
    ASSERT_TRUE(Ended());
    EXPECT_EQ(program->exitCode(), 0);
}

TEST_F(ScreenSaver, WithThePasswordOnAWrongOneKeepsTheShowAndTheRightOneEndsIt) {
    if (!UsePamMatrix(QStringLiteral("Kr0k0dil"))) {
        GTEST_SKIP() << "pam_wrapper is not installed";
    }
    UsePassword("1");
    Start({QStringLiteral("/s")});
    const TX11Test::TWindow show = WaitForShow();
    ASSERT_NE(show, 0u);

    ASSERT_TRUE(Xdo({QStringLiteral("key"), QStringLiteral("x")}));
    TX11Test::TWindow prompt = WaitForPrompt(show);
    ASSERT_NE(prompt, 0u);
    Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(prompt)});
    ASSERT_TRUE(Xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"),
                     QStringLiteral("kr0k0dil")}));
    ASSERT_TRUE(Xdo({QStringLiteral("key"), QStringLiteral("Return")}));
    ASSERT_TRUE(WaitUntil([&] { return Windows().size() == 1; }));

    // Still running: the next key brings the prompt back.
    ASSERT_TRUE(Xdo({QStringLiteral("key"), QStringLiteral("y")}));
    prompt = WaitForPrompt(show);
    ASSERT_NE(prompt, 0u);
    Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(prompt)});
    ASSERT_TRUE(Xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"),
                     QStringLiteral("Kr0k0dil")}));
    ASSERT_TRUE(Xdo({QStringLiteral("key"), QStringLiteral("Return")}));
    ASSERT_TRUE(Ended());
    EXPECT_EQ(program->exitCode(), 0);
}

TEST_F(ScreenSaver, EscapeOnThePromptAndAWindowManagerCloseKeepTheShow) {
    if (!UsePamMatrix(QStringLiteral("Kr0k0dil"))) {
        GTEST_SKIP() << "pam_wrapper is not installed";
    }
    UsePassword("1");
    Start({QStringLiteral("/s")});
    const TX11Test::TWindow show = WaitForShow();
    ASSERT_NE(show, 0u);

    // A close request of the window manager asks for the password too.
    x.RequestClose(show);
    TX11Test::TWindow prompt = WaitForPrompt(show);
    ASSERT_NE(prompt, 0u);
    Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(prompt)});
    ASSERT_TRUE(Xdo({QStringLiteral("key"), QStringLiteral("Escape")}));
    ASSERT_TRUE(WaitUntil([&] { return Windows().size() == 1; }));
    EXPECT_EQ(Windows().front(), show);

    ASSERT_TRUE(Xdo({QStringLiteral("key"), QStringLiteral("Return")}));
    prompt = WaitForPrompt(show);
    ASSERT_NE(prompt, 0u);
    Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(prompt)});
    ASSERT_TRUE(Xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"),
                     QStringLiteral("Kr0k0dil")}));
    ASSERT_TRUE(Xdo({QStringLiteral("key"), QStringLiteral("Return")}));
    ASSERT_TRUE(Ended());
    EXPECT_EQ(program->exitCode(), 0);
}

TEST_F(ScreenSaver, WithThePasswordOffOrNoDesktopFileAKeyEndsTheShowWithoutAPrompt) {
    // PAM could ask here, so a prompt would keep the program waiting for the password that nobody types.
    const bool pam = UsePamMatrix(QStringLiteral("Kr0k0dil"));
    for (const bool withFile : {false, true}) {
        if (withFile) {
            UsePassword("0");
        }
        Start({QStringLiteral("/s")});
        ASSERT_NE(WaitForShow(), 0u);
        ASSERT_TRUE(Xdo({QStringLiteral("key"), QStringLiteral("q")}));
        ASSERT_TRUE(Ended()) << "with desktop.ini: " << withFile << ", PAM: " << pam;
        EXPECT_EQ(program->exitCode(), 0);
    }
}

} // namespace
