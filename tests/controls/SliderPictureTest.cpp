#include "controls/NSSlider.h"
#include "tests/controls/ControlsTestSupport.h"

#include <QApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <utility>

namespace {

using namespace TestColors;

// A lowered 1-pixel frame around the pixels x1 ... x2, y1 ... y2: shadow on top and left, light on the
// bottom and right edges, which own the top-right and bottom-left corners.
void Lowered(QImage& image, int x1, int y1, int x2, int y2) {
    Fill(image, x1, y1, x2 - 1, y1, Shadow);
    Fill(image, x1, y1, x1, y2 - 1, Shadow);
    Fill(image, x2, y1, x2, y2, Light);
    Fill(image, x1, y2, x2, y2, Light);
}

enum class ThumbLook { Plain, Dotted, Disabled };

// The borderless thumb of 11 x 23 at (left, top): a window-frame line along its bottom and right edges,
// inside that a raised frame with light corners top right and bottom left, filled with button face, and
// for the dotted looks every pixel with x and y of equal parity set.
void Thumb(QImage& image, int left, int top, ThumbLook look) {
    const int right = left + 10;
    const int bottom = top + 22;
    Fill(image, left, top, right, bottom, Frame);
    Fill(image, left, top, right - 1, bottom - 1, Shadow);
    Fill(image, left, top, right - 2, bottom - 2, Light);
    Fill(image, left + 1, top + 1, right - 2, bottom - 2, Face);
    image.setPixelColor(right - 1, top, Light);
    image.setPixelColor(left, bottom - 1, Light);
    if (look == ThumbLook::Plain) {
        return;
    }
    const QColor dot = look == ThumbLook::Dotted ? QColor(Qt::black) : QColor(Qt::white);
    for (int y = top + 1; y <= bottom - 2; ++y) {
        for (int x = left + 1; x <= right - 2; ++x) {
            if ((x + y) % 2 == 0) {
                image.setPixelColor(x, y, dot);
            }
        }
    }
}

// The dialog's slider lying: frame, panel colour, a groove of 1 pixel in a lowered frame across the middle,
// the thumb at 2500 of 167 ... 50000, 15 of 316 pixels along (2333 * 316 / 49833 = 14.79). Standing, the
// groove runs down the middle and the thumb is 14 of 304 pixels up from the bottom (14.23).
QImage Expected(bool vertical, ThumbLook look) {
    QImage image(vertical ? 25 : 329, vertical ? 329 : 25, QImage::Format_RGB32);
    image.fill(Panel);
    if (vertical) {
        Lowered(image, 0, 0, 24, 328);
        Lowered(image, 11, 1, 13, 327);
        Fill(image, 12, 2, 12, 326, Face);
        Thumb(image, 7, 327 - 14 - 23 + 1, look);
    } else {
        Lowered(image, 0, 0, 328, 24);
        Lowered(image, 1, 11, 327, 13);
        Fill(image, 2, 12, 326, 12, Face);
        Thumb(image, 16, 1, look);
    }
    return image;
}

TEST(DialogSlider, MatchesTheDrawingRules) {
    SetUpControlsApplication();
    const struct {
        const char* Name;
        bool Vertical;
        ThumbLook Look;
    } cases[] = {
        {"horizontal", false, ThumbLook::Plain},
        {"blink on", false, ThumbLook::Dotted},
        {"disabled", false, ThumbLook::Disabled},
        {"vertical", true, ThumbLook::Plain},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
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
            TTimer* timer = TNSCustomSlider::BlinkTimer();
            ASSERT_NE(timer, nullptr);
            timer->OnTimer()(timer);
        } else if (c.Look == ThumbLook::Disabled) {
            slider.setEnabled(false);
        } else {
            slider.clearFocus();
        }
        EXPECT_EQ(Grab(slider), Expected(c.Vertical, c.Look));
    }
}

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
    QImage expected = Grab(slider);
    slider.setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(slider.hasFocus());
    for (int y = 5; y <= 34; ++y) {
        for (int x = 5; x <= 194; ++x) {
            const bool edge = x == 5 || x == 194 || y == 5 || y == 34;
            if (edge && (x + y) % 2 == 0) {
                expected.setPixel(x, y, expected.pixel(x, y) ^ 0x00FFFFFF);
            }
        }
    }
    EXPECT_EQ(Grab(slider), expected);
    EXPECT_EQ(TNSCustomSlider::BlinkTimer(), nullptr) << "only the thumb-focus actions blink";
}

TEST_F(DefaultSlider, PictureAtTheStartShortensTheTrackAndLeavesItsTransparentColourOut) {
    TBitmap picture;
    picture.Reset(10, 6, TPixelFormat::pf24bit);
    picture.Fill(RGBColor(0, 0, 255));
    for (int x = 0; x < 10; ++x) {
        // Red in the bottom row: the bottom-left pixel gives the transparent colour.
        std::uint8_t* pixel = picture.ScanLine(5) + 3 * x;
        std::swap(pixel[0], pixel[2]);
    }
    slider.SetPicLeft(picture);
    EXPECT_EQ(slider.TrackArea(), (TRect{16, 6, 194, 34}));
    slider.SetPosition(0);
    slider.clearFocus();
    const QImage image = Grab(slider);
    // Centred on the middle line of the area, 20: rows 17 ... 22.
    EXPECT_EQ(QColor(image.pixel(6, 17)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(image.pixel(15, 21)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(image.pixel(6, 22)), Panel) << "the transparent colour shows the fill";
    EXPECT_EQ(QColor(image.pixel(6, 16)), Panel);
    EXPECT_EQ(slider.ThumbRect().Left, 16);
}

// A scale below: the thumb stands on the area's top, the groove centred on the thumb, and the scale 2
// pixels under the groove, inset by half a thumb at both ends, its ticks hanging from the far edge onto
// the connecting line.
TEST_F(DefaultSlider, ScaleBelowTheGroove) {
    slider.clearFocus();
    slider.resize(300, 60);
    slider.SetThumbHeight(9);
    slider.SetScaleDistance(2);
    TNSScale scale;
    scale.SetTickCount(3);
    scale.SetEnlargeEvery(2);
    scale.SetSize(4);
    scale.SetOrigin(soOuter);
    scale.SetConnect(true);
    slider.SetScale(scale);
    const QImage image = Grab(slider);
    EXPECT_EQ(slider.ThumbRect(), (TRect{6, 6, 17, 15}));
    EXPECT_EQ(QColor(image.pixel(100, 8)), Shadow) << "groove frame at 8 ... 12";
    EXPECT_EQ(QColor(image.pixel(100, 12)), Light);

    // Groove (6, 8, 294, 13); scale (11, 16, 289, 21): ticks at 11, 150 and 289, the line on row 21.
    QImage expected = image;
    Fill(expected, 6, 15, 293, 22, Panel);
    Fill(expected, 11, 21, 289, 21, Qt::black);
    Fill(expected, 11, 17, 11, 20, Qt::black);
    Fill(expected, 150, 19, 150, 20, Qt::black);
    Fill(expected, 289, 17, 289, 20, Qt::black);
    EXPECT_EQ(image, expected);
}

} // namespace
