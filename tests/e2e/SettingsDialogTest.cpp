#include "tests/support/ProgramRun.h"
#include "tests/support/Screen.h"
#include "tests/support/TestSupport.h"
#include "tests/support/X11Helpers.h"

#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

namespace {

const QColor PictureRed(220, 30, 30);

// The real program on an X server of each test's own, with a config folder and a home folder of its own.
class SettingsDialog : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(server.Name().isEmpty()) << "Xvfb did not start";
        ASSERT_TRUE(x.Connected());
        run.Environment().insert(QStringLiteral("DISPLAY"), server.Name());
        run.Environment().insert(QStringLiteral("HOME"), home.path());
        ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("pics")));
        pictures = home.filePath(QStringLiteral("pics"));
        QImage image(300, 200, QImage::Format_RGB888);
        image.fill(PictureRed);
        ASSERT_TRUE(image.save(pictures + QStringLiteral("/red.bmp"), "BMP"));
        run.WriteEffectLists("5\r\n3\r\n", "");
    }

    void UseFolder(const QString& folder) { run.WriteSettings({QStringLiteral("FotoDir=") + folder}); }

    // The program's window of that client size once it is on the screen, given the input focus.
    TX11Test::TWindow WaitForWindow(QSize size) {
        TX11Test::TWindow found = 0;
        WaitUntil([&] {
            for (const TX11Test::TWindow window : x.ViewableWindowsOf(run.Process().processId())) {
                if (x.Geometry(window).size() == size) {
                    found = window;
                }
            }
            return found != 0;
        });
        if (found != 0) {
            Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(found)});
        }
        return found;
    }

    TX11Test::TWindow WaitForDialog() {
        const TX11Test::TWindow dialog = WaitForWindow(QSize(433, 525));
        origin = dialog != 0 ? x.Geometry(dialog).topLeft() : QPoint();
        return dialog;
    }

    QImage Shot() { return GrabScreen(server.Name()); }
    QColor At(const QImage& shot, int x, int y) const { return shot.pixelColor(origin + QPoint(x, y)); }
    QImage Part(const QImage& shot, const QRect& r) const { return shot.copy(r.translated(origin)); }

    // The red picture fitted into the preview (205 x 197 at 210, 82): 205 x 136, 30 pixels down.
    bool PreviewShowsThePicture(const QImage& shot) const {
        const QRect fitted(210, 82 + 30, 205, 136);
        return SameColor(At(shot, fitted.center().x(), fitted.center().y()), PictureRed) &&
               SameColor(At(shot, fitted.left() + 2, fitted.top() + 2), PictureRed) &&
               SameColor(At(shot, fitted.right() - 2, fitted.bottom() - 2), PictureRed) &&
               !SameColor(At(shot, fitted.center().x(), fitted.top() - 4), PictureRed) &&
               !SameColor(At(shot, fitted.center().x(), fitted.bottom() + 4), PictureRed);
    }

    // Red text under the folder field.
    bool NoPicturesMessageShown(const QImage& shot) const {
        const QImage message = Part(shot, QRect(7, 473, 330, 20));
        for (int y = 0; y < message.height(); ++y) {
            for (int x = 0; x < message.width(); ++x) {
                if (SameColor(message.pixelColor(x, y), Qt::red, 60)) {
                    return true;
                }
            }
        }
        return false;
    }

    bool Xdo(const QStringList& arguments) { return XdoTool(arguments, server.Name()); }
    bool Key(const QString& key) { return Xdo({QStringLiteral("key"), key}); }

    TPrivateXServer server;
    TX11Test x{server.Name()};
    QTemporaryDir home;
    QString pictures;
    ProgramRun run;
    QPoint origin;
};

} // namespace

TEST_F(SettingsDialog, OpensWithItsControlsInPlaceAndThePreviewShowsAPicture) {
    UseFolder(pictures);
    for (const QStringList& arguments : {QStringList{QStringLiteral("/c")}, QStringList{}}) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        run.Start(arguments);
        const TX11Test::TWindow dialog = WaitForDialog();
        ASSERT_NE(dialog, 0u);
        // Centred on the 1280 x 1024 screen.
        EXPECT_EQ(origin, QPoint(423, 249));
        QImage shot;
        ASSERT_TRUE(WaitFor([&] { return PreviewShowsThePicture(shot = Shot()); }, 8000));
        const QColor face = At(shot, 420, 10);
        // The check list's white rows right of the short names, the face of the slider panels and of the
        // button panel, and no message under the folder field.
        EXPECT_TRUE(SameColor(At(shot, 150, 154), Qt::white, 8));
        EXPECT_FALSE(SameColor(At(shot, 150, 154), face, 4));
        EXPECT_TRUE(SameColor(At(shot, 390, 340), face, 4));
        EXPECT_TRUE(SameColor(At(shot, 100, 510), face, 4));
        EXPECT_FALSE(NoPicturesMessageShown(shot));
        ASSERT_TRUE(Key(QStringLiteral("Escape")));
        ASSERT_TRUE(run.WaitForExit());
        EXPECT_EQ(run.Process().exitCode(), 0);
    }
    // Esc stores nothing of the dialog's own.
    EXPECT_EQ(ReadFileBytes(run.ConfigFile(QStringLiteral("ssShowEffects.Dat"))), QByteArray("5\r\n3\r\n"));
}

TEST_F(SettingsDialog, KeysMoveTheIntervalAndOkStoresWhatTheShowThenUses) {
    UseFolder(pictures);
    run.Start({QStringLiteral("/c")});
    ASSERT_NE(WaitForDialog(), 0u);
    const QRect label3(10, 296 + 35, 401, 17);
    const QImage before = Part(Shot(), label3);
    // The interval slider has the focus: two line steps of 996 ms from 15 s.
    ASSERT_TRUE(Key(QStringLiteral("Right")));
    ASSERT_TRUE(Key(QStringLiteral("Right")));
    EXPECT_TRUE(WaitFor([&] { return Part(Shot(), label3) != before; }));
    ASSERT_TRUE(Key(QStringLiteral("Return")));
    ASSERT_TRUE(run.WaitForExit());
    const QByteArray ini = ReadFileBytes(run.ConfigFile(QStringLiteral("ssAmbrelle.ini")));
    EXPECT_TRUE(ini.contains("TimerInterval=17\r\n")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("TimerDelay=1\r\n")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("FotoDir=" + pictures.toUtf8() + "\r\n")) << ini.toStdString();
    EXPECT_EQ(ReadFileBytes(run.ConfigFile(QStringLiteral("ssShowEffects.Dat"))), QByteArray("3\r\n5\r\n"));
    EXPECT_EQ(ReadFileBytes(run.ConfigFile(QStringLiteral("ssHideEffects.Dat"))), QByteArray());

    // The show runs over the stored folder and keeps the stored display time.
    run.WriteEffectLists("", "");
    run.Start({QStringLiteral("/s")});
    const QRect screen = x.ScreenRect();
    const QPoint centre = screen.center();
    EXPECT_TRUE(WaitFor([&] { return SameColor(Shot().pixelColor(centre), PictureRed); }, 10000));
    ASSERT_TRUE(Key(QStringLiteral("q")));
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_TRUE(
        ReadFileBytes(run.ConfigFile(QStringLiteral("ssAmbrelle.ini"))).contains("TimerInterval=17\r\n"));
}

TEST_F(SettingsDialog, TheFolderButtonOpensTheChooserAndTheChosenFolderIsScanned) {
    QTemporaryDir empty;
    UseFolder(empty.path());
    run.Start({QStringLiteral("/c")});
    ASSERT_NE(WaitForDialog(), 0u);
    EXPECT_TRUE(WaitFor([&] { return NoPicturesMessageShown(Shot()); }));
    const QPoint dialog = origin;
    const QPoint button = dialog + QPoint(340 + 37, 448 + 12);
    ASSERT_TRUE(Xdo({QStringLiteral("mousemove"), QString::number(button.x()), QString::number(button.y()),
                     QStringLiteral("click"), QStringLiteral("1")}));
    const TX11Test::TWindow chooser = WaitForWindow(QSize(291, 299));
    ASSERT_NE(chooser, 0u);
    // The first row of the tree is the home folder: select it, open it, go down to "pics", OK.
    const QPoint homeRow = x.Geometry(chooser).topLeft() + QPoint(60, 56 + 10);
    ASSERT_TRUE(Xdo({QStringLiteral("mousemove"), QString::number(homeRow.x()), QString::number(homeRow.y()),
                     QStringLiteral("click"), QStringLiteral("1")}));
    ASSERT_TRUE(Key(QStringLiteral("Right")));
    ASSERT_TRUE(Key(QStringLiteral("Down")));
    ASSERT_TRUE(Key(QStringLiteral("Return")));
    origin = dialog;
    QImage shot;
    EXPECT_TRUE(WaitFor([&] { return PreviewShowsThePicture(shot = Shot()); }, 8000));
    EXPECT_FALSE(NoPicturesMessageShown(shot));
    run.Kill();
}
