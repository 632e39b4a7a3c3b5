#include "tests/support/ProgramRun.h"
#include "tests/support/Screen.h"
#include "tests/support/TestSupport.h"
#include "tests/support/X11Helpers.h"

#include <QDir>
#include <QImage>

#include <vector>

#include <gtest/gtest.h>

namespace {

const QColor PictureRed(220, 30, 30);

// The real program on a private X server, with its own config and home folders.
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

    // The program's window of that size once it is up, given the input focus.
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
        const TX11Test::TWindow dialog = WaitForWindow(QSize(433, 545));
        origin = dialog != 0 ? x.Geometry(dialog).topLeft() : QPoint();
        return dialog;
    }

    QImage Shot() { return GrabScreen(server.Name()); }
    QColor At(const QImage& shot, int x, int y) const { return shot.pixelColor(origin + QPoint(x, y)); }
    QImage Part(const QImage& shot, const QRect& r) const { return shot.copy(r.translated(origin)); }

    // The red picture fitted into the preview (205 x 197 at 210, 82): 205 x 136, 30 pixels down.
    bool PreviewShowsThePicture(const QImage& shot) const {
        const QRect fitted(210, 82 + 30, 205, 136);
        return SameColor(At(shot, fitted.left() + 2, fitted.top() + 2), PictureRed) &&
               SameColor(At(shot, fitted.right() - 2, fitted.bottom() - 2), PictureRed) &&
               !SameColor(At(shot, fitted.center().x(), fitted.top() - 4), PictureRed);
    }

    // Red text under the folder field.
    bool NoPicturesMessageShown(const QImage& shot) const {
        const QImage message = Part(shot, QRect(7, 493, 330, 20));
        for (int i = 0; i < message.width() * message.height(); ++i) {
            if (SameColor(message.pixelColor(i % message.width(), i / message.width()), Qt::red, 60)) {
                return true;
            }
        }
        return false;
    }

    bool Xdo(const QStringList& arguments) { return XdoTool(arguments, server.Name()); }
    bool Key(const QString& key) { return Xdo({QStringLiteral("key"), key}); }
    bool Click(QPoint at) {
        return Xdo({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                    QStringLiteral("click"), QStringLiteral("1")});
    }

    TPrivateXServer server;
    TX11Test x{server.Name()};
    QTemporaryDir home;
    QString pictures;
    ProgramRun run;
    QPoint origin;
};

} // namespace

TEST_F(SettingsDialog, ShowsItsControlsAndAPictureAndOkStoresWhatTheShowThenUses) {
    UseFolder(pictures);
    // Without arguments the dialog opens as well, and Esc stores nothing.
    run.Start({});
    ASSERT_NE(WaitForDialog(), 0u);
    ASSERT_TRUE(Key(QStringLiteral("Escape")));
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(run.Process().exitCode(), 0);
    EXPECT_EQ(ReadFileBytes(run.ConfigFile(QStringLiteral("ssShowEffects.Dat"))), QByteArray("5\r\n3\r\n"));

    run.Start({QStringLiteral("/c")});
    ASSERT_NE(WaitForDialog(), 0u);
    EXPECT_EQ(origin, QPoint(423, 239)); // centred
    QImage shot;
    ASSERT_TRUE(WaitFor([&] { return PreviewShowsThePicture(shot = Shot()); }, 8000));
    const QColor face = At(shot, 420, 10);
    // White check-list rows, panel faces, no message under the folder field.
    EXPECT_TRUE(SameColor(At(shot, 150, 154), Qt::white, 8));
    EXPECT_FALSE(SameColor(At(shot, 150, 154), face, 4));
    EXPECT_TRUE(SameColor(At(shot, 390, 340), face, 4));
    EXPECT_TRUE(SameColor(At(shot, 100, 530), face, 4));
    EXPECT_FALSE(NoPicturesMessageShown(shot));

    const QRect label3(10, 296 + 35, 401, 17);
    const QImage before = Part(shot, label3);
    // The interval slider has the focus: two line steps of 996 ms from 15 s.
    ASSERT_TRUE(Key(QStringLiteral("Right")));
    ASSERT_TRUE(Key(QStringLiteral("Right")));
    EXPECT_TRUE(WaitFor([&] { return Part(Shot(), label3) != before; }));
    ASSERT_TRUE(Key(QStringLiteral("Return")));
    ASSERT_TRUE(run.WaitForExit());
    const QByteArray ini = ReadFileBytes(run.ConfigFile(QStringLiteral("ssAmbrelle.ini")));
    for (const QByteArray& line :
         {QByteArray("TimerInterval=17"), QByteArray("TimerDelay=1"), "FotoDir=" + pictures.toUtf8()}) {
        EXPECT_TRUE(ini.contains(line + "\r\n")) << ini.toStdString();
    }
    EXPECT_EQ(ReadFileBytes(run.ConfigFile(QStringLiteral("ssShowEffects.Dat"))), QByteArray("3\r\n5\r\n"));
    EXPECT_EQ(ReadFileBytes(run.ConfigFile(QStringLiteral("ssHideEffects.Dat"))), QByteArray());

    // The show runs over the stored folder and keeps the stored display time.
    run.WriteEffectLists("", "");
    run.Start({QStringLiteral("/s")});
    EXPECT_TRUE(WaitFor([&] { return SameColor(Shot().pixelColor(x.ScreenRect().center()), PictureRed); }));
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
    ASSERT_TRUE(Click(origin + QPoint(340 + 37, 448 + 12))); // the folder button
    const TX11Test::TWindow chooser = WaitForWindow(QSize(291, 299));
    ASSERT_NE(chooser, 0u);
    // The tree's first row is the home folder: select it, open it, go down to "pics", OK.
    ASSERT_TRUE(Click(x.Geometry(chooser).topLeft() + QPoint(60, 56 + 10)));
    ASSERT_TRUE(Key(QStringLiteral("Right")));
    ASSERT_TRUE(Key(QStringLiteral("Down")));
    ASSERT_TRUE(Key(QStringLiteral("Return")));
    QImage shot;
    EXPECT_TRUE(WaitFor([&] { return PreviewShowsThePicture(shot = Shot()); }, 8000));
    EXPECT_FALSE(NoPicturesMessageShown(shot));
    run.Kill();
}

TEST_F(SettingsDialog, SpeaksEnglishToAnEnglishLocaleAndRussianToARussianOrTheCLocale) {
    const QString russianTitle = QStringLiteral("Параметры заставки \"Ambrelle\"");
    struct Row {
        const char* lang;
        QString title;
    };
    const Row rows[] = {{"en_US.UTF-8", QStringLiteral("Ambrelle screen saver settings")},
                        {"ru_RU.UTF-8", russianTitle},
                        {"C", russianTitle}};
    // Where the dialog's texts stand, clear of the preview, the sliders and the folder's path: header,
    // "Effects:", the radio buttons, the slider captions, their end labels and values, the folder caption
    // and button.
    const QRect texts[] = {{88, 20, 330, 26}, {8, 72, 180, 14},   {12, 96, 170, 17},  {8, 280, 400, 15},
                           {10, 312, 31, 14}, {380, 309, 36, 14}, {10, 331, 401, 17}, {8, 354, 400, 15},
                           {10, 386, 31, 14}, {380, 383, 36, 14}, {10, 405, 401, 17}, {16, 432, 320, 15},
                           {340, 448, 75, 25}};
    UseFolder(pictures);
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"}) {
        run.Environment().remove(QLatin1String(variable));
    }
    std::vector<std::vector<QImage>> shown;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.lang);
        run.Environment().insert(QStringLiteral("LANG"), QLatin1String(row.lang));
        run.Start({QStringLiteral("/c")});
        const TX11Test::TWindow dialog = WaitForDialog();
        ASSERT_NE(dialog, 0u);
        EXPECT_EQ(x.Text(dialog, "_NET_WM_NAME"), row.title);
        // The preview's first picture: the dialog is up and drawn.
        QImage shot;
        ASSERT_TRUE(WaitFor([&] { return PreviewShowsThePicture(shot = Shot()); }, 8000));
        std::vector<QImage>& parts = shown.emplace_back();
        for (const QRect& text : texts) {
            parts.push_back(Part(shot, text));
        }
        run.Kill();
    }
    const std::vector<QImage>& english = shown[0];
    const std::vector<QImage>& russian = shown[1];
    const std::vector<QImage>& c = shown[2];
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NE(english[i], russian[i]);
        EXPECT_EQ(c[i], russian[i]);
    }
}
