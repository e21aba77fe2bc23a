#pragma once

#include "framework/platform/GpuDevice.h"

#include <SDL_render.h>

#include <string>
#include <vector>

struct SDL_Renderer;
struct SDL_Window;

namespace Zorbel {

// The GPU device over an SDL_Renderer: on its OpenGL or GLES2 back end the graphics hardware (or
// Mesa's rasteriser), on its software back end SDL's own. The renderer belongs to the display driver
// that shows the window, which must outlive this device and its textures.
class SdlGpuDevice : public GpuDevice {
public:
    SdlGpuDevice(SDL_Renderer* renderer, SDL_Window* window);

    const GpuInfo& Info() const override { return mInfo; }
    uint32_t CreateTexture(uint32_t format, int width, int height, bool target,
                           std::unique_ptr<GpuTexture>& out) override;
    uint32_t Upload(GpuTexture& texture, const void* pixels, int pitch) override;
    uint32_t SetTarget(GpuTexture* target) override;
    uint32_t SetClip(const PixelRect* clip) override;
    uint32_t Clear(uint32_t color) override;
    uint32_t Draw(GpuPrimitive primitive, const GpuVertex* vertices, int count, GpuTexture* texture,
                  GpuBlend blend, bool linear) override;
    uint32_t ReadPixels(const PixelRect& area, void* out, int pitch) override;
    uint32_t ReadTexture(GpuTexture& texture, void* out, int pitch) override;

private:
    void ReadInfo(SDL_Window* window);
    uint32_t DrawLines(const GpuVertex* vertices, int count, GpuBlend blend);

    SDL_Renderer* mRenderer;
    GpuInfo mInfo;
    // ZORBEL_GPU_FAIL_DRAW=n makes the nth draw of the device fail, to try the fall-back to software.
    long mDraws = 0;
    long mFailingDraw = 0;
    // Kept between draws, so that drawing does not allocate.
    std::vector<SDL_Vertex> mCorners;
    std::vector<int> mIndices;
};

// The name of the OpenGL renderer of the current context ("llvmpipe (LLVM 15.0.6, 256 bits)", ...),
// empty without one.
std::string CurrentGlRenderer();

} // namespace Zorbel
