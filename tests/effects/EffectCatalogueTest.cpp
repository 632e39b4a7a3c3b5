#include "effects/EffectCatalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace {

// The fitted picture of a 300 x 200 picture in a 1024 x 768 control.
TEffectGeometry WorkedExample() {
    return TEffectGeometry{1024, 768, 0, 43, 1024, 725, 1024, 682};
}

// Geometry as the control computes it for a picture already fitted to fitWidth x fitHeight.
TEffectGeometry Fitted(int cw, int ch, int fitWidth, int fitHeight) {
    const int left = (cw - fitWidth) / 2;
    const int top = (ch - fitHeight) / 2;
    return TEffectGeometry{cw, ch, left, top, left + fitWidth, top + fitHeight, fitWidth, fitHeight};
}

TEffectPlan PlanOf(int number, const TEffectGeometry& g, std::uint32_t seed = 1) {
    TRandom random;
    random.SetSeed(seed);
    TEffectPlan plan;
    plan.Start(number, g, random);
    return plan;
}

bool InsideSource(const TSegment& s, const TEffectGeometry& g) {
    return s.Left < g.Width && s.Top < g.Height && s.Right > 0 && s.Bottom > 0 && s.Left < s.Right &&
           s.Top < s.Bottom;
}

// Marks the source pixels that the effect's segments reach.
std::vector<bool> Reached(const TEffectPlan& plan) {
    const TEffectGeometry& g = plan.Geometry();
    std::vector<bool> reached(std::size_t(g.Width) * std::size_t(g.Height), false);
    for (int t = 0; t <= plan.LastStep(); ++t) {
        std::array<TSegment, 3> segments{};
        const int count = plan.Segments(t, segments);
        for (int i = 0; i < count; ++i) {
            const TSegment& s = segments[std::size_t(i)];
            for (int y = std::max(s.Top, 0); y < std::min(s.Bottom, g.Height); ++y) {
                for (int x = std::max(s.Left, 0); x < std::min(s.Right, g.Width); ++x) {
                    reached[std::size_t(y) * std::size_t(g.Width) + std::size_t(x)] = true;
                }
            }
        }
    }
    return reached;
}

} // namespace

TEST(EffectCatalogue, NamesAreThoseTheSettingsDialogLists) {
    EXPECT_EQ(EffectName(0), QStringLiteral("00-LeftToRight"));
    EXPECT_EQ(EffectName(5), QStringLiteral("05-RandomVerticalLine"));
    EXPECT_EQ(EffectName(14), QStringLiteral("14-UpAndCenterToDown"));
    EXPECT_EQ(EffectName(18), QStringLiteral("18-DobleLeftToRightAndRightToLeft"));
    EXPECT_EQ(EffectName(21), QStringLiteral("21-DobleDownToUpAndUpToDown"));
    EXPECT_TRUE(EffectName(22).isEmpty());
    EXPECT_TRUE(EffectName(-1).isEmpty());
    for (int i = 0; i < EffectCount; ++i) {
        EXPECT_EQ(EffectName(i).left(2).toInt(), i);
    }
}

TEST(EffectCatalogue, WorkedExampleStepCounts) {
    const TEffectGeometry g = WorkedExample();
    EXPECT_EQ(PlanOf(0, g).StepCount(), 1025);
    EXPECT_EQ(PlanOf(1, g).StepCount(), 1025);
    EXPECT_EQ(PlanOf(2, g).StepCount(), 683);
    EXPECT_EQ(PlanOf(3, g).StepCount(), 683);
    EXPECT_EQ(PlanOf(9, g).StepCount(), 342);
    EXPECT_EQ(PlanOf(8, g).StepCount(), 343);
    EXPECT_EQ(PlanOf(6, g).StepCount(), 513);
    const TEffectPlan random = PlanOf(4, g);
    EXPECT_EQ(random.StepCount(), 726);
    int empty = 0;
    for (int t = 0; t <= random.LastStep(); ++t) {
        std::array<TSegment, 3> s{};
        ASSERT_EQ(random.Segments(t, s), 1);
        EXPECT_EQ(s[0].Left, 0);
        EXPECT_EQ(s[0].Right, 1024);
        if (!InsideSource(s[0], g)) {
            ++empty;
            EXPECT_GE(s[0].Top, 725);
            EXPECT_LE(s[0].Top, 768);
        }
    }
    EXPECT_EQ(empty, 44);
}

TEST(EffectCatalogue, SweepsDrawTheirLineAndOneBeyondThePicture) {
    const TEffectGeometry g = WorkedExample();
    std::array<TSegment, 3> s{};
    const TEffectPlan right = PlanOf(0, g);
    ASSERT_EQ(right.Segments(0, s), 1);
    EXPECT_EQ(s[0], (TSegment{0, 43, 1, 725}));
    ASSERT_EQ(right.Segments(1024, s), 1);
    EXPECT_EQ(s[0], (TSegment{1024, 43, 1025, 725})); // column W, outside
    EXPECT_EQ(right.Segments(1025, s), 0);
    const TEffectPlan left = PlanOf(1, g);
    left.Segments(0, s);
    EXPECT_EQ(s[0].Left, 1024);
    left.Segments(1024, s);
    EXPECT_EQ(s[0].Left, 0);
    const TEffectPlan up = PlanOf(3, g);
    up.Segments(0, s);
    EXPECT_EQ(s[0], (TSegment{0, 725, 1024, 726}));
    up.Segments(682, s);
    EXPECT_EQ(s[0], (TSegment{0, 43, 1024, 44}));
}

TEST(EffectCatalogue, CurtainsAndCentreSweeps) {
    // 101 x 80 control, picture 41 x 80: X0 = 30, W = 71, Ac = 50, Bc = 40.
    const TEffectGeometry g = Fitted(101, 80, 41, 80);
    ASSERT_EQ(g.Left, 30);
    std::array<TSegment, 3> s{};
    const TEffectPlan open = PlanOf(6, g);
    EXPECT_EQ(open.StepCount(), 51); // CW div 2 + 1 whatever the picture's width
    ASSERT_EQ(open.Segments(0, s), 1);
    EXPECT_EQ(s[0], (TSegment{50, 0, 51, 80}));
    ASSERT_EQ(open.Segments(50, s), 2);
    EXPECT_EQ(s[0].Left, 100);
    EXPECT_EQ(s[1].Left, 0);
    const TEffectPlan close = PlanOf(7, g);
    EXPECT_EQ(close.StepCount(), 21);
    close.Segments(20, s);
    EXPECT_EQ(s[0].Left, 50);
    EXPECT_EQ(s[1].Left, 51);
    const TEffectPlan centre = PlanOf(17, g);
    EXPECT_EQ(centre.StepCount(), 22); // W - Ac + 1
    ASSERT_EQ(centre.Segments(0, s), 2);
    EXPECT_EQ(s[0].Left, 71);
    EXPECT_EQ(s[1].Left, 51); // within one column of Ac
    centre.Segments(21, s);
    EXPECT_EQ(s[0].Left, 50); // the first column reaches Ac ...
    EXPECT_EQ(s[1].Left, 30); // ... as the second reaches X0
    const TEffectPlan down = PlanOf(15, g);
    EXPECT_EQ(down.StepCount(), 41);
    down.Segments(0, s);
    EXPECT_EQ(s[0].Top, 80);
    EXPECT_EQ(s[1].Top, 40);
}

TEST(EffectCatalogue, SplitSweepsDivideAtTheControlsCentre) {
    const TEffectGeometry g = Fitted(64, 47, 64, 47); // odd height filled by the picture, Bc = 23
    std::array<TSegment, 3> s{};
    const TEffectPlan plan = PlanOf(10, g);
    ASSERT_EQ(plan.Segments(3, s), 2);
    EXPECT_EQ(s[0], (TSegment{3, 0, 4, 23}));
    EXPECT_EQ(s[1], (TSegment{61, 23, 62, 47})); // the second half reaches the last row 46
    const TEffectPlan rows = PlanOf(13, Fitted(63, 40, 63, 40));
    ASSERT_EQ(rows.Segments(0, s), 2);
    EXPECT_EQ(s[0], (TSegment{0, 40, 31, 41}));
    EXPECT_EQ(s[1], (TSegment{31, 0, 63, 1}));
}

TEST(EffectCatalogue, BandsTakeTheRemainderInTheLast) {
    const TEffectGeometry g = Fitted(50, 41, 50, 41); // h = 41: bands of 13, 13 and 15 rows
    std::array<TSegment, 3> s{};
    const TEffectPlan plan = PlanOf(18, g);
    EXPECT_EQ(plan.StepCount(), 51);
    ASSERT_EQ(plan.Segments(2, s), 3);
    EXPECT_EQ(s[0], (TSegment{2, 0, 3, 13}));
    EXPECT_EQ(s[1], (TSegment{48, 13, 49, 26}));
    EXPECT_EQ(s[2], (TSegment{2, 26, 3, 41}));
    const TEffectPlan columns = PlanOf(21, Fitted(44, 30, 44, 30)); // A3 = 14: 14, 14, 16
    ASSERT_EQ(columns.Segments(0, s), 3);
    EXPECT_EQ(s[0], (TSegment{0, 30, 14, 31}));
    EXPECT_EQ(s[1], (TSegment{14, 0, 28, 1}));
    EXPECT_EQ(s[2], (TSegment{28, 30, 44, 31}));
}

TEST(EffectCatalogue, EveryEffectReachesTheWholePicture) {
    const std::array<TEffectGeometry, 6> shapes = {Fitted(64, 48, 64, 32), Fitted(63, 47, 63, 31),
                                                   Fitted(64, 48, 24, 48), Fitted(63, 47, 23, 47),
                                                   Fitted(5, 3, 5, 1),     Fitted(1, 1, 1, 1)};
    for (const TEffectGeometry& g : shapes) {
        for (int number = 0; number < EffectCount; ++number) {
            const TEffectPlan plan = PlanOf(number, g);
            const std::vector<bool> reached = Reached(plan);
            for (int y = g.Top; y < g.Height; ++y) {
                for (int x = g.Left; x < g.Width; ++x) {
                    ASSERT_TRUE(reached[std::size_t(y) * std::size_t(g.Width) + std::size_t(x)])
                        << "effect " << number << " on " << g.ClientWidth << "x" << g.ClientHeight
                        << " misses " << x << "," << y;
                }
            }
        }
    }
}

TEST(EffectCatalogue, EmptySourceStillTakesSteps) {
    // A hide before any show: the saved sizes are 0.
    const TEffectGeometry g{200, 100, 0, 0, 0, 0, 100, 100};
    for (int number = 0; number < EffectCount; ++number) {
        const TEffectPlan plan = PlanOf(number, g);
        EXPECT_GE(plan.StepCount(), 1) << number;
        for (int t = 0; t <= plan.LastStep(); ++t) {
            std::array<TSegment, 3> s{};
            const int count = plan.Segments(t, s);
            for (int i = 0; i < count; ++i) {
                EXPECT_FALSE(InsideSource(s[std::size_t(i)], g));
            }
        }
    }
    EXPECT_EQ(PlanOf(6, g).StepCount(), 101);
}

TEST(EffectCatalogue, ShuffleInsertsAtADrawnIndex) {
    TRandom random;
    random.SetSeed(12345);
    EXPECT_EQ(ShuffleLines(5, 12, random), (std::vector<int>{12, 7, 10, 11, 8, 9, 6, 5}));
    EXPECT_EQ(random.Seed(), 340655249u); // one draw per number, the first one included
}

TEST(EffectCatalogue, ShuffleIsAPermutationUpToTheLimit) {
    TRandom random;
    random.SetSeed(7);
    for (const auto& [first, limit] : std::vector<std::pair<int, int>>{{2990, 5000}, {0, 2000}, {43, 5120}}) {
        std::vector<int> lines = ShuffleLines(first, limit, random);
        ASSERT_EQ(lines.size(), std::size_t(limit - first + 1));
        EXPECT_NE(lines.front(), first); // the first number only stays first when nothing goes before it
        std::sort(lines.begin(), lines.end());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            ASSERT_EQ(lines[i], first + int(i));
        }
    }
    EXPECT_TRUE(ShuffleLines(4001, 4000, random).empty());
    EXPECT_EQ(ShuffleLines(4000, 4000, random), std::vector<int>{4000});
}

TEST(EffectCatalogue, RandomLinesWithNothingToVisitHaveNoStep) {
    // A hide laid out with the margins of a picture shown before the control shrank.
    const TEffectGeometry g{100, 50, 0, 3495, 100, 3505, 100, 10};
    const TEffectPlan plan = PlanOf(4, g);
    EXPECT_EQ(plan.LastStep(), -1);
    std::array<TSegment, 3> s{};
    EXPECT_EQ(plan.Segments(0, s), 0);
    EXPECT_EQ(PlanOf(5, g).StepCount(), 101);
}
