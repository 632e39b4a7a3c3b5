#include "settings_dialog/UFProperty.h"
#include "controls/NSSlider.h"
#include "effects/NSSlideImage.h"
#include "platform/WindowTimer.h"
#include "settings_dialog/UFChangeDir.h"
#include "slideshow/ProcessState.h"
#include "tests/support/QtApp.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

TEST(MSecToText, MinutesAndSecondsOfTwoDigitsAtLeast) {
    struct Row {
        int ms;
        bool verbose;
        const char* text;
    };
    const Row rows[] = {
        {15000, true, "00 Мин  и  15 Сек"},
        {300000, true, "05 Мин  и  00 Сек"},
        {1002, true, "00 Мин  и  01 Сек"},
        {1000, false, "00:01"},
        {15000, false, "00:15"},
        {999, false, "00:00"},
        {3599999, false, "59:59"},
        {6000000, false, "100:00"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(MSecToText(row.ms, row.verbose), QString::fromUtf8(row.text)) << row.ms;
    }
}

TEST(IntervalConversion, EveryWholeSecondTheSliderSpansComesBack) {
    for (int seconds = 1; seconds <= 300; ++seconds) {
        const int position = IntervalToPosition(seconds);
        ASSERT_EQ(PositionToInterval(position), seconds);
        // The label shows the seconds that OK stores.
        ASSERT_EQ(MSecToText(PositionToInterval(position) * 1000, false),
                  QStringLiteral("%1:%2")
                      .arg(seconds / 60, 2, 10, QLatin1Char('0'))
                      .arg(seconds % 60, 2, 10, QLatin1Char('0')));
    }
    EXPECT_EQ(IntervalToPosition(15), 2500);
    EXPECT_EQ(IntervalToPosition(300), 50000);
    EXPECT_EQ(PositionToInterval(167), 1);
    // 1.5 s: halves go to the even neighbour.
    EXPECT_EQ(PositionToInterval(250), 2);
    EXPECT_EQ(IntervalToPosition(2147483647), 2147483647);
    EXPECT_EQ(IntervalToPosition(-2147483647 - 1), -2147483647 - 1);
}

namespace {

class SettingsDialog : public testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        BasePath = config.Config() + QLatin1Char('/');
        QDir().mkpath(config.Config());
        ShowEffects = {QStringLiteral("0"), QStringLiteral("5")};
        HideEffects = {QStringLiteral("12")};
        PictureList.clear();
        SettingsMode = false;
        FotoDir = folder.path();
    }

    void TearDown() override {
        dialog.reset();
        PictureList.clear();
        ShowEffects.clear();
        HideEffects.clear();
    }

    void StoreSettings(const QByteArray& lines) { WriteFileBytes(IniPath(), "[General]\r\n" + lines); }

    void Create() {
        dialog = std::make_unique<TFProperty>();
        dialog->resize(433, 525);
    }

    QString IniPath() const { return config.Config() + QStringLiteral("/ssAmbrelle.ini"); }
    QString ConfigFile(const char* name) const {
        return config.Config() + QLatin1Char('/') + QLatin1String(name);
    }

    QStringList CheckedItems() const {
        QStringList checked;
        for (int i = 0; i < dialog->CheckListBox1->count(); ++i) {
            if (dialog->CheckListBox1->item(i)->checkState() == Qt::Checked) {
                checked.append(QString::number(i));
            }
        }
        return checked;
    }

    void Toggle(int item) {
        QListWidgetItem* entry = dialog->CheckListBox1->item(item);
        entry->setCheckState(entry->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }

    // Presses the folder button and, once the chooser is up, runs choose on it.
    void ChooseFolder(const std::function<void(TFChangeDir&)>& choose) {
        QTimer::singleShot(0, [choose] {
            ASSERT_NE(FChangeDir, nullptr);
            choose(*FChangeDir);
        });
        dialog->ChFolderPic->click();
    }

    TempConfigHome config;
    QTemporaryDir folder;
    std::unique_ptr<TFProperty> dialog;
};

void AddPicture(const QTemporaryDir& where, const char* name) {
    QImage image(30, 20, QImage::Format_RGB888);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(where.filePath(QLatin1String(name)), "BMP"));
}

bool ShowsRedText(QWidget& label) {
    const QImage image = label.grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == QColor(Qt::red)) {
                return true;
            }
        }
    }
    return false;
}

// Opens the tree down to path, which lies below the file-system root, and selects it.
void SelectFolder(TFChangeDir& chooser, const QString& path) {
    QTreeWidgetItem* item = chooser.ShellTreeView1->topLevelItem(1);
    for (const QString& step : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        chooser.ListSubfolders(item);
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < item->childCount(); ++i) {
            if (item->child(i)->text(0) == step) {
                next = item->child(i);
            }
        }
        ASSERT_NE(next, nullptr) << step.toStdString();
        item = next;
    }
    chooser.ShellTreeView1->setCurrentItem(item);
}

} // namespace

TEST_F(SettingsDialog, StoredValuesSetTheSlidersLabelsAndWhatOkStores) {
    struct Row {
        QByteArray stored;
        int interval;
        const char* intervalText;
        int delay;
        int storedInterval;
    };
    const Row rows[] = {
        {"", 2500, "00 Мин  и  15 Сек", 1, 15},
        {"TimerInterval=7\r\n", 1167, "00 Мин  и  07 Сек", 1, 7},
        {"TimerInterval=0\r\n", 167, "00 Мин  и  01 Сек", 1, 1},
        {"TimerInterval=301\r\n", 50000, "05 Мин  и  00 Сек", 1, 300},
        {"TimerInterval=3000000\r\n", 50000, "05 Мин  и  00 Сек", 1, 300},
        {"TimerDelay=500\r\n", 2500, "00 Мин  и  15 Сек", 100, 15},
        {"TimerDelay=0\r\n", 2500, "00 Мин  и  15 Сек", 1, 15},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stored.toStdString());
        StoreSettings(row.stored);
        Create();
        EXPECT_TRUE(SettingsMode);
        EXPECT_EQ(dialog->NSSlider1->Position(), row.interval);
        EXPECT_EQ(dialog->Label3->text(), QString::fromUtf8(row.intervalText));
        EXPECT_EQ(dialog->NSSlider2->Position(), row.delay);
        EXPECT_EQ(dialog->NSSlideImage1->TimerDelay(), row.delay);
        EXPECT_EQ(dialog->Label8->text(), QStringLiteral("%1 МиллиСек").arg(row.delay));
        // The stored 15 s is the slider's own starting position: no change, and the preview holds 1 s.
        EXPECT_EQ(dialog->HideTimer->Interval(), row.interval == 2500 ? 1000 : 6 * row.interval);
        QFile::remove(IniPath());
        dialog->BOk->click();
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(ReadFileBytes(IniPath()),
                  QStringLiteral("[General]\r\nTimerInterval=%1\r\nTimerDelay=%2\r\nFotoDir=%3\r\n")
                      .arg(row.storedInterval)
                      .arg(row.delay)
                      .arg(folder.path())
                      .toUtf8());
        EXPECT_EQ(TimerInterval, row.storedInterval);
        dialog.reset();
    }
}

TEST_F(SettingsDialog, SliderMovesChangeTheLabelsTheHoldTimeAndTheEffectSpeed) {
    Create();
    dialog->NSSlider1->SetPosition(50000);
    EXPECT_EQ(dialog->Label3->text(), QStringLiteral("05 Мин  и  00 Сек"));
    EXPECT_EQ(dialog->HideTimer->Interval(), 300000);
    dialog->NSSlider2->SetPosition(40);
    EXPECT_EQ(dialog->Label8->text(), QStringLiteral("40 МиллиСек"));
    EXPECT_EQ(dialog->NSSlideImage1->TimerDelay(), 40);
}

TEST_F(SettingsDialog, TheRadioButtonsEditSeparateListsThroughOneCheckList) {
    Create();
    EXPECT_EQ(dialog->CheckListBox1->count(), 22);
    EXPECT_EQ(dialog->CheckListBox1->item(18)->text(), QStringLiteral("18-DobleLeftToRightAndRightToLeft"));
    EXPECT_EQ(CheckedItems(), QStringList({"0", "5"}));
    dialog->RadioButton2->click();
    EXPECT_EQ(dialog->CheckListBox1->currentRow(), 0);
    EXPECT_EQ(CheckedItems(), QStringList({"12"}));
    Toggle(3);
    Toggle(12);
    EXPECT_EQ(HideEffects, QStringList({"3"}));
    EXPECT_EQ(ShowEffects, QStringList({"0", "5"}));
    dialog->CheckListBox1->setCurrentRow(7);
    dialog->RadioButton1->click();
    EXPECT_EQ(dialog->CheckListBox1->currentRow(), 0);
    EXPECT_EQ(CheckedItems(), QStringList({"0", "5"}));
    Toggle(20);
    EXPECT_EQ(ShowEffects, QStringList({"0", "20", "5"}));
}

TEST_F(SettingsDialog, OkSavesBothListsEmptyOrWithEntriesThatAreNoItem) {
    ShowEffects = {QStringLiteral("3")};
    HideEffects = {QStringLiteral("25"), QStringLiteral("4"), QStringLiteral("x")};
    Create();
    Toggle(3);
    dialog->RadioButton2->click();
    Toggle(4);
    Toggle(1);
    dialog->BOk->click();
    EXPECT_EQ(ReadFileBytes(ConfigFile("ssShowEffects.Dat")), QByteArray());
    EXPECT_TRUE(QFileInfo::exists(ConfigFile("ssShowEffects.Dat")));
    EXPECT_EQ(ReadFileBytes(ConfigFile("ssHideEffects.Dat")), QByteArray("1\r\n25\r\nx\r\n"));
}

TEST_F(SettingsDialog, CancelAndClosingStoreNothing) {
    AddPicture(folder, "a.bmp");
    StoreSettings("TimerInterval=7\r\n");
    const QByteArray before = ReadFileBytes(IniPath());
    for (const auto& leave : {std::function<void()>([&] { dialog->BCancel->click(); }),
                              std::function<void()>([&] { dialog->close(); })}) {
        Create();
        dialog->NSSlider1->SetPosition(9000);
        Toggle(9);
        leave();
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        EXPECT_EQ(ReadFileBytes(IniPath()), before);
        EXPECT_FALSE(QFileInfo::exists(ConfigFile("ssShowEffects.Dat")));
        EXPECT_FALSE(QFileInfo::exists(ConfigFile("ssHideEffects.Dat")));
        dialog.reset();
    }
}

TEST_F(SettingsDialog, AFolderWithoutPicturesIsReportedInRedAndAChoiceWithPicturesClearsIt) {
    Create();
    EXPECT_EQ(dialog->Label12->text(), QStringLiteral("В этой папке изображения отсутствуют!!!!"));
    EXPECT_TRUE(ShowsRedText(*dialog->Label12));

    // Cancel leaves the folder, which is scanned again all the same.
    ChooseFolder([](TFChangeDir& chooser) { chooser.bCancel->click(); });
    EXPECT_EQ(dialog->FolderPic->text(), folder.path());
    EXPECT_EQ(dialog->Label12->text(), QStringLiteral("В этой папке изображения отсутствуют"));

    QTemporaryDir pictures;
    AddPicture(pictures, "a.bmp");
    ChooseFolder([&](TFChangeDir& chooser) {
        EXPECT_EQ(chooser.Label1->text(), PicturesPrompt());
        SelectFolder(chooser, pictures.path());
        chooser.BOk->click();
    });
    EXPECT_EQ(dialog->FolderPic->text(), pictures.path());
    EXPECT_EQ(dialog->FolderPic->toolTip(), pictures.path());
    EXPECT_EQ(FotoDir, pictures.path());
    EXPECT_EQ(PictureList, QStringList({"a.bmp"}));
    EXPECT_EQ(dialog->Label12->text(), QString());
    EXPECT_TRUE(dialog->ShowTimer->Enabled());
}

TEST_F(SettingsDialog, ThePreviewWalksTheFolderAndAlternatesShowAndHide) {
    AddPicture(folder, "a.bmp");
    AddPicture(folder, "b.bmp");
    ShowEffects.clear();
    HideEffects.clear();
    Create();
    ASSERT_EQ(PictureList.size(), 2);
    EXPECT_EQ(NFoto, 0);
    EXPECT_TRUE(dialog->ShowTimer->Enabled());
    dialog->ShowTimerTimer(dialog->ShowTimer);
    // Without effects the picture is up at once and the hold begins.
    EXPECT_EQ(NFoto, 1);
    EXPECT_FALSE(dialog->ShowTimer->Enabled());
    EXPECT_TRUE(dialog->HideTimer->Enabled());
    EXPECT_FALSE(dialog->NSSlideImage1->HideMode());
    // The end of the hide brings the next picture, from the first again.
    dialog->HideTimerTimer(dialog->HideTimer);
    EXPECT_EQ(NFoto, 0);
    EXPECT_TRUE(dialog->HideTimer->Enabled());
}

TEST_F(SettingsDialog, APassOverPicturesThatShowNothingStopsThePreview) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        WriteFileBytes(folder.filePath(QLatin1String(name)), "not a picture");
    }
    Create();
    dialog->ShowTimerTimer(dialog->ShowTimer);
    // The refused pictures follow one another from the message loop until a whole pass is done.
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(NFoto, 0);
    EXPECT_FALSE(dialog->ShowTimer->Enabled());
    EXPECT_FALSE(dialog->HideTimer->Enabled());
    EXPECT_FALSE(dialog->NSSlideImage1->Running());
}

TEST_F(SettingsDialog, ABrokenEffectListHaltsThePreviewSilently) {
    AddPicture(folder, "a.bmp");
    ShowEffects = {QStringLiteral("x")};
    Create();
    dialog->ShowTimerTimer(dialog->ShowTimer);
    EXPECT_FALSE(dialog->ShowTimer->Enabled());
    EXPECT_FALSE(dialog->HideTimer->Enabled());
    EXPECT_FALSE(dialog->NSSlideImage1->Running());
}

TEST_F(SettingsDialog, TheListHintNamesTheItemUnderThePointer) {
    Create();
    const QRect item3 = dialog->CheckListBox1->visualItemRect(dialog->CheckListBox1->item(3));
    const QRect item0 = dialog->CheckListBox1->visualItemRect(dialog->CheckListBox1->item(0));
    dialog->CheckListBox1MouseMove(dialog->CheckListBox1, {}, item0.center().x(), item0.center().y());
    EXPECT_EQ(dialog->CheckListBox1->toolTip(), QString());
    dialog->CheckListBox1MouseMove(dialog->CheckListBox1, {}, item3.center().x(), item3.center().y());
    EXPECT_EQ(dialog->FLastHintIndex, 3);
    EXPECT_EQ(dialog->CheckListBox1->toolTip(), QStringLiteral("03-DownToUp"));
    dialog->CheckListBox1MouseMove(dialog->CheckListBox1, {}, -5, 4);
    EXPECT_EQ(dialog->FLastHintIndex, -1);
    EXPECT_EQ(dialog->CheckListBox1->toolTip(), QString());
}

TEST(FolderChooser, PromptsAndTheTreeOfFolders) {
    EnsureApplication();
    QTemporaryDir root;
    for (const char* name : {"b", "A", "c"}) {
        QDir(root.path()).mkdir(QLatin1String(name));
    }
    WriteFileBytes(root.filePath(QStringLiteral("file.jpg")), "x");
    TFChangeDir chooser;
    chooser.show();
    EXPECT_EQ(chooser.Label1->text(), MusicPrompt());
    EXPECT_EQ(chooser.SelectedPath(), QString());
    ASSERT_EQ(chooser.ShellTreeView1->topLevelItemCount(), 2);
    EXPECT_EQ(chooser.ShellTreeView1->topLevelItem(1)->text(0), QStringLiteral("/"));
    SelectFolder(chooser, root.path());
    QTreeWidgetItem* item = chooser.ShellTreeView1->currentItem();
    chooser.ListSubfolders(item);
    ASSERT_EQ(item->childCount(), 3);
    EXPECT_EQ(item->child(0)->text(0), QStringLiteral("A"));
    EXPECT_EQ(item->child(2)->text(0), QStringLiteral("c"));
    chooser.ShellTreeView1->setCurrentItem(item->child(1));
    EXPECT_EQ(chooser.SelectedPath(), root.filePath(QStringLiteral("b")));
}
