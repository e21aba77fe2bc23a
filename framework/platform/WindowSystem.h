#pragma once

#include "framework/platform/DisplayDriver.h"
#include "framework/platform/MessageBox.h"
#include "framework/platform/PixelRect.h"
#include "framework/platform/WindowMessage.h"
#include "framework/platform/window/MaskCursor.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Zorbel {

// The pointer shapes every desktop provides.
enum class SystemCursor : uint8_t {
    Arrow,
    Hand,
    TextBeam,
    NotAllowed,
    Move,       // four-way arrows
    ResizeNeSw, // diagonal, north-east to south-west
    ResizeNs,   // vertical
    ResizeNwSe, // diagonal, north-west to south-east
    ResizeWe,   // horizontal
    Wait,
};

// A cursor made by a window system; 0 is "no cursor". A handle stays valid until destroyed, even when
// the desktop could not make the shape (it then shows its default arrow).
using CursorHandle = uint32_t;

// What a new window should look like.
struct WindowDesc {
    std::string title;
    int32_t clientWidth = 640;
    int32_t clientHeight = 480;
    // Position of the outer frame's top-left corner on the desktop; centred when not given.
    bool centred = true;
    int32_t x = 0;
    int32_t y = 0;
    bool fullScreen = false;
    bool visible = false;
    bool topMost = false;
    // A logical window only receives messages; nothing appears on the screen.
    bool logical = false;
};

enum class ShowCommand : uint8_t { Hide, Show, ShowNoActivate, Minimise, Restore };

// A display mode: size, colour depth and refresh rate (0 when unknown).
struct DisplayMode {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 32;
    int32_t refreshRate = 0;
};

// The desktop's own screen saver.
struct ScreenSaverState {
    bool enabled = false;       // it starts after the timeout
    int32_t timeoutSeconds = 0; // idle time before it starts
    bool running = false;       // it is showing now
    uint32_t idleMs = 0;        // time since the last input anywhere on the desktop
};

// The pointer as seen from a window.
struct PointerState {
    int32_t x = 0; // client coordinates
    int32_t y = 0;
    bool inWindow = false; // over the client area, with this window the one under the pointer
    uint8_t buttons = 0;   // MouseButtonBits
};

// The desktop as the framework sees it: windows and their messages, the desktop's geometry, message
// boxes, cursors, the clipboard, web pages, and the display driver that draws into a window. The main
// thread owns a window system; only PostMessage may be called from other threads.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // Windows. CreateWindow returns 0 when the window cannot be made.
    virtual WindowId CreateWindow(const WindowDesc& desc) = 0;
    virtual void DestroyWindow(WindowId window) = 0;
    virtual void ShowWindow(WindowId window, ShowCommand command) = 0;
    // Moves the outer frame's top-left corner.
    virtual void MoveWindow(WindowId window, int32_t x, int32_t y) = 0;
    virtual void RaiseWindow(WindowId window) = 0;
    virtual void SetTitle(WindowId window, const std::string& title) = 0;
    // The window picture from 0xAARRGGBB pixels, rows top to bottom.
    virtual void SetIcon(WindowId window, const uint32_t* pixels, int32_t width, int32_t height) = 0;
    virtual bool IsVisible(WindowId window) = 0;
    virtual bool IsMinimised(WindowId window) = 0;
    // The client area on the desktop, and the outer frame around it.
    virtual PixelRect ClientRect(WindowId window) = 0;
    virtual PixelRect FrameRect(WindowId window) = 0;
    // The frame's extra size on each side of the client area: left, top, right and bottom.
    virtual void FrameBorders(WindowId window, int32_t& left, int32_t& top, int32_t& right,
                              int32_t& bottom) = 0;

    // Messages. DispatchMessages hands every waiting message to receive as soon as it is translated
    // from the desktop's events (desktop input first, then posted messages, then due timers); it stops
    // early when receive returns false. There is no queue in between: the application's own queue is
    // the only one a message passes through. PostMessage queues a message behind those already
    // waiting; it may be called from any thread.
    using MessageReceiver = std::function<bool(const WindowMessage&)>;
    virtual void DispatchMessages(const MessageReceiver& receive) = 0;
    virtual void PostMessage(const WindowMessage& message) = 0;
    // A repeating Timer message to the window every periodMs; a timer that is already due is not
    // queued again. Setting it again restarts it.
    virtual void SetTimer(WindowId window, int32_t timerId, uint32_t periodMs) = 0;
    virtual void KillTimer(WindowId window, int32_t timerId) = 0;

    // The pointer, and keeping it reported to this window while buttons are held outside.
    virtual PointerState QueryPointer(WindowId window) = 0;
    virtual void CaptureMouse(bool capture) = 0;

    // The desktop: the area that windows may cover (without panels and docks) and its current mode.
    virtual PixelRect WorkArea() = 0;
    virtual DisplayMode DesktopMode() = 0;

    // Shows a message box and returns the answer (MessageBoxAnswer). Waits for the user, unless a policy
    // is installed (and always on a headless desktop), which answers at once.
    virtual int ShowMessageBox(WindowId owner, const MessageBoxRequest& request) = 0;
    virtual void SetMessageBoxPolicy(MessageBoxPolicy policy) = 0;

    // Cursors. SetCursor(0) hides the pointer over the window.
    virtual CursorHandle CreateSystemCursor(SystemCursor shape) = 0;
    virtual CursorHandle CreateMaskCursor(const MaskCursor& cursor) = 0;
    virtual void DestroyCursor(CursorHandle cursor) = 0;
    virtual void SetCursor(CursorHandle cursor) = 0;
    virtual CursorHandle CurrentCursor() = 0;
    virtual void ShowSystemCursor(bool show) = 0;

    // Clipboard text is 8-bit Latin-1, as everywhere in the framework.
    virtual bool SetClipboardText(const std::string& latin1) = 0;
    virtual std::string ClipboardText() = 0;

    // Opens a web page in the desktop's browser; false when that could not be started. The handler,
    // when set, is asked instead (headless desktops never start a browser).
    virtual bool OpenUrl(const std::string& url) = 0;
    virtual void SetUrlHandler(std::function<bool(const std::string&)> handler) = 0;

    // The desktop's screen saver; false when the desktop does not tell.
    virtual bool QueryScreenSaver(ScreenSaverState&) { return false; }
    // Whether the desktop may start its screen saver or power the monitor off while the application
    // runs; until told, it may not.
    virtual void AllowScreenBlanking(bool) {}

    // A display driver that draws into this system's windows.
    [[nodiscard]] virtual uint32_t CreateDisplayDriver(std::unique_ptr<DisplayDriver>& out) = 0;
};

} // namespace Zorbel
