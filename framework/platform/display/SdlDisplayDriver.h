#pragma once

#include "framework/platform/display/MemoryDisplayDriver.h"

#include <mutex>
#include <thread>
#include <vector>

struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Window;

namespace Zorbel {

class SdlWindowSystem;

// Shows the primary surface in an SDL window: a streaming texture in the primary's layout, drawn
// through an SDL_Renderer whose logical size is the primary's, so a full-screen window scales and
// letterboxes the frame. Presentation happens on the main thread; frames changed by another thread (the
// cursor thread) are staged and shown the next time the main thread polls messages.
class SdlDisplayDriver : public MemoryDisplayDriver {
public:
    SdlDisplayDriver(SdlWindowSystem& windows, DisplayOptions options);
    ~SdlDisplayDriver() override;

    uint32_t WaitForVerticalBlank(uint32_t flags) override;
    // A device on the window's renderer, made now when the window has none yet.
    uint32_t CreateGpuDevice(std::unique_ptr<GpuDevice>& out) override;

    // What the window shows now, as 0xAARRGGBB pixels of the renderer's whole output (letterbox bars
    // read as 0); false when there is no renderer or it cannot be read.
    bool ReadPresentedPixels(std::vector<uint32_t>& pixels, int& width, int& height);
    // The renderer's name ("software", "opengl", ...), empty before the first primary.
    std::string RendererName() const;

protected:
    uint32_t ApplyCooperativeLevel(WindowId window, bool fullScreen) override;
    uint32_t ApplyDisplayMode(int width, int height, int bitsPerPixel) override;
    void ApplyRestoreDisplayMode() override;
    uint32_t PrimaryCreated(Surface& primary) override;
    uint32_t QueryRefreshRate(uint32_t& hertz) override;
    void ReleaseWindowResources() override;
    void Present(Surface& primary, const PixelRect& area) override;
    PixelFormat DesktopFormat() const override;

private:
    void PresentStaged();
    void Upload(const uint8_t* pixels, int pitch, const PixelRect& area);
    void Show();
    void DestroyRenderer();
    // The window's renderer, made on first use; false (with the reason on standard error) without one.
    // Frames alone are shown through SDL's software renderer where OpenGL is drawn by the processor;
    // a GPU device (forGpu) gets OpenGL whatever it is.
    bool EnsureRenderer(SDL_Window* sdl, bool forGpu);
    // The streaming texture of the frame (made if missing) and the renderer's logical size.
    uint32_t PrepareTexture();
    // Back to a window of the size and place it had before full screen.
    void LeaveFullScreen(SDL_Window* sdl);

    SdlWindowSystem* mSdl;
    int mPumpTask = 0;
    PixelRect mWindowedArea; // where the window was before it went full screen
    std::thread::id mMainThread;
    std::mutex mMutex; // guards everything below against the cursor thread
    SDL_Renderer* mRenderer = nullptr;
    SDL_Texture* mTexture = nullptr;
    WindowId mRendererWindow = 0;
    bool mGlPassedOver = false; // a software OpenGL was put aside for SDL's software renderer
    uint32_t mTextureFormat = 0;
    int mTextureWidth = 0;
    int mTextureHeight = 0;
    int mBytesPerPixel = 4;
    bool mWantVsync = false;
    int mVsyncState = -1; // -1 unknown, 0 off, 1 on, 2 the renderer cannot wait
    std::vector<uint8_t> mStaging;
    int mStagingPitch = 0;
    int mStagingHeight = 0;
    PixelRect mStagedArea;
};

} // namespace Zorbel
