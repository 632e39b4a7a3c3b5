#include "tests/controls/ControlsTestSupport.h"

#include "tests/support/QtApp.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>

void SetUpControlsApplication() {
    EnsureApplication();
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Button, TestColors::Face);
    palette.setColor(QPalette::Light, TestColors::Light);
    palette.setColor(QPalette::Dark, TestColors::Shadow);
    palette.setColor(QPalette::Shadow, TestColors::Frame);
    palette.setColor(QPalette::Base, TestColors::Window);
    palette.setColor(QPalette::Highlight, TestColors::Caption);
    palette.setColor(QPalette::Window, TestColors::Panel);
    QApplication::setPalette(palette);
}

void ApplyIntervalSliderSettings(TNSSlider& slider) {
    slider.setGeometry(32, 8, 329, 25);
    slider.SetMinValue(167);
    slider.SetMaxValue(50000);
    slider.SetLineSize(166);
    slider.SetPageSize(1);
    slider.SetPosition(2500);
    TNSBevel bevel;
    slider.SetBevel(bevel);
    TNSBevel groove;
    groove.SetBorderSpaceColor(RGBColor(0, 128, 0));
    groove.SetInnerShadowColor(clBtnFace);
    slider.SetGroove(groove);
    slider.SetFocusAction(faFocusThumb);
    slider.SetFocusColor(clBtnFace);
    slider.SetThumbBorder(false);
    slider.SetGrooveSize(1);
    slider.SetScaleDistance(8);
    TNSScale scale;
    scale.SetVisible(false);
    scale.SetTickCount(25);
    scale.SetEnlargeEvery(1);
    scale.SetSize(5);
    scale.SetOrigin(soOuter);
    scale.SetConnect(true);
    slider.SetScale(scale);
    slider.SetSensitivity(-20);
}

void ShowActive(QWidget& window) {
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    QApplication::processEvents();
}

void SendMouse(QWidget& widget, QEvent::Type type, int x, int y, Qt::MouseButton button,
               Qt::MouseButtons held) {
    const QPointF local(x, y);
    QMouseEvent event(type, local, widget.mapToGlobal(local), button, held, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

void Press(QWidget& widget, int x, int y, Qt::MouseButton button) {
    SendMouse(widget, QEvent::MouseButtonPress, x, y, button, button);
}

void MoveHeld(QWidget& widget, int x, int y) {
    SendMouse(widget, QEvent::MouseMove, x, y, Qt::NoButton, Qt::LeftButton);
}

void Release(QWidget& widget, int x, int y, Qt::MouseButton button) {
    SendMouse(widget, QEvent::MouseButtonRelease, x, y, button, Qt::NoButton);
}

void SendKey(QWidget& widget, int key) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&widget, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(&widget, &up);
}

QImage Grab(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}
