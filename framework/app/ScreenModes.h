#pragma once

#include "framework/graphics/Rect.h"
#include "framework/platform/WindowMessage.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Zorbel {

class DisplayDevice;
class WidgetLayer;
class WindowSystem;

// What the main window should look like.
struct WindowLook {
    std::string title;
    int32_t width = 640;
    int32_t height = 480;
};

// The main window and the display device on it, in a window or in full screen. It makes the window,
// sets the display up on it and reacts to the result: a desktop depth the display cannot use forces
// full screen, a refused full screen forces a window, a failed hardware set-up switches 3D off, and
// anything else ends the program. It switches between the modes, switches 3D, and sets the display up
// again when a present finds it lost. The display device is owned here.
class ScreenModes {
public:
    // The application's side: its own operations, called back at their moments, and what it knows.
    class Host {
    public:
        virtual void MakeWindow() = 0;
        virtual void SwitchScreenMode(bool wantWindowed) = 0;
        virtual void BeforeDisplayInitHook() = 0;
        virtual void FreeAllNativeCaches() = 0;
        virtual void FreeAllTextures() = 0;
        virtual void RestoreAllImages() = 0;
        virtual void Popup(const std::string& text) = 0;
        // Ends the program after a failure it cannot go on from; true when it has ended (a stand-in for
        // the end of the process returns).
        virtual bool EndProgram(int code) = 0;
        virtual bool HasEnded() = 0;

        virtual std::unique_ptr<DisplayDevice> MakeDisplay() = 0;
        // The stored choice of hardware acceleration, when there is one, and storing it.
        virtual bool ReadStored3D(int32_t& value) = 0;
        virtual void WriteStored3D(int32_t value) = 0;
        // The display was set up in this mode with this refresh rate.
        virtual void DisplayModeSet(bool windowed, int32_t refreshRate) = 0;
        // The display was set up again on a window that was minimised: it counts as restored.
        virtual void RestoredByDisplay() = 0;
        // The main window was replaced (another mode).
        virtual void WindowReplaced(WindowId window, bool windowed) = 0;
        virtual bool IsOpeningWebPage() = 0;
        virtual bool IsPlayingDemo() = 0;
        virtual int32_t GetFrameTimeMs() = 0;

    protected:
        virtual ~Host() = default;
    };

    // The timer of the main window whose ticks drive the message pump's timer handling.
    static constexpr int32_t DrawTimerId = 100;

    // Everything given must outlive the screen modes.
    ScreenModes(Host& host, WindowSystem& windows, WidgetLayer& widgets);
    ScreenModes(const ScreenModes&) = delete;
    ScreenModes& operator=(const ScreenModes&) = delete;
    ~ScreenModes();

    // Makes the main window anew (destroying the old one) and sets the display up on it; the display
    // device is made with the first window.
    void MakeWindow(const WindowLook& look);
    // Forced full screen wins over wantWindowed. In the same mode without force only the 3D setting
    // changes; otherwise the window is made anew in the wanted mode and brought to the front.
    void SwitchScreenMode(bool wantWindowed, bool want3D, bool force);
    // Switches hardware acceleration, setting the display up again when asked to.
    void Apply3D(bool want3D, bool reinitialise);
    void SetAlphaDisabled(bool disabled);
    // At the end of a run in which hardware acceleration was switched on for the first time, the
    // player is asked whether to keep it (titlePrefix goes in front of the question's caption); the
    // choice is stored. After a run in which the hardware path reported problems (outside screen-saver
    // mode) the player is asked whether to keep it on.
    void ConfirmHardwareAcceleration(const std::string& titlePrefix, bool screenSaver = false);
    // Presents the screen image. When the display was lost, it is set up again once the window is
    // active (or, in a window, once a second) and not minimised.
    void Present(const Rect* clip, bool active, bool minimised, uint32_t now);

    DisplayDevice* GetDisplay() const { return mDisplay.get(); }
    // Frees the display device (and with it every display surface).
    void ReleaseDisplay();
    WindowId GetMainWindow() const { return mMainWindow; }
    void DestroyMainWindow();

    bool IsWindowed() const { return mWindowed; }
    void SetWindowed(bool windowed) { mWindowed = windowed; }
    bool IsPhysicallyWindowed() const { return mPhysicallyWindowed; }
    bool GetChangeDesktopMode() const { return mChangeDesktopMode; }
    void SetChangeDesktopMode(bool on) { mChangeDesktopMode = on; }
    bool IsForcedFullScreen() const { return mForcedFullScreen; }
    bool IsForcedWindowed() const { return mForcedWindowed; }
    bool Is3DChanged() const { return m3DChanged; }
    bool IsDisplayLost() const { return mDisplayLost; }
    // The remembered window position; -1 centres the window.
    int32_t GetPreferredX() const { return mPreferredX; }
    int32_t GetPreferredY() const { return mPreferredY; }
    void SetPreferredPosition(int32_t x, int32_t y) {
        mPreferredX = x;
        mPreferredY = y;
    }

private:
    void PlaceWindow();
    void InitDisplay();
    void HandleDisplayResult(uint32_t result);
    void DisplayFailed(uint32_t result);
    void ShowDisplay();

    Host& mHost;
    WindowSystem& mWindows;
    WidgetLayer& mWidgets;
    std::unique_ptr<DisplayDevice> mDisplay;
    WindowId mMainWindow = 0;
    bool mWindowed = true;
    bool mPhysicallyWindowed = true;
    bool mChangeDesktopMode = false;
    bool mForcedFullScreen = false;
    bool mForcedWindowed = false;
    bool m3DChanged = false;
    bool mAlphaDisabled = false;
    bool mDisplayLost = false;
    uint32_t mLastRecoveryMs = 0;
    int32_t mPreferredX = -1;
    int32_t mPreferredY = -1;
};

} // namespace Zorbel
