#include "effects/NSSlideImage.h"
#include "platform/Random.h"
#include "platform/Resample.h"

#include <QCoreApplication>
#include <QImage>
#include <QScreen>
#include <QWindow>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr TColor Back = RGBColor(10, 20, 30);

// A picture whose every pixel differs from its neighbours, so that a misplaced line shows.
void FillPattern(TBitmap& b, int width, int height, int salt = 0) {
    b.Reset(width, height, TPixelFormat::pf24bit);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = b.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            row[x * 3] = std::uint8_t(x * 3 + salt);
            row[x * 3 + 1] = std::uint8_t(y * 5 + salt);
            row[x * 3 + 2] = std::uint8_t(x * y + 64);
        }
    }
}

std::array<int, 3> At(const TBitmap& b, int x, int y) {
    if (b.PixelFormat() == TPixelFormat::pf1bit) {
        const int v = ((b.ScanLine(y)[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
        return {v, v, v};
    }
    const std::uint8_t* p = b.ScanLine(y) + x * 3;
    return {p[0], p[1], p[2]};
}

std::array<int, 3> Bgr(TColor c) {
    return {BlueOf(c), GreenOf(c), RedOf(c)};
}

// Runs the effect that Execute started to its end, one step at a time; returns the steps taken.
int RunToEnd(TNSSlideImage& image) {
    int steps = 0;
    while (image.Running()) {
        image.Step();
        ++steps;
        if (steps > 100000) {
            ADD_FAILURE() << "effect does not end";
            break;
        }
    }
    return steps;
}

struct Case {
    int Width;
    int Height;
    int PictureWidth;
    int PictureHeight;
};

std::string Describe(int effect, const Case& c, bool hide) {
    return (hide ? "hide " : "show ") + std::to_string(effect) + " in " + std::to_string(c.Width) + "x" +
           std::to_string(c.Height) + " of " + std::to_string(c.PictureWidth) + "x" +
           std::to_string(c.PictureHeight);
}

class SlideImage : public testing::Test {
protected:
    SlideImage() {
        image.SetBackColor(Back);
        image.SetOnEndProcess([this](QObject* sender) {
            EXPECT_EQ(sender, &image);
            ++ends;
            events.push_back("end");
        });
    }
    TNSSlideImage image;
    int ends = 0;
    std::vector<std::string> events;
};

} // namespace

TEST_F(SlideImage, StartsWithThePublishedDefaults) {
    TNSSlideImage fresh;
    EXPECT_EQ(fresh.NEffect(), 0);
    EXPECT_EQ(fresh.TimerDelay(), 1);
    EXPECT_EQ(fresh.BackColor(), clBtnFace);
    EXPECT_TRUE(fresh.DelOriginal());
    EXPECT_FALSE(fresh.HideMode());
    EXPECT_TRUE(fresh.Picture().Empty());
    EXPECT_EQ(fresh.Buffer().Width(), 0);
    EXPECT_FALSE(fresh.StepTimer().Enabled());
    EXPECT_EQ(fresh.StepTimer().CallBackMode(), cmWindow);
    EXPECT_FALSE(fresh.StepTimer().Running());
}

TEST_F(SlideImage, FitsTheWorkedExample) {
    image.resize(1024, 768);
    FillPattern(image.Picture(), 300, 200);
    image.SetNEffect(0);
    image.Execute();
    EXPECT_EQ(image.FitWidth(), 1024);
    EXPECT_EQ(image.FitHeight(), 682);
    EXPECT_EQ(image.PictureLeft(), 0);
    EXPECT_EQ(image.PictureTop(), 43);
    EXPECT_EQ(image.Source().Width(), 1024);
    EXPECT_EQ(image.Source().Height(), 725);
    EXPECT_EQ(image.Buffer().Width(), 1024);
    EXPECT_EQ(image.Buffer().Height(), 725);
    EXPECT_TRUE(image.Picture().Empty()); // DelOriginal
    EXPECT_TRUE(image.StepTimer().Enabled());
    EXPECT_EQ(RunToEnd(image), 1025);
    EXPECT_EQ(ends, 1);
    EXPECT_TRUE(image.Source().Empty());
    EXPECT_FALSE(image.StepTimer().Enabled());
}

TEST_F(SlideImage, WorkedExampleStepCountsOfTheControl) {
    image.resize(1024, 768);
    image.SetDelOriginal(false);
    FillPattern(image.Picture(), 300, 200);
    for (const auto& [effect, steps] :
         std::array<std::pair<int, int>, 5>{{{0, 1025}, {2, 683}, {9, 342}, {8, 343}, {4, 726}}}) {
        image.SetNEffect(effect);
        image.Execute();
        EXPECT_EQ(RunToEnd(image), steps) << effect;
    }
    EXPECT_EQ(ends, 5);
}

TEST_F(SlideImage, EveryEffectRevealsAndWipesWhatItsLinesReach) {
    const std::array<Case, 4> cases = {Case{64, 48, 40, 20}, Case{63, 47, 40, 20}, Case{64, 48, 20, 40},
                                       Case{63, 47, 21, 41}};
    for (const Case& c : cases) {
        for (int effect = 0; effect < EffectCount; ++effect) {
            TNSSlideImage control;
            control.SetBackColor(Back);
            control.resize(c.Width, c.Height);
            // What the window showed before: another picture, put up at once.
            FillPattern(control.Picture(), c.PictureWidth, c.PictureHeight, 101);
            control.SetNEffect(-1);
            control.Execute();
            const TBitmap before = control.Buffer();

            FillPattern(control.Picture(), c.PictureWidth, c.PictureHeight);
            control.SetNEffect(effect);
            control.Execute();
            const TBitmap source = control.Source();
            const TEffectPlan plan = control.Plan();
            ASSERT_EQ(RunToEnd(control), plan.StepCount()) << Describe(effect, c, false);

            // Expected: the old contents, with the source copied wherever a segment of a step reached.
            TBitmap expected = before;
            for (int t = 0; t <= plan.LastStep(); ++t) {
                std::array<TSegment, TEffectPlan::MaxSegments> segments{};
                const int count = plan.Segments(t, segments);
                for (int i = 0; i < count; ++i) {
                    const TSegment& s = segments[std::size_t(i)];
                    for (int y = std::max(s.Top, 0); y < std::min(s.Bottom, source.Height()); ++y) {
                        for (int x = std::max(s.Left, 0); x < std::min(s.Right, source.Width()); ++x) {
                            std::memcpy(expected.ScanLine(y) + x * 3, source.ScanLine(y) + x * 3, 3);
                        }
                    }
                }
            }
            const TBitmap& buffer = control.Buffer();
            ASSERT_EQ(buffer.Width(), source.Width());
            ASSERT_EQ(buffer.Height(), source.Height());
            for (int y = 0; y < buffer.Height(); ++y) {
                for (int x = 0; x < buffer.Width(); ++x) {
                    ASSERT_EQ(At(buffer, x, y), At(expected, x, y))
                        << Describe(effect, c, false) << " at " << x << "," << y;
                    if (x >= control.PictureLeft() && y >= control.PictureTop()) {
                        ASSERT_EQ(At(buffer, x, y), At(source, x, y)) << Describe(effect, c, false);
                    }
                }
            }

            control.SetHideMode(true);
            control.Execute();
            ASSERT_EQ(RunToEnd(control), control.Plan().StepCount()) << Describe(effect, c, true);
            for (int y = control.PictureTop(); y < buffer.Height(); ++y) {
                for (int x = control.PictureLeft(); x < buffer.Width(); ++x) {
                    ASSERT_EQ(At(buffer, x, y), Bgr(Back))
                        << Describe(effect, c, true) << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST_F(SlideImage, FittedPictureIsTheHalftoneStretch) {
    image.resize(90, 50);
    FillPattern(image.Picture(), 30, 20);
    TBitmap picture = image.Picture();
    image.SetNEffect(-1);
    image.Execute();
    // 30 x 20 into 90 x 50: s = min(3, 2.5), fitted 75 x 50 at X0 = 7.
    TBitmap expected;
    expected.SetBrushColor(Back);
    expected.Reset(82, 50, TPixelFormat::pf24bit);
    StretchHalftone(picture, expected, 7, 0, 75, 50);
    ASSERT_EQ(image.Buffer().Width(), 82);
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 82; ++x) {
            ASSERT_EQ(At(image.Buffer(), x, y), At(expected, x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(At(image.Buffer(), 6, 10), Bgr(Back));
}

TEST_F(SlideImage, EffectMinusOneDrawsAtOnce) {
    image.resize(40, 30);
    FillPattern(image.Picture(), 40, 30);
    image.SetNEffect(-1);
    image.Execute();
    EXPECT_EQ(ends, 1); // before Execute returned
    EXPECT_FALSE(image.Running());
    EXPECT_EQ(At(image.Buffer(), 39, 29),
              (std::array<int, 3>{std::uint8_t(39 * 3), std::uint8_t(29 * 5), std::uint8_t(39 * 29 + 64)}));
    image.SetHideMode(true);
    image.Execute();
    EXPECT_EQ(ends, 2);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            ASSERT_EQ(At(image.Buffer(), x, y), Bgr(Back));
        }
    }
}

TEST_F(SlideImage, NumbersOutsideTheCatalogueDrawAtOnce) {
    image.resize(20, 20);
    image.SetDelOriginal(false);
    FillPattern(image.Picture(), 20, 20);
    for (int number : {22, 100, -5, 1000}) {
        image.SetHideMode(false);
        image.SetNEffect(number);
        image.Execute();
        EXPECT_FALSE(image.Running()) << number;
        EXPECT_EQ(At(image.Buffer(), 5, 5), At(image.Picture(), 5, 5)) << number;
        image.SetHideMode(true);
        image.Execute();
        EXPECT_EQ(At(image.Buffer(), 5, 5), Bgr(Back)) << number;
    }
    EXPECT_EQ(ends, 8);
}

TEST_F(SlideImage, EmptyPictureEndsThenReportsTheError) {
    image.resize(20, 20);
    image.SetOnError([this](QObject* sender) {
        EXPECT_EQ(sender, &image);
        events.push_back("error");
    });
    image.SetNEffect(3);
    image.Execute();
    EXPECT_TRUE(image.HideMode());
    EXPECT_EQ(events, (std::vector<std::string>{"end", "error"}));
    EXPECT_FALSE(image.Running());
    EXPECT_EQ(image.Buffer().Width(), 0);
}

TEST_F(SlideImage, DelOriginalDecidesWhetherASecondShowHasAPicture) {
    image.resize(20, 20);
    FillPattern(image.Picture(), 10, 10);
    image.SetNEffect(-1);
    image.Execute();
    EXPECT_TRUE(image.Picture().Empty());
    image.SetHideMode(false);
    image.Execute();
    EXPECT_TRUE(image.HideMode()); // the empty-picture path

    image.SetDelOriginal(false);
    image.SetHideMode(false);
    FillPattern(image.Picture(), 20, 20);
    image.Execute();
    EXPECT_FALSE(image.Picture().Empty());
    image.SetHideMode(true);
    image.Execute();
    image.SetHideMode(false);
    image.Execute();
    EXPECT_FALSE(image.HideMode());
    EXPECT_EQ(At(image.Buffer(), 3, 7), At(image.Picture(), 3, 7));
}

TEST_F(SlideImage, HideBeforeAnyShowRunsAndEnds) {
    image.resize(30, 20);
    image.SetHideMode(true);
    image.SetNEffect(6);
    image.Execute();
    EXPECT_TRUE(image.Running());
    EXPECT_EQ(RunToEnd(image), 16); // CW div 2 + 1
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(image.Buffer().Width(), 0);
}

TEST_F(SlideImage, TwoColourPicturesStayTwoColour) {
    image.resize(16, 8);
    image.SetBackColor(clBlack);
    TBitmap& picture = image.Picture();
    picture.SetBrushColor(clBlack);
    picture.Reset(16, 8, TPixelFormat::pf1bit);
    picture.ScanLine(2)[0] = 0xF0;
    image.SetNEffect(2);
    image.Execute();
    EXPECT_EQ(image.Source().PixelFormat(), TPixelFormat::pf1bit);
    EXPECT_EQ(image.Buffer().PixelFormat(), TPixelFormat::pf1bit);
    RunToEnd(image);
    EXPECT_EQ(image.Buffer().ScanLine(2)[0], 0xF0);
    EXPECT_EQ(image.Buffer().ScanLine(3)[0], 0x00);
    image.SetHideMode(true);
    image.SetBackColor(clWhite);
    image.Execute();
    EXPECT_EQ(image.Source().PixelFormat(), TPixelFormat::pf24bit); // the hide draws through 24 bits
    RunToEnd(image);
    EXPECT_EQ(image.Buffer().PixelFormat(), TPixelFormat::pf1bit);
    for (int y = 0; y < 8; ++y) {
        EXPECT_EQ(image.Buffer().ScanLine(y)[0], 0xFF);
        EXPECT_EQ(image.Buffer().ScanLine(y)[1], 0xFF);
    }
}

TEST_F(SlideImage, TimerDelayPacesTheSteps) {
    image.resize(10, 10);
    image.SetDelOriginal(false);
    FillPattern(image.Picture(), 10, 10);
    image.SetTimerDelay(7);
    image.Execute();
    EXPECT_EQ(image.StepTimer().Interval(), 7);
    image.StopEffect();
    image.SetTimerDelay(0);
    image.Execute();
    EXPECT_EQ(image.StepTimer().Interval(), 1);
    image.SetTimerDelay(-20);
    image.Execute();
    EXPECT_EQ(image.StepTimer().Interval(), 1);
    RunToEnd(image);
}

TEST_F(SlideImage, TicksOfTheStepTimerRunTheSteps) {
    image.resize(10, 10);
    FillPattern(image.Picture(), 10, 10);
    image.SetNEffect(0);
    image.Execute();
    for (int i = 0; i < 5; ++i) {
        image.StepTimer().TimeCallback();
    }
    EXPECT_EQ(image.StepTimer().Pending(), 5);
    QCoreApplication::processEvents();
    EXPECT_EQ(image.StepIndex(), 5);
    for (int i = 0; i < 12; ++i) {
        image.StepTimer().TimeCallback(); // ten wait, two are lost
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(image.Running()); // 11 steps end it; the rest were discarded
    EXPECT_EQ(image.StepIndex(), 11);
    EXPECT_EQ(image.StepTimer().Pending(), 0);
    EXPECT_EQ(ends, 1);
}

TEST_F(SlideImage, ExecuteFromTheEndOfAHideStartsTheNextShow) {
    image.resize(12, 12);
    image.SetDelOriginal(false);
    FillPattern(image.Picture(), 12, 12);
    int shows = 0;
    image.SetOnEndProcess([&](QObject*) {
        ++ends;
        if (image.HideMode() && shows < 2) {
            ++shows;
            image.SetHideMode(false);
            image.SetNEffect(1);
            image.Execute();
        }
    });
    image.SetHideMode(true);
    image.SetNEffect(0);
    image.Execute();
    image.Step(); // a hide before any show has one step; its end starts a show at once
    EXPECT_EQ(shows, 1);
    EXPECT_TRUE(image.Running());
    EXPECT_EQ(image.Plan().Number(), 1);
    RunToEnd(image);
    EXPECT_EQ(At(image.Buffer(), 0, 0), At(image.Picture(), 0, 0));
}

TEST_F(SlideImage, ExecuteDuringAnEffectStartsAfresh) {
    image.resize(20, 10);
    image.SetDelOriginal(false);
    FillPattern(image.Picture(), 20, 10);
    image.SetNEffect(0);
    image.Execute();
    for (int i = 0; i < 5; ++i) {
        image.Step();
    }
    image.SetHideMode(true);
    image.SetNEffect(1);
    image.Execute(); // a hide over a source that still held the picture
    EXPECT_EQ(image.StepIndex(), 0);
    RunToEnd(image);
    for (int x = 0; x < 20; ++x) {
        ASSERT_EQ(At(image.Buffer(), x, 4), Bgr(Back)) << x;
    }
}

TEST_F(SlideImage, RandomLinesWithNothingToVisitEndAtOnce) {
    image.resize(10, 7000);
    FillPattern(image.Picture(), 10, 10);
    image.SetNEffect(-1);
    image.Execute(); // the picture at rows 3495 ... 3504
    image.resize(10, 100);
    image.SetHideMode(true);
    image.SetNEffect(4);
    image.Execute();
    EXPECT_EQ(ends, 2);
    EXPECT_FALSE(image.Running());
}

TEST_F(SlideImage, RandomColumnsReachEveryColumnOfA4KScreen) {
    image.resize(3840, 2);
    image.SetDelOriginal(false);
    FillPattern(image.Picture(), 3840, 2);
    image.SetNEffect(5);
    image.Execute();
    EXPECT_EQ(RunToEnd(image), 3841); // columns 0 ... 3840, the last one just beyond the picture
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3840; ++x) {
            ASSERT_EQ(At(image.Buffer(), x, y), At(image.Picture(), x, y)) << x << "," << y;
        }
    }
}

TEST_F(SlideImage, RandomLinesFollowTheSharedGenerator) {
    image.resize(10, 8);
    image.SetDelOriginal(false);
    FillPattern(image.Picture(), 10, 8);
    image.SetNEffect(5);
    TRandom::Shared().SetSeed(99);
    image.Execute();
    const std::vector<int> first = image.Plan().Lines();
    RunToEnd(image);
    TRandom::Shared().SetSeed(99);
    image.Execute();
    EXPECT_EQ(image.Plan().Lines(), first);
    TRandom reference;
    reference.SetSeed(99);
    EXPECT_EQ(first, ShuffleLines(0, 10, reference));
    RunToEnd(image);
}

TEST_F(SlideImage, PaintsFromTheBufferAndColourBeyondIt) {
    image.resize(40, 20);
    image.SetColor(RGBColor(0, 255, 0));
    image.SetDelOriginal(false);
    FillPattern(image.Picture(), 20, 20); // fitted 20 x 20 at X0 = 10, so W = 30
    image.show();
    image.SetNEffect(-1);
    image.Execute();
    const QImage shot = image.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.width(), 40);
    for (int y = 0; y < 20; y += 3) {
        for (int x = 0; x < 30; ++x) {
            const auto bgr = At(image.Buffer(), x, y);
            ASSERT_EQ(shot.pixel(x, y), qRgb(bgr[2], bgr[1], bgr[0])) << x << "," << y;
        }
        EXPECT_EQ(shot.pixel(35, y), qRgb(0, 255, 0));
    }
    image.hide();
}

TEST_F(SlideImage, CopyToBufferClipsToBothBitmaps) {
    image.resize(10, 10);
    image.SetDelOriginal(false);
    FillPattern(image.Picture(), 10, 10);
    image.SetNEffect(0);
    image.Execute();
    image.CopyToBuffer(-5, -5, 7, 7);
    EXPECT_EQ(At(image.Buffer(), 1, 1), At(image.Source(), 1, 1));
    EXPECT_NE(At(image.Buffer(), 2, 2), At(image.Source(), 2, 2));
    image.CopyToBuffer(8, 8, 100, 100);
    EXPECT_EQ(At(image.Buffer(), 9, 9), At(image.Source(), 9, 9));
    image.CopyToBuffer(10, 0, 1, 10);
    image.CopyToBuffer(0, -3, 10, 2);
    image.StopEffect();
}

TEST_F(SlideImage, StepsPaintTheirLinesOnTheScreen) {
    image.resize(40, 20);
    image.SetDelOriginal(false);
    image.SetBackColor(clBlack);
    image.SetColor(clBlack);
    FillPattern(image.Picture(), 40, 20);
    image.move(0, 0);
    image.show();
    QCoreApplication::processEvents();
    image.SetHideMode(true);
    image.SetNEffect(-1);
    image.Execute(); // a black picture area
    image.SetHideMode(false);
    image.SetNEffect(0);
    image.Execute();
    for (int i = 0; i < 5; ++i) {
        image.Step();
    }
    image.SetNEffect(2); // rows too, which take the wide path
    image.Execute();
    for (int i = 0; i < 3; ++i) {
        image.Step();
    }
    // What the window system holds now, painted step by step rather than rendered afresh.
    const QPoint at = image.mapToGlobal(QPoint(0, 0));
    const QImage shot =
        image.screen()->grabWindow(0, at.x(), at.y(), 40, 20).toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_GE(shot.width(), 40);
    ASSERT_GE(shot.height(), 20);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool revealed = x < 5 || y < 3;
            const auto bgr = revealed ? At(image.Picture(), x, y) : std::array<int, 3>{0, 0, 0};
            ASSERT_EQ(shot.pixel(x, y), qRgb(bgr[2], bgr[1], bgr[0])) << x << "," << y;
        }
    }
    image.StopEffect();
    image.hide();
}

TEST_F(SlideImage, EveryLineOfAStepReachesTheScreen) {
    image.resize(40, 20);
    image.SetDelOriginal(false);
    image.SetBackColor(clBlack);
    image.SetColor(clBlack);
    FillPattern(image.Picture(), 40, 20);
    image.move(0, 0);
    image.show();
    QCoreApplication::processEvents();
    image.SetHideMode(true);
    image.SetNEffect(-1);
    image.Execute();
    image.SetHideMode(false);
    image.SetNEffect(7); // two columns per step, from both edges
    image.Execute();
    for (int i = 0; i < 3; ++i) {
        image.Step();
    }
    const QPoint at = image.mapToGlobal(QPoint(0, 0));
    const QImage shot =
        image.screen()->grabWindow(0, at.x(), at.y(), 40, 20).toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.width(), 40);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool revealed = x < 3 || x >= 38; // columns 0, 1, 2 and 40 (outside), 39, 38
            const auto bgr = revealed ? At(image.Picture(), x, y) : std::array<int, 3>{0, 0, 0};
            ASSERT_EQ(shot.pixel(x, y), qRgb(bgr[2], bgr[1], bgr[0])) << x << "," << y;
        }
    }
    image.StopEffect();
    image.hide();
}

TEST_F(SlideImage, ResizingDuringAnEffectKeepsItsLayout) {
    image.resize(30, 20);
    image.SetDelOriginal(false);
    FillPattern(image.Picture(), 30, 20);
    image.SetNEffect(6);
    image.Execute();
    const int steps = image.Plan().StepCount();
    image.resize(60, 40);
    EXPECT_EQ(RunToEnd(image), steps);
    EXPECT_EQ(image.Buffer().Width(), 30);
    image.Execute();
    EXPECT_EQ(image.Buffer().Width(), 60); // the next one takes the new size
    EXPECT_EQ(image.Plan().StepCount(), 31);
    RunToEnd(image);
}
