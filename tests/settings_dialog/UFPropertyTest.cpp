#include "settings_dialog/UFProperty.h"
#include "controls/NSSlider.h"
#include "effects/NSSlideImage.h"
#include "platform/WindowTimer.h"
#include "settings_dialog/PropertyRules.h"
#include "settings_dialog/UFChangeDir.h"
#include "slideshow/ProcessState.h"
#include "tests/support/QtApp.h"
#include "tests/support/TestSupport.h"

#include <QCheckBox>
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

#include <algorithm>
#include <functional>
#include <memory>

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

    QString ConfigFile(const char* name) const { return BasePath + QLatin1String(name); }
    QString IniPath() const { return ConfigFile("ssAmbrelle.ini"); }

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
    const QImage red = label.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const auto* pixels = reinterpret_cast<const QRgb*>(red.constBits());
    return std::find(pixels, pixels + red.sizeInBytes() / 4, qRgb(255, 0, 0)) !=
           pixels + red.sizeInBytes() / 4;
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
        int interval, delay, storedInterval;
    };
    const Row rows[] = {
        {"", 2500, 1, 15},
        {"TimerInterval=7\r\n", 1167, 1, 7},
        {"TimerInterval=0\r\n", 167, 1, 1},
        {"TimerInterval=301\r\n", 50000, 1, 300},
        {"TimerInterval=3000000\r\n", 50000, 1, 300},
        {"TimerDelay=500\r\n", 2500, 100, 15},
        {"TimerDelay=0\r\n", 2500, 1, 15},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stored.toStdString());
        StoreSettings(row.stored);
        Create();
        EXPECT_EQ(dialog->NSSlider1->Position(), row.interval);
        EXPECT_EQ(dialog->Label3->text(), MSecToText(row.storedInterval * 1000, true));
        EXPECT_EQ(dialog->NSSlideImage1->TimerDelay(), row.delay);
        EXPECT_EQ(dialog->Label8->text(), QStringLiteral("%1 МиллиСек").arg(row.delay));
        // 15 s is the slider's starting position: no change event, so the preview keeps its 1 s hold.
        EXPECT_EQ(dialog->HideTimer->Interval(), row.interval == 2500 ? 1000 : 6 * row.interval);
        QFile::remove(IniPath());
        dialog->BOk->click();
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(ReadFileBytes(IniPath()),
                  QStringLiteral("[General]\r\nTimerInterval=%1\r\nTimerDelay=%2\r\nIncludeSubfolders=0\r\n"
                                 "Shuffle=0\r\nFotoDir=%3\r\n")
                      .arg(row.storedInterval)
                      .arg(row.delay)
                      .arg(folder.path())
                      .toUtf8());
        dialog.reset();
    }
}

TEST_F(SettingsDialog, TheRadioButtonsEditSeparateListsThroughOneCheckList) {
    Create();
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

    // Cancel keeps the folder but scans it again.
    ChooseFolder([](TFChangeDir& chooser) { chooser.bCancel->click(); });
    EXPECT_EQ(dialog->FolderPic->text(), folder.path());
    EXPECT_EQ(dialog->Label12->text(), QStringLiteral("В этой папке изображения отсутствуют"));

    QTemporaryDir pictures;
    AddPicture(pictures, "a.bmp");
    for (const char* name : {"b", "A", "c"}) {
        QDir(pictures.path()).mkdir(QLatin1String(name));
    }
    ChooseFolder([&](TFChangeDir& chooser) {
        EXPECT_EQ(chooser.Label1->text(), PicturesPrompt());
        SelectFolder(chooser, pictures.path());
        // Folders only, sorted regardless of case.
        QTreeWidgetItem* item = chooser.ShellTreeView1->currentItem();
        chooser.ListSubfolders(item);
        ASSERT_EQ(item->childCount(), 3);
        EXPECT_EQ(item->child(0)->text(0), QStringLiteral("A"));
        EXPECT_EQ(item->child(2)->text(0), QStringLiteral("c"));
        chooser.BOk->click();
    });
    EXPECT_EQ(dialog->FolderPic->text(), pictures.path());
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
    dialog->ShowTimerTimer(dialog->ShowTimer);
    // Without effects the picture is up at once and the hold begins.
    EXPECT_EQ(NFoto, 1);
    EXPECT_FALSE(dialog->ShowTimer->Enabled());
    EXPECT_TRUE(dialog->HideTimer->Enabled());
    // The end of the hide brings the next picture, wrapping round.
    dialog->HideTimerTimer(dialog->HideTimer);
    EXPECT_EQ(NFoto, 0);
    EXPECT_TRUE(dialog->HideTimer->Enabled());
}

TEST_F(SettingsDialog, APassOfUnreadablePicturesOrABrokenEffectListHaltsThePreview) {
    for (const bool brokenList : {false, true}) {
        SCOPED_TRACE(brokenList);
        for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
            if (brokenList) {
                AddPicture(folder, name);
            } else {
                WriteFileBytes(folder.filePath(QLatin1String(name)), "not a picture");
            }
        }
        ShowEffects = brokenList ? QStringList{QStringLiteral("x")} : QStringList();
        Create();
        dialog->ShowTimerTimer(dialog->ShowTimer);
        // Refused pictures follow one another from the message loop until a whole pass is done.
        for (int i = 0; i < 10; ++i) {
            QCoreApplication::processEvents();
        }
        EXPECT_FALSE(dialog->ShowTimer->Enabled());
        EXPECT_FALSE(dialog->HideTimer->Enabled());
        EXPECT_FALSE(dialog->NSSlideImage1->Running());
        dialog.reset();
    }
}

TEST_F(SettingsDialog, ThePictureOrderBoxesAreReadAndStoredAndTheMessageFollowsSubfolders) {
    QDir(folder.path()).mkpath(QStringLiteral("2024/trip"));
    AddPicture(folder, "2024/trip/a.bmp");
    for (const bool on : {false, true}) {
        SCOPED_TRACE(on);
        StoreSettings(on ? "IncludeSubfolders=1\r\nShuffle=1\r\n" : "");
        Create();
        EXPECT_EQ(dialog->SubfoldersBox->isChecked(), on);
        EXPECT_EQ(dialog->ShuffleBox->isChecked(), on);
        EXPECT_EQ(dialog->Label12->text().isEmpty(), on);
        EXPECT_EQ(PictureList, on ? QStringList({"2024/trip/a.bmp"}) : QStringList());
        // The other way round by a click, and that is what OK stores.
        dialog->SubfoldersBox->click();
        dialog->ShuffleBox->click();
        EXPECT_EQ(dialog->Label12->text().isEmpty(), !on);
        dialog->BOk->click();
        const QByteArray ini = ReadFileBytes(IniPath());
        EXPECT_TRUE(ini.contains(on ? "IncludeSubfolders=0\r\nShuffle=0\r\n"
                                    : "IncludeSubfolders=1\r\nShuffle=1\r\n"))
            << ini.toStdString();
        dialog.reset();
    }
}
