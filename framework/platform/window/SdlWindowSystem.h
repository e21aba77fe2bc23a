#pragma once

#include "framework/platform/display/DisplayOptions.h"
#include "framework/platform/window/BasicWindowSystem.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

struct SDL_Window;
struct SDL_Cursor;
union SDL_Event;

namespace Zorbel {

class XScreenSaver;

// The desktop through SDL2: real windows, SDL's events translated into window messages with
// virtual-key codes, SDL message boxes, cursors and clipboard. On SDL's headless video drivers ("dummy",
// "offscreen") message boxes are answered at once and no browser is started.
class SdlWindowSystem : public BasicWindowSystem {
public:
    // Starts SDL's video subsystem; null, with SDL's reason in error, when that fails.
    static std::unique_ptr<SdlWindowSystem> Create(Clock& clock, DisplayOptions options = {},
                                                   std::string* error = nullptr);
    ~SdlWindowSystem() override;

    SdlWindowSystem(const SdlWindowSystem&) = delete;
    SdlWindowSystem& operator=(const SdlWindowSystem&) = delete;

    WindowId CreateWindow(const WindowDesc& desc) override;
    void DestroyWindow(WindowId window) override;
    void ShowWindow(WindowId window, ShowCommand command) override;
    void MoveWindow(WindowId window, int32_t x, int32_t y) override;
    void RaiseWindow(WindowId window) override;
    void SetTitle(WindowId window, const std::string& title) override;
    void SetIcon(WindowId window, const uint32_t* pixels, int32_t width, int32_t height) override;
    bool IsVisible(WindowId window) override;
    bool IsMinimised(WindowId window) override;
    PixelRect ClientRect(WindowId window) override;
    PixelRect FrameRect(WindowId window) override;
    void FrameBorders(WindowId window, int32_t& left, int32_t& top, int32_t& right, int32_t& bottom) override;

    PointerState QueryPointer(WindowId window) override;
    void CaptureMouse(bool capture) override;

    PixelRect WorkArea() override;
    DisplayMode DesktopMode() override;

    int ShowMessageBox(WindowId owner, const MessageBoxRequest& request) override;

    CursorHandle CreateSystemCursor(SystemCursor shape) override;
    CursorHandle CreateMaskCursor(const MaskCursor& cursor) override;
    void DestroyCursor(CursorHandle cursor) override;
    void SetCursor(CursorHandle cursor) override;
    CursorHandle CurrentCursor() override { return mCurrentCursor; }
    void ShowSystemCursor(bool show) override;

    bool SetClipboardText(const std::string& latin1) override;
    std::string ClipboardText() override;

    bool OpenUrl(const std::string& url) override;
    // Read from the X server, on the X11 driver only.
    bool QueryScreenSaver(ScreenSaverState& out) override;
    void AllowScreenBlanking(bool allowed) override;

    uint32_t CreateDisplayDriver(std::unique_ptr<DisplayDriver>& out) override;

    // --- For the SDL display driver ---
    SDL_Window* NativeWindow(WindowId window) const;
    // True on SDL's headless video drivers, where nothing is shown to anyone.
    bool IsHeadless() const { return mHeadless; }
    // Work that must run on the main thread, done each time messages are dispatched.
    int AddPumpTask(std::function<void()> task);
    void RemovePumpTask(int id);

private:
    SdlWindowSystem(Clock& clock, DisplayOptions options);

    struct Window {
        SDL_Window* sdl = nullptr;
        // The client position last asked for, applied again when the window is first shown.
        bool positionRequested = false;
        int32_t requestedX = 0;
        int32_t requestedY = 0;
        bool logical = false;
    };
    struct Cursor {
        SDL_Cursor* sdl = nullptr;
    };

    WindowId FromSdlId(uint32_t sdlId) const;
    WindowId MainWindow() const;
    bool DispatchDesktopEvents(const MessageReceiver& receive) override;
    // Each translation hands its messages to mReceive at once; false once it asked to stop.
    bool TranslateEvent(const SDL_Event& event);
    bool TranslateWindowEvent(const SDL_Event& event);
    bool TranslateKeyEvent(const SDL_Event& event);
    bool TranslateMouseEvent(const SDL_Event& event);
    // Hands the message on; messages without a window are dropped.
    bool Deliver(const WindowMessage& message);
    bool Deliver(WindowId window, MessageKind kind, int32_t value = 0, int32_t x = 0, int32_t y = 0);
    void ApplyCursor();

    DisplayOptions mOptions;
    bool mHeadless = false;
    std::map<WindowId, Window> mWindows;
    WindowId mNextWindow = 1;
    const MessageReceiver* mReceive = nullptr;
    bool mCloseSeen = false;
    uint8_t mButtons = 0;
    int32_t mMouseX = 0;
    int32_t mMouseY = 0;
    std::map<CursorHandle, Cursor> mCursors;
    CursorHandle mNextCursor = 1;
    CursorHandle mCurrentCursor = 0;
    bool mCursorSet = false;
    bool mSystemCursorShown = true;
    std::map<int, std::function<void()>> mPumpTasks;
    std::unique_ptr<XScreenSaver> mScreenSaver;
    int mNextPumpTask = 1;
};

} // namespace Zorbel
