#include "tests/support/Screen.h"
#include "tests/support/TestSupport.h"
#include "tests/support/X11Helpers.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <memory>
#include <pwd.h>
#include <unistd.h>

namespace {

const QColor Green(30, 200, 30);
const QColor RootRed(255, 0, 0);

// The show as a Linux desktop starts it, on a private X server. Under root the home belongs to nobody, as
// xscreensaver runs no hacks as root. One green picture and a stored position beyond it: a show that has
// put the picture up stores position 0.
class Desktop : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        WriteFileBytes(Ini(), "[General]\r\nNFoto=5\r\nTimerInterval=0\r\nFotoDir=" +
                                  home.filePath(QStringLiteral("pictures")).toUtf8() + "\r\n");
        WriteFileBytes(ConfigFile(QStringLiteral("ssShowEffects.Dat")), "");
        WriteFileBytes(ConfigFile(QStringLiteral("ssHideEffects.Dat")), "");
        QImage picture(320, 240, QImage::Format_RGB888);
        picture.fill(Green);
        QDir().mkpath(home.filePath(QStringLiteral("pictures")));
        ASSERT_TRUE(picture.save(home.filePath(QStringLiteral("pictures/green.bmp")), "BMP"));
        QDir().mkpath(Runtime());
        QFile::setPermissions(Runtime(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        GiveHomeToTheUser();
    }

    void TearDown() override {
        for (QProcess* process : {program.get(), daemon.get()}) {
            if (process != nullptr && process->state() != QProcess::NotRunning) {
                process->terminate();
                if (!process->waitForFinished(5000)) {
                    process->kill();
                    process->waitForFinished();
                }
            }
        }
    }

    void StartServer(const QString& screen = QStringLiteral("1280x1024x24"),
                     const QStringList& options = {}) {
        server = std::make_unique<TPrivateXServer>(screen, options);
        ASSERT_FALSE(server->Name().isEmpty()) << "Xvfb did not start";
        x = std::make_unique<TX11Test>(server->Name());
        ASSERT_TRUE(x->Connected());
        // The pointer rests on the first screen, so only what a test does moves it.
        ASSERT_TRUE(XdoTool({QStringLiteral("mousemove"), QStringLiteral("640"), QStringLiteral("512")},
                            server->Name()));
    }

    void StartTwoMonitors() {
        StartServer(QStringLiteral("2560x1024x24"), {QStringLiteral("+xinerama")});
        ASSERT_TRUE(SplitIntoTwoMonitors(server->Name()));
    }

    bool X(const QString& tool, const QStringList& arguments) {
        return XTool(tool, arguments, server->Name());
    }

    QString ConfigFile(const QString& name) const {
        return home.filePath(QStringLiteral(".config/ambrelle/")) + name;
    }
    QString Ini() const { return ConfigFile(QStringLiteral("ssAmbrelle.ini")); }
    QString Runtime() const { return home.filePath(QStringLiteral("runtime")); }
    bool PositionStored() const { return ReadFileBytes(Ini()).contains("NFoto=0\r\n"); }

    bool AsRoot() const { return geteuid() == 0; }

    void GiveHomeToTheUser() {
        if (!AsRoot()) {
            return;
        }
        const passwd* nobody = getpwnam("nobody");
        ASSERT_NE(nobody, nullptr);
        user = *nobody;
        namespace fs = std::filesystem;
        const fs::path top(home.path().toStdString());
        ASSERT_EQ(chown(top.c_str(), user.pw_uid, user.pw_gid), 0);
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(top)) {
            ASSERT_EQ(lchown(entry.path().c_str(), user.pw_uid, user.pw_gid), 0);
        }
    }

    QProcessEnvironment Environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), server->Name());
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), Runtime());
        environment.insert(QStringLiteral("PATH"),
                           BinPath(QString()) + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
        return environment;
    }

    // A program of the test, as the owner of the home.
    std::unique_ptr<QProcess> Launch(const QString& name, const QStringList& arguments) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(Environment());
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (AsRoot()) {
            process->start(QStringLiteral("setpriv"),
                           QStringList{QStringLiteral("--reuid=%1").arg(user.pw_uid),
                                       QStringLiteral("--regid=%1").arg(user.pw_gid),
                                       QStringLiteral("--clear-groups"), name} +
                               arguments);
        } else {
            process->start(name, arguments);
        }
        EXPECT_TRUE(process->waitForStarted());
        return process;
    }

    void Start(const QStringList& arguments) {
        program = Launch(BinPath(QStringLiteral("ambrelle")), arguments);
    }

    // xscreensaver with the show as its only hack, answering commands.
    void StartXScreenSaver() {
        WriteFileBytes(home.filePath(QStringLiteral(".xscreensaver")),
                       "mode: one\nselected: 0\nlock: False\nsplash: False\ntimeout: 1:00:00\n"
                       "programs: ambrelle -root \\n\n");
        GiveHomeToTheUser();
        daemon = Launch(QStringLiteral("xscreensaver"), {QStringLiteral("-no-splash")});
        ASSERT_TRUE(WaitUntil([&] { return ScreenSaverCommand(QStringLiteral("-version")); }));
    }

    bool ScreenSaverCommand(const QString& what) {
        QProcess control;
        control.setProcessEnvironment(Environment());
        control.start(QStringLiteral("xscreensaver-command"), {what});
        return control.waitForFinished(10000) && control.exitCode() == 0;
    }

    bool Ended() { return program->waitForFinished(10000) && program->exitStatus() == QProcess::NormalExit; }

    bool PictureAt(QPoint at) {
        const QImage shot = GrabScreen(server->Name());
        return !shot.isNull() && SameColor(shot.pixelColor(at), Green);
    }

    // The program's viewable windows anywhere in the tree.
    std::vector<TX11Test::TWindow> ShowWindows() {
        return x->ViewableWindowsOfClass(QStringLiteral("ambrelle"));
    }

    QTemporaryDir home;
    passwd user{};
    std::unique_ptr<TPrivateXServer> server;
    std::unique_ptr<TX11Test> x;
    std::unique_ptr<QProcess> program;
    std::unique_ptr<QProcess> daemon;
};

TEST_F(Desktop, ASignalEndsEveryModeThroughTheCloseAndThePositionIsStored) {
    StartServer();
    struct Row {
        QString mode;
        int signal;
    };
    const Row rows[] = {{QStringLiteral("/s"), SIGTERM},
                        {QStringLiteral("/p"), SIGINT},
                        {QStringLiteral("-window-id"), SIGHUP}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.mode.toStdString() + " " + std::to_string(row.signal));
        WriteFileBytes(Ini(), ReadFileBytes(Ini()).replace("NFoto=0\r\n", "NFoto=5\r\n"));
        ASSERT_FALSE(PositionStored());
        QPoint centre(640, 512);
        TX11Test::TWindow host = 0;
        if (row.mode == QStringLiteral("/s")) {
            Start({row.mode});
        } else {
            host = x->CreateWindow(QRect(0, 0, 640, 480));
            centre = QPoint(320, 240);
            Start({row.mode, QString::number(host)});
        }
        ASSERT_TRUE(WaitUntil([&] { return PictureAt(centre); }, 15000));
        ASSERT_EQ(kill(pid_t(program->processId()), row.signal), 0);
        ASSERT_TRUE(Ended());
        EXPECT_EQ(program->exitCode(), 0);
        EXPECT_TRUE(PositionStored()) << ReadFileBytes(Ini()).toStdString();
        if (host != 0) {
            x->DestroyWindow(host);
        }
    }
}

TEST_F(Desktop, XScreenSaverRunsTheHackInItsOwnWindowAndItsEndStoresThePosition) {
    StartServer();
    StartXScreenSaver();
    ASSERT_TRUE(ScreenSaverCommand(QStringLiteral("-activate")));

    ASSERT_TRUE(WaitUntil([&] { return !ShowWindows().empty(); }, 15000));
    const TX11Test::TWindow show = ShowWindows().front();
    // The hack draws inside the daemon's window: nothing of ours sits directly on the root.
    for (const TX11Test::TWindow window : ShowWindows()) {
        EXPECT_NE(x->Parent(window), x->Root());
    }
    EXPECT_EQ(x->Geometry(show), x->ScreenRect());
    EXPECT_TRUE(WaitUntil([&] { return PictureAt(x->Geometry(show).center()); }, 15000));

    ASSERT_TRUE(ScreenSaverCommand(QStringLiteral("-deactivate")));
    EXPECT_TRUE(WaitUntil([&] { return ShowWindows().empty() && PositionStored(); }))
        << ReadFileBytes(Ini()).toStdString();
}

// The daemon starts one hack per monitor; each runs its own show.
TEST_F(Desktop, XScreenSaverOnTwoMonitorsShowsPicturesOnBoth) {
    StartTwoMonitors();
    StartXScreenSaver();
    ASSERT_TRUE(ScreenSaverCommand(QStringLiteral("-activate")));
    EXPECT_TRUE(
        WaitUntil([&] { return PictureAt(QPoint(640, 512)) && PictureAt(QPoint(1920, 512)); }, 20000));
}

TEST_F(Desktop, XssLockStartsTheShowWhenTheServerHasBeenIdle) {
    StartServer();
    ASSERT_TRUE(X(QStringLiteral("xset"), {QStringLiteral("s"), QStringLiteral("2")}));
    // Without a login manager xss-lock aborts right after starting the locker: judge the screen.
    daemon = Launch(QStringLiteral("xss-lock"),
                    {QStringLiteral("--"), QStringLiteral("ambrelle"), QStringLiteral("/s")});
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto windows = ShowWindows();
            return windows.size() == 1 && x->Geometry(windows.front()) == x->ScreenRect() &&
                   PictureAt(QPoint(640, 512));
        },
        20000));
    ASSERT_TRUE(XdoTool({QStringLiteral("key"), QStringLiteral("q")}, server->Name()));
    EXPECT_TRUE(WaitUntil([&] { return ShowWindows().empty() && PositionStored(); }));
}

// One wide screen split into two monitors side by side; a red root shows wherever it is left visible.
TEST_F(Desktop, TwoMonitorsAreBothCoveredAndAKeyOnTheSecondEndsTheShow) {
    StartTwoMonitors();
    ASSERT_TRUE(X(QStringLiteral("xsetroot"), {QStringLiteral("-solid"), QStringLiteral("#ff0000")}));
    ASSERT_TRUE(SameColor(GrabScreen(server->Name()).pixelColor(1920, 512), RootRed));

    Start({QStringLiteral("/s")});
    const auto rootPixels = [&](int left) {
        const QImage shot = GrabScreen(server->Name());
        int count = shot.isNull() ? 1 : 0;
        for (int y = 0; y < shot.height(); y += 8) {
            for (int x = left; x < left + 1280 && x < shot.width(); x += 8) {
                count += SameColor(shot.pixelColor(x, y), RootRed, 40) ? 1 : 0;
            }
        }
        return count;
    };
    EXPECT_TRUE(WaitUntil([&] {
        return PictureAt(QPoint(640, 512)) && rootPixels(0) + rootPixels(1280) == 0;
    })) << "root pixels left visible: "
        << rootPixels(0) << " and " << rootPixels(1280);

    const auto windows = x->ViewableWindowsOf(program->processId());
    const auto second = std::find_if(windows.begin(), windows.end(), [&](auto window) {
        return x->Geometry(window) == QRect(1280, 0, 1280, 1024);
    });
    ASSERT_NE(second, windows.end());
    ASSERT_TRUE(XdoTool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(*second)},
                        server->Name()));
    ASSERT_TRUE(XdoTool({QStringLiteral("key"), QStringLiteral("a")}, server->Name()));
    ASSERT_TRUE(Ended());
    EXPECT_EQ(program->exitCode(), 0);
}

} // namespace
