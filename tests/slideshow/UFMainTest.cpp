#include "slideshow/UFMain.h"
#include "effects/NSSlideImage.h"
#include "imageio/PictureIO.h"
#include "platform/Application.h"
#include "platform/Exceptions.h"
#include "platform/WindowTimer.h"
#include "slideshow/EffectLists.h"
#include "slideshow/ProcessState.h"
#include "tests/support/QtApp.h"
#include "tests/support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

namespace {

// A slide-show window over a folder of pictures, driven by calling its handlers as the timers would.
class SlideShowWindow : public testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        BasePath = config.Config() + QLatin1Char('/');
        QDir().mkpath(config.Config());
        ShowEffects.clear();
        HideEffects.clear();
        PictureList.clear();
        SettingsMode = false;
    }

    void TearDown() override {
        window.reset();
        PictureList.clear();
    }

    void AddPicture(const QString& name, QColor color) {
        QImage image(30, 20, QImage::Format_RGB888);
        image.fill(color);
        ASSERT_TRUE(image.save(folder.filePath(name), "BMP"));
    }

    void AddFile(const QString& name, const QByteArray& bytes) {
        WriteFileBytes(folder.filePath(name), bytes);
    }

    void Create(int nFoto, int timerInterval) {
        WriteFileBytes(config.Config() + QStringLiteral("/ssAmbrelle.ini"),
                       QStringLiteral("[General]\r\nNFoto=%1\r\nTimerInterval=%2\r\nFotoDir=%3/\r\n")
                           .arg(nFoto)
                           .arg(timerInterval)
                           .arg(folder.path())
                           .toUtf8());
        window = std::make_unique<TFMain>();
        window->resize(120, 80);
        window->FormCreate();
    }

    TempConfigHome config;
    QTemporaryDir folder;
    std::unique_ptr<TFMain> window;
};

} // namespace

TEST(ChooseEffect, DrawsFromTheListOrGivesMinusOne) {
    EXPECT_EQ(ChooseEffect({}), -1);
    EXPECT_EQ(ChooseEffect({QStringLiteral("7")}), 7);
    const QStringList list{QStringLiteral("3"), QStringLiteral("12")};
    bool seen3 = false;
    bool seen12 = false;
    for (int i = 0; i < 200; ++i) {
        const int n = ChooseEffect(list);
        ASSERT_TRUE(n == 3 || n == 12);
        seen3 = seen3 || n == 3;
        seen12 = seen12 || n == 12;
    }
    EXPECT_TRUE(seen3 && seen12);
    try {
        ChooseEffect({QStringLiteral("x")});
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'x' is not a valid integer value"));
    }
}

TEST_F(SlideShowWindow, WalksThePicturesFromTheStoredPosition) {
    AddPicture(QStringLiteral("a.bmp"), Qt::red);
    AddPicture(QStringLiteral("b.bmp"), Qt::green);
    AddPicture(QStringLiteral("c.bmp"), Qt::blue);
    Create(1, 15);
    ASSERT_EQ(PictureList.size(), 3);
    EXPECT_EQ(window->HideTimer->Interval(), 15000);
    QList<int> shown;
    for (int i = 0; i < 4; ++i) {
        if (i == 0) {
            window->ShowTimerTimer(window->ShowTimer);
        } else {
            window->HideTimerTimer(window->HideTimer); // the hide ends at once and the next picture follows
        }
        shown.append(NFoto);
        // Without effects the show ends inside Execute and the display time starts.
        EXPECT_TRUE(window->HideTimer->Enabled());
        EXPECT_FALSE(window->ShowTimer->Enabled());
    }
    EXPECT_EQ(shown, (QList<int>{2, 0, 1, 2}));
    EXPECT_EQ(window->NShow(), -1);
    EXPECT_EQ(window->NHide(), -1);
}

TEST_F(SlideShowWindow, AStoredPositionOutsideTheListStartsAtTheFirstPicture) {
    AddPicture(QStringLiteral("a.bmp"), Qt::red);
    AddPicture(QStringLiteral("b.bmp"), Qt::green);
    Create(57, 15);
    window->ShowTimerTimer(window->ShowTimer);
    EXPECT_EQ(NFoto, 0);
}

TEST_F(SlideShowWindow, RefusedPicturesDoNotSpin) {
    AddFile(QStringLiteral("a.jpg"), "not a jpeg");
    AddFile(QStringLiteral("b.jpg"), "not a jpeg either");
    AddFile(QStringLiteral("c.jpg"), "nor this");
    Create(0, 15);
    window->ShowTimerTimer(window->ShowTimer);
    // One picture per pass through the message loop, not a chain inside one call.
    EXPECT_EQ(NFoto, 1);
    ASSERT_TRUE(WaitFor([&] {
        QCoreApplication::processEvents();
        return window->ShowTimer->Enabled();
    }));
    // A whole round that showed nothing: the show waits for ShowTimer before it tries again.
    EXPECT_EQ(NFoto, 0);
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(NFoto, 0);
    EXPECT_FALSE(window->HideTimer->Enabled());
}

TEST_F(SlideShowWindow, ErrorsAreLoggedShownAndTheShowGoesOn) {
    AddPicture(QStringLiteral("a.bmp"), Qt::red);
    ShowEffects = QStringList{QStringLiteral("x")};
    Create(0, 15);
    const int boxes = ClosedModalBoxes();
    CloseNextModalBox();
    RunGuarded(window->ShowTimer, [&] { window->ShowTimerTimer(window->ShowTimer); });
    EXPECT_EQ(ClosedModalBoxes(), boxes + 1);
    EXPECT_TRUE(window->ShowTimer->Enabled());
    const QByteArray log = ReadFileBytes(BasePath + QStringLiteral("Error.dat"));
    EXPECT_TRUE(log.endsWith(
        ";  ErrorSTR-'x' is not a valid integer value; FileNameFoto-a.bmp; NShow-0; NHide-0\r\n"))
        << log.toStdString();
    EXPECT_TRUE(log.startsWith("Date-"));
    EXPECT_EQ(log.count('\n'), 1);
}

TEST_F(SlideShowWindow, ThePositionIsWrittenWhenTheWindowGoes) {
    AddPicture(QStringLiteral("a.bmp"), Qt::red);
    AddPicture(QStringLiteral("b.bmp"), Qt::green);
    Create(0, 9);
    window->ShowTimerTimer(window->ShowTimer);
    window.reset();
    const QByteArray ini = ReadFileBytes(config.Config() + QStringLiteral("/ssAmbrelle.ini"));
    EXPECT_TRUE(ini.contains("NFoto=1\r\n")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("TimerInterval=9\r\n")) << ini.toStdString();
}

TEST_F(SlideShowWindow, InSettingsModeTheDialogRunsAndTheWindowStoresWhatItLeft) {
    // An empty folder: a show would hand over to a settings copy, which must not happen in settings mode.
    WriteFileBytes(config.Config() + QStringLiteral("/ssAmbrelle.ini"),
                   QStringLiteral("[General]\r\nNFoto=4\r\nTimerInterval=30\r\nFotoDir=%1/\r\n")
                       .arg(folder.path())
                       .toUtf8());
    window = std::make_unique<TFMain>();
    const int boxes = ClosedModalBoxes();
    CloseNextModalBox();
    window->ScreenSaver1PropertiesRequested(window.get());
    EXPECT_EQ(ClosedModalBoxes(), boxes + 1);
    EXPECT_TRUE(SettingsMode);
    window->FormCreate();
    EXPECT_FALSE(QFileInfo::exists(BasePath + QStringLiteral("Error.dat")));
    EXPECT_FALSE(window->ShowTimer->Enabled());
    window.reset();
    const QByteArray ini = ReadFileBytes(config.Config() + QStringLiteral("/ssAmbrelle.ini"));
    // The dialog's preview starts from the first picture again; the display time stays.
    EXPECT_TRUE(ini.contains("NFoto=0\r\n")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("TimerInterval=30\r\n")) << ini.toStdString();
}

TEST_F(SlideShowWindow, PhotosTakenSidewaysAreShownUpright) {
    // Stored 16 x 24; upright 24 x 16, blocks of red, green, blue over yellow, black, white; fills 120 x 80.
    AddFile(QStringLiteral("turned.jpg"),
            ReadFileBytes(TestDataPath(QStringLiteral("jpeg/orientation/orientation-6.jpg"))));
    Create(0, 15);
    window->NSSlideImage->resize(120, 80); // as the layout does once the window shows
    window->ShowTimerTimer(window->ShowTimer);
    const TBitmap& screen = window->NSSlideImage->Buffer();
    ASSERT_EQ(screen.Width(), 120);
    ASSERT_EQ(screen.Height(), 80);
    const QColor blocks[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::black, Qt::white};
    for (int i = 0; i < 6; ++i) {
        const std::uint8_t* p = screen.ScanLine(20 + i / 3 * 40) + (20 + i % 3 * 40) * 3;
        EXPECT_NEAR(p[2], blocks[i].red(), 2) << "block " << i;
        EXPECT_NEAR(p[1], blocks[i].green(), 2) << "block " << i;
        EXPECT_NEAR(p[0], blocks[i].blue(), 2) << "block " << i;
    }
}

TEST_F(SlideShowWindow, APictureWithALatin1NameIsShown) {
    // Latin-1 names, as an old archive has them.
    QImage picture(30, 20, QImage::Format_RGB888);
    picture.fill(Qt::green);
    QByteArray bmp;
    QBuffer buffer(&bmp);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "BMP"));
    ASSERT_TRUE(WriteStoredFile(folder.path(), "caf\xe9.bmp", bmp));
    Create(-1, 15);
    window->NSSlideImage->resize(30, 20);
    ASSERT_EQ(PictureList, QStringList{QStringLiteral("café.bmp")});
    window->ShowTimerTimer(window->ShowTimer);
    const std::uint8_t* p = window->NSSlideImage->Buffer().ScanLine(10) + 15 * 3;
    EXPECT_EQ(QColor(p[2], p[1], p[0]), QColor(Qt::green));
    RemoveStoredEntries(folder.path());
}

TEST_F(SlideShowWindow, APictureReadAheadThatFailsReportsAtItsOwnTurnUnderItsReadableName) {
    AddPicture(QStringLiteral("a.bmp"), Qt::red);
    ASSERT_TRUE(MakeStoredFolder(folder.path(), "d\xe9j\xe0.jpg")); // listed, but no file to open
    Create(-1, 15);
    const int first = PictureList.indexOf(QStringLiteral("a.bmp"));
    NFoto = first - 1;
    const int boxes = ClosedModalBoxes();
    window->ShowTimerTimer(window->ShowTimer); // a.bmp is shown; the next is read during its display time
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(ClosedModalBoxes(), boxes);
    EXPECT_TRUE(ReadFileBytes(BasePath + QStringLiteral("Error.dat")).isEmpty());
    CloseNextModalBox();
    RunGuarded(window->HideTimer, [&] { window->HideTimerTimer(window->HideTimer); });
    EXPECT_EQ(ClosedModalBoxes(), boxes + 1);
    EXPECT_EQ(PictureList[NFoto], QStringLiteral("déjà.jpg"));
    const QByteArray log = ReadFileBytes(BasePath + QStringLiteral("Error.dat"));
    EXPECT_TRUE(log.contains(";  ErrorSTR-Cannot open file \"" + folder.path().toUtf8() +
                             "//d\xc3\xa9j\xc3\xa0.jpg\". "))
        << log.toStdString();
    EXPECT_TRUE(log.contains("; FileNameFoto-d\xc3\xa9j\xc3\xa0.jpg; NShow--1; NHide--1\r\n"))
        << log.toStdString();
    EXPECT_TRUE(window->ShowTimer->Enabled()); // and the show goes on a second later
    RemoveStoredEntries(folder.path());
}
