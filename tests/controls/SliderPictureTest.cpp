#include "controls/NSSlider.h"
#include "tests/controls/ControlsTestSupport.h"

#include <QApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <ostream>

namespace {

using namespace TestColors;

void Line(QImage& image, int x1, int y1, int x2, int y2, const QColor& color) {
    for (int y = y1; y <= y2; ++y) {
        for (int x = x1; x <= x2; ++x) {
            image.setPixelColor(x, y, color);
        }
    }
}

// A lowered 1-pixel frame around the pixels x1 ... x2, y1 ... y2: shadow on top and left, light on the
// bottom and right edges, which own the top-right and bottom-left corners.
void Lowered(QImage& image, int x1, int y1, int x2, int y2) {
    Line(image, x1, y1, x2 - 1, y1, Shadow);
    Line(image, x1, y1, x1, y2 - 1, Shadow);
    Line(image, x2, y1, x2, y2, Light);
    Line(image, x1, y2, x2, y2, Light);
}

struct ThumbPixels {
    int Left;
    int Top;
};

enum class ThumbLook { Plain, Dotted, Disabled };

// The borderless thumb of 11 x 23 at (left, top): a window-frame line along its bottom and right edges,
// inside that a raised frame with light corners top right and bottom left, filled with button face, and
// for the dotted looks every pixel with x and y of equal parity set.
void Thumb(QImage& image, ThumbPixels t, ThumbLook look) {
    const int right = t.Left + 10;
    const int bottom = t.Top + 22;
    Line(image, t.Left, bottom, right, bottom, Frame);
    Line(image, right, t.Top, right, bottom, Frame);
    Line(image, t.Left, t.Top, right - 2, t.Top, Light);
    Line(image, t.Left, t.Top, t.Left, bottom - 2, Light);
    Line(image, right - 1, t.Top, right - 1, bottom - 1, Shadow);
    Line(image, t.Left, bottom - 1, right - 1, bottom - 1, Shadow);
    image.setPixelColor(right - 1, t.Top, Light);
    image.setPixelColor(t.Left, bottom - 1, Light);
    Line(image, t.Left + 1, t.Top + 1, right - 2, bottom - 2, Face);
    if (look == ThumbLook::Plain) {
        return;
    }
    const QColor dot = look == ThumbLook::Dotted ? QColor(Qt::black) : QColor(Qt::white);
    for (int y = t.Top + 1; y <= bottom - 2; ++y) {
        for (int x = t.Left + 1; x <= right - 2; ++x) {
            if ((x + y) % 2 == 0) {
                image.setPixelColor(x, y, dot);
            }
        }
    }
}

// The dialog's slider lying: frame, panel colour, a groove of 1 pixel in a lowered frame across the middle,
// the thumb at 2500 of 167 ... 50000, 15 of 316 pixels along (2333 * 316 / 49833 = 14.79).
QImage ExpectedHorizontal(ThumbLook look) {
    QImage image(329, 25, QImage::Format_RGB32);
    image.fill(Panel);
    Lowered(image, 0, 0, 328, 24);
    Lowered(image, 1, 11, 327, 13);
    Line(image, 2, 12, 326, 12, Face);
    Thumb(image, {16, 1}, look);
    return image;
}

// The same slider standing: the groove down the middle, the thumb 14 of 304 pixels up from the bottom
// (2333 * 304 / 49833 = 14.23).
QImage ExpectedVertical(ThumbLook look) {
    QImage image(25, 329, QImage::Format_RGB32);
    image.fill(Panel);
    Lowered(image, 0, 0, 24, 328);
    Lowered(image, 11, 1, 13, 327);
    Line(image, 12, 2, 12, 326, Face);
    Thumb(image, {7, 327 - 14 - 23 + 1}, look);
    return image;
}

struct PictureCase {
    const char* Name;
    bool Vertical;
    ThumbLook Look;
};

void PrintTo(const PictureCase& c, std::ostream* out) {
    *out << c.Name;
}

class SliderPicture : public testing::TestWithParam<PictureCase> {};

TEST_P(SliderPicture, MatchesTheDrawingRules) {
    SetUpControlsApplication();
    const PictureCase& c = GetParam();
    QWidget panel;
    panel.resize(407, 356);
    TNSSlider slider(&panel);
    ApplyIntervalSliderSettings(slider);
    ShowActive(panel);
    if (c.Vertical) {
        slider.resize(25, 329);
    }
    if (c.Look == ThumbLook::Dotted) {
        slider.setFocus();
        QApplication::processEvents();
        ASSERT_NE(TNSCustomSlider::BlinkTimer(), nullptr);
        TTimer* timer = TNSCustomSlider::BlinkTimer();
        timer->OnTimer()(timer);
    } else if (c.Look == ThumbLook::Disabled) {
        slider.setEnabled(false);
    } else {
        slider.clearFocus();
    }
    const QImage expected = c.Vertical ? ExpectedVertical(c.Look) : ExpectedHorizontal(c.Look);
    const QImage actual = Grab(slider);
    ASSERT_EQ(actual.size(), expected.size());
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            if (actual.pixel(x, y) != expected.pixel(x, y)) {
                FAIL() << "first difference at " << x << "," << y << ": " << std::hex << actual.pixel(x, y)
                       << " instead of " << expected.pixel(x, y);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(DialogSlider, SliderPicture,
                         testing::Values(PictureCase{"Horizontal", false, ThumbLook::Plain},
                                         PictureCase{"HorizontalBlinkOn", false, ThumbLook::Dotted},
                                         PictureCase{"HorizontalDisabled", false, ThumbLook::Disabled},
                                         PictureCase{"Vertical", true, ThumbLook::Plain}),
                         [](const testing::TestParamInfo<PictureCase>& info) { return info.param.Name; });

} // namespace

namespace {

// A slider with the defaults: a 5-pixel border inside a lowered line, so the track area is (6, 6, 194, 34).
class DefaultSlider : public testing::Test {
protected:
    DefaultSlider() {
        panel.resize(220, 60);
        ShowActive(panel);
        QApplication::processEvents();
    }
    ControlsApplication application;
    QWidget panel;
    TNSSlider slider{&panel};
};

TEST_F(DefaultSlider, FocusRectangleIsADottedLineAroundTheGrownTrackArea) {
    slider.clearFocus();
    const QImage unfocused = Grab(slider);
    slider.setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(slider.hasFocus());
    QImage expected = unfocused;
    const auto invert = [&](int x, int y) {
        if ((x + y) % 2 == 0) {
            expected.setPixel(x, y, expected.pixel(x, y) ^ 0x00FFFFFF);
        }
    };
    for (int x = 5; x <= 194; ++x) {
        invert(x, 5);
        invert(x, 34);
    }
    for (int y = 6; y <= 33; ++y) {
        invert(5, y);
        invert(194, y);
    }
    EXPECT_EQ(Grab(slider), expected);
    EXPECT_EQ(TNSCustomSlider::BlinkTimer(), nullptr) << "only the thumb-focus actions blink";
}

TEST_F(DefaultSlider, PictureAtTheStartShortensTheTrackAndLeavesItsTransparentColourOut) {
    TBitmap picture;
    picture.Reset(10, 6, TPixelFormat::pf24bit);
    picture.Fill(RGBColor(0, 0, 255));
    std::uint8_t* bottom = picture.ScanLine(5);
    for (int x = 0; x < 10; ++x) {
        // Red (blue, green, red bytes), the colour of the bottom-left pixel.
        bottom[3 * x] = 0;
        bottom[3 * x + 2] = 255;
    }
    slider.SetPicLeft(picture);
    EXPECT_EQ(slider.TrackArea(), (TRect{16, 6, 194, 34}));
    slider.SetPosition(0);
    slider.clearFocus();
    const QImage image = Grab(slider);
    // Centred on the middle line of the area, 20: rows 17 ... 22.
    EXPECT_EQ(QColor(image.pixel(6, 17)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(image.pixel(15, 21)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(image.pixel(6, 22)), TestColors::Panel) << "the transparent colour shows the fill";
    EXPECT_EQ(QColor(image.pixel(6, 16)), TestColors::Panel);
    EXPECT_EQ(slider.ThumbRect().Left, 16);
}

} // namespace
