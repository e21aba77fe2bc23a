#pragma once

#include "framework/graphics/Rect.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Zorbel {

class Clock;
class Widget;
class WidgetLayer;

// The application's state as the step clock needs it; asked afresh at every step.
struct LoopState {
    bool shutdownStarted = false;
    // The loading thread's completion was handled; until then bursts of updates are not capped.
    bool loadingHandled = false;
    // The loading thread runs and the main thread leaves it most of the processor.
    bool loadingThrottled = false;
    // The loading thread was started and has not finished: frames are drawn at most every 50 ms.
    bool loadingRunning = false;
    bool desktopScreenSaverRunning = false;
    bool playingDemo = false;
    // A dialog of the playback controls holds the replay: no update is due, but frames are drawn.
    bool playbackHeld = false;
    bool physicallyWindowed = true;
    bool minimised = false;
    // The drawn cursor changed and must be presented.
    bool cursorChanged = false;
    bool hasDisplay = false;
    int32_t millisecondsPerFrame = 0;
};

// The fixed-rate update clock and the paced draw step of the main loop. One update step runs every
// frameTimeMs (100 a second at 10 ms) whatever the drawing rate: real time accumulates in pendingMs
// (at most 200 ms, so a stall catches up 20 updates), a burst of due updates (at most ceiling(10 x
// speed) - 1 in a row) is followed by one draw, and when nothing is due the thread sleeps. A step
// cycles through the states 0 (take messages), 1 (update if due), 2 (finish the update) and 3 (draw
// or sleep). Drawing presents only what changed, or once a second, and while the loading thread runs
// at most every 50 ms. The clock also keeps the deferred deletion of widgets, by the nesting depth of
// the step that queued them.
class StepClock {
public:
    // The application's side of the clock: its own operations, called back at their moments.
    class Host {
    public:
        virtual bool ProcessTimeStep(bool allowSleep) = 0;
        virtual bool RunUpdateStep() = 0;
        virtual void RunUpdateFraction(double fraction) = 0;
        virtual bool DrawDirty() = 0;
        virtual void PresentScreen(const Rect* clip) = 0;
        // Step state 0: takes the waiting window messages and hands on one queued message; true while
        // queued messages remain.
        virtual bool TakeMessages() = 0;
        // A shutdown asked for on another thread is carried out now, on the main thread.
        virtual void ServiceShutdownRequest() = 0;
        // Demo playback hurrying ahead: runs update steps back to back and presents a frame; true
        // when it took this time step.
        virtual bool FastForward() = 0;
        // The developer overlays go into the finished frame.
        virtual void DrawOverlays() = 0;
        // Whether DrawOverlays draws anything: such a frame is presented whole.
        virtual bool OverlaysShown() { return false; }
        // A frame was presented (with the cursor as it is now).
        virtual void FramePresented() = 0;
        virtual LoopState GetLoopState() = 0;

    protected:
        virtual ~Host() = default;
    };

    static constexpr int32_t MaxPendingMs = 200;

    // Everything given must outlive the clock.
    StepClock(Host& host, Clock& clock, WidgetLayer& widgets);
    StepClock(const StepClock&) = delete;
    StepClock& operator=(const StepClock&) = delete;

    // --- The steps ---
    // One state of the step cycle; updated tells whether an update step ran. False once shutting down.
    bool UpdateAppStep(bool& updated);
    // States 1 to 3: an update when due, its completion, or a draw or a sleep. Without allowSleep
    // it returns false where it would sleep.
    bool ProcessTimeStep(bool allowSleep);
    // Counts an update step; after it, smooth-update pacing checks whether the display really waits
    // for its refresh.
    void CountUpdate() { ++mUpdateCount; }
    void CountDirty() { ++mDirtyCount; }
    void CheckSmoothPacing();
    // Draws the dirty widgets and presents them when due; false when nothing was presented.
    bool DrawFrame();
    // A draw step that drew nothing (the display is lost or the screen saver shows).
    void SkipDraw();
    bool IsDrawing() const { return mDrawing; }
    // Smooth-update mode: updates paced by the display's refreshes instead of the clock.
    bool SmoothUpdatesInEffect();

    // --- Timing ---
    void StartRun(uint32_t now) { mLastPresentMs = now; }
    // Forgets the time since the last step, so that a pause (a system dialog) is not caught up.
    void ResetTiming() { mLastTickMs = 0; }
    const std::atomic<uint32_t>& NextDrawMs() const { return mNextDrawMs; }

    // --- Deferred deletion ---
    // Queues the widget with the current step depth.
    void SafeDeleteWidget(Widget* widget);
    // Deletes every queued widget whose depth has been reached again.
    void ProcessDeletions();

    // --- Settings and statistics ---
    int32_t GetFrameTimeMs() const { return mFrameTimeMs; }
    void SetFrameTimeMs(int32_t ms) { mFrameTimeMs = ms; }
    double GetSpeed() const { return mSpeed; }
    void SetSpeed(double speed) { mSpeed = speed; }
    bool IsPaused() const { return mPaused; }
    void SetPaused(bool paused) { mPaused = paused; }
    int32_t GetSingleStep() const { return mSingleStep; }
    void SetSingleStep(int32_t mode) { mSingleStep = mode; }
    bool GetWaitForVSync() const { return mWaitForVSync; }
    void SetWaitForVSync(bool on) { mWaitForVSync = on; }
    void SetSmoothUpdates(bool on) { mSmoothUpdates = on; }
    void SetRefreshRate(int32_t rate) { mRefreshRate = rate; }
    int32_t GetStepDepth() const { return mStepDepth; }
    double GetPendingMs() const { return mPendingMs; }
    int32_t GetUpdateCount() const { return mUpdateCount; }
    int32_t GetDrawCount() const { return mDrawCount; }
    int32_t GetSleepCount() const { return mSleepCount; }
    // The lines written at the end of a run, for a run of the given length.
    std::string Statistics(double seconds) const;

private:
    uint32_t Now();
    // Drawn onto the screen image and not yet presented.
    void NoteChangedArea(const std::optional<Rect>& area);
    void Sleep(uint32_t ms);

    Host& mHost;
    Clock& mClock;
    WidgetLayer& mWidgets;

    int32_t mFrameTimeMs = 10;
    double mSpeed = 1.0;
    double mPendingMs = 0;
    double mFractionCarry = 0;
    uint32_t mLastTickMs = 0;
    int32_t mStepState = 0;
    int32_t mUpdatesSinceDraw = 0;
    bool mDrawPending = true;
    bool mLastDrawSkipped = false;
    bool mPaused = false;
    int32_t mStepDepth = 0;
    int32_t mSingleStep = 0;
    int32_t mUpdateCount = 0;
    int32_t mDrawCount = 0;
    int32_t mSleepCount = 0;
    int32_t mDrawTimeMs = 0;
    int32_t mScreenBltMs = 0;
    int32_t mScreenBltTotalMs = 0;
    int32_t mDirtyCount = 0;
    uint32_t mLastPresentMs = 0;
    std::atomic<uint32_t> mNextDrawMs{0};
    bool mDrawing = false;
    Rect mChangedArea;
    bool mChangedWhole = false;
    bool mSmoothUpdates = false;
    int32_t mRefreshRate = 100;
    bool mVsyncBroken = false;
    bool mWaitForVSync = false;
    uint32_t mVsyncCheckMs = 0;
    int32_t mVsyncFastCount = 0;
    std::vector<std::pair<int32_t, Widget*>> mSafeDeleteList;
};

} // namespace Zorbel
