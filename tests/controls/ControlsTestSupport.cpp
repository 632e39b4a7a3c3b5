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

// The scale stays hidden, so its settings are left as they are.
void ApplyIntervalSliderSettings(TNSSlider& slider) {
    slider.setGeometry(32, 8, 329, 25);
    slider.SetMinValue(167);
    slider.SetMaxValue(50000);
    slider.SetLineSize(166);
    slider.SetPageSize(1);
    slider.SetPosition(2500);
    slider.SetBevel(TNSBevel());
    TNSBevel groove;
    groove.SetBorderSpaceColor(RGBColor(0, 128, 0));
    groove.SetInnerShadowColor(clBtnFace);
    slider.SetGroove(groove);
    slider.SetFocusAction(faFocusThumb);
    slider.SetFocusColor(clBtnFace);
    slider.SetThumbBorder(false);
    slider.SetGrooveSize(1);
    slider.SetSensitivity(-20);
}

void ShowActive(QWidget& window) {
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    QApplication::processEvents();
}

void SendMouse(QWidget& widget, QEvent::Type type, int x, int y) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(x, y), widget.mapToGlobal(QPointF(x, y)), button, held, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
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

void Fill(QImage& image, int x1, int y1, int x2, int y2, const QColor& color) {
    for (int y = y1; y <= y2; ++y) {
        for (int x = x1; x <= x2; ++x) {
            image.setPixelColor(x, y, color);
        }
    }
}
