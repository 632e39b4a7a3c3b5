#pragma once

#include "slideshow/RefusedPictures.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QWidget;
class TNSSlider;
class TNSSlideImage;
class TPictureAhead;
class TTimer;

// ---- Rules of the dialog that need no widget ----------------------------------------------------------

// Milliseconds as minutes and seconds, each at least two digits: "00 Мин  и  15 Сек" when verbose,
// "00:15" otherwise. Parts of a second are dropped.
QString MSecToText(int milliseconds, bool verbose);

// The interval slider's position p stands for 6 * p milliseconds. Both conversions round (halves to even),
// so every whole number of seconds the slider can show comes back unchanged when the dialog is opened and
// closed again. Values beyond the integer range saturate; the slider clamps them.
int IntervalToPosition(int seconds);
int PositionToInterval(int position);

// The names of the 22 effects, item i standing for effect number i.
const QStringList& EffectNames();

// Checks or unchecks effect number i in an effect list: appends its decimal text, or deletes the entry
// found for it; then sorts the list in text order. Entries that are no effect number stay.
void SetEffectEnabled(QStringList& list, int effect, bool enabled);
// Whether the decimal text of effect number i is in the sorted list.
bool EffectEnabled(const QStringList& sorted, int effect);

// The messages under the folder field for a folder without pictures.
QString NoPicturesAtStartText();
QString NoPicturesAfterChoiceText();

// ---- The settings dialog ------------------------------------------------------------------------------

// The modal dialog that edits the picture folder, the display time, the speed of the effects and the two
// effect lists, with a live preview of the show over the chosen folder. OK stores everything; Cancel and
// closing the window store nothing. The in-memory values keep what the dialog made of them either way.
class TFProperty : public QDialog {
    Q_OBJECT
public:
    explicit TFProperty(QWidget* parent = nullptr);
    ~TFProperty() override;

    void FormCreate();
    void FormShow();
    void RadioButton1Click(QObject* Sender);
    void RadioButton2Click(QObject* Sender);
    void CheckListBox1ClickCheck(QObject* Sender);
    void CheckListBox1MouseMove(QObject* Sender, Qt::KeyboardModifiers Shift, int X, int Y);
    void NSSlider1Change(QObject* Sender);
    void NSSlider2Change(QObject* Sender);
    void ChFolderPicClick(QObject* Sender);
    void ShowTimerTimer(QObject* Sender);
    void HideTimerTimer(QObject* Sender);
    void NSSlideImage1EndProcess(QObject* Sender);
    void BOkClick(QObject* Sender);

    // The check-list item whose name the list's hint shows.
    int FLastHintIndex = 0;

    QLabel* Image1 = nullptr;
    QLabel* Label11 = nullptr;
    QWidget* Bevel2 = nullptr;
    QLabel* Label6 = nullptr;
    QWidget* RadioGroup1 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QListWidget* CheckListBox1 = nullptr;
    QWidget* Bevel1 = nullptr;
    QWidget* Panel2 = nullptr;
    TNSSlideImage* NSSlideImage1 = nullptr;
    QLabel* Label1 = nullptr;
    QWidget* Panel4 = nullptr;
    QLabel* Label4 = nullptr;
    TNSSlider* NSSlider1 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label7 = nullptr;
    QWidget* Panel3 = nullptr;
    QLabel* Label9 = nullptr;
    TNSSlider* NSSlider2 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* FolderPic = nullptr;
    QPushButton* ChFolderPic = nullptr;
    QLabel* Label12 = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton* BOk = nullptr;
    QPushButton* BCancel = nullptr;
    TTimer* ShowTimer = nullptr;
    TTimer* HideTimer = nullptr;
    TPictureAhead* PictureIO = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateHeader();
    void CreateEffectList();
    void CreatePreview();
    void CreateSliders();
    void CreateFolderField();
    void CreateButtons();
    void SetTabOrder();
    TNSSlider* CreateSlider(QWidget* panel, int minValue, int maxValue, int lineSize, int position);

    QStringList& ChosenEffects() const;
    void ShowChosenEffects();
    void RescanFolder();
    // Reads a picture of the folder into the preview's working bitmap, fitted and upright.
    void LoadPreviewPicture(const QString& path);
    // Starts reading the picture after the one on show, while that one is held.
    void PrepareNextPicture();

    TRefusedPictures FRefused;
};

// The dialog while it exists.
extern TFProperty* FProperty;
