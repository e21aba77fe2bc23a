#include "framework/platform/display/SdlGpuDevice.h"

#include "framework/platform/ResultCode.h"

#include <SDL.h>
#include <dlfcn.h>
#include <link.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace Zorbel {

namespace {

// The few OpenGL entry points and constants the device description needs, looked up at run time so
// that nothing links against a GL library.
constexpr unsigned kGlVendor = 0x1F00;
constexpr unsigned kGlRenderer = 0x1F01;
constexpr unsigned kGlVersion = 0x1F02;
constexpr unsigned kGlTotalMemoryNvx = 0x9048;       // kilobytes
constexpr unsigned kGlTextureFreeMemoryAti = 0x87FC; // kilobytes, first of four
constexpr int kGlxRendererVideoMemoryMesa = 0x8187;  // megabytes
using GetStringFn = const unsigned char* (*)(unsigned);
using GetIntegervFn = void (*)(unsigned, int*);
using GetCurrentFn = void* (*)(); // glXGetCurrentContext, glXGetCurrentDisplay
using GetProcAddressFn = void* (*)(const unsigned char*);
using QueryExtensionsStringFn = const char* (*)(void*, int);
using QueryRendererIntegerFn = int (*)(int, unsigned*);

std::string GlString(GetStringFn getString, unsigned name) {
    const unsigned char* text = getString ? getString(name) : nullptr;
    return text ? reinterpret_cast<const char*>(text) : "";
}

// Video memory as the driver reports it through one of the extensions that do.
std::optional<uint64_t> GlVideoMemory() {
    auto getIntegerv = reinterpret_cast<GetIntegervFn>(SDL_GL_GetProcAddress("glGetIntegerv"));
    if (getIntegerv && SDL_GL_ExtensionSupported("GL_NVX_gpu_memory_info")) {
        int kilobytes = 0;
        getIntegerv(kGlTotalMemoryNvx, &kilobytes);
        if (kilobytes > 0) return uint64_t(kilobytes) * 1024;
    }
    if (getIntegerv && SDL_GL_ExtensionSupported("GL_ATI_meminfo")) {
        int free[4] = {};
        getIntegerv(kGlTextureFreeMemoryAti, free);
        if (free[0] > 0) return uint64_t(free[0]) * 1024;
    }
    // GLX is asked only through the GL library SDL has loaded, by its exported names. Through EGL
    // (Wayland, SDL's off-screen driver) the GL lookup hands out a stub for any name, and calling a GLX
    // one returns garbage; the library's own glXGetCurrentContext is simply null there.
    void* gl = dlopen("libGL.so.1", RTLD_NOW | RTLD_NOLOAD);
    if (gl == nullptr) return std::nullopt;
    auto currentContext = reinterpret_cast<GetCurrentFn>(dlsym(gl, "glXGetCurrentContext"));
    auto currentDisplay = reinterpret_cast<GetCurrentFn>(dlsym(gl, "glXGetCurrentDisplay"));
    auto extensions = reinterpret_cast<QueryExtensionsStringFn>(dlsym(gl, "glXQueryExtensionsString"));
    auto procAddress = reinterpret_cast<GetProcAddressFn>(dlsym(gl, "glXGetProcAddressARB"));
    void* display = currentContext && currentContext() && currentDisplay ? currentDisplay() : nullptr;
    const char* list = display && extensions ? extensions(display, 0) : nullptr;
    std::optional<uint64_t> memory;
    if (list && procAddress && std::strstr(list, "GLX_MESA_query_renderer")) {
        auto query = reinterpret_cast<QueryRendererIntegerFn>(
            procAddress(reinterpret_cast<const unsigned char*>("glXQueryCurrentRendererIntegerMESA")));
        unsigned megabytes = 0;
        if (query && query(kGlxRendererVideoMemoryMesa, &megabytes) && megabytes > 0)
            memory = uint64_t(megabytes) << 20;
    }
    dlclose(gl);
    return memory;
}

// The first loaded library whose path contains one of the names, in the order given.
std::string LoadedLibrary(std::initializer_list<const char*> names) {
    std::vector<std::string> loaded;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            if (info->dlpi_name && *info->dlpi_name)
                static_cast<std::vector<std::string>*>(data)->push_back(info->dlpi_name);
            return 0;
        },
        &loaded);
    for (const char* name : names)
        for (const std::string& path : loaded)
            if (path.find(name) != std::string::npos) return path;
    return {};
}

uint32_t SdlFormat(uint32_t format) {
    switch (format) {
        case GpuFormat::A4R4G4B4:
            return SDL_PIXELFORMAT_ARGB4444;
        case GpuFormat::R5G6B5:
            return SDL_PIXELFORMAT_RGB565;
        default:
            return SDL_PIXELFORMAT_ARGB8888;
    }
}

SDL_BlendFactor SdlFactor(GpuBlendFactor factor) {
    switch (factor) {
        case GpuBlendFactor::Zero:
            return SDL_BLENDFACTOR_ZERO;
        case GpuBlendFactor::One:
            return SDL_BLENDFACTOR_ONE;
        case GpuBlendFactor::SourceAlpha:
            return SDL_BLENDFACTOR_SRC_ALPHA;
        case GpuBlendFactor::InverseSourceAlpha:
            return SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA;
    }
    return SDL_BLENDFACTOR_ONE;
}

// The renderer's own modes where they weigh the colours the same way, so that renderers without
// custom blending (SDL's software one) still draw the two everyday modes.
SDL_BlendMode SdlBlendMode(GpuBlend blend) {
    using F = GpuBlendFactor;
    if (blend == GpuBlend{F::SourceAlpha, F::InverseSourceAlpha}) return SDL_BLENDMODE_BLEND;
    if (blend == GpuBlend{F::SourceAlpha, F::One}) return SDL_BLENDMODE_ADD;
    const SDL_BlendFactor source = SdlFactor(blend.source);
    const SDL_BlendFactor dest = SdlFactor(blend.dest);
    return SDL_ComposeCustomBlendMode(source, dest, SDL_BLENDOPERATION_ADD, source, dest,
                                      SDL_BLENDOPERATION_ADD);
}

SDL_Color SdlColor(uint32_t argb) {
    return SDL_Color{static_cast<uint8_t>(argb >> 16), static_cast<uint8_t>(argb >> 8),
                     static_cast<uint8_t>(argb), static_cast<uint8_t>(argb >> 24)};
}

class SdlGpuTexture : public GpuTexture {
public:
    SdlGpuTexture(SDL_Texture* texture, uint32_t format, int width, int height)
        : mTexture(texture), mFormat(format), mWidth(width), mHeight(height) {}
    ~SdlGpuTexture() override { SDL_DestroyTexture(mTexture); }
    SdlGpuTexture(const SdlGpuTexture&) = delete;
    SdlGpuTexture& operator=(const SdlGpuTexture&) = delete;

    int Width() const override { return mWidth; }
    int Height() const override { return mHeight; }
    uint32_t Format() const override { return mFormat; }
    SDL_Texture* Native() const { return mTexture; }

private:
    SDL_Texture* mTexture;
    uint32_t mFormat;
    int mWidth;
    int mHeight;
};

SDL_Texture* NativeOf(GpuTexture* texture) {
    return texture ? static_cast<SdlGpuTexture*>(texture)->Native() : nullptr;
}

} // namespace

SdlGpuDevice::SdlGpuDevice(SDL_Renderer* renderer, SDL_Window* window) : mRenderer(renderer) {
    ReadInfo(window);
    if (const char* failing = std::getenv("ZORBEL_GPU_FAIL_DRAW"))
        mFailingDraw = std::strtol(failing, nullptr, 10);
}

void SdlGpuDevice::ReadInfo(SDL_Window*) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(mRenderer, &info) != 0) return;
    mInfo.maxTextureWidth = info.max_texture_width;
    mInfo.maxTextureHeight = info.max_texture_height;
    for (uint32_t i = 0; i < info.num_texture_formats; ++i) {
        if (info.texture_formats[i] == SDL_PIXELFORMAT_ARGB8888) mInfo.formats |= GpuFormat::A8R8G8B8;
        if (info.texture_formats[i] == SDL_PIXELFORMAT_ARGB4444) mInfo.formats |= GpuFormat::A4R4G4B4;
        if (info.texture_formats[i] == SDL_PIXELFORMAT_RGB565) mInfo.formats |= GpuFormat::R5G6B5;
    }
    const bool gl = std::strncmp(info.name, "opengl", 6) == 0;
    if (!gl) {
        // SDL draws by itself: the description names the renderer and the library doing the work.
        SDL_version version;
        SDL_GetVersion(&version);
        mInfo.vendor = "SDL";
        mInfo.renderer = info.name;
        mInfo.version = std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
                        std::to_string(version.patch);
        mInfo.driverFile = LoadedLibrary({"libSDL2"});
        return;
    }
    auto getString = reinterpret_cast<GetStringFn>(SDL_GL_GetProcAddress("glGetString"));
    mInfo.vendor = GlString(getString, kGlVendor);
    mInfo.renderer = CurrentGlRenderer();
    mInfo.version = GlString(getString, kGlVersion);
    mInfo.videoMemory = GlVideoMemory();
    // The vendor's driver where one is loaded, else Mesa's.
    mInfo.driverFile = LoadedLibrary(
        {"_dri.so", "libnvidia-glcore", "libGLX_nvidia", "libGLX_mesa", "libGLESv2", "libGL.so"});
}

uint32_t SdlGpuDevice::CreateTexture(uint32_t format, int width, int height, bool target,
                                     std::unique_ptr<GpuTexture>& out) {
    out.reset();
    if (width <= 0 || height <= 0) return ResultCode::InvalidParams;
    if (target) format = GpuFormat::A8R8G8B8;
    SDL_Texture* texture =
        SDL_CreateTexture(mRenderer, SdlFormat(format),
                          target ? SDL_TEXTUREACCESS_TARGET : SDL_TEXTUREACCESS_STATIC, width, height);
    if (!texture) return ResultCode::OutOfVideoMemory;
    out = std::make_unique<SdlGpuTexture>(texture, format, width, height);
    return ResultCode::Ok;
}

uint32_t SdlGpuDevice::Upload(GpuTexture& texture, const void* pixels, int pitch) {
    return SDL_UpdateTexture(NativeOf(&texture), nullptr, pixels, pitch) == 0 ? ResultCode::Ok
                                                                              : ResultCode::Generic;
}

uint32_t SdlGpuDevice::SetTarget(GpuTexture* target) {
    return SDL_SetRenderTarget(mRenderer, NativeOf(target)) == 0 ? ResultCode::Ok : ResultCode::Generic;
}

uint32_t SdlGpuDevice::SetClip(const PixelRect* clip) {
    SDL_Rect rect{};
    if (clip) rect = {clip->x, clip->y, clip->width, clip->height};
    return SDL_RenderSetClipRect(mRenderer, clip ? &rect : nullptr) == 0 ? ResultCode::Ok
                                                                         : ResultCode::Generic;
}

uint32_t SdlGpuDevice::Clear(uint32_t color) {
    const SDL_Color c = SdlColor(color);
    if (SDL_SetRenderDrawBlendMode(mRenderer, SDL_BLENDMODE_NONE) != 0 ||
        SDL_SetRenderDrawColor(mRenderer, c.r, c.g, c.b, c.a) != 0 || SDL_RenderClear(mRenderer) != 0)
        return ResultCode::Generic;
    return ResultCode::Ok;
}

uint32_t SdlGpuDevice::DrawLines(const GpuVertex* vertices, int count, GpuBlend blend) {
    std::vector<SDL_FPoint> points(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        points[static_cast<size_t>(i)] = {vertices[i].x, vertices[i].y};
    const SDL_Color c = SdlColor(vertices[0].color);
    if (SDL_SetRenderDrawBlendMode(mRenderer, SdlBlendMode(blend)) != 0 ||
        SDL_SetRenderDrawColor(mRenderer, c.r, c.g, c.b, c.a) != 0 ||
        SDL_RenderDrawLinesF(mRenderer, points.data(), count) != 0)
        return ResultCode::Generic;
    return ResultCode::Ok;
}

uint32_t SdlGpuDevice::Draw(GpuPrimitive primitive, const GpuVertex* vertices, int count, GpuTexture* texture,
                            GpuBlend blend, bool linear) {
    if (count < 2) return ResultCode::InvalidParams;
    if (++mDraws == mFailingDraw) return ResultCode::Generic;
    if (primitive == GpuPrimitive::LineStrip) return DrawLines(vertices, count, blend);
    if (count < 3) return ResultCode::InvalidParams;

    std::vector<SDL_Vertex>& corners = mCorners;
    corners.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const GpuVertex& v = vertices[i];
        corners[static_cast<size_t>(i)] = {{v.x, v.y}, SdlColor(v.color), {v.u, v.v}};
    }
    // The renderer draws triangle lists; strips and fans are spelled out as one.
    std::vector<int>& indices = mIndices;
    indices.clear();
    if (primitive != GpuPrimitive::TriangleList) {
        indices.reserve(static_cast<size_t>(count - 2) * 3);
        for (int i = 2; i < count; ++i) {
            const bool strip = primitive == GpuPrimitive::TriangleStrip;
            indices.insert(indices.end(), {strip ? i - 2 : 0, i - 1, i});
        }
    }
    const SDL_BlendMode mode = SdlBlendMode(blend);
    SDL_Texture* native = NativeOf(texture);
    if (native) {
        if (SDL_SetTextureBlendMode(native, mode) != 0 ||
            SDL_SetTextureScaleMode(native, linear ? SDL_ScaleModeLinear : SDL_ScaleModeNearest) != 0)
            return ResultCode::Unsupported;
    } else if (SDL_SetRenderDrawBlendMode(mRenderer, mode) != 0) {
        return ResultCode::Unsupported;
    }
    if (SDL_RenderGeometry(mRenderer, native, corners.data(), count,
                           indices.empty() ? nullptr : indices.data(),
                           static_cast<int>(indices.size())) != 0) {
        std::fprintf(stderr, "Drawing on the GPU failed: %s\n", SDL_GetError());
        return ResultCode::Generic;
    }
    return ResultCode::Ok;
}

uint32_t SdlGpuDevice::ReadPixels(const PixelRect& area, void* out, int pitch) {
    const SDL_Rect rect{area.x, area.y, area.width, area.height};
    return SDL_RenderReadPixels(mRenderer, &rect, SDL_PIXELFORMAT_ARGB8888, out, pitch) == 0
               ? ResultCode::Ok
               : ResultCode::Generic;
}

uint32_t SdlGpuDevice::ReadTexture(GpuTexture& texture, void* out, int pitch) {
    // A texture cannot be read directly: it is copied unblended into a target of its size and read
    // from there, then narrowed back to its own format.
    const int width = texture.Width(), height = texture.Height();
    std::unique_ptr<GpuTexture> scratch;
    if (uint32_t made = CreateTexture(GpuFormat::A8R8G8B8, width, height, true, scratch)) return made;
    SDL_Texture* previous = SDL_GetRenderTarget(mRenderer);
    SDL_Rect clip;
    SDL_RenderGetClipRect(mRenderer, &clip);
    const bool clipped = SDL_RenderIsClipEnabled(mRenderer) == SDL_TRUE;
    std::vector<uint32_t> argb(static_cast<size_t>(width) * static_cast<size_t>(height));
    SDL_Texture* source = NativeOf(&texture);
    const bool read =
        SDL_SetRenderTarget(mRenderer, NativeOf(scratch.get())) == 0 &&
        SDL_SetTextureBlendMode(source, SDL_BLENDMODE_NONE) == 0 &&
        SDL_RenderCopy(mRenderer, source, nullptr, nullptr) == 0 &&
        SDL_RenderReadPixels(mRenderer, nullptr, SDL_PIXELFORMAT_ARGB8888, argb.data(), width * 4) == 0;
    SDL_SetRenderTarget(mRenderer, previous);
    SDL_RenderSetClipRect(mRenderer, clipped ? &clip : nullptr);
    if (!read) return ResultCode::Generic;
    const uint32_t format = texture.Format();
    for (int y = 0; y < height; ++y) {
        auto* row = static_cast<uint8_t*>(out) + static_cast<size_t>(y) * static_cast<size_t>(pitch);
        const uint32_t* from = argb.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int x = 0; x < width; ++x) {
            const uint32_t p = from[x];
            if (format == GpuFormat::A8R8G8B8) {
                std::memcpy(row + x * 4, &p, 4);
                continue;
            }
            const uint16_t narrow = format == GpuFormat::A4R4G4B4
                                        ? static_cast<uint16_t>((p >> 28 << 12) | ((p >> 20 & 0xF) << 8) |
                                                                ((p >> 12 & 0xF) << 4) | (p >> 4 & 0xF))
                                        : static_cast<uint16_t>(((p >> 19 & 0x1F) << 11) |
                                                                ((p >> 10 & 0x3F) << 5) | (p >> 3 & 0x1F));
            std::memcpy(row + x * 2, &narrow, 2);
        }
    }
    return ResultCode::Ok;
}

std::string CurrentGlRenderer() {
    return GlString(reinterpret_cast<GetStringFn>(SDL_GL_GetProcAddress("glGetString")), kGlRenderer);
}

} // namespace Zorbel
