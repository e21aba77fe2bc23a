#include "framework/app/CursorController.h"

#include "framework/app/BuiltinCursors.h"
#include "framework/app/DisplayDevice.h"
#include "framework/platform/Clock.h"

#include <chrono>

namespace Zorbel {

CursorController::~CursorController() {
    JoinThread();
    for (CursorHandle& handle : mSystemCursors) {
        if (handle) mWindows.DestroyCursor(handle);
        handle = 0;
    }
    if (mHand) mWindows.DestroyCursor(mHand);
    if (mDraggingHand) mWindows.DestroyCursor(mDraggingHand);
}

void CursorController::CreateBuiltinCursors() {
    auto make = [&](const CursorMasks& masks) {
        MaskCursor cursor;
        cursor.hotX = masks.hotX;
        cursor.hotY = masks.hotY;
        cursor.andMask.assign(masks.andMask.begin(), masks.andMask.end());
        cursor.xorMask.assign(masks.xorMask.begin(), masks.xorMask.end());
        return mWindows.CreateMaskCursor(cursor);
    };
    if (!mHand) mHand = make(HandCursorMasks());
    if (!mDraggingHand) mDraggingHand = make(DraggingHandCursorMasks());
}

void CursorController::SetCursorImage(int32_t id, MemoryImage* image) {
    if (id < 0 || id >= NUM_CURSORS) return;
    mImages[static_cast<size_t>(id)] = image;
}

CursorHandle CursorController::SystemCursorFor(int32_t id) {
    static const SystemCursor shapes[NUM_CURSORS] = {
        SystemCursor::Arrow,      SystemCursor::Arrow,    SystemCursor::Arrow,      SystemCursor::TextBeam,
        SystemCursor::NotAllowed, SystemCursor::Move,     SystemCursor::ResizeNeSw, SystemCursor::ResizeNs,
        SystemCursor::ResizeNwSe, SystemCursor::ResizeWe, SystemCursor::Wait,       SystemCursor::Arrow,
        SystemCursor::Arrow};
    if (id == CURSOR_HAND) return mHand;
    if (id == CURSOR_DRAGGING) return mDraggingHand;
    if (id == CURSOR_NONE || id == CURSOR_CUSTOM) return 0;
    if (id < 0 || id >= NUM_CURSORS) id = CURSOR_POINTER;
    CursorHandle& handle = mSystemCursors[static_cast<size_t>(id)];
    if (!handle) handle = mWindows.CreateSystemCursor(shapes[id]);
    return handle;
}

bool CursorController::ShouldDrawPicture(bool playingDemo) const {
    if (mCursorId < 0 || mCursorId >= NUM_CURSORS) return false;
    return mImages[static_cast<size_t>(mCursorId)] &&
           (playingDemo || mCustomCursors || mCursorId == CURSOR_CUSTOM);
}

void CursorController::Enforce(DisplayDevice* display, bool pointerAway, bool playingDemo) {
    if (!display) return;
    bool changed;
    if (pointerAway) {
        changed = display->ChooseSoftCursor(nullptr);
        mWindows.SetCursor(SystemCursorFor(CURSOR_POINTER));
        mWindows.ShowSystemCursor(true);
    } else if (ShouldDrawPicture(playingDemo)) {
        changed = display->ChooseSoftCursor(mImages[static_cast<size_t>(mCursorId)]);
        if (playingDemo) {
            mWindows.SetCursor(SystemCursorFor(CURSOR_CIRCLE_SLASH));
            mWindows.ShowSystemCursor(true);
        } else {
            mWindows.ShowSystemCursor(false);
        }
    } else {
        changed = display->ChooseSoftCursor(nullptr);
        mWindows.SetCursor(mOverrideCursor ? mOverrideCursor : SystemCursorFor(mCursorId));
        mWindows.ShowSystemCursor(true);
    }
    if (changed) mChanged = true;
}

void CursorController::SetPointer(int32_t x, int32_t y) {
    mPointerX = x;
    mPointerY = y;
}

void CursorController::StartThread(const std::atomic<bool>& stop, DisplayDevice* display, Clock& clock,
                                   const std::atomic<uint32_t>& nextDrawMs) {
    JoinThread();
    mThreadRunning = true;
    // The position is taken here, not in the thread: a move handled before the thread first runs is
    // still a move it must follow.
    int32_t x = mPointerX;
    int32_t y = mPointerY;
    mThread = std::thread([this, &stop, display, &clock, &nextDrawMs, x, y] {
        ThreadBody(stop, display, clock, nextDrawMs, x, y);
    });
}

void CursorController::JoinThread() {
    if (mThread.joinable()) mThread.join();
}

void CursorController::ThreadBody(const std::atomic<bool>& stop, DisplayDevice* display, Clock& clock,
                                  const std::atomic<uint32_t>& nextDrawMs, int32_t lastX, int32_t lastY) {
    while (!stop) {
        // Real time paces this thread: it follows the pointer, not the update clock.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        int32_t x = mPointerX;
        int32_t y = mPointerY;
        if (x == lastX && y == lastY) continue;
        lastX = x;
        lastY = y;
        if (!display) continue;
        uint32_t idleLimit = static_cast<uint32_t>(display->GetMillisecondsPerFrame() + 5);
        if (static_cast<int32_t>(clock.Milliseconds() - nextDrawMs.load()) > static_cast<int32_t>(idleLimit))
            display->MoveSoftCursor(x, y);
        else
            display->SetSoftCursorPosition(x, y);
    }
    mThreadRunning = false;
}

} // namespace Zorbel
