// The window procedure of the application and the queue through which window messages reach the
// widgets: focus, mouse and keyboard, the cursor, and the screen-saver input filter.
#include "framework/app/ZorbelAppBase.h"

#include "framework/app/DisplayDevice.h"
#include "framework/app/WidgetLayer.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/Clock.h"

namespace Zorbel {

namespace {

constexpr int32_t KeyEnter = 13;
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

int32_t PressCode(MessageKind kind) {
    switch (kind) {
        case MessageKind::LeftDouble:
            return 2;
        case MessageKind::RightDown:
        case MessageKind::RightUp:
            return -1;
        case MessageKind::RightDouble:
            return -2;
        case MessageKind::MiddleDown:
        case MessageKind::MiddleUp:
        case MessageKind::MiddleDouble:
            return 3;
        default:
            return 1;
    }
}

} // namespace

int32_t ZorbelAppBase::WindowProc(const WindowMessage& message) {
    if (mScreenSaverMode && ScreenSaverFilter(message)) return 0;

    switch (message.kind) {
        case MessageKind::Paint:
            if (mInitialised && !mHidden && mInsideMainLoop) PresentScreen(nullptr);
            return 0;
        case MessageKind::EndSession:
            Shutdown();
            return 0;
        case MessageKind::SysChar:
            return 0;
        case MessageKind::Notify:
            HandleNotify();
            return 0;
        default:
            break;
    }
    if (!IsQueuedKind(message.kind)) return 0;

    if (message.kind == MessageKind::Activate) {
        if (mPlaying || message.window != mMainWindow) return 0;
        mActive = message.value != 0;
    }
    if (mSystemDialogActive) return 0;

    if (message.kind == MessageKind::KeyDown || message.kind == MessageKind::SysKeyDown) {
        if (message.value == KeyControl) mCtrlDown = true;
        if (message.value == KeyAlt) mAltDown = true;
        if (DebugKeyDownEx(message.value, mCtrlDown, mAltDown)) return 0;
    } else if (message.kind == MessageKind::KeyUp || message.kind == MessageKind::SysKeyUp) {
        if (message.value == KeyControl) mCtrlDown = false;
        if (message.value == KeyAlt) mAltDown = false;
    }

    bool lastIsClose = !mMessageQueue.empty() && mMessageQueue.back().kind == MessageKind::Close;
    bool repeatedTimer = message.kind == MessageKind::Timer && !mMessageQueue.empty() &&
                         mMessageQueue.back().kind == MessageKind::Timer;
    if (!lastIsClose && !repeatedTimer) mMessageQueue.push_back(message);

    if (message.kind == MessageKind::Close) {
        CloseRequested();
        return 0;
    }
    if (message.kind == MessageKind::SysKeyDown) {
        if (message.value == KeyEnter && !mForcedFullScreen && !mForcedWindowed) {
            // The queued input belonged to the window that is about to be replaced.
            if (!lastIsClose) mMessageQueue.clear();
            SwitchScreenMode(!mWindowed);
            mWidgetManager->ClearKeyStates();
            mCtrlDown = false;
            mAltDown = false;
        } else if (message.value == KeyF4) {
            WindowMessage close;
            close.window = message.window;
            close.kind = MessageKind::Close;
            mWindowSystem->PostMessage(close);
        }
    }
    return 0;
}

bool ZorbelAppBase::ProcessQueuedMessages(bool all) {
    while (!mMessageQueue.empty()) {
        WindowMessage message = mMessageQueue.front();
        mMessageQueue.pop_front();
        if (mRecording) RecordMessage(message);
        if (message.kind == MessageKind::Close) {
            if (message.window == mMainWindow || message.window == mInvisibleWindow) {
                if (mPlaying) mPlaybackEnded = true;
                Shutdown();
            }
        } else if (!mPlaying) {
            DispatchQueuedMessage(message);
        }
        if (!all) break;
    }
    return !mMessageQueue.empty();
}

void ZorbelAppBase::DispatchQueuedMessage(const WindowMessage& message) {
    switch (message.kind) {
        case MessageKind::Move:
            if (message.window == mMainWindow && mPhysicallyWindowed && !mMinimised &&
                !mWindowSystem->IsMinimised(mMainWindow)) {
                PixelRect frame = mWindowSystem->FrameRect(mMainWindow);
                mPreferredX = frame.x;
                mPreferredY = frame.y;
            }
            break;
        case MessageKind::Size:
            if (message.window == mMainWindow && !mShuttingDown) HandleSizeMessage(message);
            break;
        case MessageKind::Activate:
            if (message.window == mMainWindow && !mHidden && !mShuttingDown && !mSystemScreenSaverRunning)
                HandleActivateMessage();
            break;
        case MessageKind::KeyDown:
        case MessageKind::SysKeyDown:
            mLastInputMs = Now();
            if (message.value == KeyD && mCtrlDown && mAltDown) {
                mDebugKeysOn = !mDebugKeysOn;
                break;
            }
            if (mDebugKeysOn && DebugKeyDown(message.value)) break;
            mWidgetManager->KeyDown(message.value);
            break;
        case MessageKind::KeyUp:
        case MessageKind::SysKeyUp:
            mWidgetManager->KeyUp(message.value);
            break;
        case MessageKind::Char:
            mWidgetManager->CharTyped(static_cast<char>(message.value));
            break;
        case MessageKind::Timer:
            if (mInsideMainLoop && !mHidden) HandleTimerMessage();
            break;
        case MessageKind::Wheel:
            mLastInputMs = Now();
            mWidgetManager->MouseWheel(message.value / 120);
            break;
        default:
            if (message.IsMouse()) HandleMouseMessage(message);
            break;
    }
}

void ZorbelAppBase::HandleSizeMessage(const WindowMessage& message) {
    bool minimised = message.value == SizeMinimised;
    if (minimised != mMinimised) {
        mMinimised = minimised;
        if (minimised) {
            if (mMuteOnFocusLoss) Mute(true);
        } else {
            if (mMuteOnFocusLoss) Unmute(true);
            mWidgetManager->MarkAllDirty();
        }
    }
    SetFocusState();
}

void ZorbelAppBase::HandleActivateMessage() {
    SetFocusState();
    if (mActive && !mPhysicallyWindowed) mWidgetManager->MarkAllDirty();
    if (mUrlOpenPending && !mActive) UrlOpenSucceeded(mPendingUrl);
}

void ZorbelAppBase::SetFocusState() {
    bool focus = mActive && !mMinimised;
    if (focus == mHasFocus) return;
    mHasFocus = focus;
    if (focus) {
        if (mMuteOnFocusLoss) Unmute(true);
        mWidgetManager->FocusGained();
        FocusGainedHook();
    } else {
        if (mMuteOnFocusLoss) Mute(true);
        mWidgetManager->FocusLost();
        FocusLostHook();
        mWindowSystem->CaptureMouse(false);
        mWidgetManager->ReleaseMouseButtons();
    }
}

void ZorbelAppBase::HandleTimerMessage() {
    uint32_t now = Now();
    if (mUrlOpenPending) {
        // Only time that passes while the timer ticks steadily counts: a suspended machine or a long
        // stall says nothing about the browser.
        uint32_t gap = now - mLastTimerMs;
        if (gap < 500) mUrlTimedMs += gap;
        uint32_t elapsed = now - mUrlOpenMs;
        if (mUrlTimedMs >= 5000) {
            if (!mActive && elapsed >= 8000)
                UrlOpenSucceeded(mPendingUrl);
            else if (mActive && elapsed >= 12000)
                UrlOpenFailed(mPendingUrl);
        }
    }
    mLastTimerMs = now;

    PointerState pointer = mWindowSystem->QueryPointer(mMainWindow);
    if (pointer.inWindow != mMouseInWindow) {
        if (!pointer.inWindow) mWidgetManager->MouseLeftWindow(pointer.x, pointer.y);
        mMouseInWindow = pointer.inWindow;
        EnforceCursor();
    }
}

void ZorbelAppBase::HandleMouseMessage(const WindowMessage& message) {
    mLastInputMs = Now();
    mCursorX = message.x;
    mCursorY = message.y;
    mWidgetManager->MouseMove(message.x, message.y);
    if (!mMouseInWindow) {
        mMouseInWindow = true;
        EnforceCursor();
    }
    if (message.IsButtonPress()) {
        mWindowSystem->CaptureMouse(true);
        mWidgetManager->MouseDown(message.x, message.y, PressCode(message.kind));
    } else if (message.IsButtonRelease()) {
        mWidgetManager->MouseUp(message.x, message.y, PressCode(message.kind));
        if (message.buttons == 0) mWindowSystem->CaptureMouse(false);
    }
}

void ZorbelAppBase::HandleNotify() {
    if (!mMainWindow) return;
    if (mWindowSystem->IsMinimised(mMainWindow)) mWindowSystem->ShowWindow(mMainWindow, ShowCommand::Restore);
    mWindowSystem->RaiseWindow(mMainWindow);
    DebugOutput("Brought to the front by another copy\r\n");
}

// --- Cursors ---

void ZorbelAppBase::SetCursor(int32_t id) {
    mCursorId = id;
    EnforceCursor();
}

void ZorbelAppBase::SetCursorImage(int32_t id, MemoryImage* image) {
    if (id < 0 || id >= NUM_CURSORS) return;
    mCursorImages[static_cast<size_t>(id)] = image;
    EnforceCursor();
}

void ZorbelAppBase::SetOverrideCursor(CursorHandle cursor) {
    mOverrideCursor = cursor;
    EnforceCursor();
}

CursorHandle ZorbelAppBase::SystemCursorFor(int32_t id) {
    static const SystemCursor shapes[NUM_CURSORS] = {
        SystemCursor::Arrow,      SystemCursor::Arrow,    SystemCursor::Arrow,      SystemCursor::TextBeam,
        SystemCursor::NotAllowed, SystemCursor::Move,     SystemCursor::ResizeNeSw, SystemCursor::ResizeNs,
        SystemCursor::ResizeNwSe, SystemCursor::ResizeWe, SystemCursor::Wait,       SystemCursor::Arrow,
        SystemCursor::Arrow};
    if (id == CURSOR_HAND) return mCustomCursorA;
    if (id == CURSOR_DRAGGING) return mCustomCursorB;
    if (id == CURSOR_NONE || id == CURSOR_CUSTOM) return 0;
    if (id < 0 || id >= NUM_CURSORS) id = CURSOR_POINTER;
    CursorHandle& handle = mSystemCursors[static_cast<size_t>(id)];
    if (!handle) handle = mWindowSystem->CreateSystemCursor(shapes[id]);
    return handle;
}

bool ZorbelAppBase::ShouldDrawCursorPicture() const {
    if (mCursorId < 0 || mCursorId >= NUM_CURSORS) return false;
    return mCursorImages[static_cast<size_t>(mCursorId)] &&
           (mPlaying || mCustomCursors || mCursorId == CURSOR_CUSTOM);
}

void ZorbelAppBase::EnforceCursor() {
    if (!mDisplay) return;
    bool changed;
    if (mHidden || !mMouseInWindow) {
        changed = mDisplay->ChooseSoftCursor(nullptr);
        mWindowSystem->SetCursor(SystemCursorFor(CURSOR_POINTER));
        mWindowSystem->ShowSystemCursor(true);
    } else if (ShouldDrawCursorPicture()) {
        changed = mDisplay->ChooseSoftCursor(mCursorImages[static_cast<size_t>(mCursorId)]);
        if (mPlaying) {
            mWindowSystem->SetCursor(SystemCursorFor(CURSOR_CIRCLE_SLASH));
            mWindowSystem->ShowSystemCursor(true);
        } else {
            mWindowSystem->ShowSystemCursor(false);
        }
    } else {
        changed = mDisplay->ChooseSoftCursor(nullptr);
        mWindowSystem->SetCursor(mOverrideCursor ? mOverrideCursor : SystemCursorFor(mCursorId));
        mWindowSystem->ShowSystemCursor(true);
    }
    if (changed) mCursorChanged = true;
}

// --- Screen-saver mode ---

bool ZorbelAppBase::ScreenSaverFilter(const WindowMessage& message) {
    if (mSaverClosing) return false;
    bool close = false;
    switch (message.kind) {
        case MessageKind::Activate:
            close = message.value == 0;
            break;
        case MessageKind::Close:
        case MessageKind::KeyDown:
        case MessageKind::SysKeyDown:
        case MessageKind::LeftDown:
        case MessageKind::LeftDouble:
        case MessageKind::RightDown:
        case MessageKind::RightDouble:
        case MessageKind::MiddleDown:
        case MessageKind::MiddleDouble:
            close = true;
            break;
        case MessageKind::MouseMove:
            if (mSaverPointerX < 0) {
                // The first report tells where the pointer rests.
                mSaverPointerX = message.x;
                mSaverPointerY = message.y;
                return true;
            }
            if (message.x == mSaverPointerX && message.y == mSaverPointerY) return true;
            mSaverPointerX = message.x;
            mSaverPointerY = message.y;
            if (++mSaverMoveCount <= 3) return true;
            close = true;
            break;
        default:
            return false;
    }
    if (!close) return false;
    if (message.window != mMainWindow) return true;
    bool powerGrace = mLastMonitorPowerMs != 0 && Now() - mLastMonitorPowerMs < 1000;
    if (powerGrace && (message.kind == MessageKind::Close || message.kind == MessageKind::MouseMove ||
                       message.kind == MessageKind::Activate))
        return true;
    // There is no screen-saver password on this desktop, so nothing stands between input and closing.
    mSaverClosing = true;
    WindowMessage request;
    request.window = mMainWindow;
    request.kind = MessageKind::Close;
    mWindowSystem->PostMessage(request);
    return true;
}

} // namespace Zorbel
