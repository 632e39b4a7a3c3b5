#include "controls/NSObj.h"
#include "platform/Exceptions.h"
#include "tests/controls/ControlsTestSupport.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace {

using namespace TestColors;

class BevelNotifications : public testing::Test {
protected:
    BevelNotifications() {
        bevel.SetOnChange([this](QObject* sender) {
            EXPECT_EQ(sender, &bevel);
            ++changes;
        });
    }
    TNSBevel bevel;
    int changes = 0;
};

TEST_F(BevelNotifications, OnlyChangesNotifyAndNestedUpdatesOnceAtTheOutermostEnd) {
    bevel.SetBevelOuter(bvLowered);
    bevel.SetOuterShadowColor(clBtnShadow);
    EXPECT_EQ(changes, 0);
    bevel.SetBevelOuter(bvRaised);
    // A colour index out of range notifies and stores nothing.
    bevel.SetColor(6, clWhite);
    bevel.SetColor(-1, clWhite);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(bevel.BorderColor(), clBtnFace);
    EXPECT_EQ(bevel.InnerShadowColor(), clBtnShadow);
    bevel.BeginUpdate();
    bevel.BeginUpdate();
    bevel.SetBorderWidth(2);
    bevel.EndUpdate();
    bevel.SetBorderWidth(3);
    EXPECT_EQ(changes, 3);
    bevel.EndUpdate();
    EXPECT_EQ(changes, 4);
}

TEST_F(BevelNotifications, AssignNotifiesOnceAndRefusesStrangers) {
    TNSBevel source;
    source.SetBevelInner(bvRaised);
    source.SetBevelOuter(bvSpace);
    source.SetBevelInnerWidth(2);
    source.SetBevelOuterWidth(3);
    source.SetBorderStyle(bsSingle);
    source.SetBorderWidth(4);
    source.SetBorderSpace(5);
    for (int i = 0; i < 6; ++i) {
        source.SetColor(i, RGBColor(std::uint8_t(i), 1, 2));
    }
    bevel.Assign(&source);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(bevel.BevelWidth(), source.BevelWidth());
    EXPECT_EQ(bevel.OuterShadowColor(), RGBColor(5, 1, 2));
    EXPECT_NO_THROW(bevel.Assign(&bevel));
    EXPECT_EQ(changes, 1) << "assigning itself changes nothing";
    QObject stranger;
    try {
        bevel.Assign(&stranger);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot assign a QObject to a TNSBevel"));
    }
    EXPECT_THROW(bevel.Assign(nullptr), EConvertError);
}

TEST(BevelWidth, SumsEveryFrame) {
    EXPECT_EQ(TNSBevel().BevelWidth(), 1) << "the defaults take one pixel";
    const struct {
        const char* Name;
        TBevelCut Outer;
        TBevelCut Inner;
        TBorderStyle Style;
        int Border;
        int Space;
        int Expected;
    } cases[] = {
        {"lowered outer", bvLowered, bvNone, bsNone, 0, 0, 3},
        {"single line only", bvNone, bvNone, bsSingle, 0, 0, 1},
        {"space counts its width", bvSpace, bvNone, bsNone, 0, 0, 3},
        {"inner space too", bvNone, bvSpace, bsNone, 0, 0, 2},
        {"everything", bvRaised, bvLowered, bsSingle, 4, 5, 1 + 3 + 4 + 2 + 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TNSBevel bevel;
        bevel.SetBevelOuter(c.Outer);
        bevel.SetBevelInner(c.Inner);
        bevel.SetBevelOuterWidth(3);
        bevel.SetBevelInnerWidth(2);
        bevel.SetBorderStyle(c.Style);
        bevel.SetBorderWidth(c.Border);
        bevel.SetBorderSpace(c.Space);
        EXPECT_EQ(bevel.BevelWidth(), c.Expected);
    }
}

TEST(ControlPicture, SpaceBevelLeavesABandOfTheControlColourAndASingleBorderIsOneFrameLine) {
    SetUpControlsApplication();
    TNSCustomControl control;
    control.resize(12, 9);
    control.SetColor(RGBColor(1, 2, 3));
    control.show();
    QApplication::processEvents();
    control.Bevel()->SetBevelOuter(bvSpace);
    control.Bevel()->SetBevelOuterWidth(3);
    EXPECT_EQ(control.InnerRect(), (TRect{3, 3, 9, 6}));
    QImage expected(12, 9, QImage::Format_RGB32);
    expected.fill(QColor(1, 2, 3));
    EXPECT_EQ(Grab(control), expected);

    control.Bevel()->SetBevelOuter(bvNone);
    control.Bevel()->SetBorderStyle(bsSingle);
    Fill(expected, 0, 0, 11, 8, Frame);
    Fill(expected, 1, 1, 10, 7, QColor(1, 2, 3));
    EXPECT_EQ(Grab(control), expected);
}

} // namespace
