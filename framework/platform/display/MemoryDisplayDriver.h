#pragma once

#include "framework/platform/Clock.h"
#include "framework/platform/DisplayDriver.h"
#include "framework/platform/display/DisplayOptions.h"

#include <memory>
#include <optional>

namespace Zorbel {

class BasicWindowSystem;

// A display driver whose screen is a surface in memory: the primary. On a headless desktop that is all
// there is (tests read the primary back); SdlDisplayDriver adds showing it in a real window. The driver
// must not outlive the window system that made it; if it does, its primary is lost.
class MemoryDisplayDriver : public DisplayDriver, protected SurfacePresenter {
public:
    MemoryDisplayDriver(BasicWindowSystem& windows, DisplayOptions options);
    ~MemoryDisplayDriver() override;

    MemoryDisplayDriver(const MemoryDisplayDriver&) = delete;
    MemoryDisplayDriver& operator=(const MemoryDisplayDriver&) = delete;

    uint32_t SetCooperativeLevel(WindowId window, uint32_t flags) override;
    uint32_t SetDisplayMode(int width, int height, int bitsPerPixel) override;
    uint32_t RestoreDisplayMode() override;
    uint32_t CreateSurface(const SurfaceRequest& request, std::shared_ptr<Surface>& out) override;
    uint32_t CreateClipper(std::shared_ptr<Clipper>& out) override;
    uint32_t GetMonitorFrequency(uint32_t& hertz) override;
    uint32_t GetScanLine(uint32_t& line) override;
    uint32_t WaitForVerticalBlank(uint32_t flags) override;
    PixelPoint ClientOrigin(WindowId window) override;
    int32_t ScreenHeight() override;
    // The device the options give; Unsupported without one.
    uint32_t CreateGpuDevice(std::unique_ptr<GpuDevice>& out) override;

    // The primary surface while one exists: what the screen shows.
    std::shared_ptr<Surface> Primary() const { return mPrimary.lock(); }
    int PresentCount() const { return mPresentCount; }
    PixelRect LastPresentedArea() const { return mLastPresented; }
    bool IsFullScreen() const { return mFullScreen; }
    WindowId Window() const { return mWindow; }

    // Called by the window system.
    void WindowDestroyed(WindowId window);
    void WindowSystemGone();

protected:
    // Hooks for drivers that show the primary somewhere. Each returns a result code.
    virtual uint32_t ApplyCooperativeLevel(WindowId window, bool fullScreen);
    virtual uint32_t ApplyDisplayMode(int width, int height, int bitsPerPixel);
    virtual void ApplyRestoreDisplayMode() {}
    virtual uint32_t PrimaryCreated(Surface& primary);
    virtual void PrimaryReleased() {}
    virtual uint32_t QueryRefreshRate(uint32_t& hertz);
    // The window is going away (or the whole window system): drop whatever was made for it.
    virtual void ReleaseWindowResources() {}
    void Present(Surface& primary, const PixelRect& area) override;

    BasicWindowSystem* Windows() const { return mWindows; }
    const DisplayOptions& Options() const { return mOptions; }
    // The layout a primary has now: the display mode's in full screen, else the desktop's.
    PixelFormat PrimaryFormat() const;
    virtual PixelFormat DesktopFormat() const;
    // Waits until the next multiple of the refresh period on the window system's clock.
    void SleepUntilVerticalBlank();

private:
    struct Mode {
        int width;
        int height;
        int bitsPerPixel;
    };

    uint32_t CreatePrimary(const SurfaceRequest& request, std::shared_ptr<Surface>& out);
    void LosePrimary();

    BasicWindowSystem* mWindows;
    DisplayOptions mOptions;
    WindowId mWindow = 0;
    bool mFullScreen = false;
    std::optional<Mode> mMode;
    std::weak_ptr<Surface> mPrimary;
    int mPresentCount = 0;
    PixelRect mLastPresented;
};

} // namespace Zorbel
