#include "framework/widget/Widget.h"

#include "support/RecordingWidget.h"
#include "support/StubWidgetHost.h"

#include <gtest/gtest.h>

#include <climits>

using namespace Zorbel;
using ZorbelTest::RecordingWidget;
using ZorbelTest::StubWidgetHost;
using Log = std::vector<std::string>;

TEST(WidgetTest, CountDigitsCountsDecimalDigitsOfNonNegativeNumbers) {
    Widget widget;
    EXPECT_EQ(widget.CountDigits(0), 1);
    EXPECT_EQ(widget.CountDigits(9), 1);
    EXPECT_EQ(widget.CountDigits(10), 2);
    EXPECT_EQ(widget.CountDigits(99), 2);
    EXPECT_EQ(widget.CountDigits(100), 3);
    EXPECT_EQ(widget.CountDigits(-5), 1);
    EXPECT_EQ(widget.CountDigits(-12345), 1);
    EXPECT_EQ(widget.CountDigits(INT_MAX), 10);
}

TEST(WidgetTest, ColourTableGrowsWithOpaqueBlackAndAnswersPastItsEnd) {
    Widget widget;
    EXPECT_EQ(widget.GetColor(3), Color(0, 0, 0, 255));
    EXPECT_EQ(widget.GetColor(3, Color(1, 2, 3, 4)), Color(1, 2, 3, 4));
    EXPECT_EQ(widget.GetColor(-1), Color(0, 0, 0, 255));

    widget.SetColor(5, Color(10, 20, 30, 40));
    ASSERT_EQ(widget.GetColorCount(), 6);
    for (int32_t i = 0; i < 5; ++i)
        EXPECT_EQ(widget.GetColor(i, Color(9, 9, 9, 9)), Color(0, 0, 0, 255)) << i;
    EXPECT_EQ(widget.GetColor(5), Color(10, 20, 30, 40));
    widget.SetColor(-2, Color(1, 1, 1));
    EXPECT_EQ(widget.GetColorCount(), 6);
}

TEST(WidgetTest, SetColorsReplacesTheWholeTable) {
    Widget widget;
    widget.SetColor(7, Color(1, 1, 1));
    const int32_t rgba[][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}};
    widget.SetColors(rgba, 2);
    EXPECT_EQ(widget.GetColorCount(), 2);
    EXPECT_EQ(widget.GetColor(1), Color(5, 6, 7, 8));
    const int32_t rgb[][3] = {{9, 8, 7}};
    widget.SetColors(rgb, 1);
    EXPECT_EQ(widget.GetColorCount(), 1);
    EXPECT_EQ(widget.GetColor(0), Color(9, 8, 7, 255));
}

TEST(WidgetTest, RectanglesInnerRectAndContainment) {
    Widget widget;
    widget.Resize(Rect(10, 20, 30, 40));
    widget.SetInsets(Insets{1, 2, 3, 4});
    EXPECT_EQ(widget.GetRect(), Rect(10, 20, 30, 40));
    EXPECT_EQ(widget.GetInnerRect(), Rect(11, 22, 26, 34));
    EXPECT_TRUE(widget.Contains(10, 20));
    EXPECT_TRUE(widget.Contains(39, 59));
    EXPECT_FALSE(widget.Contains(40, 59));
    widget.Move(0, 0);
    EXPECT_EQ(widget.GetRect(), Rect(0, 0, 30, 40));
}

TEST(WidgetTest, PressCodesBecomeButtonNumbersAndReleasesAlsoCallThePlainForm) {
    struct Probe : Widget {
        Log log;
        void MouseDown(int32_t, int32_t, int32_t button, int32_t count) override {
            log.push_back("down " + std::to_string(button) + " " + std::to_string(count));
        }
        void MouseUp(int32_t, int32_t, int32_t button, int32_t count) override {
            log.push_back("up " + std::to_string(button) + " " + std::to_string(count));
        }
        void MouseUp(int32_t, int32_t) override { log.push_back("up"); }
        using Widget::MouseDown;
        using Widget::MouseUp;
    } probe;
    for (int32_t code : {1, 2, -1, -2, 3})
        probe.MouseDown(0, 0, code);
    probe.MouseUp(0, 0, -2);
    EXPECT_EQ(probe.log, (Log{"down 0 1", "down 0 2", "down 1 1", "down 1 2", "down 2 1", "up", "up 1 2"}));
}

TEST(WidgetTest, UnchangedStateChangesDoNothing) {
    StubWidgetHost host;
    Widget widget;
    widget.Resize(0, 0, 10, 10);
    host.manager.AddChild(&widget);
    widget.ClearDirty();
    widget.Resize(0, 0, 10, 10);
    widget.SetVisible(true);
    widget.SetDisabled(false);
    EXPECT_FALSE(widget.IsDirty());
    widget.SetDisabled(true);
    EXPECT_TRUE(widget.IsDirty());
}

TEST(WidgetTest, HandCursorFollowsTheHover) {
    StubWidgetHost host;
    Widget widget;
    widget.Resize(0, 0, 10, 10);
    widget.SetHandCursor(true);
    host.manager.AddChild(&widget);
    host.manager.MouseMove(5, 5);
    host.manager.MouseMove(50, 50);
    EXPECT_EQ(host.cursors, (std::vector<int32_t>{1, 0}));
}

TEST(WidgetTest, AbsolutePositionSumsTheParentChain) {
    Widget outer, middle, inner;
    outer.Resize(100, 200, 500, 500);
    middle.Resize(10, 20, 100, 100);
    inner.Resize(1, 2, 10, 10);
    outer.AddChild(&middle);
    middle.AddChild(&inner);
    EXPECT_EQ(inner.GetAbsolutePosition(), (Point{111, 222}));
}

TEST(WidgetTest, DestroyingAContainerLeavesItsChildrenAlive) {
    RecordingWidget child("child");
    {
        Widget parent;
        parent.AddChild(&child);
        EXPECT_EQ(child.GetParent(), &parent);
    }
    EXPECT_EQ(child.GetParent(), nullptr);
}
