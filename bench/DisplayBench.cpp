// The display device: presenting an 800 x 600 frame (the draw surface blitted to the primary and shown),
// and drawing a picture into the screen's surface in its native layout against the software renderer's
// blit of the same picture into a memory image.
#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/DisplayHost.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/CpuFeatures.h"
#include "framework/platform/time/RealClock.h"
#include "framework/platform/window/HeadlessWindowSystem.h"
#include "framework/platform/window/SdlWindowSystem.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

using namespace Zorbel;

namespace {

constexpr int32_t kWidth = 800;
constexpr int32_t kHeight = 600;

struct Host : DisplayHost {
    int32_t DisplayWidth() const override { return kWidth; }
    int32_t DisplayHeight() const override { return kHeight; }
    int32_t FullScreenBitDepth() const override { return 32; }
    bool WaitForVSync() const override { return false; }
};

enum Backend { Memory = 0, Sdl = 1 };

// A display of the given screen depth, set up in a window, on the memory driver (the blit alone) or on
// SDL (the blit, the texture upload and the renderer's copy).
struct Display {
    Display(Backend backend, int depth) {
        DisplayOptions options;
        options.desktopFormat = depth == 16 ? PixelFormat::R5G6B5() : PixelFormat::X8R8G8B8();
        if (backend == Sdl)
            windows = SdlWindowSystem::Create(clock, options);
        else
            windows = std::make_unique<HeadlessWindowSystem>(clock, options);
        WindowDesc desc;
        desc.clientWidth = kWidth;
        desc.clientHeight = kHeight;
        window = windows->CreateWindow(desc);
        device = std::make_unique<DDInterface>(host, images, *windows, clock);
        ok = device->InitDevice(window, true) == DDInterface::RESULT_OK;
    }
    ~Display() {
        device.reset();
        windows.reset();
    }

    RealClock clock;
    Host host;
    ImageContext images;
    std::unique_ptr<WindowSystem> windows;
    WindowId window = 0;
    std::unique_ptr<DDInterface> device;
    bool ok = false;
};

// A sprite-like picture: large opaque areas, fully transparent holes, and (when soft) a band of
// partial transparency.
std::vector<uint32_t> Picture(bool soft) {
    std::vector<uint32_t> pixels(static_cast<size_t>(kWidth) * kHeight);
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            const uint32_t colour =
                (uint32_t(x * 255 / kWidth) << 16) | (uint32_t(y * 255 / kHeight) << 8) | 0x40;
            const int32_t dx = x % 100 - 50, dy = y % 100 - 50;
            const int32_t distance = dx * dx + dy * dy;
            uint32_t alpha = distance < 900 ? 0 : 255;
            if (soft && distance >= 900 && distance < 1300) alpha = 128;
            pixels[static_cast<size_t>(y) * kWidth + x] = (alpha << 24) | colour;
        }
    }
    return pixels;
}

void Present(benchmark::State& state) {
    Display display(static_cast<Backend>(state.range(0)), static_cast<int>(state.range(1)));
    if (!display.ok) {
        state.SkipWithError("display set-up failed");
        return;
    }
    Graphics g(display.device->GetScreenImage());
    g.SetPaintColor(Color(40, 80, 120));
    g.PaintRect(0, 0, kWidth, kHeight);
    for (auto _ : state)
        benchmark::DoNotOptimize(display.device->Redraw());
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// The reference: the software renderer blitting into an opaque 800 x 600 memory image.
void BlitMemoryImage(benchmark::State& state) {
    ImageContext images;
    MemoryImage dest(images), source(images);
    std::vector<uint32_t> background(static_cast<size_t>(kWidth) * kHeight, 0xFF102030);
    dest.SetPixels(background.data(), kWidth, kHeight, true);
    const auto pixels = Picture(state.range(0) != 0);
    source.SetPixels(pixels.data(), kWidth, kHeight, true);
    for (auto _ : state)
        dest.BlitImage(&source, 0, 0, source.GetBounds(), Color::White, DRAWMODE_NORMAL);
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// The same picture drawn into the screen's surface in its native layout.
void BlitSurface(benchmark::State& state) {
    Display display(Memory, static_cast<int>(state.range(0)));
    if (!display.ok) {
        state.SkipWithError("display set-up failed");
        return;
    }
    DDImage& screen = *display.device->GetScreenImage();
    MemoryImage source(display.images);
    const auto pixels = Picture(state.range(1) != 0);
    source.SetPixels(pixels.data(), kWidth, kHeight, true);
    screen.AcquireSurfaceLock(); // a frame holds the lock across its drawing
    for (auto _ : state)
        screen.BlitImage(&source, 0, 0, source.GetBounds(), Color::White, DRAWMODE_NORMAL);
    screen.ReleaseSurfaceLock();
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// The same picture tinted, as the puzzle's pulsing frames are drawn: simd = the vector path (else the
// scalar one), alpha = the colour's alpha (below 255 each pixel's weight is the product of both).
void BlitSurfaceTinted(benchmark::State& state) {
    Display display(Memory, 32);
    if (!display.ok) {
        state.SkipWithError("display set-up failed");
        return;
    }
    DDImage& screen = *display.device->GetScreenImage();
    MemoryImage source(display.images);
    const auto pixels = Picture(true);
    source.SetPixels(pixels.data(), kWidth, kHeight, true);
    const bool simd = CpuFeatures::SimdEnabled();
    CpuFeatures::SetSimdEnabled(state.range(0) != 0);
    const Color tint(255, 220, 120, static_cast<int32_t>(state.range(1)));
    screen.AcquireSurfaceLock();
    for (auto _ : state)
        screen.BlitImage(&source, 0, 0, source.GetBounds(), tint, DRAWMODE_NORMAL);
    screen.ReleaseSurfaceLock();
    CpuFeatures::SetSimdEnabled(simd);
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// A picture without partial transparency turned into a colour-keyed surface once, then copied surface to
// surface by the surface layer's own keyed blit (the quick stretch and the hardware path's plain blits
// use it).
void SurfaceBltKeyed(benchmark::State& state) {
    Display display(Memory, static_cast<int>(state.range(0)));
    if (!display.ok) {
        state.SkipWithError("display set-up failed");
        return;
    }
    DDImage& screen = *display.device->GetScreenImage();
    DDImage source(*display.device);
    const auto pixels = Picture(false);
    source.SetPixels(pixels.data(), kWidth, kHeight, true);
    if (!source.GenerateSurfaceWithKey()) {
        state.SkipWithError("no surface");
        return;
    }
    for (auto _ : state)
        screen.BlitImage(&source, 0, 0, source.GetBounds(), Color::White, DRAWMODE_NORMAL);
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

} // namespace

// Presenting: backend (0 memory driver, 1 SDL on its headless driver), screen depth.
BENCHMARK(Present)
    ->ArgNames({"sdl", "depth"})
    ->Args({Memory, 32})
    ->Args({Memory, 16})
    ->Args({Sdl, 32})
    ->Args({Sdl, 16});
// Blits of an 800 x 600 picture: soft = with a band of partial transparency.
BENCHMARK(BlitMemoryImage)->ArgNames({"soft"})->Arg(0)->Arg(1);
BENCHMARK(BlitSurfaceTinted)
    ->ArgNames({"simd", "alpha"})
    ->Args({0, 255})
    ->Args({1, 255})
    ->Args({0, 160})
    ->Args({1, 160});
BENCHMARK(BlitSurface)
    ->ArgNames({"depth", "soft"})
    ->Args({32, 0})
    ->Args({16, 0})
    ->Args({32, 1})
    ->Args({16, 1});
BENCHMARK(SurfaceBltKeyed)->ArgNames({"depth"})->Arg(32)->Arg(16);

int main(int argc, char** argv) {
    // Presentation is measured without a screen: SDL's headless driver with its software renderer.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
