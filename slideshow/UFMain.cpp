#include "slideshow/UFMain.h"

#include "effects/NSSlideImage.h"
#include "imageio/PictureAhead.h"
#include "platform/Application.h"
#include "platform/ConfigFolder.h"
#include "platform/Exceptions.h"
#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"
#include "platform/Process.h"
#include "platform/WindowTimer.h"
#include "settings_dialog/UFProperty.h"
#include "slideshow/EffectLists.h"
#include "slideshow/FotoScan.h"
#include "slideshow/ProcessState.h"
#include "slideshow/Settings.h"

#include <QApplication>
#include <QDateTime>
#include <QPalette>
#include <QTimer>
#include <QVBoxLayout>

TFMain* FMain = nullptr;

TFMain::TFMain(QWidget* parent) : QWidget(parent) {
    FMain = this;
    setWindowTitle(QStringLiteral("ssAmbrelle"));
    setWindowFlag(Qt::FramelessWindowHint);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    setGeometry(188, 108, 606, 396);

    NSSlideImage = new TNSSlideImage(this);
    NSSlideImage->setObjectName(QStringLiteral("NSSlideImage"));
    NSSlideImage->SetTimerDelay(1);
    NSSlideImage->SetBackColor(clBlack);
    // The control takes the window's colour, which shows wherever the picture does not reach.
    NSSlideImage->SetColor(clBlack);
    NSSlideImage->SetDelOriginal(true);
    NSSlideImage->SetOnEndProcess([this](QObject* sender) { NSSlideImageEndProcess(sender); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(NSSlideImage);

    ShowTimer = new TTimer(this);
    ShowTimer->setObjectName(QStringLiteral("ShowTimer"));
    ShowTimer->SetEnabled(false);
    ShowTimer->SetInterval(1000);
    ShowTimer->SetOnTimer([this](QObject* sender) { ShowTimerTimer(sender); });

    HideTimer = new TTimer(this);
    HideTimer->setObjectName(QStringLiteral("HideTimer"));
    HideTimer->SetEnabled(false);
    HideTimer->SetOnTimer([this](QObject* sender) { HideTimerTimer(sender); });

    PictureIO = new TPictureAhead(this);
    PictureIO->setObjectName(QStringLiteral("PictureIO"));
}

TFMain::~TFMain() {
    FormDestroy();
    SetApplicationOnException(nullptr);
    FMain = nullptr;
}

void TFMain::FormCreate() {
    if (SettingsMode) {
        return;
    }
    OpenLog();
    SetApplicationOnException([this](QObject* sender, const std::exception& e) { AppException(sender, e); });
    FirstResize = true;
    const TStoredSettings stored = ReadStoredSettings();
    NFoto = stored.NFoto;
    TimerInterval = stored.TimerInterval;
    NSSlideImage->SetTimerDelay(stored.TimerDelay);
    ReadFotoDir();
    ScanFotoDir();
    if (PictureList.isEmpty()) {
        HandOverToSettings();
    }
    HideTimer->SetInterval(TimerInterval * 1000);
    PictureIO->SetAttachedBitmap(&NSSlideImage->Picture());
}

void TFMain::OpenLog() {
    LogOpened = LogFile.Open(BasePath + ErrorLogFileName);
}

// The new copy opens the settings; it can only do so once this copy has given up the instance lock.
void TFMain::HandOverToSettings() {
    ReleaseSingleInstance();
    StartProcess(ExecutablePath());
    RequestTermination();
}

void TFMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

void TFMain::FormResize() {
    if (FirstResize) {
        FirstResize = false;
        ShowTimer->SetEnabled(true);
    }
}

void TFMain::FormDestroy() {
    try {
        WritePosition();
    } catch (const Exception& e) {
        ReportError(e.Message());
    }
    if (LogOpened) {
        LogFile.Close();
        LogOpened = false;
    }
}

void TFMain::ShowTimerTimer(QObject*) {
    if (PictureList.isEmpty()) {
        return;
    }
    ShowTimer->SetEnabled(false);
    NFoto = IndexAfter(NFoto, PictureList.size());
    FRefused.Forget();
    PictureIO->SetFitBox(QSize(NSSlideImage->ClientWidth(), NSSlideImage->ClientHeight()));
    PictureIO->LoadFromFile(PicturePath(NFoto));
    // A picture of which nothing can be shown leaves the working bitmap empty.
    FRefused.Note(NSSlideImage->Picture().Empty());
    NShow = ChooseEffect(ShowEffects);
    NSSlideImage->SetNEffect(NShow);
    NSSlideImage->SetHideMode(false);
    NSSlideImage->Execute();
}

void TFMain::PrepareNextPicture() {
    if (PictureList.isEmpty()) {
        return;
    }
    PictureIO->SetFitBox(QSize(NSSlideImage->ClientWidth(), NSSlideImage->ClientHeight()));
    PictureIO->Prepare(PicturePath(IndexAfter(NFoto, PictureList.size())));
}

void TFMain::HideTimerTimer(QObject*) {
    HideTimer->SetEnabled(false);
    NHide = ChooseEffect(HideEffects);
    NSSlideImage->SetNEffect(NHide);
    NSSlideImage->SetHideMode(true);
    NSSlideImage->Execute();
}

void TFMain::NSSlideImageEndProcess(QObject*) {
    if (!NSSlideImage->HideMode()) {
        // The display time is the next picture's time to be read.
        PrepareNextPicture();
        HideTimer->SetEnabled(true);
        return;
    }
    if (!FRefused.Last()) {
        ShowTimerTimer(this);
        return;
    }
    // Refused pictures must not chain inside one event: the next one starts from the message loop, and
    // after a whole pass that showed nothing the show waits a second before it tries again.
    FRefused.Forget();
    if (FRefused.WholePass(PictureList.size())) {
        ShowTimer->SetEnabled(true);
        return;
    }
    QTimer::singleShot(0, this, [this] { RunGuarded(this, [this] { ShowTimerTimer(this); }); });
}

QString TFMain::CurrentPictureName() const {
    if (NFoto < 0 || NFoto >= PictureList.size()) {
        return QString();
    }
    return PictureList[NFoto];
}

QString TFMain::RecordError(const QString& message) {
    const QString record = FormatErrorRecord(QDateTime::currentDateTime(), QLocale::system(), message,
                                             CurrentPictureName(), NShow, NHide);
    if (LogOpened) {
        LogFile.Append(record);
    }
    return record;
}

void TFMain::ReportError(const QString& message) {
    ShowErrorMessage(RecordError(message), this);
}

void TFMain::AppException(QObject*, const std::exception& E) {
    ReportError(ExceptionMessage(E));
    ShowTimer->SetEnabled(true);
}

// The stored position and display time are read before the dialog, so that FormDestroy writes them back
// unchanged even when the dialog cannot be built; settings mode is marked first, so that FormCreate never
// runs a show nor hands over to yet another settings copy.
void TFMain::ScreenSaver1PropertiesRequested(QObject*) {
    SettingsMode = true;
    const TStoredSettings stored = ReadStoredSettings();
    NFoto = stored.NFoto;
    TimerInterval = stored.TimerInterval;
    ReadFotoDir();
    ScanFotoDir();
    TFProperty dialog;
    dialog.exec();
}

void TFMain::ScreenSaver1Preview(QObject*, WId) {
    QApplication::setOverrideCursor(Qt::ArrowCursor);
}

void TFMain::ScreenSaver1CloseQuery(QObject*, bool& CanClose) {
    CanClose = false;
    PictureIO->SetAborted(true);
    ProcessMessages();
    CanClose = true;
}
