#include "tests/support/ProgramRun.h"
#include "tests/support/Screen.h"
#include "tests/support/TestSupport.h"
#include "tests/support/X11Helpers.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The output of a Wayland client of the compositor whose socket is given; empty when it failed.
QByteArray Client(const QString& socket, const QString& program, const QStringList& arguments) {
    QProcess client;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
    client.setProcessEnvironment(environment);
    client.start(program, arguments);
    return client.waitForFinished(10000) && client.exitCode() == 0 ? client.readAllStandardOutput() + ' '
                                                                   : QByteArray();
}

int PixelsOf(const QImage& shot, QColor color) {
    int count = 0;
    for (int y = 0; y < shot.height(); y += 4) {
        for (int x = 0; x < shot.width(); x += 4) {
            count += SameColor(shot.pixelColor(x, y), color) ? 1 : 0;
        }
    }
    return count;
}

} // namespace

// A headless sway with two outputs and a magenta background, which shows wherever no window covers it.
// sway refuses to run as root; under root it runs as a user of its own.
TEST(Wayland, FullScreenCoversBothOutputsAKeyEndsItAndThePasswordIsReportedAsNoLock) {
    if (QStandardPaths::findExecutable(QStringLiteral("sway")).isEmpty()) {
        GTEST_SKIP() << "sway is not installed";
    }
    QTemporaryDir runtime;
    QStringList sway{QStringLiteral("sway"), QStringLiteral("-c"),
                     runtime.filePath(QStringLiteral("sway.conf"))};
    if (geteuid() == 0) {
        if (getpwnam("ambrelle-test") == nullptr) {
            ASSERT_EQ(QProcess::execute(QStringLiteral("useradd"),
                                        {QStringLiteral("-m"), QStringLiteral("ambrelle-test")}),
                      0);
        }
        const passwd* user = getpwnam("ambrelle-test");
        ASSERT_NE(user, nullptr);
        ASSERT_EQ(chown(QFile::encodeName(runtime.path()).constData(), user->pw_uid, user->pw_gid), 0);
        sway = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=%1").arg(user->pw_uid),
                           QStringLiteral("--regid=%1").arg(user->pw_gid), QStringLiteral("--clear-groups")} +
               sway;
    }
    WriteFileBytes(runtime.filePath(QStringLiteral("sway.conf")), "output * bg #ff00ff solid_color\n");
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    environment.insert(QStringLiteral("HOME"), runtime.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    QProcess compositor;
    compositor.setProcessEnvironment(environment);
    compositor.setProcessChannelMode(QProcess::MergedChannels);
    compositor.start(sway.takeFirst(), sway);
    compositor.waitForStarted();
    const QDir folder(runtime.path());
    const auto sockets = [&] { return folder.entryList({QStringLiteral("wayland-?")}, QDir::System); };
    const auto ipc = [&] { return folder.entryList({QStringLiteral("sway-ipc.*")}, QDir::System); };
    const auto ready = [&] { return !sockets().isEmpty() && !ipc().isEmpty(); };
    if (!WaitUntil([&] { return ready() || compositor.state() != QProcess::Running; }) ||
        compositor.state() != QProcess::Running) {
        compositor.kill();
        compositor.waitForFinished();
        GTEST_SKIP() << "sway cannot start here: " << compositor.readAll().toStdString();
    }
    const QString socket = folder.filePath(sockets().front());
    ASSERT_FALSE(
        Client(socket, QStringLiteral("swaymsg"),
               {QStringLiteral("-s"), folder.filePath(ipc().front()), QStringLiteral("create_output")})
            .isEmpty());
    // A headless seat has no keyboard, where a session always has one: without it the seat would only
    // gain one with the key sent below, too late for the program to see that key.
    QProcess keyboard;
    keyboard.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    keyboard.start(QStringLiteral("env"),
                   {QStringLiteral("WAYLAND_DISPLAY=") + socket, QStringLiteral("wtype"),
                    QStringLiteral("-s"), QStringLiteral("600000")});
    const auto screenshot = [&] {
        QImage shot;
        shot.loadFromData(Client(socket, QStringLiteral("grim"), {QStringLiteral("-")}).chopped(1), "PNG");
        return shot.convertToFormat(QImage::Format_RGB32);
    };
    // Both outputs laid out side by side, each with its background drawn.
    ASSERT_TRUE(WaitUntil([&] {
        const QImage shot = screenshot();
        return shot.width() > 1920 && PixelsOf(shot, QColor(255, 0, 255)) > 0;
    }));

    QTemporaryDir pictures;
    QImage picture(320, 240, QImage::Format_RGB888);
    picture.fill(QColor(30, 200, 30));
    ASSERT_TRUE(picture.save(pictures.filePath(QStringLiteral("green.bmp")), "BMP"));
    ProgramRun run;
    run.WriteSettings({QStringLiteral("NFoto=5"), QStringLiteral("TimerInterval=0"),
                       QStringLiteral("FotoDir=") + pictures.path()});
    run.WriteEffectLists("", "");
    WriteFileBytes(run.ConfigFile(QStringLiteral("desktop.ini")),
                   "[Control Panel\\Desktop]\r\nScreenSaveUsePassword=1\r\n");
    run.Environment().remove(QStringLiteral("DISPLAY"));
    run.Environment().insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    run.Environment().insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
    run.Start({QStringLiteral("/s")});
    int magenta = -1;
    EXPECT_TRUE(WaitUntil(
        [&] {
            const QImage shot = screenshot();
            magenta = shot.isNull() ? -1 : PixelsOf(shot, QColor(255, 0, 255));
            return magenta == 0 && PixelsOf(shot, QColor(30, 200, 30)) > 0;
        },
        15000))
        << "background pixels left: " << magenta;

    ASSERT_FALSE(Client(socket, QStringLiteral("wtype"), {QStringLiteral("q")}).isEmpty());
    EXPECT_TRUE(run.WaitForExit());
    EXPECT_EQ(run.Process().exitCode(), 0);
    const QByteArray ini = ReadFileBytes(run.ConfigFile(QStringLiteral("ssAmbrelle.ini")));
    EXPECT_TRUE(ini.contains("NFoto=0\r\n")) << ini.toStdString();
    const QByteArray log = ReadFileBytes(run.ConfigFile(QStringLiteral("Error.dat")));
    EXPECT_EQ(log.count("\r\n"), 1) << log.toStdString();
    EXPECT_TRUE(log.contains("ErrorSTR-the screen is not locked: ")) << log.toStdString();
    keyboard.kill();
    keyboard.waitForFinished();
    compositor.terminate();
    compositor.waitForFinished();
}
