#include "framework/app/StepClock.h"

#include "framework/app/WidgetLayer.h"
#include "framework/platform/Clock.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace Zorbel {

namespace {

// Whether moment a has been reached by now, on a clock that wraps.
bool Reached(uint32_t now, uint32_t a) {
    return static_cast<int32_t>(now - a) >= 0;
}

} // namespace

StepClock::StepClock(Host& host, Clock& clock, WidgetLayer& widgets)
    : mHost(host), mClock(clock), mWidgets(widgets) {
    uint32_t now = mClock.Milliseconds();
    mLastPresentMs = now;
    mNextDrawMs = now;
}

uint32_t StepClock::Now() {
    return mClock.Milliseconds();
}

void StepClock::Sleep(uint32_t ms) {
    mClock.Sleep(ms);
}

bool StepClock::UpdateAppStep(bool& updated) {
    updated = false;
    if (mHost.GetLoopState().shutdownStarted) return false;
    if (mStepState == 3) mStepState = 0;
    ++mStepDepth;

    if (mStepState == 0 && !mHost.TakeMessages()) mStepState = 1;

    if (mStepState != 0) {
        switch (mSingleStep) {
            case 0: {
                int32_t before = mUpdateCount;
                mHost.ProcessTimeStep(true);
                updated = mUpdateCount != before;
                break;
            }
            case 1:
                mSingleStep = 2;
                mHost.RunUpdateStep();
                mHost.RunUpdateFraction(1.0);
                mHost.DrawDirty();
                break;
            default:
                Sleep(static_cast<uint32_t>(mFrameTimeMs));
                mStepState = 3;
                break;
        }
    }

    --mStepDepth;
    return true;
}

bool StepClock::SmoothUpdatesInEffect() {
    if (!mSmoothUpdates || mLastDrawSkipped || mVsyncBroken) return false;
    LoopState state = mHost.GetLoopState();
    return !state.playingDemo && (!state.physicallyWindowed || mWaitForVSync);
}

bool StepClock::ProcessTimeStep(bool allowSleep) {
    uint32_t callStart = Now();
    uint32_t slept = 0;

    mHost.ServiceShutdownRequest();

    if (mHost.FastForward()) {
        // The time spent hurrying is not caught up afterwards.
        mPendingMs = 0;
        mLastTickMs = 0;
        ProcessDeletions();
        return true;
    }

    const bool held = mHost.GetLoopState().playbackHeld;
    if (held || mPaused || mSpeed <= 0) {
        // Nothing is due while paused: the thread rests a step's time instead of spinning. A dialog
        // that holds a replay is still drawn as the player works in it.
        mStepState = 3;
        if (held) mHost.DrawDirty();
        if (!allowSleep) return false;
        Sleep(static_cast<uint32_t>(mFrameTimeMs));
        ProcessDeletions();
        return true;
    }

    bool smooth = SmoothUpdatesInEffect();
    double msPerUpdate = smooth ? 1000.0 / mRefreshRate / mSpeed : mFrameTimeMs / mSpeed;

    if (!smooth) {
        uint32_t now = Now();
        if (mLastTickMs != 0) mPendingMs = std::min<double>(mPendingMs + (now - mLastTickMs), MaxPendingMs);
        mLastTickMs = now;
    }

    bool due = false;
    if (mStepState == 1) {
        ++mUpdatesSinceDraw;
        int32_t burst = static_cast<int32_t>(std::ceil(mSpeed * 10));
        due =
            mPendingMs >= msPerUpdate && (mUpdatesSinceDraw < burst || !mHost.GetLoopState().loadingHandled);
        if (due && mHost.RunUpdateStep()) {
            mStepState = 2;
            mDrawPending = true;
        }
    } else if (mStepState == 2) {
        due = true;
        mStepState = 3;
        double fraction = 1.0;
        if (smooth) {
            // Each refresh carries its share of a whole update; whole ones run now.
            mFractionCarry += 1000.0 / mRefreshRate / mFrameTimeMs - 1.0;
            while (mFractionCarry >= 1.0) {
                mFractionCarry -= 1.0;
                mHost.RunUpdateStep();
            }
            fraction = mFractionCarry;
        }
        mHost.RunUpdateFraction(smooth ? fraction : 1.0);
        mPendingMs -= msPerUpdate;
        if (smooth) mPendingMs = std::max(0.0, mPendingMs - 0.2);
    }

    if (!due) {
        mStepState = 3;
        mUpdatesSinceDraw = 0;
        if (mDrawPending) {
            mHost.DrawDirty();
        } else if (mHost.GetLoopState().desktopScreenSaverRunning) {
            // No update runs and so no draw follows while the screen saver shows; only the draw step
            // looks whether it has gone, so it is asked here, once a frame.
            mHost.DrawDirty();
            if (!allowSleep) return false;
            ++mSleepCount;
            Sleep(static_cast<uint32_t>(mFrameTimeMs));
            slept = static_cast<uint32_t>(mFrameTimeMs);
        } else {
            int32_t sleepMs = static_cast<int32_t>(std::floor(msPerUpdate - mPendingMs));
            if (sleepMs >= 1) {
                if (!allowSleep) return false;
                ++mSleepCount;
                Sleep(static_cast<uint32_t>(sleepMs));
                slept = static_cast<uint32_t>(sleepMs);
            }
        }
    }

    // While the loading thread works, the main thread leaves it about two thirds of the processor.
    if (mHost.GetLoopState().loadingThrottled) {
        int64_t spent = static_cast<int64_t>(Now() - callStart) - slept;
        int64_t wait = 2 * spent - slept;
        if (wait > 0) {
            if (!allowSleep) return false;
            Sleep(static_cast<uint32_t>(std::min<int64_t>(wait, 250)));
        }
    }

    ProcessDeletions();
    return true;
}

void StepClock::CheckSmoothPacing() {
    // Smooth updates are paced by the display; when a second of updates passes in far less than a
    // second three times running, the display is not waiting for its refresh and the clock takes over.
    if (!SmoothUpdatesInEffect() || mSpeed != 1.0) return;
    int32_t perSecond = (1000 + mFrameTimeMs - 1) / mFrameTimeMs;
    if (mUpdateCount % perSecond != 0) return;
    uint32_t now = Now();
    if (mVsyncCheckMs != 0 && now - mVsyncCheckMs <= 800) {
        if (++mVsyncFastCount >= 3) mVsyncBroken = true;
    } else {
        mVsyncFastCount = 0;
    }
    mVsyncCheckMs = now;
}

void StepClock::SkipDraw() {
    mDrawPending = false;
    mLastDrawSkipped = true;
}

bool StepClock::DrawFrame() {
    LoopState state = mHost.GetLoopState();
    uint32_t drawStart = Now();
    mDrawing = true;
    bool drawn = !state.minimised && mWidgets.DrawDirtyWidgets();
    mDrawing = false;
    uint32_t drawTime = Now() - drawStart;
    // A frame may also have been drawn since the last draw step (a frame dump draws the frame of its
    // update step at once): that is presented as well.
    const std::optional<Rect> area = mWidgets.TakeDrawnArea();
    if (area && !area->IsEmpty()) drawn = true;
    if (drawn) NoteChangedArea(area);

    uint32_t now = Now();
    if (!(drawn || now - mLastPresentMs > 999 || state.cursorChanged) || !Reached(now, mNextDrawMs)) {
        SkipDraw();
        return false;
    }
    ++mDrawCount;
    mLastDrawSkipped = false;
    mDrawTimeMs += static_cast<int32_t>(drawTime);
    mHost.DrawOverlays();
    if (mWaitForVSync && state.physicallyWindowed && state.hasDisplay) {
        uint32_t presentAt = mLastPresentMs + static_cast<uint32_t>(state.millisecondsPerFrame);
        uint32_t current = Now();
        if (!Reached(current, presentAt)) Sleep(presentAt - current);
    }
    mLastPresentMs = Now();
    uint32_t presentStart = mLastPresentMs;
    // Only what changed since the last present reaches the screen; the once-a-second present and a
    // changed cursor show the whole frame.
    const bool partial = drawn && !mChangedWhole && !state.cursorChanged && !mHost.OverlaysShown();
    mHost.PresentScreen(partial ? &mChangedArea : nullptr);
    mChangedArea = Rect();
    mChangedWhole = false;
    uint32_t presentTime = Now() - presentStart;
    mScreenBltMs = static_cast<int32_t>(presentTime);
    mScreenBltTotalMs += static_cast<int32_t>(presentTime);

    uint32_t previous = mNextDrawMs;
    mNextDrawMs = Now();
    if (state.loadingRunning) {
        // Loading gets most of the processor: frames are drawn at most every 50 ms meanwhile.
        uint32_t next = previous + (presentTime < 16 ? 50 : presentTime + 35);
        if (Reached(next, mNextDrawMs)) mNextDrawMs = next;
    }
    mHost.FramePresented();
    mDrawPending = false;
    return true;
}

void StepClock::NoteChangedArea(const std::optional<Rect>& area) {
    if (area)
        mChangedArea = mChangedArea.Union(*area);
    else
        mChangedWhole = true;
}

void StepClock::SafeDeleteWidget(Widget* widget) {
    if (!widget) return;
    for (const auto& entry : mSafeDeleteList)
        if (entry.second == widget) return;
    mSafeDeleteList.emplace_back(mStepDepth, widget);
}

void StepClock::ProcessDeletions() {
    // Deleting a widget may queue others; those are taken on the next pass.
    for (;;) {
        std::vector<Widget*> due;
        for (auto entry = mSafeDeleteList.begin(); entry != mSafeDeleteList.end();) {
            if (entry->first >= mStepDepth) {
                due.push_back(entry->second);
                entry = mSafeDeleteList.erase(entry);
            } else {
                ++entry;
            }
        }
        if (due.empty()) return;
        for (Widget* widget : due)
            mWidgets.DeleteWidget(widget);
    }
}

std::string StepClock::Statistics(double seconds) const {
    char line[64];
    std::string text;
    auto add = [&](const char* format, auto value) {
        std::snprintf(line, sizeof line, format, value);
        text += line;
    };
    add("Seconds       = %g\r\n", seconds);
    add("Sleep Count   = %d\r\n", mSleepCount);
    add("Update Count  = %d\r\n", mUpdateCount);
    add("Draw Count    = %d\r\n", mDrawCount);
    add("Draw Time     = %d\r\n", mDrawTimeMs);
    add("Screen Blt    = %d\r\n", mScreenBltTotalMs);
    if (mDrawTimeMs + mScreenBltTotalMs > 0)
        add("Avg FPS       = %d\r\n", mDrawCount * 1000 / (mScreenBltTotalMs + mDrawTimeMs));
    return text;
}

} // namespace Zorbel
