#include "app/AppHarness.h"
#include "support/Eventually.h"

#include "framework/sound/MusicInterface.h"

#include <chrono>
#include <future>
#include <thread>

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

class MainLoopTest : public AppFixture {
protected:
    // An initialised application whose loading phase is over and whose clock ticks evenly.
    TestApp& SteadyApp() {
        TestApp& a = StartApp();
        a.GetLoading().MarkDone();
        RunUntil(clock.Milliseconds() + 100);
        return a;
    }

    // Runs steps until the application first sleeps; returns how many updates ran meanwhile.
    int UpdatesUntilSleep() {
        int sleepsBefore = clock.SleepCount();
        int updatesBefore = app->GetUpdateCount();
        bool updated = false;
        for (int step = 0; step < 100000 && clock.SleepCount() == sleepsBefore; ++step)
            app->UpdateAppStep(updated);
        EXPECT_NE(clock.SleepCount(), sleepsBefore) << "the application never slept";
        return app->GetUpdateCount() - updatesBefore;
    }

    // Waits, in real time, for the loading thread to finish.
    static bool WaitForLoading(TestApp& a) {
        return ZorbelTest::Eventually([&] { return a.GetLoading().IsDone(); });
    }

    // The longest run of update steps without a draw step between them, from the widget layer's log.
    static int LongestBurst(const std::vector<std::string>& events) {
        int longest = 0, run = 0;
        for (const std::string& event : events) {
            if (event == "U") longest = std::max(longest, ++run);
            if (event == "D") run = 0;
        }
        return longest;
    }
};

Widget* FakeWidget(int n) {
    return reinterpret_cast<Widget*>(static_cast<uintptr_t>(0x1000 + n * 16));
}

} // namespace

TEST_F(MainLoopTest, UpdatesRunAHundredTimesASecond) {
    SteadyApp();
    int before = app->GetUpdateCount();
    RunUntil(clock.Milliseconds() + 1000);
    EXPECT_NEAR(app->GetUpdateCount() - before, 100, 1);
    // Between updates the thread sleeps instead of spinning.
    EXPECT_GE(app->GetStepClock().GetSleepCount(), 90);
}

TEST_F(MainLoopTest, AStallOfOneSecondCatchesUpTwentyUpdatesNotAHundred) {
    SteadyApp();
    UpdatesUntilSleep();
    clock.Advance(1000);
    EXPECT_EQ(UpdatesUntilSleep(), 20);
}

TEST_F(MainLoopTest, AtMostNineUpdatesRunBeforeADraw) {
    SteadyApp();
    UpdatesUntilSleep();
    widgets->events.clear();
    clock.Advance(200);
    EXPECT_EQ(UpdatesUntilSleep(), 20);
    EXPECT_EQ(LongestBurst(widgets->events), 9);
    // 9 + 9 + 2 updates, each burst followed by its draw.
    EXPECT_EQ(std::count(widgets->events.begin(), widgets->events.end(), "D"), 3);

    // At one and a half times the speed a burst may hold ceiling(15) - 1 updates.
    UpdatesUntilSleep();
    app->GetStepClock().SetSpeed(1.5);
    widgets->events.clear();
    clock.Advance(200);
    int target = app->GetUpdateCount() + 25;
    for (int call = 0; call < 10000 && app->GetUpdateCount() < target; ++call)
        app->UpdateApp();
    ASSERT_GE(app->GetUpdateCount(), target);
    EXPECT_EQ(LongestBurst(widgets->events), 14);
}

TEST_F(MainLoopTest, WithNothingDirtyTheScreenIsStillPresentedOnceASecond) {
    SteadyApp();
    int presents = display->presentCount;
    uint32_t start = clock.Milliseconds();
    RunUntil(start + 5005);
    EXPECT_EQ(display->presentCount - presents, 5);
    // Draw steps still ran after every update; they only found nothing to present.
    EXPECT_GT(widgets->drawCount, 400);

    // Something dirty after every update is presented after every update.
    widgets->alwaysDirty = true;
    widgets->dirty = true;
    presents = display->presentCount;
    RunUntil(clock.Milliseconds() + 1000);
    EXPECT_NEAR(display->presentCount - presents, 100, 2);
}

TEST_F(MainLoopTest, MinimisedUpdatesRunButWidgetsAreNeitherUpdatedNorDrawn) {
    SteadyApp();
    Post(MessageKind::Size, SizeMinimised);
    RunUntil(clock.Milliseconds() + 20);
    ASSERT_TRUE(app->GetMessagePump().IsMinimised());
    EXPECT_TRUE(app->IsMuted());
    EXPECT_FALSE(app->HasFocus());

    int updates = app->GetUpdateCount();
    int widgetUpdates = widgets->updateCount;
    int widgetDraws = widgets->drawCount;
    RunUntil(clock.Milliseconds() + 500);
    EXPECT_NEAR(app->GetUpdateCount() - updates, 50, 1);
    EXPECT_EQ(widgets->updateCount, widgetUpdates);
    EXPECT_EQ(widgets->drawCount, widgetDraws);

    Post(MessageKind::Size, SizeRestored);
    RunUntil(clock.Milliseconds() + 100);
    EXPECT_GT(widgets->updateCount, widgetUpdates);
    EXPECT_GT(widgets->drawCount, widgetDraws);
    EXPECT_FALSE(app->IsMuted());
    EXPECT_TRUE(app->HasFocus());
}

TEST_F(MainLoopTest, AWidgetDeletedInsideANestedStepSurvivesUntilItsDepthIsReachedAgain) {
    SteadyApp();
    bool inNested = false;
    bool nestedDone = false;
    std::vector<Widget*> deletedWhenNestedReturned;
    widgets->onUpdate = [&] {
        if (nestedDone) return;
        if (!inNested) {
            // An event handler of the outer step opens a dialog that runs its own loop.
            app->SafeDeleteWidget(FakeWidget(1));
            inNested = true;
            app->UpdateApp();
            deletedWhenNestedReturned = widgets->deleted;
            nestedDone = true;
        } else {
            EXPECT_EQ(app->GetStepClock().GetStepDepth(), 2);
            app->SafeDeleteWidget(FakeWidget(2));
        }
    };
    app->UpdateApp();
    ASSERT_TRUE(nestedDone);
    // The widget queued inside the nested step went with that step; the outer one waited.
    EXPECT_EQ(deletedWhenNestedReturned, std::vector<Widget*>{FakeWidget(2)});
    EXPECT_EQ(widgets->deleted, (std::vector<Widget*>{FakeWidget(2), FakeWidget(1)}));
}

TEST_F(MainLoopTest, LoadingCompletionIsHandledByTheNextUpdateStep) {
    TestApp& a = StartApp();
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    a.loadingBody = [released] { released.wait(); };
    a.StartLoadingThread();

    RunUntil(clock.Milliseconds() + 300);
    EXPECT_EQ(a.loadingFinishedCount, 0);
    EXPECT_TRUE(a.GetLoading().IsThrottling());
    EXPECT_DOUBLE_EQ(a.GetLoadingProgress(), 0.0);

    release.set_value();
    ASSERT_TRUE(WaitForLoading(a));
    EXPECT_EQ(a.loadingFinishedCount, 0);
    a.UpdateApp();
    EXPECT_EQ(a.loadingFinishedCount, 1);
    EXPECT_FALSE(a.GetLoading().IsThrottling());
    EXPECT_DOUBLE_EQ(a.GetLoadingProgress(), 1.0);
    RunUntil(clock.Milliseconds() + 100);
    EXPECT_EQ(a.loadingFinishedCount, 1);
}

TEST_F(MainLoopTest, QuittingBeforeLoadingEndsNeverCallsLoadingFinished) {
    TestApp& a = StartApp();
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    a.loadingBody = [released] { released.wait(); };
    // The loading thread is let go only once the program is shutting down.
    a.onShutdown = [&] { release.set_value(); };
    Post(MessageKind::Close);
    testing::internal::CaptureStderr();
    a.Start();
    std::string statistics = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(a.IsShuttingDown());
    EXPECT_TRUE(a.GetLoading().IsDone());
    EXPECT_EQ(a.loadingFinishedCount, 0);
    EXPECT_NE(statistics.find("Update Count  = "), std::string::npos);
    EXPECT_NE(statistics.find("Resource Loading Time: "), std::string::npos);
}

TEST_F(MainLoopTest, StartRunsUntilShutdownAndWritesStatistics) {
    TestApp& a = StartApp();
    a.GetLoading().MarkDone();
    widgets->onUpdate = [&] {
        if (a.GetUpdateCount() == 250) a.Shutdown();
    };
    testing::internal::CaptureStderr();
    a.Start();
    std::string statistics = testing::internal::GetCapturedStderr();
    EXPECT_EQ(a.GetUpdateCount(), 250);
    EXPECT_NE(statistics.find("Seconds       = 2.5"), std::string::npos) << statistics;
    EXPECT_NE(statistics.find("Update Count  = 250\r\n"), std::string::npos);
    EXPECT_NE(statistics.find("Draw Count    = "), std::string::npos);
    EXPECT_EQ(a.beforeShutdownCount, 1);
}

TEST_F(MainLoopTest, ShutdownFromAnotherThreadTakesEffectAtTheNextStep) {
    TestApp& a = SteadyApp();
    std::thread([&] { a.Shutdown(); }).join();
    EXPECT_FALSE(a.IsShuttingDown());
    EXPECT_TRUE(a.IsShutdownPending());
    EXPECT_EQ(a.beforeShutdownCount, 0);
    a.UpdateApp();
    EXPECT_TRUE(a.IsShuttingDown());
    EXPECT_EQ(a.beforeShutdownCount, 1);
}

TEST_F(MainLoopTest, ALostDisplayIsSetUpAgainAndPresentedWhenItComesBack) {
    SteadyApp();
    widgets->alwaysDirty = true;
    widgets->dirty = true;
    int inits = display->initCount;
    display->failPresents = 1;
    RunUntil(clock.Milliseconds() + 20);
    EXPECT_EQ(display->initCount, inits + 1);
    // Everything is drawn again onto the new screen image.
    EXPECT_EQ(widgets->image, display->GetScreenImage());
    EXPECT_GE(widgets->markAllDirtyCount, 2);
    RunUntil(clock.Milliseconds() + 50);
    EXPECT_FALSE(app->GetScreenModes().IsDisplayLost());
    EXPECT_EQ(display->initCount, inits + 1);
}

TEST_F(MainLoopTest, InputReachesTheWidgetsInOrder) {
    SteadyApp();
    windows.SetPointer(app->GetMainWindow(), 10, 20, true);
    Post(MessageKind::MouseMove, 0, 10, 20);
    Post(MessageKind::LeftDown, 0, 10, 20, ButtonLeft);
    Post(MessageKind::LeftUp, 0, 11, 20);
    Post(MessageKind::RightDouble, 0, 11, 20, ButtonRight);
    Post(MessageKind::MiddleUp, 0, 11, 20);
    Post(MessageKind::Wheel, -240);
    Post(MessageKind::KeyDown, 'A');
    Post(MessageKind::Char, 'a');
    Post(MessageKind::KeyUp, 'A');
    RunUntil(clock.Milliseconds() + 100);
    std::vector<std::string> expected = {
        "move 10,20", "move 10,20", "down 10,20 1", "move 11,20", "up 11,20 1", "move 11,20", "down 11,20 -2",
        "move 11,20", "up 11,20 3", "wheel -2",     "keydown 65", "char a",     "keyup 65"};
    EXPECT_EQ(widgets->Inputs(), expected);
    EXPECT_FALSE(windows.IsMouseCaptured());
}

TEST_F(MainLoopTest, FocusLossMutesAndReleasesTheButtonsAndFocusGainUndoesIt) {
    SteadyApp();
    Post(MessageKind::Activate, 0);
    RunUntil(clock.Milliseconds() + 20);
    EXPECT_FALSE(app->HasFocus());
    EXPECT_TRUE(app->IsMuted());
    EXPECT_EQ(app->GetAudio().GetAutoMuteCount(), 1);
    Post(MessageKind::Activate, 1);
    RunUntil(clock.Milliseconds() + 20);
    EXPECT_TRUE(app->HasFocus());
    EXPECT_FALSE(app->IsMuted());
    EXPECT_EQ(widgets->Inputs(), (std::vector<std::string>{"focus-lost", "release-buttons", "focus-gained"}));
}

TEST_F(MainLoopTest, AltEnterSwitchesScreenModeUnlessAModeIsForced) {
    SteadyApp();
    WindowId windowed = app->GetMainWindow();
    Post(MessageKind::SysKeyDown, 13);
    RunUntil(clock.Milliseconds() + 20);
    EXPECT_FALSE(app->IsWindowed());
    EXPECT_NE(app->GetMainWindow(), windowed);
    EXPECT_EQ(windows.FindWindow(windowed), nullptr);
    ASSERT_NE(windows.FindWindow(app->GetMainWindow()), nullptr);
    EXPECT_TRUE(windows.FindWindow(app->GetMainWindow())->desc.fullScreen);
    EXPECT_FALSE(display->initWindowed.back());

    Post(MessageKind::SysKeyDown, 13);
    RunUntil(clock.Milliseconds() + 20);
    EXPECT_TRUE(app->IsWindowed());
    EXPECT_TRUE(display->initWindowed.back());
}

TEST_F(MainLoopTest, CursorNumbersChooseTheirShapes) {
    SteadyApp().mInsideMainLoop = true;
    windows.SetPointer(app->GetMainWindow(), 5, 5, true);
    Post(MessageKind::MouseMove, 0, 5, 5);
    RunUntil(clock.Milliseconds() + 20);

    app->SetCursor(ZorbelAppBase::CURSOR_HAND);
    const MaskCursor* hand = windows.CursorMask(windows.CurrentCursor());
    ASSERT_NE(hand, nullptr);
    EXPECT_EQ(hand->hotX, 11);
    EXPECT_EQ(hand->hotY, 4);
    app->SetCursor(ZorbelAppBase::CURSOR_DRAGGING);
    ASSERT_NE(windows.CursorMask(windows.CurrentCursor()), nullptr);
    EXPECT_EQ(windows.CursorMask(windows.CurrentCursor())->hotX, 15);

    const std::pair<int32_t, SystemCursor> system[] = {
        {0, SystemCursor::Arrow},      {3, SystemCursor::TextBeam},   {4, SystemCursor::NotAllowed},
        {5, SystemCursor::Move},       {6, SystemCursor::ResizeNeSw}, {7, SystemCursor::ResizeNs},
        {8, SystemCursor::ResizeNwSe}, {9, SystemCursor::ResizeWe},   {10, SystemCursor::Wait},
        {42, SystemCursor::Arrow}};
    for (const auto& [id, shape] : system) {
        app->SetCursor(id);
        EXPECT_EQ(windows.CursorShape(windows.CurrentCursor()), shape) << id;
    }
    app->SetCursor(ZorbelAppBase::CURSOR_NONE);
    EXPECT_EQ(windows.CurrentCursor(), 0u);

    // A picture for the cursor number is drawn by the display when custom cursors are on.
    MemoryImage picture(app->GetImageContext());
    app->SetCursorImage(ZorbelAppBase::CURSOR_HAND, &picture);
    app->SetCursor(ZorbelAppBase::CURSOR_HAND);
    EXPECT_EQ(display->softCursor, nullptr);
    app->GetCursorController().SetCustomCursors(true);
    app->SetCursor(ZorbelAppBase::CURSOR_HAND);
    EXPECT_EQ(display->softCursor, &picture);
    EXPECT_FALSE(windows.IsSystemCursorShown());

    // Outside the window the arrow is shown whatever the number.
    windows.SetPointer(app->GetMainWindow(), -5, 5, false);
    RunUntil(clock.Milliseconds() + 20);
    EXPECT_EQ(display->softCursor, nullptr);
    EXPECT_EQ(windows.CursorShape(windows.CurrentCursor()), SystemCursor::Arrow);
    EXPECT_EQ(widgets->Inputs().back(), "left -5,5");
    app->SetCursorImage(ZorbelAppBase::CURSOR_HAND, nullptr);
}

TEST_F(MainLoopTest, TheCursorThreadMovesTheDrawnCursorWhileTheLoopIsIdle) {
    TestApp& a = SteadyApp();
    a.GetLoading().MarkDone();
    windows.SetPointer(a.GetMainWindow(), 5, 5, true);
    auto moves = [&] { return display->softCursorMoves + display->softCursorPositions; };
    int pendingX = -1;
    int before = 0;
    int followed = 0;
    widgets->onUpdate = [&] {
        int32_t step = static_cast<int32_t>(a.GetUpdateCount());
        // Once the loop has handled the posted move, the cursor thread must follow it.
        std::vector<std::string> inputs = widgets->Inputs();
        if (pendingX >= 0 && !inputs.empty() && inputs.back() == "move " + std::to_string(pendingX) + ",7") {
            EXPECT_TRUE(ZorbelTest::Eventually([&] { return moves() > before; }, std::chrono::seconds(20)))
                << "the cursor thread did not follow the move to x = " << pendingX;
            ++followed;
            pendingX = -1;
        }
        if (pendingX < 0 && step % 20 == 0) {
            before = moves();
            pendingX = step;
            Post(MessageKind::MouseMove, 0, step, 7);
            clock.Advance(100);
        }
        if (step >= 400) a.Shutdown();
    };
    a.Start();
    EXPECT_GT(followed, 5);
}

TEST_F(MainLoopTest, ASecondCopyBringsTheFirstToTheFront) {
    SteadyApp();
    windows.ShowWindow(app->GetMainWindow(), ShowCommand::Minimise);
    int raised = windows.FindWindow(app->GetMainWindow())->raiseCount;
    std::optional<int> secondExit;
    {
        AppPlatform platform = Platform();
        platform.exitProcess = [&](int code) { secondExit = code; };
        platform.createDisplay = nullptr;
        platform.createWidgetLayer = nullptr;
        HeadlessWindowSystem otherDesktop(clock);
        platform.windowSystem = &otherDesktop;
        auto first = std::move(app);
        TestApp second(platform);
        second.Init();
        EXPECT_EQ(secondExit, 0);
        EXPECT_EQ(second.GetMainWindow(), 0u);
        app = std::move(first);
    }
    RunUntil(clock.Milliseconds() + 20);
    EXPECT_FALSE(windows.IsMinimised(app->GetMainWindow()));
    EXPECT_EQ(windows.FindWindow(app->GetMainWindow())->raiseCount, raised + 1);
    EXPECT_FALSE(app->IsShuttingDown());
}

TEST_F(MainLoopTest, WhileLoadingFramesArePresentedAtMostEveryFiftyMilliseconds) {
    TestApp& a = StartApp();
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    a.loadingBody = [released] { released.wait(); };
    a.StartLoadingThread();
    widgets->alwaysDirty = true;
    widgets->dirty = true;
    RunUntil(clock.Milliseconds() + 100);
    int presents = display->presentCount;
    RunUntil(clock.Milliseconds() + 1000);
    EXPECT_NEAR(display->presentCount - presents, 20, 1);

    release.set_value();
    ASSERT_TRUE(WaitForLoading(a));
    RunUntil(clock.Milliseconds() + 100);
    presents = display->presentCount;
    RunUntil(clock.Milliseconds() + 1000);
    EXPECT_NEAR(display->presentCount - presents, 100, 2);
}

TEST_F(MainLoopTest, AHiddenApplicationShowsTheArrowAndSilencesTheMusic) {
    TestApp& a = SteadyApp();
    windows.SetPointer(a.GetMainWindow(), 5, 5, true);
    Post(MessageKind::MouseMove, 0, 5, 5);
    RunUntil(clock.Milliseconds() + 20);
    a.SetCursor(ZorbelAppBase::CURSOR_WAIT);
    a.HideApplication();
    EXPECT_FALSE(windows.IsVisible(a.GetMainWindow()));
    EXPECT_EQ(windows.CursorShape(windows.CurrentCursor()), SystemCursor::Arrow);
    EXPECT_DOUBLE_EQ(a.GetAudio().GetMusicLevel(), 0.0);
}

TEST_F(MainLoopTest, TheDesktopMayBlankTheScreenOnlyInAWindowOnceLoadingIsOver) {
    TestApp& a = StartApp();
    RunUntil(clock.Milliseconds() + 1100);
    EXPECT_FALSE(windows.IsScreenBlankingAllowed()) << "while loading";
    a.GetLoading().MarkDone();
    RunUntil(clock.Milliseconds() + 1100);
    EXPECT_TRUE(windows.IsScreenBlankingAllowed());

    Post(MessageKind::SysKeyDown, 13);
    RunUntil(clock.Milliseconds() + 1100);
    ASSERT_FALSE(a.IsWindowed());
    EXPECT_FALSE(windows.IsScreenBlankingAllowed()) << "in full screen";

    Post(MessageKind::SysKeyDown, 13);
    RunUntil(clock.Milliseconds() + 1100);
    ASSERT_TRUE(a.IsWindowed());
    EXPECT_TRUE(windows.IsScreenBlankingAllowed());
    a.mAllowMonitorPowerOff = false;
    RunUntil(clock.Milliseconds() + 1100);
    EXPECT_FALSE(windows.IsScreenBlankingAllowed()) << "the monitor must stay on";
}

TEST_F(MainLoopTest, TheGamePausesWhileTheDesktopScreenSaverWouldShow) {
    ScreenSaverState saver;
    saver.enabled = true;
    saver.timeoutSeconds = 10;
    windows.screenSaver = saver;
    TestApp& a = SteadyApp();
    auto stepUntil = [&](uint32_t ms) {
        bool updated = false;
        for (int step = 0; step < 1000000 && static_cast<int32_t>(clock.Milliseconds() - ms) < 0; ++step)
            a.UpdateAppStep(updated);
        EXPECT_GE(static_cast<int32_t>(clock.Milliseconds() - ms), 0) << "the clock stood still";
    };

    // The desktop saw input all along; only the game's own input time would run out.
    windows.screenSaver->idleMs = 0;
    stepUntil(clock.Milliseconds() + 9000);
    int updates = a.GetUpdateCount();
    stepUntil(clock.Milliseconds() + 1000);
    EXPECT_NEAR(a.GetUpdateCount() - updates, 100, 2);

    // Nine seconds without input anywhere: past the threshold of 10 - 2 seconds, nothing runs.
    windows.screenSaver->idleMs = 9000;
    stepUntil(clock.Milliseconds() + 1100);
    updates = a.GetUpdateCount();
    int presents = display->presentCount;
    int draws = widgets->drawCount;
    stepUntil(clock.Milliseconds() + 3000);
    EXPECT_EQ(a.GetUpdateCount(), updates);
    EXPECT_EQ(display->presentCount, presents);
    EXPECT_EQ(widgets->drawCount, draws);

    // Input resumes the game and everything is drawn again.
    int dirty = widgets->markAllDirtyCount;
    Post(MessageKind::KeyDown, 'A');
    stepUntil(clock.Milliseconds() + 1500);
    EXPECT_GT(a.GetUpdateCount(), updates + 50);
    EXPECT_GT(widgets->markAllDirtyCount, dirty);

    // A screen saver that is switched off never pauses anything.
    windows.screenSaver->enabled = false;
    windows.screenSaver->idleMs = 60000;
    stepUntil(clock.Milliseconds() + 11000);
    updates = a.GetUpdateCount();
    stepUntil(clock.Milliseconds() + 1000);
    EXPECT_NEAR(a.GetUpdateCount() - updates, 100, 2);
}
