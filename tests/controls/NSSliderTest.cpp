#include "controls/NSSlider.h"
#include "tests/controls/ControlsTestSupport.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <utility>

namespace {

// The interval slider of the settings dialog inside a panel, shown and counting its events.
class IntervalSlider : public testing::Test {
protected:
    IntervalSlider() {
        panel.resize(407, 56);
        ApplyIntervalSliderSettings(slider);
        slider.SetOnChange([this](QObject* sender) {
            EXPECT_EQ(sender, &slider);
            ++changes;
        });
        slider.SetOnTrack([this](QObject*) { ++tracks; });
        slider.SetOnTrackEnd([this](QObject*) { ++trackEnds; });
        ShowActive(panel);
    }

    void SetPositionQuietly(int position) {
        slider.SetPosition(position);
        changes = tracks = trackEnds = 0;
    }

    ControlsApplication application;
    QWidget panel;
    Counting<TNSSlider> slider{&panel};
    int changes = 0;
    int tracks = 0;
    int trackEnds = 0;
};

TEST_F(IntervalSlider, KeyboardTable) {
    struct {
        const char* Name;
        int Start;
        int Key;
        int Expected;
    } const cases[] = {
        {"Right near the top clamps", 49900, Qt::Key_Right, 50000},
        {"Up adds the line size", 2500, Qt::Key_Up, 2666},
        {"Left at the bottom does nothing", 167, Qt::Key_Left, 167},
        {"Down subtracts the line size", 2500, Qt::Key_Down, 2334},
        {"Right at the top does nothing", 50000, Qt::Key_Right, 50000},
        {"Page Up moves by the page size", 2500, Qt::Key_PageUp, 2501},
        {"Page Down at the bottom does nothing", 167, Qt::Key_PageDown, 167},
        {"Page Up at the top does nothing", 50000, Qt::Key_PageUp, 50000},
        {"Home goes left", 2500, Qt::Key_Home, 167},
        {"End goes right", 2500, Qt::Key_End, 50000},
        {"Other keys change nothing", 2500, Qt::Key_A, 2500},
    };
    int seen = 0;
    slider.SetOnKeyDown([&](QObject*, int& key, Qt::KeyboardModifiers) { seen = key; });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        SetPositionQuietly(c.Start);
        SendKey(slider, c.Key);
        EXPECT_EQ(seen, c.Key) << "the key-down event sees every key";
        EXPECT_EQ(slider.Position(), c.Expected);
        const int moved = c.Expected != c.Start;
        EXPECT_EQ(changes, moved);
        EXPECT_EQ(tracks, moved);
        EXPECT_EQ(trackEnds, moved);
    }
}

TEST_F(IntervalSlider, ChangeOnlyForARequestThatDiffersFromTheStoredValue) {
    slider.SetPosition(2500);
    EXPECT_EQ(changes, 0);
    // A request that clamps back to the stored value still reports; writing the position is no tracking.
    for (const auto& [stored, requested] : {std::pair{167, 166}, std::pair{50000, 70000}}) {
        SetPositionQuietly(stored);
        slider.SetPosition(requested);
        EXPECT_EQ(std::tuple(slider.Position(), changes, tracks), std::tuple(stored, 1, 0));
    }
}

TEST_F(IntervalSlider, RepaintsOnlyWhenThePictureChanges) {
    QApplication::processEvents();
    const TRect thumb = slider.ThumbRect();
    const int paints = slider.Paints;
    slider.SetPosition(2501);
    slider.Bevel()->SetBevelOuter(bvLowered);
    slider.Groove()->SetBorderSpaceColor(RGBColor(0, 128, 0));
    slider.SetThumbBorder(false);
    slider.SetThumbWidth(11);
    QApplication::processEvents();
    EXPECT_EQ(slider.Paints, paints);
    EXPECT_EQ(slider.ThumbRect(), thumb);
    EXPECT_EQ(changes, 1);

    slider.SetPosition(25000);
    EXPECT_EQ(slider.Paints, paints + 1) << "a moved thumb repaints at once";
    EXPECT_NE(slider.ThumbRect(), thumb);
    QApplication::processEvents();
    slider.Groove()->SetBevelOuter(bvRaised);
    QApplication::processEvents();
    EXPECT_EQ(slider.Paints, paints + 2) << "a changed groove repaints";
}

TEST_F(IntervalSlider, ClickBesideTheThumbJumpsThereButDoesNotDrag) {
    // (200 - 1 - 5) / 316 * 49833 + 167 = 30760.7, and that value puts the thumb's centre at 200.
    Press(slider, 200, 12);
    EXPECT_EQ(slider.Position(), 30761);
    EXPECT_EQ(slider.Value(), 30761) << "linear despite its sensitivity";
    EXPECT_EQ(slider.ThumbRect().Left + 5, 200);
    EXPECT_FALSE(slider.Grabbed());
    EXPECT_EQ(tracks, 1);
    EXPECT_TRUE(slider.hasFocus());
    MoveHeld(slider, 260, 12);
    EXPECT_EQ(slider.Position(), 30761);
    Release(slider, 260, 12);
    EXPECT_EQ(std::pair(changes, trackEnds), std::pair(1, 1));
}

TEST_F(IntervalSlider, DraggingPastEitherEndStopsAtTheBound) {
    ASSERT_EQ(slider.ThumbRect(), (TRect{16, 1, 27, 24}));
    Press(slider, 21, 12);
    EXPECT_TRUE(slider.Grabbed());
    EXPECT_EQ(slider.Position(), 2500) << "grabbing moves nothing";
    MoveHeld(slider, -400, 12);
    EXPECT_EQ(slider.Position(), 167);
    MoveHeld(slider, -800, 12);
    EXPECT_EQ(slider.Position(), 167);
    MoveHeld(slider, 900, 12);
    EXPECT_EQ(slider.Position(), 50000);
    MoveHeld(slider, 31, 12); // 10 pixels of 316 are 10 * 49833 / 316 = 1577.0 values
    EXPECT_EQ(slider.Position(), 2500 + 1577);
    EXPECT_EQ(tracks, 1 + 3);
    Release(slider, 31, 12);
    EXPECT_FALSE(slider.Grabbed());
    EXPECT_EQ(trackEnds, 1);
}

TEST_F(IntervalSlider, WideRangeDragDoesNotOverflow) {
    slider.SetMinValue(0);
    slider.SetMaxValue(2000000000);
    slider.SetPosition(0);
    QApplication::processEvents();
    Press(slider, 6, 12);
    ASSERT_TRUE(slider.Grabbed());
    MoveHeld(slider, 106, 12); // 100 * 2e9 does not fit 32 bits; 100 / 316 of the range is 632911392.4
    EXPECT_EQ(slider.Position(), 632911392);
    Release(slider, 106, 12);
}

TEST_F(IntervalSlider, VerticalWhenTallerThanWideWithHomeAtTheTop) {
    slider.resize(25, 329);
    EXPECT_EQ(slider.Orientation(), orVertical);
    SendKey(slider, Qt::Key_Home);
    EXPECT_EQ(std::pair(slider.Position(), slider.ThumbRect().Top), std::pair(50000, 1)) << "maximum on top";
    SendKey(slider, Qt::Key_End);
    EXPECT_EQ(std::pair(slider.Position(), slider.ThumbRect().Bottom), std::pair(167, 328));
}

TEST_F(IntervalSlider, BoundsKeepTheMaximumAboveTheMinimum) {
    slider.SetMinValue(60000);
    EXPECT_EQ(std::tuple(slider.MaxValue(), slider.Position(), changes), std::tuple(60001, 60000, 1));
    slider.SetMaxValue(5);
    EXPECT_EQ(slider.MaxValue(), 60001);
    slider.SetMinValue(INT_MAX);
    EXPECT_LT(slider.MinValue(), slider.MaxValue());
}

TEST_F(IntervalSlider, ThumbBlinksEveryOtherTickWhileFocusedAndStaysDottedWhileHeld) {
    slider.setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(slider.hasFocus());
    TTimer* timer = TNSCustomSlider::BlinkTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(TNSCustomSlider::BlinkTimerOwner(), &slider);
    EXPECT_TRUE(timer->Enabled());

    const auto tick = [&] { timer->OnTimer()(timer); };
    tick();
    EXPECT_TRUE(slider.BlinkPhase());
    tick();
    EXPECT_FALSE(slider.BlinkPhase());
    Press(slider, 21, 12);
    ASSERT_TRUE(slider.Grabbed());
    tick();
    tick();
    EXPECT_TRUE(slider.BlinkPhase());
    Release(slider, 21, 12);

    slider.clearFocus();
    QApplication::processEvents();
    EXPECT_EQ(TNSCustomSlider::BlinkTimer(), nullptr);
    EXPECT_FALSE(slider.BlinkPhase());
}

TEST_F(IntervalSlider, ASecondSliderOfOneSizeSharesTheBitmapAndTakesTheBlinkTimerAlong) {
    auto other = std::make_unique<TNSSlider>(&panel);
    ApplyIntervalSliderSettings(*other);
    other->show();
    other->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(TNSCustomSlider::BlinkTimerOwner(), other.get());
    const TBitmap* shared = slider.OffscreenBitmap();
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(other->OffscreenBitmap(), shared);
    EXPECT_EQ(TBitmapCache::RefCount(shared), 2);

    const QImage before = Grab(slider);
    other.reset();
    EXPECT_EQ(TNSCustomSlider::BlinkTimerOwner(), nullptr);
    EXPECT_EQ(TBitmapCache::RefCount(shared), 1);
    EXPECT_EQ(slider.OffscreenBitmap(), shared);
    EXPECT_EQ(Grab(slider), before);

    slider.resize(300, 25);
    EXPECT_EQ(TBitmapCache::EntryCount(), 1) << "its last holder took another size";
    EXPECT_EQ(slider.OffscreenBitmap()->Width(), 300);
}

// MaxValue 100: the travel spans -Sensitivity decibels below position 100.
TEST(LogarithmicSlider, MapsDecibelsOntoTheTravelOfASensitivityKeptInRange) {
    SetUpControlsApplication();
    TNSSlider slider;
    slider.SetMaxValue(100);
    slider.SetLogarithmic(true);
    slider.SetSensitivity(-10);
    EXPECT_EQ(slider.Sensitivity(), -20) << "kept in range";
    const struct {
        int Position;
        int Value;
        int ReadBack;
    } cases[] = {
        {100, 100, 100}, {10, 0, 0}, {5, 0, 0}, {1000, 100, 100}, {0, 0, 0}, {-5, 0, 0}, {50, 70, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Position);
        slider.SetPosition(c.Position);
        EXPECT_EQ(slider.Value(), c.Value);
        EXPECT_EQ(slider.Position(), c.ReadBack);
    }
    // 96 dB over 100 steps: 50 becomes step 94, which reads back as the nearest level, 52.
    slider.SetSensitivity(-200);
    EXPECT_EQ(slider.Sensitivity(), -96);
    EXPECT_EQ(slider.Value(), 94);
    EXPECT_EQ(slider.Position(), 52);
}

// Values set while loading are taken as they come, as when a form is read: no raised maximum on the way,
// no change event, and the off-screen bitmap only once loading has ended.
TEST(LoadingSlider, TakesValuesAsTheyComeAndReportsNothing) {
    SetUpControlsApplication();
    QWidget panel;
    TNSSlider slider(&panel);
    int changes = 0;
    slider.SetOnChange([&](QObject*) { ++changes; });
    panel.show();
    QApplication::processEvents();
    slider.BeginLoading();
    slider.SetMinValue(167);
    EXPECT_EQ(slider.MaxValue(), 10);
    slider.SetMaxValue(50000);
    slider.SetPosition(2500);
    slider.resize(329, 25);
    EXPECT_EQ(slider.OffscreenBitmap()->Width(), 200) << "no new bitmap while loading";
    slider.Loaded();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(slider.Position(), 2500);
    EXPECT_EQ(slider.OffscreenBitmap()->Width(), 329);
}

} // namespace
