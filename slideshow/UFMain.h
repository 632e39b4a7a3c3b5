#pragma once

#include "slideshow/ErrorLog.h"

#include <QWidget>

#include <exception>

class TNSSlideImage;
class TPictureAhead;
class TSlideCycle;
class TTimer;

// The slide-show window, the application's main window. Its components are built in the constructor;
// whoever creates it attaches the screen-saver component, runs its mode selection and then FormCreate, the
// window's own creation handler. FormDestroy runs when the window is destroyed.
//
// The cycle (slideshow/SlideCycle.h): one second after the first resize a picture is loaded and shown by a
// show effect, stays for TimerInterval seconds, is wiped by a hide effect, and the next picture follows at
// once. The window adds its own rules: failures go to the error log and box, and after a whole pass of
// pictures that could not be shown the show tries again a second later.
class TFMain : public QWidget {
    Q_OBJECT
public:
    explicit TFMain(QWidget* parent = nullptr);
    ~TFMain() override;

    void FormCreate();

    // Answers to the screen-saver component, which the start-up code attaches to this window.
    void ScreenSaver1PropertiesRequested(QObject* Sender);
    void ScreenSaver1Preview(QObject* Sender, WId previewHwnd);
    void ScreenSaver1CloseQuery(QObject* Sender, bool& CanClose);

    // The application's handler for exceptions that leave an event handler: logs, shows, goes on.
    void AppException(QObject* Sender, const std::exception& E);
    // Writes the error record for message to the log, without showing it; returns the record.
    QString RecordError(const QString& message);

    // The slide-show cycle, driven by the timers and the end of each transition.
    void ShowTimerTimer(QObject* Sender);
    void HideTimerTimer(QObject* Sender);

    // The numbers of the show and hide effects drawn last, for the error records.
    int NShow() const;
    int NHide() const;

    TNSSlideImage* NSSlideImage = nullptr;
    TSlideCycle* Cycle = nullptr;
    // The cycle's timers and picture loader.
    TTimer* ShowTimer = nullptr;
    TTimer* HideTimer = nullptr;
    TPictureAhead* PictureIO = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormResize();
    void FormDestroy();

    void OpenLog();
    void HandOverToSettings();
    // Once the folder has been listed: a folder without pictures hands over to the settings.
    void HandOverWithoutPictures();
    void ReportError(const QString& message);
    // Picture entry NFoto, or empty when NFoto is not an index of PictureList.
    QString CurrentPictureName() const;

    TErrorLog LogFile;
    bool LogOpened = false;
    bool FirstResize = false;
};

// The one instance, from its construction to its destruction.
extern TFMain* FMain;
