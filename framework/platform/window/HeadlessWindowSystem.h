#pragma once

#include "framework/platform/display/DisplayOptions.h"
#include "framework/platform/window/BasicWindowSystem.h"

#include <map>
#include <string>
#include <vector>

namespace Zorbel {

// A desktop that exists only in memory: windows are records, the screen is the display driver's primary
// surface, and nothing ever waits for a person. Tests drive it: they post the messages a user would
// cause, place the pointer, and read back what the program showed (message boxes, cursor, clipboard,
// opened pages).
class HeadlessWindowSystem : public BasicWindowSystem {
public:
    HeadlessWindowSystem(Clock& clock, DisplayOptions options = {});

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
    void CaptureMouse(bool capture) override { mCaptured = capture; }

    PixelRect WorkArea() override;
    DisplayMode DesktopMode() override;

    int ShowMessageBox(WindowId owner, const MessageBoxRequest& request) override;

    CursorHandle CreateSystemCursor(SystemCursor shape) override;
    CursorHandle CreateMaskCursor(const MaskCursor& cursor) override;
    void DestroyCursor(CursorHandle cursor) override;
    void SetCursor(CursorHandle cursor) override { mCurrentCursor = cursor; }
    CursorHandle CurrentCursor() override { return mCurrentCursor; }
    void ShowSystemCursor(bool show) override { mSystemCursorShown = show; }

    bool SetClipboardText(const std::string& latin1) override;
    std::string ClipboardText() override { return mClipboard; }

    bool OpenUrl(const std::string& url) override;
    void AllowScreenBlanking(bool allowed) override { mScreenBlankingAllowed = allowed; }

    uint32_t CreateDisplayDriver(std::unique_ptr<DisplayDriver>& out) override;

    // --- What tests see and set ---
    struct WindowRecord {
        WindowDesc desc;
        PixelRect client;
        bool visible = false;
        bool minimised = false;
        int raiseCount = 0;
        std::vector<uint32_t> icon;
    };
    const WindowRecord* FindWindow(WindowId window) const;
    void SetPointer(WindowId window, int32_t x, int32_t y, bool inWindow, uint8_t buttons = 0);
    void SetWorkArea(const PixelRect& area) { mWorkArea = area; }
    // Every message box asked for, in order, and the answers given.
    const std::vector<MessageBoxRequest>& MessageBoxes() const { return mMessageBoxes; }
    const std::vector<std::string>& OpenedUrls() const { return mOpenedUrls; }
    bool IsMouseCaptured() const { return mCaptured; }
    bool IsSystemCursorShown() const { return mSystemCursorShown; }
    bool IsScreenBlankingAllowed() const { return mScreenBlankingAllowed; }
    // The shape behind a handle from CreateSystemCursor, or none for mask cursors and unknown handles.
    std::optional<SystemCursor> CursorShape(CursorHandle cursor) const;
    const MaskCursor* CursorMask(CursorHandle cursor) const;

    // A window's frame adds this much on each side (title bar on top).
    static constexpr int32_t BorderWidth = 4;
    static constexpr int32_t TitleHeight = 24;

private:
    struct CursorRecord {
        std::optional<SystemCursor> shape;
        MaskCursor mask;
    };

    WindowRecord* Find(WindowId window);

    DisplayOptions mOptions;
    std::map<WindowId, WindowRecord> mWindows;
    WindowId mNextWindow = 1;
    PixelRect mWorkArea;
    std::map<WindowId, PointerState> mPointers;
    bool mCaptured = false;
    std::vector<MessageBoxRequest> mMessageBoxes;
    std::vector<std::string> mOpenedUrls;
    std::map<CursorHandle, CursorRecord> mCursors;
    CursorHandle mNextCursor = 1;
    CursorHandle mCurrentCursor = 0;
    bool mSystemCursorShown = true;
    bool mScreenBlankingAllowed = false;
    std::string mClipboard;
};

} // namespace Zorbel
