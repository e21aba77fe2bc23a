// The main loop of the application: the fixed-rate update clock, the paced draw step, presenting and
// display recovery, deferred deletion, and the loading and cursor threads.
#include "framework/app/ZorbelAppBase.h"

#include "framework/app/DisplayDevice.h"
#include "framework/app/WidgetLayer.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/Clock.h"
#include "framework/platform/process/SingleInstance.h"
#include "framework/sound/MusicInterface.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace Zorbel {

namespace {

// Whether moment a has been reached by now, on a clock that wraps.
bool Reached(uint32_t now, uint32_t a) {
    return static_cast<int32_t>(now - a) >= 0;
}

} // namespace

void ZorbelAppBase::Start() {
    if (mShuttingDown) return;
    if (!mCursorThreadRunning) StartCursorThread();
    if (mAutoLoading && !mLoadingStarted) StartLoadingThread();

    if (mMainWindow) {
        mWindowSystem->ShowWindow(mMainWindow, ShowCommand::Show);
        mWindowSystem->RaiseWindow(mMainWindow);
    }
    uint32_t now = Now();
    mLastPresentMs = now;
    mLastInputMs = now;
    mScreenSaverCheckMs = now;
    mInsideMainLoop = true;
    uint32_t loopStart = now;

    RunMainLoop();

    ProcessSafeDeleteList();
    mInsideMainLoop = false;
    if (mLoadingThread.joinable()) mLoadingThread.join();

    if (mHardExited) return;
    mRunSeconds = (Now() - loopStart) / 1000.0;
    WriteStatistics();
    AfterMainLoopHook();
    WriteSettings();
}

void ZorbelAppBase::WriteStatistics() {
    char line[64];
    std::snprintf(line, sizeof line, "Seconds       = %g\r\n", mRunSeconds);
    DebugOutput(line);
    std::snprintf(line, sizeof line, "Sleep Count   = %d\r\n", mSleepCount);
    DebugOutput(line);
    std::snprintf(line, sizeof line, "Update Count  = %d\r\n", mUpdateCount);
    DebugOutput(line);
    std::snprintf(line, sizeof line, "Draw Count    = %d\r\n", mDrawCount);
    DebugOutput(line);
    std::snprintf(line, sizeof line, "Draw Time     = %d\r\n", mDrawTimeMs);
    DebugOutput(line);
    std::snprintf(line, sizeof line, "Screen Blt    = %d\r\n", mScreenBltTotalMs);
    DebugOutput(line);
    if (mDrawTimeMs + mScreenBltTotalMs > 0) {
        std::snprintf(line, sizeof line, "Avg FPS       = %d\r\n",
                      mDrawCount * 1000 / (mScreenBltTotalMs + mDrawTimeMs));
        DebugOutput(line);
    }
}

void ZorbelAppBase::RunMainLoop() {
    while (!mShuttingDown) {
        mShutdownStarted = false;
        UpdateApp();
    }
}

bool ZorbelAppBase::UpdateApp() {
    for (;;) {
        bool updated = false;
        if (!UpdateAppStep(updated)) return false;
        if (updated) return true;
    }
}

bool ZorbelAppBase::UpdateAppStep(bool& updated) {
    updated = false;
    if (mShutdownStarted) return false;
    if (mStepState == 3) mStepState = 0;
    ++mStepDepth;

    if (mStepState == 0) {
        if (mInstance && mInstance->TakeNotice()) {
            WindowMessage notify;
            notify.window = mMainWindow;
            notify.kind = MessageKind::Notify;
            WindowProc(notify);
        }
        WindowMessage message;
        while (!mShuttingDown && mWindowSystem->PollMessage(message))
            WindowProc(message);
        ProcessDemoEvents();
        if (!ProcessQueuedMessages(false)) mStepState = 1;
    }

    if (mStepState != 0) {
        switch (mSingleStep) {
            case 0: {
                int32_t before = mUpdateCount;
                ProcessTimeStep(true);
                updated = mUpdateCount != before;
                break;
            }
            case 1:
                mSingleStep = 2;
                RunUpdateStep();
                RunUpdateFraction(1.0);
                DrawDirty();
                break;
            default:
                mClock->Sleep(static_cast<uint32_t>(mFrameTimeMs));
                mStepState = 3;
                break;
        }
    }

    --mStepDepth;
    return true;
}

bool ZorbelAppBase::SmoothUpdatesInEffect() const {
    return mSmoothUpdates && !mPlaying && !mLastDrawSkipped && !mVsyncBroken &&
           (!mPhysicallyWindowed || mWaitForVSync);
}

bool ZorbelAppBase::ProcessTimeStep(bool allowSleep) {
    uint32_t callStart = Now();
    uint32_t slept = 0;

    if (mShutdownPending) {
        mShutdownPending = false;
        Shutdown();
    }

    if (mPaused || mSpeed <= 0) {
        ProcessSafeDeleteList();
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
        due = mPendingMs >= msPerUpdate && (mUpdatesSinceDraw < burst || !mLoadingDoneHandled);
        if (due && RunUpdateStep()) {
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
                RunUpdateStep();
            }
            fraction = mFractionCarry;
        }
        RunUpdateFraction(smooth ? fraction : 1.0);
        mPendingMs -= msPerUpdate;
        if (smooth) mPendingMs = std::max(0.0, mPendingMs - 0.2);
    }

    if (!due) {
        mStepState = 3;
        mUpdatesSinceDraw = 0;
        if (mDrawPending) {
            DrawDirty();
        } else if (mSystemScreenSaverRunning) {
            // No update runs and so no draw follows while the screen saver shows; only the draw step
            // looks whether it has gone, so it is asked here, once a frame.
            DrawDirty();
            if (!allowSleep) return false;
            ++mSleepCount;
            mClock->Sleep(static_cast<uint32_t>(mFrameTimeMs));
            slept = static_cast<uint32_t>(mFrameTimeMs);
        } else {
            int32_t sleepMs = static_cast<int32_t>(std::floor(msPerUpdate - mPendingMs));
            if (sleepMs >= 1) {
                if (!allowSleep) return false;
                ++mSleepCount;
                mClock->Sleep(static_cast<uint32_t>(sleepMs));
                slept = static_cast<uint32_t>(sleepMs);
            }
        }
    }

    // While the loading thread works, the main thread leaves it about two thirds of the processor.
    if (mLoadingThrottle) {
        int64_t spent = static_cast<int64_t>(Now() - callStart) - slept;
        int64_t wait = 2 * spent - slept;
        if (wait > 0) {
            if (!allowSleep) return false;
            mClock->Sleep(static_cast<uint32_t>(std::min<int64_t>(wait, 250)));
        }
    }

    ProcessSafeDeleteList();
    return true;
}

bool ZorbelAppBase::RunUpdateStep() {
    if (mSystemScreenSaverRunning) return false;
    if (mLoadingDone && !mLoadingDoneHandled) {
        mLoadingDoneHandled = true;
        mLoadingThrottle = false;
        LoadingFinished();
        if (mRecording) RecordLoadingHandled();
    }
    UpdateFrames();
    return true;
}

void ZorbelAppBase::UpdateFrames() {
    ++mUpdateCount;
    if (!mMinimised && mWidgetManager->UpdateStep()) ++mDirtyCount;
    if (mMusicPlayer) mMusicPlayer->Update();
    FreeUnreferencedSharedImages();

    // Smooth updates are paced by the display; when a second of updates passes in far less than a
    // second three times running, the display is not waiting for its refresh and the clock takes over.
    if (SmoothUpdatesInEffect() && mSpeed == 1.0) {
        int32_t perSecond = (1000 + mFrameTimeMs - 1) / mFrameTimeMs;
        if (mUpdateCount % perSecond == 0) {
            uint32_t now = Now();
            if (mVsyncCheckMs != 0 && now - mVsyncCheckMs <= 800) {
                if (++mVsyncFastCount >= 3) mVsyncBroken = true;
            } else {
                mVsyncFastCount = 0;
            }
            mVsyncCheckMs = now;
        }
    }
}

void ZorbelAppBase::RunUpdateFraction(double fraction) {
    if (SmoothUpdatesInEffect() && !mMinimised) mWidgetManager->UpdateStepFraction(fraction);
}

bool ZorbelAppBase::DrawDirty() {
    if (mDisplayLost) {
        PresentScreen(nullptr);
        mDrawPending = false;
        mLastDrawSkipped = true;
        return false;
    }

    uint32_t now = Now();
    if (Reached(now, mScreenSaverCheckMs + 1000)) {
        mScreenSaverCheckMs = now;
        CheckSystemScreenSaver();
    }
    if (mSystemScreenSaverRunning) {
        mLastDrawSkipped = true;
        mDrawPending = false;
        return false;
    }

    uint32_t drawStart = Now();
    mDrawing = true;
    bool drawn = !mMinimised && mWidgetManager->DrawDirtyWidgets();
    mDrawing = false;
    uint32_t drawTime = Now() - drawStart;

    now = Now();
    if ((drawn || now - mLastPresentMs > 999 || mCursorChanged) && Reached(now, mNextDrawMs)) {
        ++mDrawCount;
        mLastDrawSkipped = false;
        mDrawTimeMs += static_cast<int32_t>(drawTime);
        if (mWaitForVSync && mPhysicallyWindowed && mDisplay) {
            uint32_t presentAt = mLastPresentMs + static_cast<uint32_t>(mDisplay->GetMillisecondsPerFrame());
            uint32_t current = Now();
            if (!Reached(current, presentAt)) mClock->Sleep(presentAt - current);
        }
        mLastPresentMs = Now();
        uint32_t presentStart = mLastPresentMs;
        PresentScreen(nullptr);
        uint32_t presentTime = Now() - presentStart;
        mScreenBltMs = static_cast<int32_t>(presentTime);
        mScreenBltTotalMs += static_cast<int32_t>(presentTime);

        uint32_t previous = mNextDrawMs;
        mNextDrawMs = Now();
        if (mLoadingStarted && !mLoadingDone) {
            // Loading gets most of the processor: frames are drawn at most every 50 ms meanwhile.
            uint32_t next = previous + (presentTime < 16 ? 50 : presentTime + 35);
            if (Reached(next, mNextDrawMs)) mNextDrawMs = next;
        }
        mCursorChanged = false;
        mDrawPending = false;
        return true;
    }
    mLastDrawSkipped = true;
    mDrawPending = false;
    return false;
}

void ZorbelAppBase::PresentScreen(const Rect* clip) {
    if (mDrawing || mShuttingDown || mSystemScreenSaverRunning || !mDisplay) return;
    if (mDisplay->Redraw(clip)) {
        mDisplayLost = false;
        return;
    }
    mDisplayLost = true;
    uint32_t now = Now();
    bool mayRecover = mActive || (mPhysicallyWindowed && now - mLastRecoveryMs >= 1000);
    if (!mayRecover || mMinimised) return;
    mLastRecoveryMs = now;
    mWidgetManager->SetImage(nullptr);
    BeforeDisplayInitHook();
    FreeAllNativeCaches();
    uint32_t result = mDisplay->InitDevice(mMainWindow, mPhysicallyWindowed);
    if (result == DisplayResult::InvalidColorDepth && mPhysicallyWindowed) {
        if (mActive) {
            mForcedFullScreen = true;
            SwitchScreenMode(false);
        }
    } else if (result == DisplayResult::HardwareFail) {
        Apply3D(false, true);
    } else if (result == DisplayResult::Ok) {
        RestoreAllImages();
        mWidgetManager->SetImage(mDisplay->GetScreenImage());
        mWidgetManager->MarkAllDirty();
    }
}

// --- Deferred deletion ---

void ZorbelAppBase::SafeDeleteWidget(Widget* widget) {
    if (!widget) return;
    for (const auto& entry : mSafeDeleteList)
        if (entry.second == widget) return;
    mSafeDeleteList.emplace_back(mStepDepth, widget);
}

void ZorbelAppBase::ProcessSafeDeleteList() {
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
            mWidgetManager->DeleteWidget(widget);
    }
}

// --- Threads ---

void ZorbelAppBase::StartLoadingThread() {
    mLoadingThrottle = true;
    mLoadingStarted = true;
    mLoadingThread = std::thread([this] {
        LoadingThreadBody();
        char line[64];
        std::snprintf(line, sizeof line, "Resource Loading Time: %d\r\n",
                      static_cast<int>(mClock->Milliseconds() - mStartTick));
        DebugOutput(line);
        mLoadingDone = true;
    });
}

void ZorbelAppBase::StartCursorThread() {
    if (mCursorThread.joinable()) mCursorThread.join();
    mCursorThreadRunning = true;
    mCursorThread = std::thread([this] { CursorThreadBody(); });
}

void ZorbelAppBase::CursorThreadBody() {
    int32_t lastX = mCursorX;
    int32_t lastY = mCursorY;
    while (!mShuttingDown) {
        // Real time paces this thread: it follows the pointer, not the update clock.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        int32_t x = mCursorX;
        int32_t y = mCursorY;
        if (x == lastX && y == lastY) continue;
        lastX = x;
        lastY = y;
        DisplayDevice* display = mDisplay.get();
        if (!display || !mInitialised) continue;
        uint32_t idleLimit = static_cast<uint32_t>(display->GetMillisecondsPerFrame() + 5);
        if (static_cast<int32_t>(mClock->Milliseconds() - mNextDrawMs.load()) >
            static_cast<int32_t>(idleLimit))
            display->MoveSoftCursor(x, y);
        else
            display->SetSoftCursorPosition(x, y);
    }
    mCursorThreadRunning = false;
}

// Pauses the game while the desktop's screen saver would be showing: the screen saver's settings are read
// every 10 seconds, the idle time at every check.
void ZorbelAppBase::CheckSystemScreenSaver() {
    if (!mPhysicallyWindowed || mScreenSaverMode) return;
    ScreenSaverState state;
    if (!mWindowSystem->QueryScreenSaver(state)) {
        mSystemScreenSaverRunning = false;
        return;
    }
    uint32_t now = Now();
    if (!mScreenSaverReadOnce || now - mScreenSaverReadMs >= 10000) {
        mScreenSaverReadOnce = true;
        mScreenSaverReadMs = now;
        mScreenSaverEnabled = state.enabled;
        mScreenSaverThresholdMs = state.timeoutSeconds < 3 ? 1000 : (state.timeoutSeconds - 2) * 1000;
    }
    // The later of the two last inputs counts.
    uint32_t idle = std::min(now - mLastInputMs, state.idleMs);
    int64_t threshold = mScreenSaverThresholdMs;
    if (!mSystemScreenSaverRunning) {
        if (mScreenSaverEnabled && idle > threshold) mSystemScreenSaverRunning = true;
    } else if (idle < threshold && !state.running) {
        mSystemScreenSaverRunning = false;
        mWidgetManager->MarkAllDirty();
    }
}

void ZorbelAppBase::ResetStepTiming() {
    mLastTickMs = 0;
}

} // namespace Zorbel
