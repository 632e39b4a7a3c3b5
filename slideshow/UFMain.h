#pragma once

#include <QWidget>

// The slide-show window, the application's main window. Its components are built in the constructor;
// whoever creates it runs the screen-saver mode selection and then FormCreate, the window's own creation
// handler. FormDestroy runs when it is destroyed.
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

private:
    void FormDestroy();
};

// The one instance, from its construction to its destruction.
extern TFMain* FMain;
