#include "tests/support/ProgramRun.h"
#include "tests/support/Screen.h"
#include "tests/support/TestSupport.h"
#include "tests/support/X11Helpers.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QColor Magenta(255, 0, 255);
const QColor Green(30, 200, 30);
// sway refuses to run as root; under root it runs as this user.
const char* const CompositorUser = "ambrelle-test";

// A headless sway with two outputs and a magenta background, which shows wherever no window covers it.
class Wayland : public testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("sway")).isEmpty()) {
            GTEST_SKIP() << "sway is not installed";
        }
        ASSERT_TRUE(runtime.isValid());
        if (geteuid() == 0) {
            ASSERT_NO_FATAL_FAILURE(GiveRuntimeToTheUser());
        }
        WriteFileBytes(runtime.filePath(QStringLiteral("sway.conf")), "output * bg #ff00ff solid_color\n");
        ASSERT_NO_FATAL_FAILURE(StartSway());
        ASSERT_TRUE(SwayMessage({QStringLiteral("create_output")}));
        ASSERT_TRUE(WaitUntil([&] { return OutputCount() == 2; }));
        // A headless seat has no keyboard; a session always has one. Without it the seat would only gain
        // one with the key sent below, too late for the program to see that key.
        keyboard.setProcessEnvironment(ClientEnvironment());
        keyboard.start(QStringLiteral("wtype"), {QStringLiteral("-s"), QStringLiteral("600000")});
        ASSERT_TRUE(keyboard.waitForStarted());

        QImage picture(320, 240, QImage::Format_RGB888);
        picture.fill(Green);
        ASSERT_TRUE(picture.save(folder.filePath(QStringLiteral("green.bmp")), "BMP"));
        run.WriteSettings({QStringLiteral("NFoto=5"), QStringLiteral("TimerInterval=0"),
                           QStringLiteral("FotoDir=") + folder.path()});
        run.WriteEffectLists("", "");
        QProcessEnvironment& environment = run.Environment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
    }

    void TearDown() override {
        run.Kill();
        keyboard.kill();
        keyboard.waitForFinished();
        if (sway.state() != QProcess::NotRunning) {
            sway.terminate();
            if (!sway.waitForFinished(5000)) {
                sway.kill();
                sway.waitForFinished();
            }
        }
    }

    void GiveRuntimeToTheUser() {
        if (getpwnam(CompositorUser) == nullptr) {
            ASSERT_EQ(QProcess::execute(QStringLiteral("useradd"),
                                        {QStringLiteral("-m"), QString::fromLatin1(CompositorUser)}),
                      0);
        }
        const passwd* entry = getpwnam(CompositorUser);
        ASSERT_NE(entry, nullptr);
        user = *entry;
        ASSERT_EQ(chown(QFile::encodeName(runtime.path()).constData(), user.pw_uid, user.pw_gid), 0);
        ASSERT_EQ(chmod(QFile::encodeName(runtime.path()).constData(), 0700), 0);
    }

    void StartSway() {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        environment.insert(QStringLiteral("HOME"),
                           user.pw_dir != nullptr ? QString::fromLocal8Bit(user.pw_dir) : QDir::homePath());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
        environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
        environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
        sway.setProcessEnvironment(environment);
        sway.setProcessChannelMode(QProcess::MergedChannels);
        QStringList command{QStringLiteral("sway"), QStringLiteral("-c"),
                            runtime.filePath(QStringLiteral("sway.conf"))};
        if (geteuid() == 0) {
            command =
                QStringList{QStringLiteral("--reuid=%1").arg(user.pw_uid),
                            QStringLiteral("--regid=%1").arg(user.pw_gid), QStringLiteral("--clear-groups")} +
                command;
            command.prepend(QStringLiteral("setpriv"));
        }
        sway.start(command.takeFirst(), command);
        ASSERT_TRUE(sway.waitForStarted());
        const bool ready = WaitUntil([&] {
            const QDir folder(runtime.path());
            const QStringList sockets = folder.entryList({QStringLiteral("wayland-?")}, QDir::System);
            const QStringList ipc = folder.entryList({QStringLiteral("sway-ipc.*")}, QDir::System);
            if (sockets.isEmpty() || ipc.isEmpty() || sway.state() != QProcess::Running) {
                return false;
            }
            socket = folder.filePath(sockets.front());
            swaySocket = folder.filePath(ipc.front());
            return true;
        });
        if (!ready) {
            sway.waitForFinished(1000);
            GTEST_SKIP() << "sway cannot start here: " << sway.readAll().toStdString();
        }
    }

    QProcessEnvironment ClientEnvironment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
        environment.insert(QStringLiteral("SWAYSOCK"), swaySocket);
        return environment;
    }

    QByteArray Client(const QString& program, const QStringList& arguments) const {
        QProcess client;
        client.setProcessEnvironment(ClientEnvironment());
        client.start(program, arguments);
        if (!client.waitForFinished(10000) || client.exitCode() != 0) {
            return QByteArray();
        }
        return client.readAllStandardOutput() + ' ';
    }

    bool SwayMessage(const QStringList& arguments) const {
        return !Client(QStringLiteral("swaymsg"), arguments).isEmpty();
    }

    int OutputCount() const {
        return int(Client(QStringLiteral("swaymsg"), {QStringLiteral("-t"), QStringLiteral("get_outputs")})
                       .count("\"HEADLESS-"));
    }

    // Both outputs, side by side.
    QImage Screenshot() const {
        QImage shot;
        shot.loadFromData(Client(QStringLiteral("grim"), {QStringLiteral("-")}).chopped(1), "PNG");
        return shot.convertToFormat(QImage::Format_RGB32);
    }

    static int CountOf(const QImage& shot, QColor color) {
        int count = 0;
        for (int y = 0; y < shot.height(); y += 4) {
            for (int x = 0; x < shot.width(); x += 4) {
                count += SameColor(shot.pixelColor(x, y), color) ? 1 : 0;
            }
        }
        return count;
    }

    QTemporaryDir runtime;
    passwd user{};
    QProcess sway;
    QProcess keyboard;
    QString socket;
    QString swaySocket;
    QTemporaryDir folder;
    ProgramRun run;
};

} // namespace

TEST_F(Wayland, FullScreenCoversBothOutputsAKeyEndsItAndThePasswordIsReportedAsNoLock) {
    ASSERT_FALSE(Screenshot().isNull());
    ASSERT_GT(CountOf(Screenshot(), Magenta), 0);
    WriteFileBytes(run.ConfigFile(QStringLiteral("desktop.ini")),
                   "[Control Panel\\Desktop]\r\nScreenSaveUsePassword=1\r\n");
    run.Start({QStringLiteral("/s")});
    int magenta = -1;
    EXPECT_TRUE(WaitUntil(
        [&] {
            const QImage shot = Screenshot();
            magenta = shot.isNull() ? -1 : CountOf(shot, Magenta);
            return magenta == 0 && CountOf(shot, Green) > 0;
        },
        15000))
        << "background pixels left: " << magenta;

    ASSERT_FALSE(Client(QStringLiteral("wtype"), {QStringLiteral("q")}).isEmpty());
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(run.Process().exitCode(), 0);
    const QByteArray ini = ReadFileBytes(run.ConfigFile(QStringLiteral("ssAmbrelle.ini")));
    EXPECT_TRUE(ini.contains("NFoto=0\r\n")) << ini.toStdString();
    const QByteArray log = ReadFileBytes(run.ConfigFile(QStringLiteral("Error.dat")));
    EXPECT_EQ(log.count("\r\n"), 1) << log.toStdString();
    EXPECT_TRUE(log.contains("ErrorSTR-the screen is not locked: ")) << log.toStdString();
}
