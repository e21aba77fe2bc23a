#include "framework/app/CursorController.h"
#include "framework/platform/time/ManualClock.h"
#include "framework/platform/window/HeadlessWindowSystem.h"
#include "support/FakeDisplayDevice.h"

#include <gtest/gtest.h>

using namespace Zorbel;
using ZorbelTest::FakeDisplayDevice;

TEST(CursorControllerTest, DuringDemoPlaybackTheDrawnCursorShowsUnderTheNotAllowedSign) {
    ManualClock clock;
    HeadlessWindowSystem windows(clock);
    ImageContext context;
    FakeDisplayDevice display(context);
    CursorController cursor(windows);
    cursor.CreateBuiltinCursors();
    MemoryImage hand(context);
    cursor.SetCursorImage(CursorController::CURSOR_HAND, &hand);
    cursor.SetCursorId(CursorController::CURSOR_HAND);

    // A replayed run draws the recorded cursor even without custom cursors, and the system's own
    // pointer tells the player that input is not taken.
    cursor.Enforce(&display, false, true);
    EXPECT_EQ(display.softCursor, &hand);
    EXPECT_TRUE(cursor.HasChanged());
    EXPECT_EQ(windows.CursorShape(windows.CurrentCursor()), SystemCursor::NotAllowed);
    EXPECT_TRUE(windows.IsSystemCursorShown());

    // A normal run shows the built-in hand instead.
    cursor.ClearChanged();
    cursor.Enforce(&display, false, false);
    EXPECT_EQ(display.softCursor, nullptr);
    ASSERT_NE(windows.CursorMask(windows.CurrentCursor()), nullptr);
    EXPECT_EQ(windows.CursorMask(windows.CurrentCursor())->hotX, 11);

    // An override handle stands in for every number; away from the window the arrow shows.
    CursorHandle wait = windows.CreateSystemCursor(SystemCursor::Wait);
    cursor.SetOverrideCursor(wait);
    cursor.Enforce(&display, false, false);
    EXPECT_EQ(windows.CurrentCursor(), wait);
    cursor.Enforce(&display, true, true);
    EXPECT_EQ(windows.CursorShape(windows.CurrentCursor()), SystemCursor::Arrow);
    windows.DestroyCursor(wait);
}
