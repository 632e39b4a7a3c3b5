#include "slideshow/UFMain.h"

#include "slideshow/ProcessState.h"

#include <QPalette>

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
}

TFMain::~TFMain() {
    FormDestroy();
    FMain = nullptr;
}

void TFMain::FormCreate() {
    if (SettingsMode) {
        return;
    }
}

void TFMain::FormDestroy() {}

void TFMain::ScreenSaver1PropertiesRequested(QObject*) {}

void TFMain::ScreenSaver1Preview(QObject*, WId) {}

void TFMain::ScreenSaver1CloseQuery(QObject*, bool& CanClose) {
    CanClose = true;
}
