#include "framework/app/MessagePump.h"

#include "framework/app/CursorController.h"
#include "framework/app/DebugKeys.h"
#include "framework/app/DemoSession.h"
#include "framework/app/WebPageOpener.h"
#include "framework/app/WidgetLayer.h"
#include "framework/platform/Clock.h"
#include "framework/platform/WindowSystem.h"

#include <cstdio>

namespace Zorbel {

namespace {

constexpr int32_t KeyEnter = 13;
constexpr int32_t KeyShift = 16;
constexpr int32_t KeyControl = 17;
constexpr int32_t KeyAlt = 18;
constexpr int32_t KeyD = 68;
constexpr int32_t KeyF4 = 115;

bool IsQueuedKind(MessageKind kind) {
    switch (kind) {
        case MessageKind::Activate:
        case MessageKind::Move:
        case MessageKind::Size:
        case MessageKind::Close:
        case MessageKind::KeyDown:
        case MessageKind::KeyUp:
        case MessageKind::Char:
        case MessageKind::SysKeyDown:
        case MessageKind::SysKeyUp:
        case MessageKind::Timer:
        case MessageKind::Wheel:
            return true;
        default:
            return kind >= MessageKind::MouseMove && kind <= MessageKind::MiddleDouble;
    }
}

} // namespace

MessagePump::MessagePump(const Parts& parts)
    : mHost(parts.host), mWindows(parts.windows), mWidgets(parts.widgets), mClock(parts.clock),
      mDemo(parts.demo), mDebugKeys(parts.debugKeys), mCursor(parts.cursor), mWebPage(parts.webPage),
      mLastInputMs(parts.clock.Milliseconds()) {}

// --- The window procedure ---

int32_t MessagePump::WindowProc(const WindowMessage& message) {
    PumpState state = mHost.GetPumpState();
    if (state.screenSaverMode && TakenByScreenSaver(message, state)) return 0;

    switch (message.kind) {
        case MessageKind::Paint:
            if (state.initialised && !state.hidden && state.insideMainLoop) mHost.PresentScreen(nullptr);
            return 0;
        case MessageKind::EndSession:
            mHost.Shutdown();
            return 0;
        case MessageKind::SysChar:
            return 0;
        case MessageKind::Notify:
            if (state.notifyRegistered) HandleNotify();
            return 0;
        default:
            break;
    }
    if (!IsQueuedKind(message.kind)) return 0;

    if (message.kind == MessageKind::Activate) {
        if (mDemo.IsPlaying() || message.window != state.mainWindow) return 0;
        mActive = message.value != 0;
    }
    if (state.systemDialogActive) return 0;

    if (message.kind == MessageKind::KeyDown || message.kind == MessageKind::SysKeyDown) {
        HoldModifier(message.value, true);
        if (mHost.DebugKeyDownEx(message.value, mHeld.ctrl, mHeld.alt)) return 0;
        // A playback takes no input of its own: the keys drive the developer's keys instead.
        if (mDemo.IsPlaying()) {
            mHandledHeld = mHeld;
            mHost.DebugKeyDown(message.value);
        }
    } else if (message.kind == MessageKind::KeyUp || message.kind == MessageKind::SysKeyUp) {
        HoldModifier(message.value, false);
    } else if (message.kind == MessageKind::Char && mDemo.IsPlaying()) {
        // A playback key has done its work and goes no further: a dialog it opened must not get it.
        if (mDemo.ControlKey(static_cast<char>(message.value))) return 0;
    }

    bool lastIsClose = !mQueue.empty() && mQueue.back().message.kind == MessageKind::Close;
    bool repeatedTimer = message.kind == MessageKind::Timer && !mQueue.empty() &&
                         mQueue.back().message.kind == MessageKind::Timer;
    if (!lastIsClose && !repeatedTimer) mQueue.push_back({message, mHeld});

    if (message.kind == MessageKind::Close) {
        mHost.CloseRequested();
        return 0;
    }
    if (message.kind == MessageKind::SysKeyDown) {
        if (message.value == KeyEnter && !state.screenModeLocked) {
            // The queued input belonged to the window that is about to be replaced.
            if (!lastIsClose) mQueue.clear();
            mHost.SwitchScreenMode(!state.windowed);
            mWidgets.ClearKeyStates();
            ReleaseModifierKeys();
        } else if (message.value == KeyF4) {
            WindowMessage close;
            close.window = message.window;
            close.kind = MessageKind::Close;
            mWindows.PostMessage(close);
        }
    }
    return 0;
}

void MessagePump::DispatchWindowMessages() {
    if (mHost.GetPumpState().shuttingDown) return;
    mWindows.DispatchMessages([this](const WindowMessage& message) {
        WindowProc(message);
        return !mHost.GetPumpState().shuttingDown;
    });
}

bool MessagePump::TakenByScreenSaver(const WindowMessage& message, const PumpState& state) {
    using Verdict = ScreenSaverInputFilter::Verdict;
    Verdict verdict =
        mSaverFilter.Examine(message, state.mainWindow, mClock.Milliseconds(), mLastMonitorPowerMs);
    if (verdict == Verdict::Close) {
        WindowMessage request;
        request.window = state.mainWindow;
        request.kind = MessageKind::Close;
        mWindows.PostMessage(request);
    }
    return verdict != Verdict::Pass;
}

void MessagePump::HandleNotify() {
    WindowId main = mHost.GetPumpState().mainWindow;
    if (!main) return;
    if (mWindows.IsMinimised(main)) mWindows.ShowWindow(main, ShowCommand::Restore);
    mWindows.RaiseWindow(main);
    std::fputs("Brought to the front by another copy\r\n", stderr);
}

void MessagePump::ReleaseModifierKeys() {
    mHeld = {};
    mHandledHeld = {};
}

void MessagePump::HoldModifier(int32_t keyCode, bool down) {
    if (keyCode == KeyShift) mHeld.shift = down;
    if (keyCode == KeyControl) mHeld.ctrl = down;
    if (keyCode == KeyAlt) mHeld.alt = down;
}

// --- Queued messages ---

bool MessagePump::ProcessQueuedMessages(bool all) {
    while (!mQueue.empty()) {
        WindowMessage message = mQueue.front().message;
        mHandledHeld = mQueue.front().held;
        mQueue.pop_front();
        // A recording writes the message first, as its replay will see it.
        bool live = mDemo.PassMessage(message);
        if (message.kind == MessageKind::Close) {
            PumpState state = mHost.GetPumpState();
            if (message.window == state.mainWindow || message.window == state.invisibleWindow) {
                mDemo.WindowClosed();
                mHost.Shutdown();
            }
        } else if (live) {
            Dispatch(message);
        }
        if (!all) break;
    }
    return !mQueue.empty();
}

void MessagePump::Dispatch(const WindowMessage& message) {
    PumpState state = mHost.GetPumpState();
    switch (message.kind) {
        case MessageKind::Move:
            if (message.window == state.mainWindow && state.physicallyWindowed && !mMinimised &&
                !mWindows.IsMinimised(state.mainWindow)) {
                PixelRect frame = mWindows.FrameRect(state.mainWindow);
                mHost.RememberWindowPosition(frame.x, frame.y);
            }
            break;
        case MessageKind::Size:
            if (message.window == state.mainWindow && !state.shuttingDown) HandleSize(message);
            break;
        case MessageKind::Activate:
            if (message.window == state.mainWindow && !state.hidden && !state.shuttingDown &&
                !state.desktopScreenSaverRunning)
                HandleActivate();
            break;
        case MessageKind::KeyDown:
        case MessageKind::SysKeyDown:
            HandleKeyDown(message);
            break;
        case MessageKind::KeyUp:
        case MessageKind::SysKeyUp:
            mWidgets.KeyUp(message.value);
            break;
        case MessageKind::Char:
            mWidgets.CharTyped(static_cast<char>(message.value));
            break;
        case MessageKind::Timer:
            if (state.insideMainLoop && !state.hidden) HandleTimer();
            break;
        case MessageKind::Wheel:
            mLastInputMs = mClock.Milliseconds();
            mWidgets.MouseWheel(message.value / 120);
            break;
        default:
            if (message.IsMouse()) HandleMouse(message);
            break;
    }
}

void MessagePump::HandleKeyDown(const WindowMessage& message) {
    mLastInputMs = mClock.Milliseconds();
    if (message.value == KeyD && mHandledHeld.ctrl && mHandledHeld.alt) {
        mDebugKeys.Toggle();
        return;
    }
    if (mDebugKeys.IsOn() && mHost.DebugKeyDown(message.value)) return;
    mWidgets.KeyDown(message.value);
}

void MessagePump::HandleSize(const WindowMessage& message) {
    bool minimised = message.value == SizeMinimised;
    if (minimised != mMinimised) {
        mMinimised = minimised;
        if (minimised) {
            if (mMuteOnFocusLoss) mHost.Mute(true);
        } else {
            if (mMuteOnFocusLoss) mHost.Unmute(true);
            mWidgets.MarkAllDirty();
        }
    }
    UpdateFocus();
}

void MessagePump::HandleActivate() {
    UpdateFocus();
    if (mActive && !mHost.GetPumpState().physicallyWindowed) mWidgets.MarkAllDirty();
    if (mWebPage.IsPending() && !mActive) mHost.UrlOpenSucceeded(mWebPage.GetUrl());
}

void MessagePump::RestoredByDisplay() {
    if (!mMinimised) return;
    mMinimised = false;
    if (mMuteOnFocusLoss) mHost.Unmute(true);
}

void MessagePump::UpdateFocus() {
    bool focus = mActive && !mMinimised;
    if (focus == mHasFocus) return;
    mHasFocus = focus;
    if (focus) {
        if (mMuteOnFocusLoss) mHost.Unmute(true);
        mWidgets.FocusGained();
        mHost.FocusGainedHook();
    } else {
        if (mMuteOnFocusLoss) mHost.Mute(true);
        mWidgets.FocusLost();
        mHost.FocusLostHook();
        mWindows.CaptureMouse(false);
        mWidgets.ReleaseMouseButtons();
    }
}

void MessagePump::HandleTimer() {
    switch (mWebPage.Tick(mClock.Milliseconds(), mActive)) {
        case WebPageOpener::Outcome::Succeeded:
            mHost.UrlOpenSucceeded(mWebPage.GetUrl());
            break;
        case WebPageOpener::Outcome::Failed:
            mHost.UrlOpenFailed(mWebPage.GetUrl());
            break;
        case WebPageOpener::Outcome::Undecided:
            break;
    }

    PointerState pointer = mWindows.QueryPointer(mHost.GetPumpState().mainWindow);
    if (pointer.inWindow != mMouseInWindow) {
        mDemo.PointerCrossed(pointer.inWindow);
        PointerCrossed(pointer.inWindow, pointer.x, pointer.y);
    }
}

void MessagePump::PointerCrossed(bool entered, int32_t x, int32_t y) {
    if (!entered) mWidgets.MouseLeftWindow(x, y);
    mMouseInWindow = entered;
    mHost.EnforceCursor();
}

void MessagePump::ReplayPointerCrossed(bool entered, int32_t x, int32_t y) {
    PointerCrossed(entered, x, y);
}

void MessagePump::ReplayMessage(const WindowMessage& recorded) {
    WindowMessage message = recorded;
    PumpState state = mHost.GetPumpState();
    message.window = state.mainWindow;
    switch (message.kind) {
        case MessageKind::Close:
            mHost.Shutdown();
            return;
        case MessageKind::Activate:
            mActive = message.value != 0;
            break;
        case MessageKind::KeyDown:
            HoldModifier(message.value, true);
            break;
        case MessageKind::KeyUp:
            HoldModifier(message.value, false);
            break;
        default:
            break;
    }
    mHandledHeld = mHeld;
    Dispatch(message);
}

void MessagePump::HandleMouse(const WindowMessage& message) {
    mLastInputMs = mClock.Milliseconds();
    mCursor.SetPointer(message.x, message.y);
    mWidgets.MouseMove(message.x, message.y);
    if (!mMouseInWindow) {
        mMouseInWindow = true;
        mHost.EnforceCursor();
    }
    if (message.IsButtonPress()) {
        mWindows.CaptureMouse(true);
        mWidgets.MouseDown(message.x, message.y, message.Button(), message.ClickCount());
    } else if (message.IsButtonRelease()) {
        mWidgets.MouseUp(message.x, message.y, message.Button());
        if (message.buttons == 0) mWindows.CaptureMouse(false);
    }
}

} // namespace Zorbel
