#include "tests/support/ProgramRun.h"
#include "tests/support/Screen.h"
#include "tests/support/TestSupport.h"
#include "tests/support/X11Helpers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <optional>

namespace {

struct Picture {
    QString name;
    QSize size;
    QColor color;
};

// The fitted rectangle of a picture on the screen: the larger scale that fits both sides, truncated
// sizes, centred with truncating division.
QRect FittedRect(QSize picture, QSize screen) {
    const double sx = double(screen.width()) / picture.width();
    const double sy = double(screen.height()) / picture.height();
    const double s = sx < sy ? sx : sy;
    const int w = int(picture.width() * s);
    const int h = int(picture.height() * s);
    return QRect((screen.width() - w) / 2, (screen.height() - h) / 2, w, h);
}

class SlideShow : public testing::Test {
protected:
    void SetUp() override {
        const QImage probe = GrabScreen();
        ASSERT_FALSE(probe.isNull()) << "no X server to take screenshots of";
        screen = probe.size();
    }

    // name may lie in a subfolder, which is made.
    void AddPicture(const QString& name, QSize size, QColor color) {
        QImage image(size, QImage::Format_RGB888);
        image.fill(color);
        QDir(folder.path()).mkpath(QFileInfo(folder.filePath(name)).path());
        ASSERT_TRUE(image.save(folder.filePath(name), "BMP"));
        pictures.push_back({name, size, color});
    }

    // The names of the folder in name order (letter case aside), as the screen saver walks them.
    QStringList ListingOrder() const {
        QStringList names =
            QDir(folder.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDir::Name | QDir::IgnoreCase);
        names.removeIf([](const QString& n) {
            return !n.endsWith(QStringLiteral(".bmp")) && !n.endsWith(QStringLiteral(".jpg"));
        });
        return names;
    }

    void Configure(int nFoto, int timerInterval, const QStringList& more = {}) {
        run.WriteSettings(QStringList{QStringLiteral("NFoto=%1").arg(nFoto),
                                      QStringLiteral("TimerInterval=%1").arg(timerInterval),
                                      QStringLiteral("FotoDir=") + folder.path() + QLatin1Char('/')} +
                          more);
    }

    // Which picture fills the screen: the one whose colour covers its fitted rectangle while the margins
    // are black. Nothing when the screen shows no whole picture (black, or a transition under way).
    std::optional<QString> PictureOnScreen(const QImage& shot) const {
        for (const Picture& p : pictures) {
            const QRect r = FittedRect(p.size, screen);
            const QPoint inside[] = {r.center(), r.topLeft() + QPoint(3, 3), r.bottomRight() - QPoint(3, 3),
                                     QPoint(r.left() + 3, r.bottom() - 3),
                                     QPoint(r.right() - 3, r.top() + 3)};
            bool all = true;
            for (const QPoint& at : inside) {
                all = all && SameColor(shot.pixelColor(at), p.color);
            }
            if (!all) {
                continue;
            }
            const QPoint outside[] = {
                QPoint(r.left() - 3, r.center().y()), QPoint(r.right() + 3, r.center().y()),
                QPoint(r.center().x(), r.top() - 3), QPoint(r.center().x(), r.bottom() + 3)};
            for (const QPoint& at : outside) {
                if (QRect(QPoint(0, 0), screen).contains(at) && !SameColor(shot.pixelColor(at), Qt::black)) {
                    all = false;
                }
            }
            if (all) {
                return p.name;
            }
        }
        return std::nullopt;
    }

    // The pictures as they follow one another on the screen, until count of them have been seen.
    QStringList WatchSequence(int count, int milliseconds) {
        QStringList seen;
        QElapsedTimer clock;
        clock.start();
        while (seen.size() < count && clock.elapsed() < milliseconds && run.Running()) {
            const auto now = PictureOnScreen(GrabScreen());
            if (now && (seen.isEmpty() || seen.last() != *now)) {
                seen.append(*now);
            }
        }
        return seen;
    }

    QTemporaryDir folder;
    std::vector<Picture> pictures;
    ProgramRun run;
    QSize screen;
};

} // namespace

TEST_F(SlideShow, FirstPictureIsFittedAndCentredAboutOneSecondAfterTheWindowAppears) {
    AddPicture(QStringLiteral("wide.bmp"), QSize(300, 200), QColor(220, 30, 30));
    Configure(0, 0);
    run.WriteEffectLists("", "");
    QElapsedTimer clock;
    run.Start();
    clock.start();
    const bool black = WaitFor([&] {
        const QImage shot = GrabScreen();
        return SameColor(shot.pixelColor(shot.rect().center()), Qt::black, 0) && !PictureOnScreen(shot);
    });
    ASSERT_TRUE(black);
    std::optional<QString> seen;
    ASSERT_TRUE(WaitFor([&] { return (seen = PictureOnScreen(GrabScreen())).has_value(); }, 8000));
    EXPECT_EQ(*seen, QStringLiteral("wide.bmp"));
    EXPECT_GE(clock.elapsed(), 900);
    // A display time of 0 never ends: the picture stays.
    QThread::msleep(2500);
    EXPECT_EQ(PictureOnScreen(GrabScreen()).value_or(QString()), QStringLiteral("wide.bmp"));
    EXPECT_TRUE(run.Running());
}

TEST_F(SlideShow, PicturesFollowTheListingFromTheStoredPositionWithoutTransitions) {
    AddPicture(QStringLiteral("a.bmp"), QSize(300, 200), QColor(220, 30, 30));
    AddPicture(QStringLiteral("b.bmp"), QSize(200, 300), QColor(30, 200, 30));
    AddPicture(QStringLiteral("c.bmp"), QSize(400, 100), QColor(40, 40, 230));
    const QStringList order = ListingOrder();
    ASSERT_EQ(order.size(), 3);
    Configure(1, 1);
    run.WriteEffectLists("", "");
    run.Start();
    const QStringList seen = WatchSequence(4, 20000);
    EXPECT_EQ(seen, (QStringList{order[2], order[0], order[1], order[2]}));
}

TEST_F(SlideShow, ARelativeFolderIsTheFolderOfThatNameWhereTheShowStarted) {
    AddPicture(QStringLiteral("a.bmp"), QSize(300, 200), QColor(220, 30, 30));
    AddPicture(QStringLiteral("b.bmp"), QSize(200, 300), QColor(30, 200, 30));
    const QFileInfo top(folder.path());
    run.WriteSettings({QStringLiteral("NFoto=1"), QStringLiteral("TimerInterval=1"),
                       QStringLiteral("FotoDir=") + top.fileName()});
    run.WriteEffectLists("", "");
    run.WorkingFolder = top.path();
    run.Start();
    EXPECT_EQ(WatchSequence(2, 15000), (QStringList{QStringLiteral("a.bmp"), QStringLiteral("b.bmp")}));
}

TEST_F(SlideShow, AKeyEndsTheShowAndThePositionIsStored) {
    AddPicture(QStringLiteral("a.bmp"), QSize(64, 48), QColor(220, 30, 30));
    AddPicture(QStringLiteral("b.bmp"), QSize(48, 64), QColor(30, 200, 30));
    Configure(5, 0);
    run.WriteEffectLists("", "");
    run.Start();
    ASSERT_TRUE(WaitFor([&] { return PictureOnScreen(GrabScreen()).has_value(); }, 15000));
    ASSERT_TRUE(PressKey(QStringLiteral("q")));
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(run.Process().exitCode(), 0);
    const QByteArray ini = ReadFileBytes(run.ConfigFile(QStringLiteral("ssAmbrelle.ini")));
    EXPECT_TRUE(ini.contains("NFoto=0\r\n")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("TimerInterval=0\r\n")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("FotoDir=")) << ini.toStdString();
}

TEST_F(SlideShow, APictureThatCannotBeOpenedIsLoggedAndTheShowGoesOn) {
    AddPicture(QStringLiteral("a.bmp"), QSize(300, 200), QColor(220, 30, 30));
    ASSERT_TRUE(QFile::link(folder.filePath(QStringLiteral("missing-target")),
                            folder.filePath(QStringLiteral("broken.bmp"))));
    const QStringList order = ListingOrder();
    ASSERT_EQ(order.size(), 2);
    // The position before the broken picture, so that it comes first; a display time of 0 then keeps
    // the good picture on screen for good.
    Configure(int(order.indexOf(QStringLiteral("broken.bmp"))) - 1, 0);
    run.WriteEffectLists("", "");
    run.Start();
    const QString log = run.ConfigFile(QStringLiteral("Error.dat"));
    ASSERT_TRUE(WaitFor([&] { return !ReadFileBytes(log).isEmpty(); }, 15000));
    const QByteArray record = ReadFileBytes(log);
    const QRegularExpression format(
        QStringLiteral("^Date-[^;]+;  ErrorSTR-Cannot open file \"[^\"]*/broken\\.bmp\"\\. [^;]+; "
                       "FileNameFoto-broken\\.bmp; "
                       "NShow-0; NHide-0\\r\\n$"));
    EXPECT_TRUE(format.match(QString::fromUtf8(record)).hasMatch()) << record.toStdString();
    // The message box holds the show until it is closed; then the next picture follows.
    // (Return is a key that also ends the show, so it is pressed once, when the box is up.)
    ASSERT_TRUE(WaitFor([&] {
        const QImage shot = GrabScreen();
        return !SameColor(shot.pixelColor(shot.rect().center()), Qt::black);
    }));
    EXPECT_FALSE(PictureOnScreen(GrabScreen()).has_value());
    ASSERT_TRUE(PressKey(QStringLiteral("Return")));
    ASSERT_TRUE(WaitFor([&] { return PictureOnScreen(GrabScreen()).has_value(); }));
    EXPECT_EQ(ReadFileBytes(log), record);
    EXPECT_TRUE(run.Running());
}

TEST_F(SlideShow, AJpegNameWithoutAJpegInsideIsPassedOverWithoutARecord) {
    AddPicture(QStringLiteral("a.bmp"), QSize(300, 200), QColor(220, 30, 30));
    WriteFileBytes(folder.filePath(QStringLiteral("text.jpg")), "this is not a picture");
    const QStringList order = ListingOrder();
    ASSERT_EQ(order.size(), 2);
    Configure(int(order.indexOf(QStringLiteral("text.jpg"))) - 1, 0);
    run.WriteEffectLists("", "");
    run.Start();
    ASSERT_TRUE(WaitFor([&] { return PictureOnScreen(GrabScreen()).has_value(); }, 15000));
    EXPECT_TRUE(QFileInfo::exists(run.ConfigFile(QStringLiteral("Error.dat"))));
    EXPECT_TRUE(ReadFileBytes(run.ConfigFile(QStringLiteral("Error.dat"))).isEmpty());
}

TEST_F(SlideShow, TransitionsBringThePictureInAndWipeItAway) {
    AddPicture(QStringLiteral("a.bmp"), QSize(300, 200), QColor(220, 30, 30));
    AddPicture(QStringLiteral("b.bmp"), QSize(200, 300), QColor(30, 200, 30));
    Configure(-1, 1);
    // A sweep in from the left and a sweep away from the right; each takes one step per column.
    run.WriteEffectLists("0\r\n", "1\r\n");
    run.Start();
    const QStringList seen = WatchSequence(2, 120000);
    ASSERT_EQ(seen.size(), 2);
    EXPECT_NE(seen[0], seen[1]);
}

TEST_F(SlideShow, OnADoubleDensityScreenAOnePixelCheckerboardShowsUnblurred) {
    // A picture of the screen's own size in device pixels fits it one to one; fitted to the logical size
    // (half of it) and enlarged, its single pixels would become blocks of four, or grey.
    QImage checkerboard(screen, QImage::Format_RGB888);
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x) {
            checkerboard.setPixelColor(x, y, (x + y) % 2 ? QColor(230, 20, 20) : QColor(250, 250, 250));
        }
    }
    ASSERT_TRUE(checkerboard.save(folder.filePath(QStringLiteral("checkerboard.bmp")), "BMP"));
    Configure(0, 0);
    run.WriteEffectLists("", "");
    run.Environment().insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    run.Start();
    const QRect probe(screen.width() / 2 - 40, screen.height() / 2 - 40, 80, 80);
    const auto shown = [&](const QImage& shot) {
        for (int y = probe.top(); y <= probe.bottom(); ++y) {
            for (int x = probe.left(); x <= probe.right(); ++x) {
                if (!SameColor(shot.pixelColor(x, y), checkerboard.pixelColor(x, y), 4)) {
                    return false;
                }
            }
        }
        return true;
    };
    QImage shot;
    EXPECT_TRUE(WaitFor([&] { return shown(shot = GrabScreen()); }, 15000))
        << "centre pixel " << qPrintable(shot.pixelColor(probe.center()).name()) << ", its right neighbour "
        << qPrintable(shot.pixelColor(probe.center() + QPoint(1, 0)).name());
    // The corners too: the picture covers the whole screen.
    for (const QPoint& corner : {QPoint(0, 0), QPoint(screen.width() - 1, screen.height() - 1)}) {
        EXPECT_TRUE(SameColor(shot.pixelColor(corner), checkerboard.pixelColor(corner), 4));
    }
}

TEST_F(SlideShow, AnEmptyFolderStartsTheSettingsCopyWhichOpensTheDialog) {
    TX11Test x;
    ASSERT_TRUE(x.Connected());
    Configure(0, 15);
    run.Start();
    std::vector<qint64> copies;
    ASSERT_TRUE(WaitFor([&] { return !(copies = SettingsCopies(run.ConfigHome())).empty(); }));
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(run.Process().exitCode(), 0);
    // The settings copy finds the same empty folder; it opens the dialog instead of handing over again.
    const auto dialogShown = [&] {
        const auto windows = x.ViewableWindowsOf(copies.front());
        return windows.size() == 1 && x.Geometry(windows.front()).size() == QSize(433, 545);
    };
    EXPECT_TRUE(WaitFor(dialogShown));
    EXPECT_EQ(SettingsCopies(run.ConfigHome()), copies);
    KillSettingsCopies(run.ConfigHome());
}

TEST_F(SlideShow, PreviewRunsTheShowInsideTheHostWindow) {
    TX11Test x;
    ASSERT_TRUE(x.Connected());
    const QRect hostRect(100, 120, 320, 240);
    const TX11Test::TWindow host = x.CreateWindow(hostRect);
    AddPicture(QStringLiteral("a.bmp"), QSize(300, 200), QColor(220, 30, 30));
    Configure(0, 0);
    run.WriteEffectLists("", "");
    run.Start({QStringLiteral("/p"), QString::number(host)});
    // Fitted into the host: 320 x 213 at a top margin of 13.
    const QRect picture(hostRect.left(), hostRect.top() + 13, 320, 213);
    const auto pictureInHost = [&] {
        const QImage shot = GrabScreen();
        return SameColor(shot.pixelColor(picture.center()), QColor(220, 30, 30)) &&
               SameColor(shot.pixelColor(picture.topLeft() + QPoint(2, 2)), QColor(220, 30, 30)) &&
               SameColor(shot.pixelColor(picture.bottomRight() - QPoint(2, 2)), QColor(220, 30, 30)) &&
               SameColor(shot.pixelColor(hostRect.left() + 160, hostRect.top() + 5), Qt::black) &&
               SameColor(shot.pixelColor(hostRect.left() + 160, hostRect.bottom() - 5), Qt::black) &&
               !SameColor(shot.pixelColor(hostRect.left() + 160, hostRect.bottom() + 20),
                          QColor(220, 30, 30));
    };
    EXPECT_TRUE(WaitFor(pictureInHost, 15000));
    x.DestroyWindow(host);
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(run.Process().exitCode(), 0);
}

TEST_F(SlideShow, WithSubfoldersOnePassShowsTheWholeTreeFolderByFolder) {
    const QSize size(300, 200);
    AddPicture(QStringLiteral("a.bmp"), size, QColor(220, 30, 30));
    AddPicture(QStringLiteral("B.bmp"), size, QColor(30, 200, 30));
    AddPicture(QStringLiteral("one/c.bmp"), size, QColor(40, 40, 230));
    AddPicture(QStringLiteral("one/two/d.bmp"), size, QColor(230, 230, 40));
    AddPicture(QStringLiteral("one/two/three/e.bmp"), size, QColor(40, 230, 230));
    AddPicture(QStringLiteral("Other/f.bmp"), size, QColor(230, 40, 230));
    AddPicture(QStringLiteral(".hidden/h.bmp"), size, QColor(250, 250, 250));
    ASSERT_TRUE(QFile::link(folder.path(), folder.filePath(QStringLiteral("one/two/loop"))));
    run.WriteEffectLists("", "");
    for (const bool subfolders : {true, false}) {
        SCOPED_TRACE(subfolders);
        Configure(-1, 1, {QStringLiteral("IncludeSubfolders=%1").arg(subfolders ? 1 : 0)});
        run.Start();
        const QStringList expected =
            subfolders
                ? QStringList{"a.bmp",       "B.bmp", "one/c.bmp", "one/two/d.bmp", "one/two/three/e.bmp",
                              "Other/f.bmp", "a.bmp"}
                : QStringList{"a.bmp", "B.bmp", "a.bmp"};
        EXPECT_EQ(WatchSequence(int(expected.size()), 40000), expected);
        run.Kill();
    }
}

TEST_F(SlideShow, ARandomPassShowsEachPictureOnceAndGoesOnAfterARestart) {
    QStringList sorted;
    for (int i = 0; i < 20; ++i) {
        sorted.append(QStringLiteral("p%1.bmp").arg(i, 2, 10, QLatin1Char('0')));
        AddPicture(sorted.last(), QSize(300, 200), QColor::fromHsv(i * 18, 255, 230));
    }
    Configure(0, 1, {QStringLiteral("Shuffle=1")});
    run.WriteEffectLists("", "");
    run.Start();
    QStringList seen = WatchSequence(7, 30000);
    ASSERT_EQ(seen.size(), 7);
    run.Process().terminate(); // SIGTERM
    ASSERT_TRUE(run.WaitForExit());
    run.Start();
    seen += WatchSequence(13, 40000);
    run.Kill();
    ASSERT_EQ(seen.size(), 20);
    QStringList shown = seen;
    shown.sort();
    EXPECT_EQ(shown, sorted) << "each picture once in the pass";
    EXPECT_NE(seen, sorted);
}
