#include "tests/support/ProgramRun.h"
#include "tests/support/Screen.h"
#include "tests/support/TestSupport.h"
#include "tests/support/X11Helpers.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

namespace {

const QColor Green(30, 200, 30);
const QColor Blue(30, 30, 220);
// The X grab statuses (X11/X.h, whose macros clash with Qt's names).
constexpr int GrabSuccess = 0;
constexpr int AlreadyGrabbed = 1;

// The show with nobody in front of it, on an X server of each test's own: a folder of two good pictures
// with a broken one between them, one second of display time and no transitions.
class Unattended : public testing::Test {
protected:
    void StartServer(bool twoMonitors) {
        server = twoMonitors ? std::make_unique<TPrivateXServer>(QStringLiteral("2560x1024x24"),
                                                                 QStringList{QStringLiteral("+xinerama")})
                             : std::make_unique<TPrivateXServer>();
        ASSERT_FALSE(server->Name().isEmpty()) << "Xvfb did not start";
        x = std::make_unique<TX11Test>(server->Name());
        ASSERT_TRUE(x->Connected());
        if (twoMonitors) {
            ASSERT_TRUE(SplitIntoTwoMonitors(server->Name()));
        }
        run.Environment().insert(QStringLiteral("DISPLAY"), server->Name());
        ASSERT_TRUE(XdoTool({QStringLiteral("mousemove"), QStringLiteral("640"), QStringLiteral("512")},
                            server->Name()));
    }

    // The first good picture comes first, the broken one second, the other good one third.
    void MakeFolder() {
        for (const auto& [name, color] :
             {std::pair{QStringLiteral("a.bmp"), Green}, std::pair{QStringLiteral("c.bmp"), Blue}}) {
            QImage picture(320, 240, QImage::Format_RGB888);
            picture.fill(color);
            ASSERT_TRUE(picture.save(folder.filePath(name), "BMP"));
        }
        ASSERT_TRUE(QFile::copy(TestDataPath(QStringLiteral("tga/malformed/size-65535-squared.tga")),
                                folder.filePath(QStringLiteral("b.tga"))));
        const QStringList listing = QDir(folder.path()).entryList(QDir::Files, QDir::Unsorted);
        const int broken = int(listing.indexOf(QStringLiteral("b.tga")));
        const int first = (broken + 2) % 3;
        before = listing[first] == QStringLiteral("a.bmp") ? Green : Blue;
        after = before == Green ? Blue : Green;
        run.WriteSettings({QStringLiteral("NFoto=%1").arg(first - 1), QStringLiteral("TimerInterval=1"),
                           QStringLiteral("FotoDir=") + folder.path()});
        run.WriteEffectLists("", "");
    }

    void UsePassword() const {
        WriteFileBytes(run.ConfigFile(QStringLiteral("desktop.ini")),
                       "[Control Panel\\Desktop]\r\nScreenSaveUsePassword=1\r\n");
    }

    bool ColorAt(QPoint at, QColor color) const {
        const QImage shot = GrabScreen(server->Name());
        return !shot.isNull() && SameColor(shot.pixelColor(at), color);
    }

    QByteArray Log() const { return ReadFileBytes(run.ConfigFile(QStringLiteral("Error.dat"))); }

    std::vector<TX11Test::TWindow> TopLevelWindows() {
        return x->ViewableWindowsOf(run.Process().processId());
    }

    std::unique_ptr<TPrivateXServer> server;
    std::unique_ptr<TX11Test> x;
    QTemporaryDir folder;
    ProgramRun run;
    QColor before;
    QColor after;
};

} // namespace

TEST_F(Unattended, WithThePasswordOnTheShowHoldsKeyboardAndPointerOverTwoMonitorsUntilItEnds) {
    StartServer(true);
    MakeFolder();
    UsePassword();
    run.Start({QStringLiteral("/s")});
    ASSERT_TRUE(WaitUntil([&] { return ColorAt(QPoint(640, 512), before); }, 15000));
    EXPECT_EQ(x->GrabKeyboard(), AlreadyGrabbed);
    EXPECT_EQ(x->GrabPointer(), AlreadyGrabbed);

    ASSERT_EQ(kill(pid_t(run.Process().processId()), SIGTERM), 0);
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(run.Process().exitCode(), 0);
    EXPECT_EQ(x->GrabKeyboard(), GrabSuccess);
    EXPECT_EQ(x->GrabPointer(), GrabSuccess);
    x->Ungrab();
}

TEST_F(Unattended, WithThePasswordOnAGrabHeldElsewhereEndsTheShowWithARecordAndExitCode1) {
    StartServer(false);
    MakeFolder();
    UsePassword();
    ASSERT_EQ(x->GrabKeyboard(), GrabSuccess);
    run.Start({QStringLiteral("/s")});
    ASSERT_TRUE(run.WaitForExit(15000));
    EXPECT_EQ(run.Process().exitCode(), 1);
    EXPECT_TRUE(Log().contains("ErrorSTR-the screen is not locked: another program holds the keyboard;"))
        << Log().toStdString();
    x->Ungrab();
}

TEST_F(Unattended, InTheHackALoadErrorShowsNoBoxAndTheShowGoesRoundAgain) {
    StartServer(false);
    MakeFolder();
    const TX11Test::TWindow host = x->CreateWindow(QRect(0, 0, 1280, 1024));
    run.Start({QStringLiteral("-window-id"), QString::number(host)});
    const QPoint centre(640, 512);
    for (const QColor& next : {before, after, before}) {
        ASSERT_TRUE(WaitUntil([&] { return ColorAt(centre, next); }, 15000)) << next.name().toStdString();
        EXPECT_TRUE(TopLevelWindows().empty());
    }
    EXPECT_TRUE(Log().contains("; FileNameFoto-b.tga;")) << Log().toStdString();
}

TEST_F(Unattended, FullScreenALoadErrorBoxClosesByItselfAndTheNextPictureFollows) {
    StartServer(false);
    MakeFolder();
    run.Start({QStringLiteral("/s")});
    ASSERT_TRUE(WaitUntil([&] { return ColorAt(QPoint(640, 512), before); }, 15000));
    ASSERT_TRUE(WaitUntil([&] { return TopLevelWindows().size() == 2; }, 15000)) << "no box appeared";
    EXPECT_TRUE(WaitUntil([&] { return TopLevelWindows().size() == 1; }, 12000)) << "the box stayed";
    EXPECT_TRUE(WaitUntil([&] { return ColorAt(QPoint(640, 512), after); }, 5000));
    EXPECT_TRUE(Log().contains("; FileNameFoto-b.tga;")) << Log().toStdString();
}
