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
#include "slideshow/SlideCycle.h"

#include <QApplication>
#include <QDateTime>
#include <QPalette>
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
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(NSSlideImage);

    // Failures leave the cycle for the application's handler, which logs and shows them. A folder that
    // cannot be listed is only logged: the show goes on with the others.
    Cycle = new TSlideCycle(NSSlideImage,
                            {.Guard = nullptr,
                             .RetryAfterWholePass = true,
                             .Listed = [this] { HandOverWithoutPictures(); },
                             .FolderError = [this](const QString& message) { RecordError(message); }},
                            this);
    ShowTimer = Cycle->ShowTimer;
    ShowTimer->SetOnTimer([this](QObject* sender) { ShowTimerTimer(sender); });
    HideTimer = Cycle->HideTimer;
    PictureIO = Cycle->PictureIO;
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
    IncludeSubfolders = stored.IncludeSubfolders;
    Shuffle = stored.Shuffle;
    ShuffleSeed = stored.ShuffleSeed;
    ShuffleLast = stored.ShuffleLast;
    ReadFotoDir();
    Cycle->ListPictures();
    HideTimer->SetInterval(TimerInterval * 1000);
}

void TFMain::OpenLog() {
    LogOpened = LogFile.Open(BasePath + ErrorLogFileName);
}

void TFMain::HandOverWithoutPictures() {
    if (PictureList.isEmpty()) {
        HandOverToSettings();
    }
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
        if (Shuffle) {
            WriteShufflePass();
        }
    } catch (const Exception& e) {
        ReportError(e.Message());
    }
    if (LogOpened) {
        LogFile.Close();
        LogOpened = false;
    }
}

// Without pictures the timer goes on ticking to no effect.
void TFMain::ShowTimerTimer(QObject*) {
    if (PictureList.isEmpty()) {
        return;
    }
    Cycle->ShowTimerTimer();
}

void TFMain::HideTimerTimer(QObject*) {
    Cycle->HideTimerTimer();
}

int TFMain::NShow() const {
    return Cycle->NShow;
}

int TFMain::NHide() const {
    return Cycle->NHide;
}

QString TFMain::CurrentPictureName() const {
    if (NFoto < 0 || NFoto >= PictureList.size()) {
        return QString();
    }
    return PictureList[NFoto];
}

QString TFMain::RecordError(const QString& message) {
    const QString record = FormatErrorRecord(QDateTime::currentDateTime(), QLocale::system(), message,
                                             CurrentPictureName(), NShow(), NHide());
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
