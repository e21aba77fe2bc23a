#pragma once

#include "framework/platform/WindowSystem.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <thread>

namespace Zorbel {

class Clock;
class DisplayDevice;
class MemoryImage;

// The mouse cursor of the application: the cursor number in force, the two built-in hand cursors and
// the system shapes, an optional picture per number that the display draws instead, an override
// handle, and the cursor thread that keeps a drawn cursor following the pointer between frames.
class CursorController {
public:
    // Cursor numbers; any number not listed shows the arrow.
    enum CursorId : int32_t {
        CURSOR_POINTER = 0,
        CURSOR_HAND = 1,     // the built-in pointing hand
        CURSOR_DRAGGING = 2, // the built-in open hand
        CURSOR_TEXT = 3,
        CURSOR_CIRCLE_SLASH = 4, // "not allowed"
        CURSOR_SIZEALL = 5,
        CURSOR_SIZENESW = 6,
        CURSOR_SIZENS = 7,
        CURSOR_SIZENWSE = 8,
        CURSOR_SIZEWE = 9,
        CURSOR_WAIT = 10,
        CURSOR_NONE = 11,
        CURSOR_CUSTOM = 12, // none, or the drawn picture even without custom cursors
        NUM_CURSORS = 13
    };

    // The window system must outlive the controller.
    explicit CursorController(WindowSystem& windows) : mWindows(windows) {}
    CursorController(const CursorController&) = delete;
    CursorController& operator=(const CursorController&) = delete;
    // Ends the cursor thread and frees the cursors.
    ~CursorController();

    // Makes the built-in cursors from their masks (once).
    void CreateBuiltinCursors();

    int32_t GetCursorId() const { return mCursorId; }
    void SetCursorId(int32_t id) { mCursorId = id; }
    // The picture drawn for a cursor number (borrowed; null for the system cursor), and a handle that
    // replaces every cursor number while set (0 clears it).
    void SetCursorImage(int32_t id, MemoryImage* image);
    void SetOverrideCursor(CursorHandle cursor) { mOverrideCursor = cursor; }
    // Drawn cursor pictures are used only when the player chose them (or for cursor 12).
    bool GetCustomCursors() const { return mCustomCursors; }
    void SetCustomCursors(bool on) { mCustomCursors = on; }

    // Shows the cursor in force. Away from the window (or hidden) the arrow shows; a picture is drawn
    // by the display when one is registered and wanted; during demo playback the system shows the
    // "not allowed" sign over the drawn cursor. Nothing happens without a display.
    void Enforce(DisplayDevice* display, bool pointerAway, bool playingDemo);
    // The drawn cursor changed since the last present; the next draw step presents it.
    bool HasChanged() const { return mChanged; }
    void ClearChanged() { mChanged = false; }

    // The pointer as the last mouse message left it, in client coordinates.
    void SetPointer(int32_t x, int32_t y);

    // The cursor thread: every 10 ms until stop is set it looks at the pointer; when it moved and the
    // main loop is idle (nothing drawn since its refresh period plus 5 ms) the display moves the drawn
    // cursor at once, otherwise it only notes the position for the next present. stop, the display,
    // the clock and nextDrawMs must outlive the thread.
    void StartThread(const std::atomic<bool>& stop, DisplayDevice* display, Clock& clock,
                     const std::atomic<uint32_t>& nextDrawMs);
    bool IsThreadRunning() const { return mThreadRunning; }
    // Waits for the thread to end (it ends once stop is set).
    void JoinThread();

private:
    CursorHandle SystemCursorFor(int32_t id);
    bool ShouldDrawPicture(bool playingDemo) const;
    void ThreadBody(const std::atomic<bool>& stop, DisplayDevice* display, Clock& clock,
                    const std::atomic<uint32_t>& nextDrawMs, int32_t lastX, int32_t lastY);

    WindowSystem& mWindows;
    int32_t mCursorId = CURSOR_POINTER;
    bool mCustomCursors = false;
    bool mChanged = false;
    CursorHandle mHand = 0;
    CursorHandle mDraggingHand = 0;
    CursorHandle mOverrideCursor = 0;
    std::array<MemoryImage*, NUM_CURSORS> mImages{};
    std::array<CursorHandle, NUM_CURSORS> mSystemCursors{};
    std::atomic<int32_t> mPointerX{0};
    std::atomic<int32_t> mPointerY{0};
    std::atomic<bool> mThreadRunning{false};
    std::thread mThread;
};

} // namespace Zorbel
