#include "framework/widget/WidgetManager.h"

#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "graphics/ImageTestUtil.h"
#include "support/RecordingFont.h"
#include "support/RecordingWidget.h"
#include "support/StubWidgetHost.h"

#include <gtest/gtest.h>

using namespace Zorbel;
using namespace Zorbel::Testing;
using ZorbelTest::RecordingWidget;
using ZorbelTest::StubWidgetHost;
using Log = std::vector<std::string>;

namespace {

constexpr int32_t KEY_TAB = 9;
constexpr int32_t KEY_SHIFT = 16;
constexpr int32_t KEY_CONTROL = 17;

class WidgetManagerTest : public ::testing::Test {
protected:
    StubWidgetHost host;
    WidgetManager& manager = host.manager;
    Log log;

    // Adds a top-level widget at the rectangle.
    void Place(RecordingWidget& widget, int32_t x, int32_t y, int32_t width, int32_t height) {
        widget.Resize(x, y, width, height);
        manager.AddChild(&widget);
    }

    Log Click(int32_t x, int32_t y, int32_t code = 1) {
        log.clear();
        manager.MouseMove(x, y);
        manager.MouseDown(x, y, code);
        manager.MouseUp(x, y, code);
        return log;
    }
};

} // namespace

// Hit testing -------------------------------------------------------------------------------------------

TEST_F(WidgetManagerTest, TheUpperOfTwoOverlappingWidgetsGetsTheClick) {
    RecordingWidget lower("lower", &log), upper("upper", &log);
    Place(lower, 0, 0, 100, 100);
    Place(upper, 50, 50, 100, 100);
    EXPECT_EQ(Click(60, 60),
              (Log{"upper: enter", "upper: move 10,10", "upper: down 10,10 b0 c1", "upper: up 10,10 b0 c1"}));
}

TEST_F(WidgetManagerTest, AnInvisibleOrRefusingUpperWidgetLetsTheLowerOneHaveTheClick) {
    RecordingWidget lower("lower", &log), upper("upper", &log);
    Place(lower, 0, 0, 100, 100);
    Place(upper, 50, 50, 100, 100);
    upper.SetVisible(false);
    EXPECT_EQ(Click(60, 60),
              (Log{"lower: enter", "lower: move 60,60", "lower: down 60,60 b0 c1", "lower: up 60,60 b0 c1"}));

    upper.hitTest = [](int32_t x, int32_t y) { return x > 20 || y > 20; };
    upper.SetVisible(true);
    EXPECT_EQ(Click(61, 61), (Log{"lower: move 61,61", "lower: down 61,61 b0 c1", "lower: up 61,61 b0 c1"}));
    // The same widget accepts points it does not refuse.
    EXPECT_EQ(Click(80, 80), (Log{"lower: leave", "upper: enter", "upper: move 30,30",
                                  "upper: down 30,30 b0 c1", "upper: up 30,30 b0 c1"}));
}

TEST_F(WidgetManagerTest, ADisabledUpperWidgetStopsTheSearch) {
    RecordingWidget lower("lower", &log), upper("upper", &log);
    Place(lower, 0, 0, 100, 100);
    Place(upper, 50, 50, 100, 100);
    upper.SetDisabled(true);
    EXPECT_EQ(Click(60, 60), Log{});
    EXPECT_EQ(manager.GetLastDownWidget(), nullptr);
    int32_t x = -1, y = -1;
    EXPECT_EQ(manager.WidgetUnderPoint(60, 60, x, y), nullptr);
    EXPECT_EQ(manager.WidgetUnderPoint(10, 10, x, y), &lower);
}

TEST_F(WidgetManagerTest, InsetsAndChildrenDecideWhatIsUnderThePoint) {
    RecordingWidget panel("panel", &log), child("child", &log);
    Place(panel, 100, 100, 200, 200);
    panel.SetInsets(Insets{10, 10, 10, 10});
    child.Resize(170, 170, 40, 40); // reaches out of the panel
    panel.AddChild(&child);
    int32_t x = 0, y = 0;
    EXPECT_EQ(manager.WidgetUnderPoint(105, 150, x, y), nullptr); // inside the left inset
    EXPECT_EQ(manager.WidgetUnderPoint(115, 150, x, y), &panel);
    EXPECT_EQ(x, 15);
    EXPECT_EQ(y, 50);
    EXPECT_EQ(manager.WidgetUnderPoint(305, 305, x, y), &child); // outside the panel
    EXPECT_EQ(x, 35);
    EXPECT_EQ(y, 35);
    EXPECT_EQ(manager.WidgetUnderPoint(285, 285, x, y), &child);
    child.SetMouseVisible(false);
    EXPECT_EQ(manager.WidgetUnderPoint(285, 285, x, y), &panel);
    EXPECT_EQ(x, 185);
    EXPECT_EQ(manager.WidgetUnderPoint(305, 305, x, y), nullptr);
}

// Mouse routing -----------------------------------------------------------------------------------------

TEST_F(WidgetManagerTest, ADraggedWidgetKeepsTheMouseAndIsEnteredAgainOnReturn) {
    RecordingWidget widget("w", &log);
    Place(widget, 10, 10, 50, 50);
    manager.MouseMove(20, 20);
    manager.MouseDown(20, 20, 1);
    EXPECT_TRUE(widget.IsDown());
    log.clear();

    manager.MouseMove(100, 100);
    EXPECT_EQ(log, (Log{"w: drag 90,90", "w: leave"}));
    EXPECT_FALSE(widget.IsOver());
    EXPECT_TRUE(widget.IsDown());

    log.clear();
    manager.MouseMove(30, 30);
    EXPECT_EQ(log, (Log{"w: drag 20,20", "w: enter"}));
    EXPECT_TRUE(widget.IsOver());

    log.clear();
    manager.MouseMove(200, 200);
    manager.MouseUp(200, 200, 1);
    EXPECT_EQ(log, (Log{"w: drag 190,190", "w: leave", "w: up 190,190 b0 c1"}));
    EXPECT_FALSE(widget.IsDown());
    EXPECT_EQ(manager.GetLastDownWidget(), nullptr);
    EXPECT_EQ(manager.GetDownButtons(), 0);
}

TEST_F(WidgetManagerTest, ASecondButtonGoesToTheWidgetHoldingTheFirst) {
    RecordingWidget a("a", &log), b("b", &log);
    Place(a, 0, 0, 100, 100);
    Place(b, 200, 0, 100, 100);
    manager.MouseMove(50, 50);
    manager.MouseDown(50, 50, 1);
    manager.MouseMove(250, 50);
    log.clear();

    manager.MouseDown(250, 50, -1);
    EXPECT_EQ(log, (Log{"b: enter", "b: move 50,50", "a: down 250,50 b1 c1"}));
    EXPECT_EQ(manager.GetLastDownButtonId(), -1);
    EXPECT_EQ(manager.GetDownButtons(), WidgetManager::BUTTON_LEFT | WidgetManager::BUTTON_RIGHT);

    log.clear();
    manager.MouseUp(250, 50, 1);
    EXPECT_EQ(log, (Log{"a: up 250,50 b0 c1"}));
    EXPECT_EQ(manager.GetLastDownWidget(), &a) << "capture lasts while the right button is held";

    log.clear();
    manager.MouseUp(250, 50, -1);
    EXPECT_EQ(log, (Log{"a: up 250,50 b1 c1"}));
    EXPECT_EQ(manager.GetLastDownWidget(), nullptr);
}

TEST_F(WidgetManagerTest, MiddleAndDoublePressCodesBecomeButtonsAndCounts) {
    RecordingWidget widget("w", &log);
    Place(widget, 0, 0, 100, 100);
    EXPECT_EQ(Click(5, 5, 3), (Log{"w: enter", "w: move 5,5", "w: down 5,5 b2 c1", "w: up 5,5 b2 c1"}));
    EXPECT_EQ(manager.GetLastDownButtonId(), 2);
    EXPECT_EQ(Click(5, 5, -2), (Log{"w: down 5,5 b1 c2", "w: up 5,5 b1 c2"}));
    EXPECT_EQ(Click(5, 5, 2), (Log{"w: down 5,5 b0 c2", "w: up 5,5 b0 c2"}));
}

TEST_F(WidgetManagerTest, TypedPressesReachWidgetsAsPressCodesAndCodesPassThroughUnchanged) {
    RecordingWidget widget("w", &log);
    Place(widget, 0, 0, 100, 100);
    manager.MouseMove(5, 5);
    log.clear();
    manager.MouseDown(5, 5, MouseButton::Right, 2);
    manager.MouseUp(5, 5, MouseButton::Right);
    manager.MouseDown(5, 5, MouseButton::Middle, 1);
    EXPECT_EQ(manager.GetLastDownButtonId(), 2);
    // A release given as a press code reaches the widget with that very code.
    manager.MouseUp(5, 5, 3);
    manager.MouseDown(5, 5, MouseButton::Left, 1);
    manager.MouseUp(5, 5, 2);
    EXPECT_EQ(log, (Log{"w: down 5,5 b1 c2", "w: up 5,5 b1 c1", "w: down 5,5 b2 c1", "w: up 5,5 b2 c1",
                        "w: down 5,5 b0 c1", "w: up 5,5 b0 c2"}));
    EXPECT_EQ(manager.GetLastDownWidget(), nullptr);
}

TEST_F(WidgetManagerTest, NestedWidgetsGetPointsRelativeToThemselves) {
    RecordingWidget panel("panel", &log), child("child", &log);
    Place(panel, 100, 100, 200, 200);
    child.Resize(10, 10, 50, 50);
    panel.AddChild(&child);
    manager.MouseMove(115, 115);
    manager.MouseDown(115, 115, 1);
    manager.MouseMove(150, 150);
    manager.MouseUp(130, 130, 1);
    EXPECT_EQ(log, (Log{"child: enter", "child: move 5,5", "child: down 5,5 b0 c1", "child: drag 40,40",
                        "child: up 20,20 b0 c1", "child: move 20,20"}));
    EXPECT_EQ(child.GetAbsolutePosition(), (Point{110, 110}));
}

TEST_F(WidgetManagerTest, LeavingTheWindowEndsTheHover) {
    RecordingWidget widget("w", &log);
    Place(widget, 0, 0, 100, 100);
    manager.MouseMove(10, 10);
    log.clear();
    manager.MouseLeftWindow(-1, -1);
    EXPECT_EQ(log, Log{"w: leave"});
    EXPECT_FALSE(manager.IsMouseIn());
    // Outside the window, tree changes do not bring the hover back.
    manager.RefreshMouseOver();
    EXPECT_EQ(manager.GetOverWidget(), nullptr);
}

TEST_F(WidgetManagerTest, RemovingTheCapturedWidgetReleasesItsButtons) {
    RecordingWidget widget("w", &log);
    Place(widget, 0, 0, 100, 100);
    manager.MouseMove(5, 6);
    manager.MouseDown(5, 6, 1);
    manager.MouseDown(5, 6, -1);
    log.clear();
    manager.RemoveChild(&widget);
    EXPECT_EQ(log, (Log{"w: leave", "w: up 5,6 b0 c1", "w: up 5,6 b1 c1"}));
    EXPECT_EQ(manager.GetLastDownWidget(), nullptr);
    EXPECT_EQ(manager.GetDownButtons(), 0);
    EXPECT_FALSE(widget.IsDown());
    EXPECT_EQ(widget.GetManager(), nullptr);
}

TEST_F(WidgetManagerTest, DisablingAndEnablingUnderTheMouse) {
    RecordingWidget widget("w", &log);
    Place(widget, 0, 0, 100, 100);
    manager.MouseMove(10, 10);
    log.clear();
    widget.SetDisabled(true);
    EXPECT_EQ(log, Log{"w: leave"});
    log.clear();
    widget.SetDisabled(false);
    EXPECT_EQ(log, (Log{"w: enter", "w: move 10,10"}));
}

TEST_F(WidgetManagerTest, AWidgetCoveringTheCapturedOneTakesAwayItsHover) {
    RecordingWidget captured("captured", &log), cover("cover", &log);
    Place(captured, 0, 0, 100, 100);
    manager.MouseMove(10, 10);
    manager.MouseDown(10, 10, 1);
    log.clear();
    Place(cover, 0, 0, 50, 50);
    EXPECT_EQ(log, Log{"captured: leave"});
    EXPECT_EQ(manager.GetOverWidget(), nullptr);
    EXPECT_EQ(manager.GetLastDownWidget(), &captured);
}

TEST_F(WidgetManagerTest, ReleaseMouseButtonsEndsTheCaptureAtTheLastPoint) {
    RecordingWidget widget("w", &log);
    Place(widget, 10, 10, 100, 100);
    manager.MouseMove(20, 30);
    manager.MouseDown(20, 30, 3);
    log.clear();
    manager.ReleaseMouseButtons();
    EXPECT_EQ(log, Log{"w: up 10,20 b2 c1"});
    EXPECT_EQ(manager.GetLastDownWidget(), nullptr);
    EXPECT_EQ(manager.GetDownButtons(), 0);
}

// Keyboard and focus ----------------------------------------------------------------------------------

TEST_F(WidgetManagerTest, KeysCharactersAndTheWheelGoToTheFocusWidget) {
    RecordingWidget focus("focus", &log), other("other", &log);
    Place(focus, 0, 0, 100, 100);
    Place(other, 200, 0, 100, 100);
    manager.GiveFocus(&focus);
    manager.MouseMove(250, 50);
    log.clear();
    manager.KeyDown(65);
    manager.CharTyped('a');
    manager.KeyUp(65);
    manager.MouseWheel(-2);
    EXPECT_EQ(log, (Log{"focus: keydown 65", "focus: char a", "focus: keyup 65", "focus: wheel -2"}));
}

TEST_F(WidgetManagerTest, APressGivesTheFocusOnlyToWidgetsThatAcceptIt) {
    RecordingWidget plain("plain", &log), field("field", &log);
    Place(plain, 0, 0, 100, 100);
    Place(field, 200, 0, 100, 100);
    field.SetAcceptsFocus(true);
    Click(50, 50);
    EXPECT_EQ(manager.GetFocusWidget(), nullptr);
    Click(250, 50);
    EXPECT_EQ(manager.GetFocusWidget(), &field);
    EXPECT_TRUE(field.HasFocus());
}

TEST_F(WidgetManagerTest, TabAndShiftTabMoveTheFocus) {
    RecordingWidget first("first", &log), second("second", &log);
    Place(first, 0, 0, 10, 10);
    Place(second, 20, 0, 10, 10);
    first.SetTabNext(&second);
    second.SetTabPrevious(&first);
    manager.GiveFocus(&first);
    manager.KeyDown(KEY_TAB);
    EXPECT_EQ(manager.GetFocusWidget(), &second);
    EXPECT_FALSE(first.HasFocus());
    manager.KeyUp(KEY_TAB);
    manager.KeyDown(KEY_SHIFT);
    manager.KeyDown(KEY_TAB);
    EXPECT_EQ(manager.GetFocusWidget(), &first);
}

TEST_F(WidgetManagerTest, ControlTabIsKeptFromTheFocusWidget) {
    RecordingWidget focus("focus", &log);
    Place(focus, 0, 0, 10, 10);
    manager.GiveFocus(&focus);
    manager.KeyDown(KEY_CONTROL);
    log.clear();
    manager.CharTyped('\t');
    manager.KeyUp(KEY_TAB);
    manager.CharTyped('x');
    EXPECT_EQ(log, Log{"focus: char x"});
    manager.KeyUp(KEY_CONTROL);
    manager.KeyUp(KEY_TAB);
    EXPECT_EQ(log, (Log{"focus: char x", "focus: keyup 17", "focus: keyup 9"}));
}

TEST_F(WidgetManagerTest, LosingTheWindowFocusReleasesHeldKeys) {
    RecordingWidget focus("focus", &log);
    Place(focus, 0, 0, 10, 10);
    manager.GiveFocus(&focus);
    manager.KeyDown(65);
    manager.KeyDown(KEY_SHIFT);
    manager.KeyDown(300); // out of the table: delivered, not recorded
    manager.MouseDown(500, 500, 1);
    log.clear();
    manager.FocusLost();
    EXPECT_EQ(log, (Log{"focus: keyup 16", "focus: keyup 65", "focus: unfocus"}));
    EXPECT_FALSE(manager.IsKeyDown(65));
    EXPECT_FALSE(manager.IsKeyDown(KEY_SHIFT));
    EXPECT_EQ(manager.GetActualDownButtons(), 0);
    EXPECT_FALSE(manager.WindowHasFocus());
    // The focus widget stays, and hears of the window's return.
    log.clear();
    manager.FocusGained();
    EXPECT_EQ(log, Log{"focus: focus"});
    EXPECT_EQ(manager.GetFocusWidget(), &focus);
}

TEST_F(WidgetManagerTest, FocusGoesOnlyToAttachedWidgets) {
    RecordingWidget attached("attached", &log), loose("loose", &log);
    Place(attached, 0, 0, 10, 10);
    manager.GiveFocus(&attached);
    log.clear();
    manager.GiveFocus(&loose);
    EXPECT_EQ(log, Log{"attached: unfocus"});
    EXPECT_EQ(manager.GetFocusWidget(), nullptr);
}

// Modal widgets -----------------------------------------------------------------------------------------

TEST_F(WidgetManagerTest, BelowAModalWidgetNothingGetsTheMouseOrKeepsTheFocus) {
    RecordingWidget below("below", &log), modal("modal", &log), inner("inner", &log), above("above", &log);
    Place(below, 0, 0, 100, 100);
    Place(modal, 200, 200, 100, 100);
    inner.Resize(10, 10, 20, 20);
    modal.AddChild(&inner);
    manager.GiveFocus(&below);
    log.clear();

    manager.PushModal(&modal);
    EXPECT_EQ(log, Log{"below: unfocus"});
    EXPECT_EQ(manager.GetFocusWidget(), nullptr);
    Place(above, 400, 0, 100, 100);

    EXPECT_EQ(Click(50, 50), Log{});
    EXPECT_EQ(Click(450, 50),
              (Log{"above: enter", "above: move 50,50", "above: down 50,50 b0 c1", "above: up 50,50 b0 c1"}));
    EXPECT_EQ(Click(215, 215), (Log{"above: leave", "inner: enter", "inner: move 5,5",
                                    "inner: down 5,5 b0 c1", "inner: up 5,5 b0 c1"}));
    EXPECT_EQ(Click(250, 250)[1], "modal: enter");

    log.clear();
    manager.PopModal(&modal);
    EXPECT_EQ(log, Log{"below: focus"});
    EXPECT_EQ(manager.GetBaseModalWidget(), nullptr);
    EXPECT_EQ(Click(50, 50), (Log{"modal: leave", "below: enter", "below: move 50,50",
                                  "below: down 50,50 b0 c1", "below: up 50,50 b0 c1"}));
}

TEST_F(WidgetManagerTest, PushingAModalWidgetReleasesTheCaptureBelowIt) {
    RecordingWidget below("below", &log), modal("modal", &log);
    Place(below, 0, 0, 100, 100);
    Place(modal, 200, 200, 100, 100);
    manager.MouseMove(10, 10);
    manager.MouseDown(10, 10, 1);
    log.clear();
    manager.PushModal(&modal);
    EXPECT_EQ(log, (Log{"below: leave", "below: up 10,10 b0 c1"}));
    EXPECT_EQ(manager.GetLastDownWidget(), nullptr);
}

TEST_F(WidgetManagerTest, AModalChangeCanStopUpdatesBelowButNotAbove) {
    RecordingWidget below("below", &log), modal("modal", &log), above("above", &log);
    Place(below, 0, 0, 10, 10);
    Place(modal, 20, 0, 10, 10);
    Place(above, 40, 0, 10, 10);
    manager.PushModal(&modal, WidgetFlagsChange{0, WF_UPDATE});
    log.clear();
    manager.UpdateStep();
    EXPECT_EQ(log, (Log{"modal: update", "above: update"}));
    manager.PopModal(&modal);
    log.clear();
    manager.UpdateStep();
    EXPECT_EQ(log, (Log{"below: update", "modal: update", "above: update"}));
}

TEST_F(WidgetManagerTest, PoppingPastAModalWidgetThatWasRemovedEmptiesTheStack) {
    RecordingWidget first("first", &log), second("second", &log);
    Place(first, 0, 0, 10, 10);
    Place(second, 20, 0, 10, 10);
    manager.PushModal(&first);
    manager.PushModal(&second);
    EXPECT_EQ(manager.GetModalDepth(), 2u);
    manager.PopModal(&first); // not the most recent: ignored
    EXPECT_EQ(manager.GetModalDepth(), 2u);

    manager.RemoveChild(&first);
    manager.PopModal(&second);
    EXPECT_EQ(manager.GetModalDepth(), 0u);
    EXPECT_EQ(manager.GetBaseModalWidget(), nullptr);
}

TEST_F(WidgetManagerTest, NestedModalsRestoreTheOuterOne) {
    RecordingWidget first("first", &log), second("second", &log);
    Place(first, 0, 0, 10, 10);
    Place(second, 20, 0, 10, 10);
    manager.PushModal(&first);
    manager.PushModal(&second);
    manager.PopModal(&second);
    EXPECT_EQ(manager.GetBaseModalWidget(), &first);
    EXPECT_EQ(manager.GetModalDepth(), 1u);
}

// Update walk -----------------------------------------------------------------------------------------

TEST_F(WidgetManagerTest, RemovingTheWidgetBeingUpdatedNeitherSkipsNorRepeatsItsSibling) {
    RecordingWidget a("a", &log), b("b", &log), c("c", &log);
    Place(a, 0, 0, 10, 10);
    Place(b, 0, 0, 10, 10);
    Place(c, 0, 0, 10, 10);
    b.onUpdate = [&] { manager.RemoveChild(&b); };
    log.clear();
    manager.UpdateStep();
    EXPECT_EQ(log, (Log{"a: update", "b: update", "c: update"}));
    log.clear();
    manager.UpdateStep();
    EXPECT_EQ(log, (Log{"a: update", "c: update"}));
}

TEST_F(WidgetManagerTest, AWidgetMovedToTheTopDuringTheWalkUpdatesOncePerStep) {
    RecordingWidget a("a", &log), b("b", &log), c("c", &log);
    Place(a, 0, 0, 10, 10);
    Place(b, 0, 0, 10, 10);
    Place(c, 0, 0, 10, 10);
    a.onUpdate = [&] {
        manager.PlaceAbove(&a, nullptr);
        manager.RemoveChild(&c);
    };
    log.clear();
    manager.UpdateStep();
    EXPECT_EQ(log, (Log{"a: update", "b: update"}));
    EXPECT_EQ(manager.GetChildren().back(), &a);
}

TEST_F(WidgetManagerTest, ChildrenUpdateInsideTheirContainerAndFlagsChangesReachTheSubTree) {
    RecordingWidget panel("panel", &log), first("first", &log), second("second", &log);
    Place(panel, 0, 0, 100, 100);
    panel.AddChild(&first);
    panel.AddChild(&second);
    log.clear();
    manager.UpdateStep();
    EXPECT_EQ(log, (Log{"panel: update", "first: update", "second: update"}));
    EXPECT_EQ(first.GetUpdateCount(), 1);

    panel.SetFlagsChange(WidgetFlagsChange{0, WF_UPDATE});
    log.clear();
    manager.UpdateStep();
    EXPECT_EQ(log, Log{});
}

TEST_F(WidgetManagerTest, WindowFocusLossCanPauseUpdates) {
    RecordingWidget widget("w", &log);
    Place(widget, 0, 0, 10, 10);
    manager.SetLostFocusChange(WidgetFlagsChange{0, WF_UPDATE});
    manager.FocusLost();
    log.clear();
    manager.UpdateStep();
    EXPECT_EQ(log, Log{});
    manager.FocusGained();
    manager.UpdateStep();
    EXPECT_EQ(log, Log{"w: update"});
}

TEST_F(WidgetManagerTest, TheMarkDirtyFlagDirtiesEveryWidgetEachStep) {
    RecordingWidget widget("w", &log);
    Place(widget, 0, 0, 10, 10);
    widget.ClearDirty();
    manager.ClearDirty();
    EXPECT_FALSE(manager.UpdateStep());
    EXPECT_FALSE(widget.IsDirty());
    manager.SetDefaultFlags(DEFAULT_WIDGET_FLAGS | WF_MARK_DIRTY);
    EXPECT_TRUE(manager.UpdateStep());
    EXPECT_TRUE(widget.IsDirty());
}

TEST_F(WidgetManagerTest, FractionStepsReachEveryWidgetEveryTime) {
    struct Fractional : Widget {
        std::vector<double> fractions;
        void UpdateFraction(double fraction) override { fractions.push_back(fraction); }
    } first, second;
    first.Resize(0, 0, 10, 10);
    second.Resize(0, 0, 10, 10);
    manager.AddChild(&first);
    first.AddChild(&second);
    manager.UpdateStepFraction(0.25);
    manager.UpdateStepFraction(0.5);
    EXPECT_EQ(first.fractions, (std::vector<double>{0.25, 0.5}));
    EXPECT_EQ(second.fractions, (std::vector<double>{0.25, 0.5}));
    first.SetFlagsChange(WidgetFlagsChange{0, WF_UPDATE});
    manager.UpdateStepFraction(0.75);
    EXPECT_EQ(first.fractions.size(), 2u);
}

TEST_F(WidgetManagerTest, EveryInputStampsTheUpdateCount) {
    manager.UpdateStep();
    manager.UpdateStep();
    manager.KeyDown(1);
    EXPECT_EQ(manager.GetLastInputUpdateCount(), 2);
    manager.UpdateStep();
    manager.MouseMove(1, 1);
    EXPECT_EQ(manager.GetLastInputUpdateCount(), 3);
}

// Dirty marking ---------------------------------------------------------------------------------------

namespace {

void ClearAllDirty(WidgetManager& manager) {
    manager.ClearDirty();
    for (Widget* widget : manager.GetChildren())
        widget->ClearDirty();
}

} // namespace

TEST_F(WidgetManagerTest, AnOpaqueWidgetThatCoversTheMovedOneHidesEverythingBelow) {
    RecordingWidget hidden("hidden", &log), background("background", &log), sprite("sprite", &log);
    Place(hidden, 90, 90, 40, 40);
    Place(background, 0, 0, 800, 600);
    Place(sprite, 100, 100, 50, 50);
    ClearAllDirty(manager);
    sprite.Move(120, 120);
    EXPECT_TRUE(sprite.IsDirty());
    EXPECT_TRUE(background.IsDirty());
    EXPECT_FALSE(hidden.IsDirty());
    EXPECT_TRUE(manager.IsDirty());

    // A see-through background does not hide what lies under it.
    background.SetHasTransparencies(true);
    ClearAllDirty(manager);
    sprite.Move(100, 100);
    EXPECT_TRUE(background.IsDirty());
    EXPECT_TRUE(hidden.IsDirty());
}

TEST_F(WidgetManagerTest, CoveringIsJudgedOnTheOnScreenPartOnly) {
    RecordingWidget hidden("hidden", &log), background("background", &log), sprite("sprite", &log);
    Place(hidden, 700, 500, 200, 200);
    Place(background, 0, 0, 800, 600);
    Place(sprite, 750, 550, 100, 100); // hangs off the screen
    ClearAllDirty(manager);
    sprite.Move(760, 560);
    EXPECT_TRUE(background.IsDirty());
    EXPECT_FALSE(hidden.IsDirty());
}

TEST_F(WidgetManagerTest, DirtyingAWidgetDirtiesOverlappingWidgetsAboveIt) {
    RecordingWidget base("base", &log), over("over", &log), apart("apart", &log), below("below", &log);
    Place(below, 0, 0, 50, 50);
    Place(base, 0, 0, 50, 50);
    Place(over, 40, 40, 50, 50);
    Place(apart, 50, 0, 50, 30); // touches base's edge only
    ClearAllDirty(manager);
    base.Invalidate();
    EXPECT_TRUE(base.IsDirty());
    EXPECT_TRUE(over.IsDirty());
    EXPECT_FALSE(apart.IsDirty());
    EXPECT_FALSE(below.IsDirty());

    // A translucent widget also dirties what it is drawn over.
    ClearAllDirty(manager);
    base.SetHasAlpha(true);
    base.Invalidate();
    EXPECT_TRUE(below.IsDirty());
    EXPECT_TRUE(over.IsDirty());
}

TEST_F(WidgetManagerTest, MovingUnderAnotherWidgetDirtiesTheOneOnTop) {
    RecordingWidget mover("mover", &log), top("top", &log);
    Place(mover, 0, 0, 50, 50);
    Place(top, 300, 300, 50, 50);
    ClearAllDirty(manager);
    mover.Move(310, 310);
    EXPECT_TRUE(mover.IsDirty());
    EXPECT_TRUE(top.IsDirty());
}

TEST_F(WidgetManagerTest, HidingAWidgetDirtiesWhatWasBeneathIt) {
    RecordingWidget below("below", &log), widget("w", &log);
    Place(below, 0, 0, 100, 100);
    Place(widget, 10, 10, 20, 20);
    ClearAllDirty(manager);
    widget.SetVisible(false);
    EXPECT_TRUE(below.IsDirty());
    ClearAllDirty(manager);
    widget.SetVisible(true);
    EXPECT_TRUE(widget.IsDirty());
    EXPECT_FALSE(below.IsDirty());
}

TEST_F(WidgetManagerTest, AChildDirtiesItsTopLevelAncestor) {
    RecordingWidget panel("panel", &log), child("child", &log), other("other", &log);
    Place(panel, 0, 0, 100, 100);
    Place(other, 50, 50, 100, 100);
    child.Resize(10, 10, 10, 10);
    panel.AddChild(&child);
    ClearAllDirty(manager);
    child.ClearDirty();
    child.Invalidate();
    EXPECT_TRUE(child.IsDirty());
    EXPECT_TRUE(panel.IsDirty());
    EXPECT_TRUE(other.IsDirty());
}

// Tree ---------------------------------------------------------------------------------------------------

TEST_F(WidgetManagerTest, AddingAndRemovingAttachesTheWholeSubTree) {
    RecordingWidget panel("panel", &log), child("child", &log);
    child.Resize(0, 0, 10, 10);
    panel.AddChild(&child);
    EXPECT_EQ(child.GetManager(), nullptr);
    Place(panel, 0, 0, 100, 100);
    EXPECT_EQ(panel.GetManager(), &manager);
    EXPECT_EQ(child.GetManager(), &manager);
    manager.GiveFocus(&child);
    log.clear();
    manager.RemoveChild(&panel);
    EXPECT_EQ(log, Log{"child: unfocus"});
    EXPECT_EQ(child.GetManager(), nullptr);
    EXPECT_EQ(child.GetParent(), &panel);
    manager.RemoveChild(&panel); // not a child any more: nothing happens
    EXPECT_EQ(panel.GetParent(), nullptr);
}

TEST_F(WidgetManagerTest, AddingAWidgetUnderTheMouseEntersIt) {
    RecordingWidget widget("w", &log);
    manager.MouseMove(5, 5);
    widget.Resize(0, 0, 10, 10);
    manager.AddChild(&widget);
    EXPECT_EQ(log, (Log{"w: enter", "w: move 5,5"}));
}

TEST_F(WidgetManagerTest, PlaceAboveReordersTheChildren) {
    RecordingWidget a("a", &log), b("b", &log), c("c", &log);
    Place(a, 0, 0, 10, 10);
    Place(b, 0, 0, 10, 10);
    Place(c, 0, 0, 10, 10);
    manager.PlaceAbove(&c, &a);
    EXPECT_EQ(manager.GetChildren(), (WidgetContainer::WidgetList{&a, &c, &b}));
    manager.PlaceAbove(&a, nullptr);
    EXPECT_EQ(manager.GetChildren(), (WidgetContainer::WidgetList{&c, &b, &a}));
}

TEST_F(WidgetManagerTest, AWidgetAddedElsewhereLeavesItsOldParent) {
    RecordingWidget panel("panel", &log), widget("w", &log);
    Place(panel, 0, 0, 100, 100);
    panel.AddChild(&widget);
    manager.AddChild(&widget);
    EXPECT_FALSE(panel.HasChild(&widget));
    EXPECT_EQ(widget.GetParent(), &manager);
}

TEST_F(WidgetManagerTest, DeletingAWidgetInTheTreeTakesItOut) {
    auto widget = std::make_unique<RecordingWidget>("w", &log);
    Place(*widget, 0, 0, 10, 10);
    manager.MouseMove(5, 5);
    manager.MouseDown(5, 5, 1);
    manager.GiveFocus(widget.get());
    widget.reset();
    EXPECT_TRUE(manager.GetChildren().empty());
    EXPECT_EQ(manager.GetOverWidget(), nullptr);
    EXPECT_EQ(manager.GetLastDownWidget(), nullptr);
    EXPECT_EQ(manager.GetFocusWidget(), nullptr);
}

TEST(WidgetManagerLifetimeTest, WidgetsOutlivingTheManagerAreDetached) {
    RecordingWidget panel("panel"), child("child");
    panel.AddChild(&child);
    {
        StubWidgetHost host;
        host.manager.AddChild(&panel);
    }
    EXPECT_EQ(panel.GetParent(), nullptr);
    EXPECT_EQ(panel.GetManager(), nullptr);
    EXPECT_EQ(child.GetManager(), nullptr);
    EXPECT_EQ(child.GetParent(), &panel);
}

// Drawing -----------------------------------------------------------------------------------------------

namespace {

// Paints its rectangle, spilling a margin beyond it that clipping should cut away.
class PaintingWidget : public Widget {
public:
    PaintingWidget(uint32_t colour, int32_t spill = 0) : mColour(Color::FromPacked(colour)), mSpill(spill) {}
    void Draw(Graphics* g) override {
        ++draws;
        quickScaling = g->GetQuickScaling();
        g->SetPaintColor(mColour);
        g->PaintRect(-mSpill, -mSpill, mWidth + 2 * mSpill, mHeight + 2 * mSpill);
        if (onDraw) onDraw(g);
    }
    void DrawDeferred(Graphics* g) override {
        g->SetPaintColor(Color::FromPacked(overlayColour));
        g->PaintRect(0, 0, mWidth, mHeight);
    }
    int draws = 0;
    bool quickScaling = false;
    uint32_t overlayColour = 0xFFFFFFFF;
    std::function<void(Graphics*)> onDraw;

private:
    Color mColour;
    int32_t mSpill;
};

constexpr uint32_t kScreen = 0xFF000000;

class WidgetDrawingTest : public ::testing::Test {
protected:
    WidgetDrawingTest() {
        Fill(screen, 100, 100, kScreen);
        manager.SetImage(&screen);
    }
    void Place(Widget& widget, int32_t x, int32_t y, int32_t width, int32_t height) {
        widget.Resize(x, y, width, height);
        manager.AddChild(&widget);
    }

    StubWidgetHost host;
    WidgetManager& manager = host.manager;
    ImageContext context;
    MemoryImage screen{context};
};

} // namespace

TEST_F(WidgetDrawingTest, OnlyDirtyVisibleWidgetsAreDrawnAndEachIsClippedToItsRectangle) {
    PaintingWidget red(0xFFFF0000, 5), green(0xFF00FF00);
    Place(red, 10, 10, 20, 20);
    Place(green, 50, 10, 20, 20);
    EXPECT_TRUE(manager.DrawDirtyWidgets());
    EXPECT_EQ(PixelAt(screen, 10, 10), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(screen, 9, 10), kScreen);
    EXPECT_EQ(PixelAt(screen, 30, 29), kScreen);
    EXPECT_FALSE(red.IsDirty());
    EXPECT_FALSE(manager.IsDirty());
    EXPECT_TRUE(red.quickScaling) << "software drawing samples scaled pictures quickly";

    EXPECT_FALSE(manager.DrawDirtyWidgets()) << "nothing is dirty";
    green.Invalidate();
    EXPECT_TRUE(manager.DrawDirtyWidgets());
    EXPECT_EQ(red.draws, 1);
    EXPECT_EQ(green.draws, 2);

    green.SetVisible(false);
    manager.DrawDirtyWidgets();
    EXPECT_EQ(green.draws, 2);

    red.SetClip(false);
    red.Invalidate();
    manager.DrawDirtyWidgets();
    EXPECT_EQ(PixelAt(screen, 5, 5), 0xFFFF0000u) << "without clipping the spill lands";
}

TEST_F(WidgetDrawingTest, ChildrenAreDrawnAfterTheirParentAtTheirPlace) {
    PaintingWidget panel(0xFF0000FF), child(0xFFFFFF00), hidden(0xFFFF00FF);
    Place(panel, 10, 10, 50, 50);
    child.Resize(5, 5, 10, 10);
    hidden.Resize(20, 20, 10, 10);
    panel.AddChild(&child);
    panel.AddChild(&hidden);
    hidden.SetVisible(false);
    manager.DrawDirtyWidgets();
    EXPECT_EQ(PixelAt(screen, 14, 14), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(screen, 15, 15), 0xFFFFFF00u);
    EXPECT_EQ(PixelAt(screen, 24, 24), 0xFFFFFF00u);
    EXPECT_EQ(PixelAt(screen, 35, 35), 0xFF0000FFu);
    EXPECT_EQ(hidden.draws, 0);
    EXPECT_FALSE(child.IsDirty());
}

TEST_F(WidgetDrawingTest, AModalChangeCanHideEverythingBelowTheModalWidget) {
    PaintingWidget below(0xFFFF0000), modal(0xFF00FF00), above(0xFF0000FF);
    Place(below, 0, 0, 10, 10);
    Place(modal, 20, 0, 10, 10);
    Place(above, 40, 0, 10, 10);
    manager.PushModal(&modal, WidgetFlagsChange{0, WF_DRAW});
    manager.DrawDirtyWidgets();
    EXPECT_EQ(below.draws, 0);
    EXPECT_EQ(modal.draws, 1);
    EXPECT_EQ(above.draws, 1);
}

TEST_F(WidgetDrawingTest, DirtyPartsAreDrawnOnceEachAndNothingBetweenThem) {
    PaintingWidget board(0xFF0000FF), glass(0x80FFFFFF);
    Place(board, 0, 0, 100, 100);
    Place(glass, 0, 0, 100, 100);
    manager.DrawDirtyWidgets();
    manager.TakeDrawnArea();
    Fill(screen, 100, 100, kScreen);
    // Two parts far apart, and a third overlapping the first: the glass over them must blend once.
    board.InvalidateArea(Rect(0, 0, 10, 10));
    board.InvalidateArea(Rect(80, 80, 10, 10));
    board.InvalidateArea(Rect(5, 5, 10, 10));
    manager.DrawDirtyWidgets();
    const uint32_t once = PixelAt(screen, 2, 2);
    EXPECT_NE(once, kScreen);
    EXPECT_EQ(PixelAt(screen, 7, 7), once) << "where the parts overlap";
    EXPECT_EQ(PixelAt(screen, 85, 85), once);
    EXPECT_EQ(PixelAt(screen, 50, 50), kScreen) << "between the parts nothing is drawn";
    EXPECT_EQ(PixelAt(screen, 2, 16), kScreen) << "the merged part is the two parts' bounds, not more";
    EXPECT_EQ(board.draws, 3) << "the whole first draw, then one for each part left after merging";
    EXPECT_EQ(manager.TakeDrawnArea(), Rect(0, 0, 90, 90)) << "what is presented holds every part";
}

TEST(DirtyAreaTest, PartsNeverOverlapStayFewAndCoverAllThatWasAdded) {
    uint32_t seed = 7;
    auto next = [&](uint32_t range) {
        seed = seed * 1103515245 + 12345;
        return static_cast<int32_t>((seed >> 8) % range);
    };
    for (int round = 0; round < 50; ++round) {
        DirtyArea area;
        std::vector<Rect> added;
        for (int i = 0; i < 20; ++i) {
            added.emplace_back(next(60), next(60), 1 + next(12), 1 + next(12));
            area.Add(added.back());
            ASSERT_LE(area.Count(), DirtyArea::kMostRects);
        }
        for (const Rect* a = area.begin(); a != area.end(); ++a)
            for (const Rect* b = a + 1; b != area.end(); ++b)
                ASSERT_FALSE(a->Intersects(*b)) << "round " << round;
        for (const Rect& r : added)
            for (int32_t y = r.y; y < r.y + r.height; ++y)
                for (int32_t x = r.x; x < r.x + r.width; ++x)
                    ASSERT_TRUE(std::any_of(area.begin(), area.end(),
                                            [&](const Rect& part) { return part.Contains(x, y); }))
                        << x << "," << y << " round " << round;
    }
}

TEST_F(WidgetDrawingTest, DeferredOverlaysComeAfterEverythingOfLowerPriority) {
    PaintingWidget queuing(0xFFFF0000), later(0xFF00FF00), dialog(0xFF0000FF);
    Place(queuing, 0, 0, 40, 40);
    Place(later, 10, 10, 10, 10);
    Place(dialog, 30, 30, 20, 20);
    dialog.SetPriority(1);
    queuing.onDraw = [&](Graphics*) { manager.AddDeferredOverlay(&queuing, 0); };
    manager.DrawDirtyWidgets();
    EXPECT_EQ(PixelAt(screen, 15, 15), 0xFFFFFFFFu) << "the overlay covers the later widget";
    EXPECT_EQ(PixelAt(screen, 35, 35), 0xFF0000FFu) << "a widget of higher priority covers the overlay";
    EXPECT_EQ(PixelAt(screen, 45, 45), 0xFF0000FFu);
    EXPECT_EQ(manager.GetCurrentGraphics(), nullptr);
}

TEST_F(WidgetDrawingTest, NumberStripsDrawEachDigitFromItsCel) {
    MemoryImage strip(context);
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; y < 4; ++y)
        for (uint32_t digit = 0; digit < 10; ++digit)
            pixels.insert(pixels.end(), 3, 0xFF000010u + digit);
    strip.SetPixels(pixels.data(), 30, 4, true);
    Widget widget;
    Graphics g(&screen);
    widget.DrawNumberStrip(&g, 305, 10, 20, &strip, 2);
    EXPECT_EQ(PixelAt(screen, 10, 20), 0xFF000013u);
    EXPECT_EQ(PixelAt(screen, 12, 23), 0xFF000013u);
    EXPECT_EQ(PixelAt(screen, 13, 20), kScreen);
    EXPECT_EQ(PixelAt(screen, 15, 20), 0xFF000010u);
    EXPECT_EQ(PixelAt(screen, 20, 20), 0xFF000015u);
    EXPECT_EQ(PixelAt(screen, 22, 23), 0xFF000015u);
    EXPECT_EQ(PixelAt(screen, 23, 20), kScreen);
    EXPECT_EQ(CountNot(screen, kScreen), 3 * 3 * 4);

    Fill(screen, 100, 100, kScreen);
    widget.DrawNumberStrip(&g, 0, 0, 0, &strip, 0);
    EXPECT_EQ(PixelAt(screen, 0, 0), 0xFF000010u);
    EXPECT_EQ(CountNot(screen, kScreen), 3 * 4);
}

TEST_F(WidgetDrawingTest, CenteredLinesReturnTheRectangleTheyCover) {
    ZorbelTest::RecordingFont font;
    Widget widget;
    widget.Resize(0, 0, 100, 50);
    Graphics g(&screen);
    g.SetTextFont(&font);
    EXPECT_EQ(widget.DrawCenteredLine(&g, 50, "ab"), Rect(40, 38, 20, 15));
    EXPECT_EQ(widget.DrawCenteredLine(&g, 50, "ab", Color(1, 1, 1), Color(2, 2, 2), Point{2, 3}),
              Rect(40, 38, 22, 18));
    EXPECT_EQ(widget.DrawCenteredLine(&g, 50, "ab", Color(1, 1, 1), Color(2, 2, 2), Point{-2, -3}),
              Rect(38, 35, 22, 18));
    EXPECT_EQ(font.Places(), (Log{"ab@40,50", "ab@42,53", "ab@40,50", "ab@38,47", "ab@40,50"}));
    EXPECT_EQ(font.Calls()[1].color, Color(2, 2, 2));
    EXPECT_EQ(font.Calls()[2].color, Color(1, 1, 1));
    Graphics noFont(&screen);
    EXPECT_EQ(widget.DrawCenteredLine(&noFont, 50, "ab"), Rect());
}
