#include "framework/platform/display/SdlDisplayDriver.h"

#include "framework/platform/ResultCode.h"
#include "framework/platform/display/SdlGpuDevice.h"
#include "framework/platform/window/SdlWindowSystem.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

namespace Zorbel {

namespace {

// Mesa's llvmpipe and softpipe, and the old swrast: an OpenGL drawn by the processor.
bool IsSoftwareOpenGl(SDL_Renderer* renderer) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer, &info) != 0 || std::strncmp(info.name, "opengl", 6) != 0) return false;
    const std::string name = CurrentGlRenderer();
    return name.find("llvmpipe") != std::string::npos || name.find("softpipe") != std::string::npos ||
           name.find("swrast") != std::string::npos;
}

uint32_t SdlFormatFor(const PixelFormat& format) {
    if (format == PixelFormat::X8R8G8B8()) return SDL_PIXELFORMAT_RGB888;
    if (format == PixelFormat::R5G6B5()) return SDL_PIXELFORMAT_RGB565;
    if (format == PixelFormat::X1R5G5B5()) return SDL_PIXELFORMAT_RGB555;
    return SDL_PIXELFORMAT_UNKNOWN;
}

} // namespace

SdlDisplayDriver::SdlDisplayDriver(SdlWindowSystem& windows, DisplayOptions options)
    : MemoryDisplayDriver(windows, std::move(options)), mSdl(&windows),
      mMainThread(std::this_thread::get_id()) {
    mPumpTask = mSdl->AddPumpTask([this] { PresentStaged(); });
}

SdlDisplayDriver::~SdlDisplayDriver() {
    if (Windows()) mSdl->RemovePumpTask(mPumpTask);
    DestroyRenderer();
}

void SdlDisplayDriver::ReleaseWindowResources() {
    DestroyRenderer();
    if (!Windows()) mSdl = nullptr;
}

void SdlDisplayDriver::DestroyRenderer() {
    std::lock_guard lock(mMutex);
    if (mTexture) SDL_DestroyTexture(mTexture);
    if (mRenderer) SDL_DestroyRenderer(mRenderer);
    mTexture = nullptr;
    mRenderer = nullptr;
    mRendererWindow = 0;
    mVsyncState = -1;
    mStagedArea = {};
}

PixelFormat SdlDisplayDriver::DesktopFormat() const {
    if (Options().desktopFormat) return *Options().desktopFormat;
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(0, &desktop) == 0 && SDL_BYTESPERPIXEL(desktop.format) == 2) {
        return desktop.format == SDL_PIXELFORMAT_RGB555 ? PixelFormat::X1R5G5B5() : PixelFormat::R5G6B5();
    }
    return PixelFormat::X8R8G8B8();
}

uint32_t SdlDisplayDriver::ApplyCooperativeLevel(WindowId window, bool fullScreen) {
    SDL_Window* sdl = mSdl ? mSdl->NativeWindow(window) : nullptr;
    if (!sdl) return ResultCode::NoHwnd;
    if (!fullScreen && (SDL_GetWindowFlags(sdl) & SDL_WINDOW_FULLSCREEN) != 0) LeaveFullScreen(sdl);
    return ResultCode::Ok;
}

uint32_t SdlDisplayDriver::ApplyDisplayMode(int width, int height, int bitsPerPixel) {
    SDL_Window* sdl = mSdl ? mSdl->NativeWindow(Window()) : nullptr;
    if (!sdl) return ResultCode::NoHwnd;
    if (bitsPerPixel != 16 && bitsPerPixel != 32) return ResultCode::InvalidMode;
    if ((SDL_GetWindowFlags(sdl) & SDL_WINDOW_FULLSCREEN) == 0) {
        SDL_GetWindowPosition(sdl, &mWindowedArea.x, &mWindowedArea.y);
        SDL_GetWindowSize(sdl, &mWindowedArea.width, &mWindowedArea.height);
    }
    // The window covers the display before it asks to be full screen: without a window manager to
    // carry the request out it would otherwise keep its size while SDL draws for the whole screen.
    const int display = std::max(SDL_GetWindowDisplayIndex(sdl), 0);
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(display, &bounds) == 0) {
        SDL_SetWindowPosition(sdl, bounds.x, bounds.y);
        SDL_SetWindowSize(sdl, bounds.w, bounds.h);
    }
    // An exclusive mode of exactly this size where the display offers one; otherwise the desktop's own
    // mode, with the frame scaled into it.
    for (int i = 0, count = SDL_GetNumDisplayModes(display); i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(display, i, &mode) != 0 || mode.w != width || mode.h != height) continue;
        if (SDL_SetWindowDisplayMode(sdl, &mode) == 0 &&
            SDL_SetWindowFullscreen(sdl, SDL_WINDOW_FULLSCREEN) == 0)
            return ResultCode::Ok;
        break;
    }
    if (SDL_SetWindowFullscreen(sdl, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0) return ResultCode::Ok;
    std::fprintf(stderr, "Full screen failed: %s\n", SDL_GetError());
    return ResultCode::UnsupportedMode;
}

void SdlDisplayDriver::ApplyRestoreDisplayMode() {
    if (SDL_Window* sdl = mSdl ? mSdl->NativeWindow(Window()) : nullptr) LeaveFullScreen(sdl);
}

void SdlDisplayDriver::LeaveFullScreen(SDL_Window* sdl) {
    SDL_SetWindowFullscreen(sdl, 0);
    if (mWindowedArea.IsEmpty()) return;
    SDL_SetWindowSize(sdl, mWindowedArea.width, mWindowedArea.height);
    SDL_SetWindowPosition(sdl, mWindowedArea.x, mWindowedArea.y);
    mWindowedArea = {};
}

uint32_t SdlDisplayDriver::QueryRefreshRate(uint32_t& hertz) {
    hertz = 0;
    SDL_Window* sdl = mSdl ? mSdl->NativeWindow(Window()) : nullptr;
    int display = sdl ? SDL_GetWindowDisplayIndex(sdl) : 0;
    SDL_DisplayMode mode;
    if (SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &mode) != 0) return ResultCode::Unsupported;
    hertz = mode.refresh_rate > 0 ? static_cast<uint32_t>(mode.refresh_rate) : 0;
    return ResultCode::Ok;
}

uint32_t SdlDisplayDriver::PrimaryCreated(Surface& primary) {
    SDL_Window* sdl = mSdl ? mSdl->NativeWindow(Window()) : nullptr;
    if (!sdl) return ResultCode::NoHwnd;
    uint32_t format = SdlFormatFor(primary.Format());
    if (format == SDL_PIXELFORMAT_UNKNOWN) return ResultCode::InvalidPixelFormat;
    if (mRendererWindow != Window()) DestroyRenderer();

    std::lock_guard lock(mMutex);
    if (!EnsureRenderer(sdl, (primary.Caps() & SurfaceCaps::Device3D) != 0)) return ResultCode::Generic;
    if (mTexture && (mTextureFormat != format || mTextureWidth != primary.Width() ||
                     mTextureHeight != primary.Height())) {
        SDL_DestroyTexture(mTexture);
        mTexture = nullptr;
    }
    mTextureFormat = format;
    mTextureWidth = primary.Width();
    mTextureHeight = primary.Height();
    if (uint32_t result = PrepareTexture()) return result;
    mBytesPerPixel = primary.Format().BytesPerPixel();
    mStagingPitch = primary.Pitch();
    mStagingHeight = primary.Height();
    // Only presents from another thread need the staging copy; it is made at the first of them.
    mStaging.clear();
    mStaging.shrink_to_fit();
    mStagedArea = {};
    return ResultCode::Ok;
}

uint32_t SdlDisplayDriver::PrepareTexture() {
    if (SDL_RenderSetLogicalSize(mRenderer, mTextureWidth, mTextureHeight) != 0) return ResultCode::Generic;
    if (!mTexture) {
        mTexture = SDL_CreateTexture(mRenderer, mTextureFormat, SDL_TEXTUREACCESS_STREAMING, mTextureWidth,
                                     mTextureHeight);
        if (!mTexture) {
            std::fprintf(stderr, "Creating the screen texture failed: %s\n", SDL_GetError());
            return ResultCode::OutOfVideoMemory;
        }
    }
    // A frame scaled up to a larger screen looks better smoothed; at its own size it stays exact.
    int outputWidth = 0, outputHeight = 0;
    SDL_GetRendererOutputSize(mRenderer, &outputWidth, &outputHeight);
    bool scaled = outputWidth != mTextureWidth || outputHeight != mTextureHeight;
    SDL_SetTextureScaleMode(mTexture, scaled ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
    return ResultCode::Ok;
}

bool SdlDisplayDriver::EnsureRenderer(SDL_Window* sdl, bool forGpu) {
    if (mRenderer && !(forGpu && mGlPassedOver)) return true;
    if (mRenderer) {
        // A device is wanted after all: the OpenGL renderer passed over below takes the window back.
        if (mTexture) SDL_DestroyTexture(mTexture);
        SDL_DestroyRenderer(mRenderer);
        mTexture = nullptr;
        mRenderer = nullptr;
    }
    mGlPassedOver = false;
    // The software renderer draws into the window's own pixels. Unless told otherwise SDL would keep
    // those on an OpenGL texture, loading the whole GL driver only to show them.
    const char* driver = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    if (driver != nullptr && std::strcmp(driver, "software") == 0)
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    mRenderer = SDL_CreateRenderer(sdl, -1, 0);
    if (mRenderer && !forGpu && driver == nullptr && IsSoftwareOpenGl(mRenderer)) {
        // Only finished frames are shown: through an OpenGL that rasterises on the processor each
        // present of the window costs milliseconds of it, through SDL's own software renderer a copy.
        SDL_DestroyRenderer(mRenderer);
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        mRenderer = SDL_CreateRenderer(sdl, -1, SDL_RENDERER_SOFTWARE);
        mGlPassedOver = mRenderer != nullptr;
        if (!mRenderer) mRenderer = SDL_CreateRenderer(sdl, -1, 0);
    }
    if (!mRenderer) {
        std::fprintf(stderr, "Creating a renderer failed: %s\n", SDL_GetError());
        return false;
    }
    mRendererWindow = Window();
    // The software renderer accepts vertical sync but cannot wait for it.
    SDL_RendererInfo info;
    bool software = SDL_GetRendererInfo(mRenderer, &info) != 0 || std::strcmp(info.name, "software") == 0;
    mVsyncState = software ? 2 : -1;
    return true;
}

uint32_t SdlDisplayDriver::CreateGpuDevice(std::unique_ptr<GpuDevice>& out) {
    out.reset();
    SDL_Window* sdl = mSdl ? mSdl->NativeWindow(Window()) : nullptr;
    if (!sdl) return ResultCode::NoHwnd;
    if (mRendererWindow != Window()) DestroyRenderer();
    std::lock_guard lock(mMutex);
    if (!EnsureRenderer(sdl, true)) return ResultCode::Generic;
    // A renderer made anew for the device shows the frames too.
    if (!mTexture && mTextureWidth > 0 && PrepareTexture() != ResultCode::Ok) return ResultCode::Generic;
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(mRenderer, &info) != 0 || (info.flags & SDL_RENDERER_TARGETTEXTURE) == 0)
        return ResultCode::Unsupported;
    out = std::make_unique<SdlGpuDevice>(mRenderer, sdl);
    return ResultCode::Ok;
}

uint32_t SdlDisplayDriver::WaitForVerticalBlank(uint32_t flags) {
    if (flags != VerticalBlank::BlockBegin) return ResultCode::InvalidParams;
    std::lock_guard lock(mMutex);
    if (!mRenderer) return MemoryDisplayDriver::WaitForVerticalBlank(flags);
    // The wait happens in the next presentation, which is made with vertical sync.
    mWantVsync = true;
    return ResultCode::Ok;
}

void SdlDisplayDriver::Present(Surface& primary, const PixelRect& area) {
    MemoryDisplayDriver::Present(primary, area);
    std::lock_guard lock(mMutex);
    if (!mRenderer || !mTexture || area.IsEmpty()) return;
    PixelRect clipped = area.Intersection(primary.Bounds());
    if (clipped.IsEmpty() || primary.Pitch() != mStagingPitch) return;
    if (std::this_thread::get_id() != mMainThread) {
        // The renderer belongs to the main thread: keep a copy of the changed rows for it.
        if (mStaging.empty())
            mStaging.resize(static_cast<size_t>(mStagingPitch) * static_cast<size_t>(mStagingHeight));
        size_t bytes = static_cast<size_t>(clipped.width) * static_cast<size_t>(mBytesPerPixel);
        size_t left = static_cast<size_t>(clipped.x) * static_cast<size_t>(mBytesPerPixel);
        for (int y = clipped.y; y < clipped.Bottom(); ++y) {
            uint8_t* staged = mStaging.data() + static_cast<size_t>(y) * static_cast<size_t>(mStagingPitch);
            std::memcpy(staged + left, primary.Row(y) + left, bytes);
        }
        mStagedArea = mStagedArea.Union(clipped);
        return;
    }
    if (!mStagedArea.IsEmpty()) {
        Upload(mStaging.data(), mStagingPitch, mStagedArea);
        mStagedArea = {};
    }
    Upload(primary.Row(0), primary.Pitch(), clipped);
    Show();
}

void SdlDisplayDriver::PresentStaged() {
    std::lock_guard lock(mMutex);
    if (mStagedArea.IsEmpty() || !mRenderer || !mTexture) return;
    Upload(mStaging.data(), mStagingPitch, mStagedArea);
    mStagedArea = {};
    Show();
}

void SdlDisplayDriver::Upload(const uint8_t* pixels, int pitch, const PixelRect& area) {
    SDL_Rect rect{area.x, area.y, area.width, area.height};
    const uint8_t* first = pixels + static_cast<size_t>(area.y) * static_cast<size_t>(pitch) +
                           static_cast<size_t>(area.x) * static_cast<size_t>(mBytesPerPixel);
    SDL_UpdateTexture(mTexture, &rect, first, pitch);
}

void SdlDisplayDriver::Show() {
    if (mVsyncState != 2 && mVsyncState != (mWantVsync ? 1 : 0)) {
        mVsyncState = SDL_RenderSetVSync(mRenderer, mWantVsync ? 1 : 0) == 0 ? (mWantVsync ? 1 : 0) : 2;
    }
    // A renderer that cannot wait for the vertical blank gets the wait emulated from the refresh rate.
    if (mWantVsync && mVsyncState == 2) SleepUntilVerticalBlank();
    mWantVsync = false;
    // The hardware 3D path may have left its draw target selected; the frame goes to the window.
    SDL_Texture* drawTarget = SDL_GetRenderTarget(mRenderer);
    if (drawTarget) SDL_SetRenderTarget(mRenderer, nullptr);
    SDL_SetRenderDrawBlendMode(mRenderer, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(mRenderer, 0, 0, 0, 255);
    SDL_RenderClear(mRenderer);
    SDL_RenderCopy(mRenderer, mTexture, nullptr, nullptr);
    SDL_RenderPresent(mRenderer);
    if (drawTarget) SDL_SetRenderTarget(mRenderer, drawTarget);
}

bool SdlDisplayDriver::ReadPresentedPixels(std::vector<uint32_t>& pixels, int& width, int& height) {
    std::lock_guard lock(mMutex);
    if (!mRenderer || SDL_GetRendererOutputSize(mRenderer, &width, &height) != 0 || width <= 0 || height <= 0)
        return false;
    pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    // Asking for the whole output keeps the read inside the buffer: SDL reads the part of it that the
    // frame covers (inside any letterbox bars) into its place.
    SDL_Rect whole{0, 0, width, height};
    SDL_Texture* drawTarget = SDL_GetRenderTarget(mRenderer);
    if (drawTarget) SDL_SetRenderTarget(mRenderer, nullptr);
    const bool read =
        SDL_RenderReadPixels(mRenderer, &whole, SDL_PIXELFORMAT_ARGB8888, pixels.data(), width * 4) == 0;
    if (drawTarget) SDL_SetRenderTarget(mRenderer, drawTarget);
    return read;
}

std::string SdlDisplayDriver::RendererName() const {
    SDL_RendererInfo info;
    if (!mRenderer || SDL_GetRendererInfo(mRenderer, &info) != 0) return {};
    return info.name;
}

} // namespace Zorbel
