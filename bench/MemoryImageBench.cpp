// The software renderer measured side by side with pixman and SDL on the same pictures: each case
// draws one 800 x 600 frame's worth of pixels onto an opaque x8r8g8b8 destination. pixman gets the
// premultiplied form of our pictures (its a8r8g8b8 is premultiplied), SDL the straight form with
// alpha blending on.
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/PixelKernels.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#ifdef ZORBEL_HAVE_PIXMAN
#include <pixman.h>
#endif

using namespace Zorbel;

namespace {

constexpr int Width = 800;
constexpr int Height = 600;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // straight 0xAARRGGBB
};

uint32_t Gradient(int x, int y, int width, int height) {
    const auto r = static_cast<uint32_t>(x * 255 / std::max(width - 1, 1));
    const auto g = static_cast<uint32_t>(y * 255 / std::max(height - 1, 1));
    const auto b = static_cast<uint32_t>((x + y) * 127 / std::max(width + height - 2, 1) + 64);
    return r << 16 | g << 8 | b;
}

// Large opaque shapes on a transparent ground, with edges anti-aliased over about two pixels.
Picture Sprite(int width, int height) {
    Picture p{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
    struct Disc {
        double x, y, r;
    };
    std::vector<Disc> discs;
    for (int i = 0; i < 9; ++i)
        discs.push_back(
            {width * (0.15 + 0.35 * (i % 3)), height * (0.18 + 0.32 * (i / 3)), height * (0.09 + 0.02 * i)});
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double coverage = 0;
            for (const Disc& d : discs) {
                const double distance = std::hypot(x + 0.5 - d.x, y + 0.5 - d.y);
                coverage = std::max(coverage, std::clamp((d.r - distance) / 2.0 + 0.5, 0.0, 1.0));
            }
            const auto alpha = static_cast<uint32_t>(std::lround(coverage * 255));
            p.pixels[static_cast<size_t>(y) * width + x] = alpha << 24 | Gradient(x, y, width, height);
        }
    }
    return p;
}

Picture Uniform(int width, int height, uint32_t alpha) {
    Picture p{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.pixels[static_cast<size_t>(y) * width + x] = alpha << 24 | Gradient(x, y, width, height);
    return p;
}

Picture Background() {
    Picture p = Uniform(Width, Height, 255);
    for (uint32_t& px : p.pixels)
        px ^= 0x00FFFFFF;
    return p;
}

// --- Zorbel -------------------------------------------------------------------------------------

struct ZorbelScene {
    ImageContext context;
    MemoryImage screen{context};
    MemoryImage source{context};
    std::unique_ptr<Graphics> g;

    explicit ZorbelScene(const Picture& picture) {
        const Picture background = Background();
        screen.SetPixels(background.pixels.data(), Width, Height, true);
        source.SetPixels(picture.pixels.data(), picture.width, picture.height, true);
        g = std::make_unique<Graphics>(&screen);
    }
};

// --- pixman -------------------------------------------------------------------------------------

#ifdef ZORBEL_HAVE_PIXMAN
struct PixmanScene {
    std::vector<uint32_t> destBits;
    std::vector<uint32_t> sourceBits;
    pixman_image_t* dest = nullptr;
    pixman_image_t* source = nullptr;

    explicit PixmanScene(const Picture& picture) {
        destBits = Background().pixels;
        sourceBits = picture.pixels;
        for (uint32_t& p : sourceBits) {
            const uint32_t a = p >> 24;
            auto pre = [a](uint32_t c) { return (c * a + 127) / 255; };
            p = a << 24 | pre((p >> 16) & 0xFF) << 16 | pre((p >> 8) & 0xFF) << 8 | pre(p & 0xFF);
        }
        dest = pixman_image_create_bits(PIXMAN_x8r8g8b8, Width, Height, destBits.data(), Width * 4);
        source = pixman_image_create_bits(PIXMAN_a8r8g8b8, picture.width, picture.height, sourceBits.data(),
                                          picture.width * 4);
    }
    ~PixmanScene() {
        pixman_image_unref(source);
        pixman_image_unref(dest);
    }
    PixmanScene(const PixmanScene&) = delete;
    PixmanScene& operator=(const PixmanScene&) = delete;

    // Scales the source to (width, height) with the filter.
    void Scale(int width, int height, pixman_filter_t filter, const pixman_fixed_t* params = nullptr,
               int paramCount = 0) {
        pixman_transform_t transform;
        pixman_transform_init_scale(&transform,
                                    pixman_double_to_fixed(static_cast<double>(sourceWidth()) / width),
                                    pixman_double_to_fixed(static_cast<double>(sourceHeight()) / height));
        pixman_image_set_transform(source, &transform);
        pixman_image_set_filter(source, filter, params, paramCount);
    }
    int sourceWidth() const { return pixman_image_get_width(source); }
    int sourceHeight() const { return pixman_image_get_height(source); }
};
#endif

// --- SDL ----------------------------------------------------------------------------------------

struct SdlScene {
    std::vector<uint32_t> destBits;
    std::vector<uint32_t> sourceBits;
    SDL_Surface* dest = nullptr;
    SDL_Surface* source = nullptr;

    SdlScene(const Picture& picture, SDL_BlendMode mode) {
        destBits = Background().pixels;
        sourceBits = picture.pixels;
        dest = SDL_CreateRGBSurfaceWithFormatFrom(destBits.data(), Width, Height, 32, Width * 4,
                                                  SDL_PIXELFORMAT_RGB888);
        source = SDL_CreateRGBSurfaceWithFormatFrom(sourceBits.data(), picture.width, picture.height, 32,
                                                    picture.width * 4, SDL_PIXELFORMAT_ARGB8888);
        SDL_SetSurfaceBlendMode(source, mode);
    }
    ~SdlScene() {
        SDL_FreeSurface(source);
        SDL_FreeSurface(dest);
    }
    SdlScene(const SdlScene&) = delete;
    SdlScene& operator=(const SdlScene&) = delete;
};

void Pixels(benchmark::State& state, int64_t perIteration) {
    state.SetItemsProcessed(state.iterations() * perIteration);
}

// --- 1. Sprite blit -------------------------------------------------------------------------------

void BM_Sprite_Zorbel(benchmark::State& state) {
    ZorbelScene scene(Sprite(Width, Height));
    for (auto _ : state)
        scene.g->PaintImage(&scene.source, 0, 0);
    Pixels(state, Width * Height);
}

void BM_Sprite_SDL(benchmark::State& state) {
    SdlScene scene(Sprite(Width, Height), SDL_BLENDMODE_BLEND);
    for (auto _ : state)
        SDL_BlitSurface(scene.source, nullptr, scene.dest, nullptr);
    Pixels(state, Width * Height);
}

// --- 2. Translucent blit -------------------------------------------------------------------------

void BM_Translucent_Zorbel(benchmark::State& state) {
    ZorbelScene scene(Uniform(Width, Height, 128));
    for (auto _ : state)
        scene.g->PaintImage(&scene.source, 0, 0);
    Pixels(state, Width * Height);
}

void BM_Translucent_SDL(benchmark::State& state) {
    SdlScene scene(Uniform(Width, Height, 128), SDL_BLENDMODE_BLEND);
    for (auto _ : state)
        SDL_BlitSurface(scene.source, nullptr, scene.dest, nullptr);
    Pixels(state, Width * Height);
}

// --- 3. Fills -----------------------------------------------------------------------------------

void BM_FillOpaque_Zorbel(benchmark::State& state) {
    ZorbelScene scene(Uniform(1, 1, 255));
    scene.g->SetPaintColor(Color(40, 90, 200));
    for (auto _ : state)
        scene.g->PaintRect(0, 0, Width, Height);
    Pixels(state, Width * Height);
}

void BM_FillTranslucent_Zorbel(benchmark::State& state) {
    ZorbelScene scene(Uniform(1, 1, 255));
    scene.g->SetPaintColor(Color(40, 90, 200, 128));
    for (auto _ : state)
        scene.g->PaintRect(0, 0, Width, Height);
    Pixels(state, Width * Height);
}

void BM_FillOpaque_SDL(benchmark::State& state) {
    SdlScene scene(Uniform(1, 1, 255), SDL_BLENDMODE_NONE);
    const Uint32 colour = SDL_MapRGB(scene.dest->format, 40, 90, 200);
    for (auto _ : state)
        SDL_FillRect(scene.dest, nullptr, colour);
    Pixels(state, Width * Height);
}

// SDL has no blended fill for surfaces: a surface of the colour is blitted with blending.
void BM_FillTranslucent_SDL(benchmark::State& state) {
    Picture solid{Width, Height, std::vector<uint32_t>(static_cast<size_t>(Width) * Height, 0x80285AC8)};
    SdlScene scene(solid, SDL_BLENDMODE_BLEND);
    for (auto _ : state)
        SDL_BlitSurface(scene.source, nullptr, scene.dest, nullptr);
    Pixels(state, Width * Height);
}

// --- 4. Additive blit ---------------------------------------------------------------------------

void BM_Additive_Zorbel(benchmark::State& state) {
    ZorbelScene scene(Sprite(Width, Height));
    scene.g->SetBlendMode(DRAWMODE_ADDITIVE);
    for (auto _ : state)
        scene.g->PaintImage(&scene.source, 0, 0);
    Pixels(state, Width * Height);
}

void BM_Additive_SDL(benchmark::State& state) {
    SdlScene scene(Sprite(Width, Height), SDL_BLENDMODE_ADD);
    for (auto _ : state)
        SDL_BlitSurface(scene.source, nullptr, scene.dest, nullptr);
    Pixels(state, Width * Height);
}

// --- 5. Scaling ---------------------------------------------------------------------------------

void BM_ScaleArea_Zorbel(benchmark::State& state) {
    ZorbelScene scene(Sprite(Width, Height));
    for (auto _ : state)
        scene.g->PaintImageScaled(&scene.source, 0, 0, 100, 75);
    Pixels(state, Width * Height);
}

void BM_ScaleNearest_Zorbel(benchmark::State& state) {
    ZorbelScene scene(Sprite(640, 480));
    scene.g->SetQuickScaling(true);
    for (auto _ : state)
        scene.g->PaintImageScaled(&scene.source, 0, 0, Width, Height);
    Pixels(state, Width * Height);
}

// SDL's scaled surface blit samples the nearest pixel; it has no averaging one.
void BM_ScaleArea_SDL(benchmark::State& state) {
    SdlScene scene(Sprite(Width, Height), SDL_BLENDMODE_BLEND);
    SDL_Rect to{0, 0, 100, 75};
    for (auto _ : state)
        SDL_BlitScaled(scene.source, nullptr, scene.dest, &to);
    Pixels(state, Width * Height);
}

void BM_ScaleNearest_SDL(benchmark::State& state) {
    SdlScene scene(Sprite(640, 480), SDL_BLENDMODE_BLEND);
    SDL_Rect to{0, 0, Width, Height};
    for (auto _ : state)
        SDL_BlitScaled(scene.source, nullptr, scene.dest, &to);
    Pixels(state, Width * Height);
}

#ifdef ZORBEL_HAVE_PIXMAN
void Composite(PixmanScene& scene, pixman_op_t op, int width, int height) {
    pixman_image_composite32(op, scene.source, nullptr, scene.dest, 0, 0, 0, 0, 0, 0, width, height);
}

void BM_Sprite_Pixman(benchmark::State& state) {
    PixmanScene scene(Sprite(Width, Height));
    for (auto _ : state)
        Composite(scene, PIXMAN_OP_OVER, Width, Height);
    Pixels(state, Width * Height);
}

void BM_Translucent_Pixman(benchmark::State& state) {
    PixmanScene scene(Uniform(Width, Height, 128));
    for (auto _ : state)
        Composite(scene, PIXMAN_OP_OVER, Width, Height);
    Pixels(state, Width * Height);
}

void FillPixman(benchmark::State& state, pixman_color_t colour) {
    PixmanScene scene(Uniform(1, 1, 255));
    pixman_image_t* solid = pixman_image_create_solid_fill(&colour);
    for (auto _ : state)
        pixman_image_composite32(PIXMAN_OP_OVER, solid, nullptr, scene.dest, 0, 0, 0, 0, 0, 0, Width, Height);
    pixman_image_unref(solid);
    Pixels(state, Width * Height);
}

// pixman colours are 16 bits per channel, premultiplied.
void BM_FillOpaque_Pixman(benchmark::State& state) {
    FillPixman(state, {40 * 257, 90 * 257, 200 * 257, 0xFFFF});
}

void BM_FillTranslucent_Pixman(benchmark::State& state) {
    FillPixman(state, {20 * 257, 45 * 257, 100 * 257, 128 * 257});
}

void BM_Additive_Pixman(benchmark::State& state) {
    PixmanScene scene(Sprite(Width, Height));
    for (auto _ : state)
        Composite(scene, PIXMAN_OP_ADD, Width, Height);
    Pixels(state, Width * Height);
}

void BM_ScaleArea_PixmanGood(benchmark::State& state) {
    PixmanScene scene(Sprite(Width, Height));
    scene.Scale(100, 75, PIXMAN_FILTER_GOOD);
    for (auto _ : state)
        Composite(scene, PIXMAN_OP_OVER, 100, 75);
    Pixels(state, Width * Height);
}

// The like-for-like reference: an 8 x 8 box average, what area resampling computes at this ratio.
void BM_ScaleArea_PixmanBox(benchmark::State& state) {
    PixmanScene scene(Sprite(Width, Height));
    int count = 0;
    pixman_fixed_t* params = pixman_filter_create_separable_convolution(
        &count, pixman_double_to_fixed(8.0), pixman_double_to_fixed(8.0), PIXMAN_KERNEL_IMPULSE,
        PIXMAN_KERNEL_IMPULSE, PIXMAN_KERNEL_BOX, PIXMAN_KERNEL_BOX, 1, 1);
    scene.Scale(100, 75, PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params, count);
    free(params);
    for (auto _ : state)
        Composite(scene, PIXMAN_OP_OVER, 100, 75);
    Pixels(state, Width * Height);
}

void BM_ScaleNearest_Pixman(benchmark::State& state) {
    PixmanScene scene(Sprite(640, 480));
    scene.Scale(Width, Height, PIXMAN_FILTER_NEAREST);
    for (auto _ : state)
        Composite(scene, PIXMAN_OP_OVER, Width, Height);
    Pixels(state, Width * Height);
}
#endif

// Our kernels with the vector sets turned off, to show what they bring.
void BM_Translucent_ZorbelScalar(benchmark::State& state) {
    const Picture picture = Uniform(Width, Height, 128);
    std::vector<uint32_t> dest = Background().pixels;
    for (auto _ : state)
        for (int y = 0; y < Height; ++y)
            ScalarKernels().blendOpaqueDest(dest.data() + y * Width, picture.pixels.data() + y * Width,
                                            Width);
    Pixels(state, Width * Height);
}

} // namespace

#define ZORBEL_CASE(name) BENCHMARK(name)->Unit(benchmark::kMicrosecond)
#ifdef ZORBEL_HAVE_PIXMAN
#define PIXMAN_CASE(name) ZORBEL_CASE(name)
#else
#define PIXMAN_CASE(name)
#endif

ZORBEL_CASE(BM_Sprite_Zorbel);
PIXMAN_CASE(BM_Sprite_Pixman);
ZORBEL_CASE(BM_Sprite_SDL);
ZORBEL_CASE(BM_Translucent_Zorbel);
ZORBEL_CASE(BM_Translucent_ZorbelScalar);
PIXMAN_CASE(BM_Translucent_Pixman);
ZORBEL_CASE(BM_Translucent_SDL);
ZORBEL_CASE(BM_FillOpaque_Zorbel);
PIXMAN_CASE(BM_FillOpaque_Pixman);
ZORBEL_CASE(BM_FillOpaque_SDL);
ZORBEL_CASE(BM_FillTranslucent_Zorbel);
PIXMAN_CASE(BM_FillTranslucent_Pixman);
ZORBEL_CASE(BM_FillTranslucent_SDL);
ZORBEL_CASE(BM_Additive_Zorbel);
PIXMAN_CASE(BM_Additive_Pixman);
ZORBEL_CASE(BM_Additive_SDL);
ZORBEL_CASE(BM_ScaleArea_Zorbel);
PIXMAN_CASE(BM_ScaleArea_PixmanBox);
PIXMAN_CASE(BM_ScaleArea_PixmanGood);
ZORBEL_CASE(BM_ScaleArea_SDL);
ZORBEL_CASE(BM_ScaleNearest_Zorbel);
PIXMAN_CASE(BM_ScaleNearest_Pixman);
ZORBEL_CASE(BM_ScaleNearest_SDL);

BENCHMARK_MAIN();
