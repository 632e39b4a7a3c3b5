#pragma once

#include "controls/NSSlider.h"

#include <QColor>
#include <QEvent>
#include <QImage>
#include <QWidget>

// The palette of every controls test: each system colour distinct, so a frame drawn in the wrong one shows.
namespace TestColors {
inline const QColor Face(212, 208, 200);   // button face
inline const QColor Light(255, 255, 250);  // button highlight
inline const QColor Shadow(128, 128, 120); // button shadow
inline const QColor Frame(10, 0, 20);      // window frame
inline const QColor Window(250, 250, 240); // window
inline const QColor Caption(0, 0, 128);    // active caption
inline const QColor Panel(200, 190, 180);  // the background of the slider's parent
} // namespace TestColors

// Creates the application once and installs the test palette.
void SetUpControlsApplication();
// The same, as the first member of a fixture whose other members are widgets.
struct ControlsApplication {
    ControlsApplication() { SetUpControlsApplication(); }
};

// A control that counts its paints.
template <class Control> class Counting : public Control {
public:
    using Control::Control;
    int Paints = 0;

protected:
    void Paint() override {
        ++Paints;
        Control::Paint();
    }
};

// The settings dialog's interval slider: 329 x 25, 167 ... 50000 at 2500, line size 166, page size 1,
// plain bevels, a groove of 1 pixel, a blinking thumb without border.
void ApplyIntervalSliderSettings(TNSSlider& slider);

// Shows a top-level widget and makes its window the active one, so that focus can be given.
void ShowActive(QWidget& window);

// The left button: down, moving held, up.
void SendMouse(QWidget& widget, QEvent::Type type, int x, int y);
inline void Press(QWidget& widget, int x, int y) {
    SendMouse(widget, QEvent::MouseButtonPress, x, y);
}
inline void MoveHeld(QWidget& widget, int x, int y) {
    SendMouse(widget, QEvent::MouseMove, x, y);
}
inline void Release(QWidget& widget, int x, int y) {
    SendMouse(widget, QEvent::MouseButtonRelease, x, y);
}
void SendKey(QWidget& widget, int key);

// What the widget shows, as RGB32.
QImage Grab(QWidget& widget);
// Paints the pixels x1 ... x2, y1 ... y2.
void Fill(QImage& image, int x1, int y1, int x2, int y2, const QColor& color);
