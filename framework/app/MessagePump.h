#pragma once

#include "framework/app/DebugKeys.h"
#include "framework/app/ScreenSaverInputFilter.h"
#include "framework/graphics/Rect.h"
#include "framework/platform/WindowMessage.h"

#include <cstdint>
#include <deque>
#include <string>

namespace Zorbel {

class Clock;
class CursorController;
class DebugKeys;
class DemoSession;
class WebPageOpener;
class WidgetLayer;
class WindowSystem;

// The application's state as the message pump needs it; asked afresh for every message.
struct PumpState {
    WindowId mainWindow = 0;
    WindowId invisibleWindow = 0;
    bool initialised = false;
    bool hidden = false;
    bool insideMainLoop = false;
    bool shuttingDown = false;
    bool systemDialogActive = false;
    bool windowed = true;
    bool physicallyWindowed = true;
    // A forced full screen or forced window: Alt + Enter does nothing.
    bool screenModeLocked = false;
    bool desktopScreenSaverRunning = false;
    bool screenSaverMode = false;
    // Another copy of the program may ask this one to come to the front.
    bool notifyRegistered = false;
};

// The one place that knows window messages: the window procedure, the queue it fills, and the
// translation of queued messages into widget input, focus and activation. The window procedure
// handles a few messages at once (painting, the end of the session, a second copy's notice, Alt +
// Enter, close requests) and queues the rest; the main loop takes queued messages one at a time,
// passes each through the demo session and hands it on.
class MessagePump {
public:
    // The application's side of the pump: its operations (the same names as its own) and its state.
    class Host {
    public:
        virtual void Shutdown() = 0;
        virtual void CloseRequested() = 0;
        virtual bool DebugKeyDown(int32_t keyCode) = 0;
        virtual bool DebugKeyDownEx(int32_t keyCode, bool ctrl, bool alt) = 0;
        virtual void SwitchScreenMode(bool wantWindowed) = 0;
        virtual void Mute(bool autoMute) = 0;
        virtual void Unmute(bool autoMute) = 0;
        virtual void FocusGainedHook() = 0;
        virtual void FocusLostHook() = 0;
        virtual void EnforceCursor() = 0;
        virtual void PresentScreen(const Rect* clip) = 0;
        virtual void UrlOpenSucceeded(const std::string& url) = 0;
        virtual void UrlOpenFailed(const std::string& url) = 0;

        virtual PumpState GetPumpState() = 0;
        // The main window moved while shown normally in a window: its position is kept.
        virtual void RememberWindowPosition(int32_t x, int32_t y) = 0;

    protected:
        virtual ~Host() = default;
    };

    // Everything given must outlive the pump.
    struct Parts {
        Host& host;
        WindowSystem& windows;
        WidgetLayer& widgets;
        Clock& clock;
        DemoSession& demo;
        DebugKeys& debugKeys;
        CursorController& cursor;
        WebPageOpener& webPage;
    };

    explicit MessagePump(const Parts& parts);
    MessagePump(const MessagePump&) = delete;
    MessagePump& operator=(const MessagePump&) = delete;

    // The window procedure of the main and the invisible window; the message's result.
    int32_t WindowProc(const WindowMessage& message);
    // Every message waiting at the window system goes through the window procedure; stops once the
    // application is shutting down.
    void DispatchWindowMessages();
    // Hands queued messages on: the first one, or all. True while messages remain.
    bool ProcessQueuedMessages(bool all);
    // A message of a demo being played, handed on as if it had been taken from the queue.
    void ReplayMessage(const WindowMessage& message);
    // The recorded pointer entered or left the window.
    void ReplayPointerCrossed(bool entered, int32_t x, int32_t y);

    // Focus: the window is active and not minimised. Widgets do nothing in their update without it.
    bool HasFocus() const { return mHasFocus; }
    bool IsActive() const { return mActive; }
    bool IsMinimised() const { return mMinimised; }
    // The display was set up again on a window that was minimised: it counts as restored.
    void RestoredByDisplay();
    bool GetMuteOnFocusLoss() const { return mMuteOnFocusLoss; }
    void SetMuteOnFocusLoss(bool on) { mMuteOnFocusLoss = on; }

    bool IsMouseInWindow() const { return mMouseInWindow; }
    // The last key or mouse input; the main loop starts the count.
    uint32_t GetLastInputMs() const { return mLastInputMs; }
    void SetLastInputMs(uint32_t ms) { mLastInputMs = ms; }
    // The Shift, Ctrl and Alt keys held when the message being handled arrived (a queued key is
    // handled after the keys pressed with it may have been released again).
    HeldModifiers GetHeldModifiers() const { return mHandledHeld; }
    // Forgets the held Shift, Ctrl and Alt keys (a system dialog or another window took the keyboard).
    void ReleaseModifierKeys();

private:
    // Screen-saver mode: true when the message was taken (input that closes the saver, or is forgiven).
    bool TakenByScreenSaver(const WindowMessage& message, const PumpState& state);
    void Dispatch(const WindowMessage& message);
    void HandleKeyDown(const WindowMessage& message);
    void HoldModifier(int32_t keyCode, bool down);
    void HandleSize(const WindowMessage& message);
    void HandleActivate();
    void HandleTimer();
    void HandleMouse(const WindowMessage& message);
    void HandleNotify();
    void PointerCrossed(bool entered, int32_t x, int32_t y);
    void UpdateFocus();

    Host& mHost;
    WindowSystem& mWindows;
    WidgetLayer& mWidgets;
    Clock& mClock;
    DemoSession& mDemo;
    DebugKeys& mDebugKeys;
    CursorController& mCursor;
    WebPageOpener& mWebPage;

    // Each message with the modifiers held when it arrived.
    struct Queued {
        WindowMessage message;
        HeldModifiers held;
    };
    std::deque<Queued> mQueue;
    bool mActive = true;
    bool mMinimised = false;
    bool mHasFocus = true;
    bool mMuteOnFocusLoss = true;
    bool mMouseInWindow = false;
    // As the window procedure sees them, and for the message being handled.
    HeldModifiers mHeld;
    HeldModifiers mHandledHeld;
    uint32_t mLastInputMs = 0;
    // FIXME: no desktop reports monitor power changes yet; the screen-saver filter keeps its grace
    // for when one does.
    uint32_t mLastMonitorPowerMs = 0;
    ScreenSaverInputFilter mSaverFilter;
};

} // namespace Zorbel
