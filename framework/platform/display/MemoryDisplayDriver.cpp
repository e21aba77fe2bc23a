#include "framework/platform/display/MemoryDisplayDriver.h"

#include "framework/platform/ResultCode.h"
#include "framework/platform/window/BasicWindowSystem.h"

#include <algorithm>

namespace Zorbel {

MemoryDisplayDriver::MemoryDisplayDriver(BasicWindowSystem& windows, DisplayOptions options)
    : mWindows(&windows), mOptions(std::move(options)) {
    mWindows->RegisterDriver(this);
}

MemoryDisplayDriver::~MemoryDisplayDriver() {
    // A primary still held by someone must not call back into this driver.
    if (auto primary = mPrimary.lock()) {
        primary->SetPresenter(nullptr);
        primary->MarkLost();
    }
    if (mWindows) mWindows->UnregisterDriver(this);
}

void MemoryDisplayDriver::WindowDestroyed(WindowId window) {
    if (window != mWindow) return;
    LosePrimary();
    ReleaseWindowResources();
    mWindow = 0;
    mFullScreen = false;
    mMode.reset();
}

void MemoryDisplayDriver::WindowSystemGone() {
    LosePrimary();
    ReleaseWindowResources();
    mWindows = nullptr;
    mWindow = 0;
}

void MemoryDisplayDriver::LosePrimary() {
    if (auto primary = mPrimary.lock()) {
        primary->SetPresenter(nullptr);
        primary->MarkLost();
        std::shared_ptr<Surface> back;
        if (primary->GetAttachedSurface(back) == ResultCode::SurfaceLost && back) back->MarkLost();
    }
    mPrimary.reset();
    PrimaryReleased();
}

uint32_t MemoryDisplayDriver::SetCooperativeLevel(WindowId window, uint32_t flags) {
    if (!mWindows) return ResultCode::NotInitialized;
    const uint32_t exclusiveFullScreen = CooperativeLevel::Exclusive | CooperativeLevel::FullScreen;
    bool fullScreen = (flags & exclusiveFullScreen) == exclusiveFullScreen;
    if (!fullScreen && !(flags & CooperativeLevel::Normal)) return ResultCode::InvalidParams;
    if (window == 0 || mWindows->ClientRect(window).IsEmpty()) return ResultCode::NoHwnd;
    if (mFullScreen && !fullScreen && mMode) RestoreDisplayMode();
    if (uint32_t result = ApplyCooperativeLevel(window, fullScreen)) return result;
    mWindow = window;
    mFullScreen = fullScreen;
    return ResultCode::Ok;
}

uint32_t MemoryDisplayDriver::SetDisplayMode(int width, int height, int bitsPerPixel) {
    if (!mWindows) return ResultCode::NotInitialized;
    if (!mFullScreen) return ResultCode::NoExclusiveMode;
    if (width <= 0 || height <= 0 || (bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32))
        return ResultCode::InvalidMode;
    if (uint32_t result = ApplyDisplayMode(width, height, bitsPerPixel)) return result;
    mMode = Mode{width, height, bitsPerPixel};
    return ResultCode::Ok;
}

uint32_t MemoryDisplayDriver::RestoreDisplayMode() {
    if (mMode) ApplyRestoreDisplayMode();
    mMode.reset();
    return ResultCode::Ok;
}

PixelFormat MemoryDisplayDriver::DesktopFormat() const {
    return mOptions.desktopFormat.value_or(PixelFormat::X8R8G8B8());
}

PixelFormat MemoryDisplayDriver::PrimaryFormat() const {
    if (mFullScreen && mMode) {
        // A 16-bit mode takes the desktop's 16-bit layout when it has one (5-5-5 or 5-6-5).
        PixelFormat desktop = DesktopFormat();
        if (mMode->bitsPerPixel == 16 && desktop.bitsPerPixel == 16) return desktop;
        return PixelFormat::ForDepth(mMode->bitsPerPixel);
    }
    return DesktopFormat();
}

uint32_t MemoryDisplayDriver::CreateSurface(const SurfaceRequest& request, std::shared_ptr<Surface>& out) {
    out.reset();
    if (!mWindows) return ResultCode::NotInitialized;
    bool primary = (request.caps & SurfaceCaps::Primary) != 0;
    if (primary && (request.caps & SurfaceCaps::Offscreen)) return ResultCode::InvalidCaps;
    if (primary) return CreatePrimary(request, out);
    if ((request.caps & SurfaceCaps::VideoMemory) && !mOptions.videoMemory)
        return ResultCode::OutOfVideoMemory;
    PixelFormat format = request.format.value_or(PrimaryFormat());
    return Surface::Create(request.width, request.height, format, request.caps, out);
}

uint32_t MemoryDisplayDriver::CreatePrimary(const SurfaceRequest& request, std::shared_ptr<Surface>& out) {
    if (mWindow == 0) return ResultCode::NoCooperativeLevelSet;
    if (!mPrimary.expired()) return ResultCode::PrimarySurfaceAlreadyExists;
    bool flipping = (request.caps & SurfaceCaps::Flip) != 0;
    if (flipping && !mFullScreen) return ResultCode::NoExclusiveMode;
    if (flipping && request.backBufferCount != 1) return ResultCode::InvalidParams;

    int width, height;
    if (mFullScreen && mMode) {
        width = mMode->width;
        height = mMode->height;
    } else if (mFullScreen) {
        width = mOptions.desktopWidth;
        height = mOptions.desktopHeight;
    } else {
        PixelRect client = mWindows->ClientRect(mWindow);
        width = client.width;
        height = client.height;
    }
    PixelFormat format = PrimaryFormat();
    std::shared_ptr<Surface> primary;
    if (uint32_t result = Surface::Create(width, height, format, request.caps, primary)) return result;
    if (flipping) {
        std::shared_ptr<Surface> back;
        uint32_t backCaps = SurfaceCaps::BackBuffer | SurfaceCaps::Flip | SurfaceCaps::Complex |
                            (request.caps & SurfaceCaps::Device3D);
        if (uint32_t result = Surface::Create(width, height, format, backCaps, back)) return result;
        primary->AttachBackBuffer(std::move(back));
    }
    if (uint32_t result = PrimaryCreated(*primary)) return result;
    primary->SetPresenter(this);
    mPrimary = primary;
    out = std::move(primary);
    return ResultCode::Ok;
}

uint32_t MemoryDisplayDriver::CreateClipper(std::shared_ptr<Clipper>& out) {
    out = std::make_shared<Clipper>();
    return ResultCode::Ok;
}

uint32_t MemoryDisplayDriver::GetMonitorFrequency(uint32_t& hertz) {
    hertz = 0;
    if (!mWindows) return ResultCode::NotInitialized;
    return QueryRefreshRate(hertz);
}

uint32_t MemoryDisplayDriver::QueryRefreshRate(uint32_t& hertz) {
    if (mOptions.refreshRateFails) return ResultCode::Unsupported;
    hertz = mOptions.refreshRate;
    return ResultCode::Ok;
}

uint32_t MemoryDisplayDriver::GetScanLine(uint32_t& line) {
    // No desktop this runs on says where the beam is.
    line = 0;
    return ResultCode::Unsupported;
}

uint32_t MemoryDisplayDriver::WaitForVerticalBlank(uint32_t flags) {
    if (flags != VerticalBlank::BlockBegin) return ResultCode::InvalidParams;
    if (!mWindows) return ResultCode::NotInitialized;
    SleepUntilVerticalBlank();
    return ResultCode::Ok;
}

void MemoryDisplayDriver::SleepUntilVerticalBlank() {
    uint32_t hertz = 0;
    if (QueryRefreshRate(hertz) != ResultCode::Ok || hertz == 0) hertz = 60;
    uint32_t period = std::max<uint32_t>(1, 1000 / hertz);
    Clock& clock = mWindows->GetClock();
    uint32_t now = clock.Milliseconds();
    uint32_t wait = period - now % period;
    clock.Sleep(wait);
}

PixelPoint MemoryDisplayDriver::ClientOrigin(WindowId) {
    // The primary is the window's client area itself.
    return {0, 0};
}

int32_t MemoryDisplayDriver::ScreenHeight() {
    if (auto primary = mPrimary.lock()) return primary->Height();
    return mOptions.desktopHeight;
}

uint32_t MemoryDisplayDriver::CreateGpuDevice(std::unique_ptr<GpuDevice>& out) {
    out.reset();
    if (!mOptions.gpuDevice) return ResultCode::Unsupported;
    return mOptions.gpuDevice(out);
}

uint32_t MemoryDisplayDriver::ApplyCooperativeLevel(WindowId, bool) {
    return ResultCode::Ok;
}

uint32_t MemoryDisplayDriver::ApplyDisplayMode(int width, int height, int) {
    const auto& sizes = mOptions.fullScreenSizes;
    bool offered =
        std::find(sizes.begin(), sizes.end(), std::pair<int32_t, int32_t>(width, height)) != sizes.end();
    return offered ? ResultCode::Ok : ResultCode::UnsupportedMode;
}

uint32_t MemoryDisplayDriver::PrimaryCreated(Surface&) {
    return ResultCode::Ok;
}

void MemoryDisplayDriver::Present(Surface&, const PixelRect& area) {
    ++mPresentCount;
    mLastPresented = area;
}

} // namespace Zorbel
