#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QWidget;
class TNSSlider;
class TNSSlideImage;
class TSlideCycle;
class TTimer;

// The modal dialog that edits the picture folder, the display time, the speed of the effects and the two
// effect lists, with a live preview of the show over the chosen folder. OK stores everything; Cancel and
// closing the window store nothing. The in-memory values keep what the dialog made of them either way.
// The dialog holds the widgets; its rules are in PropertyRules.h, the preview's cycle in
// slideshow/SlideCycle.h.
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
    void SubfoldersBoxClick(QObject* Sender);
    void ShuffleBoxClick(QObject* Sender);
    void ShowTimerTimer(QObject* Sender);
    void HideTimerTimer(QObject* Sender);
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
    // "IncludeSubfolders" and "Shuffle".
    QCheckBox* SubfoldersBox = nullptr;
    QCheckBox* ShuffleBox = nullptr;
    QLabel* Label12 = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton* BOk = nullptr;
    QPushButton* BCancel = nullptr;
    // The preview's cycle and its timers.
    TSlideCycle* Cycle = nullptr;
    TTimer* ShowTimer = nullptr;
    TTimer* HideTimer = nullptr;

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
    void SetFolderField(const QString& path);
    void RescanFolder();
    void PicturesListed();
    void ShowNoPicturesText(const QString& text);

    // What Label12 says when the folder being listed has no pictures.
    QString FNoPicturesText;
};

// The dialog while it exists.
extern TFProperty* FProperty;
