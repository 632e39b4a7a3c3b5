#include "controls/NSScale.h"
#include "platform/Exceptions.h"
#include "tests/controls/ControlsTestSupport.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

namespace {

TEST(Scale, SettersClampFirstAndNotifyOnlyOnChange) {
    TNSScale scale;
    int changes = 0;
    scale.SetOnChange([&](QObject*) { ++changes; });
    scale.SetTickCount(1);
    scale.SetSize(0);
    scale.SetEnlargeEvery(-3);
    scale.SetTickCount(0);
    EXPECT_EQ(std::tuple(scale.TickCount(), scale.Size(), scale.EnlargeEvery(), changes),
              std::tuple(2, 1, 1, 3));
}

TEST(Scale, AssignCopiesAllWithOneNotification) {
    TNSScale source;
    source.SetColor(clWhite);
    source.SetStyle(stRaised);
    source.SetTickCount(25);
    source.SetEnlargeEvery(1);
    source.SetSize(5);
    source.SetOrigin(soOuter);
    source.SetConnect(true);
    TNSScale scale;
    int changes = 0;
    scale.SetOnChange([&](QObject*) { ++changes; });
    scale.Assign(&source);
    EXPECT_EQ(std::tuple(changes, scale.TickCount(), scale.Style(), scale.Origin(), scale.Width()),
              std::tuple(1, 25, stRaised, soOuter, 5 + 2));
    scale.SetStyle(stColor);
    EXPECT_EQ(scale.Width(), 5 + 1) << "a coloured connecting line takes one pixel";
    QObject stranger;
    EXPECT_THROW(scale.Assign(&stranger), EConvertError);
}

TEST(Scale, DrawingNeedsACanvas) {
    TNSScale scale;
    try {
        scale.Draw({0, 0, 100, 8}, false);
        FAIL();
    } catch (const ENSScaleError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Canvas needed for this operation"));
    }
}

// What the scale draws into rect on a picture of the given size and background.
QImage Drawn(TNSScale& scale, int width, int height, Qt::GlobalColor background, const TRect& rect) {
    SetUpControlsApplication();
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(background);
    {
        QPainter painter(&image);
        scale.SetCanvas(&painter);
        scale.Draw(rect, false);
    }
    return image;
}

// Eleven ticks over 100 pixels, every fifth long: ticks 0, 5 and 10 are 7 pixels, the others 3, standing on
// the top edge; the last one on the right edge itself.
TEST(Scale, ElevenTicksEveryFifthLong) {
    TNSScale scale;
    const QImage actual = Drawn(scale, 101, 8, Qt::white, {0, 0, 100, 8});
    QImage expected(101, 8, QImage::Format_RGB32);
    expected.fill(Qt::white);
    for (int i = 0; i <= 10; ++i) {
        Fill(expected, 10 * i, 0, 10 * i, i % 5 == 0 ? 6 : 2, Qt::black);
    }
    EXPECT_EQ(actual, expected);
}

// A lowered, connected scale standing left of its owner (not flipped, origin inner): the black line runs
// down the left edge with its white twin right of it, and the ticks start one pixel in, each a black line
// with a white one below.
TEST(Scale, LoweredConnectedVerticalTicksStartOnePixelIn) {
    TNSScale scale;
    scale.SetStyle(stLowered);
    scale.SetConnect(true);
    scale.SetTickCount(3);
    scale.SetEnlargeEvery(2);
    scale.SetSize(4);
    const QImage actual = Drawn(scale, 12, 24, Qt::gray, {1, 1, 7, 21});
    QImage expected(12, 24, QImage::Format_RGB32);
    expected.fill(Qt::gray);
    Fill(expected, 1, 2, 1, 21, Qt::black);
    Fill(expected, 2, 2, 2, 21, Qt::white);
    // Ticks at 1, 11 and 21: long (4), short (2), long.
    for (const auto& [y, length] : {std::pair{1, 4}, std::pair{11, 2}, std::pair{21, 4}}) {
        Fill(expected, 2, y, 1 + length, y, Qt::black);
        Fill(expected, 2, y + 1, 1 + length, y + 1, Qt::white);
    }
    EXPECT_EQ(actual, expected);
}

} // namespace
