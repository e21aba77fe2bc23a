// A 60-character line of text drawn with our three-layer image font (fill, outline and shadow, at the
// sizes its pictures were drawn for) against the same line drawn with the system font through FreeType,
// both onto the screen of a display during a frame, and the image font onto a memory image. The
// display is wide enough for the line at 32 pixels.
#include "framework/font/ImageFont.h"
#include "framework/font/StandaloneFontHost.h"
#include "framework/font/SysFont.h"
#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/DisplayHost.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/font/TtfFontEngine.h"
#include "framework/platform/time/RealClock.h"
#include "framework/platform/window/HeadlessWindowSystem.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

using namespace Zorbel;

namespace {

constexpr int32_t kWidth = 1400;
constexpr int32_t kHeight = 600;
const std::string kLine = "The quick brown fox jumps over the lazy dog; AVA Wolf, 1234!";
const std::string kFont = std::string(TESSERINE_BINARY_DIR) + "/fonts/Tessera.txt";

struct Host : DisplayHost {
    int32_t DisplayWidth() const override { return kWidth; }
    int32_t DisplayHeight() const override { return kHeight; }
    int32_t FullScreenBitDepth() const override { return 32; }
    bool WaitForVSync() const override { return false; }
};

// A 1400 x 600 display of 32 bits on the memory driver, its screen cleared to a dark blue.
struct Display {
    Display() : windows(clock, DisplayOptions{}) {
        WindowDesc desc;
        desc.clientWidth = kWidth;
        desc.clientHeight = kHeight;
        device = std::make_unique<DDInterface>(host, images, windows, clock);
        ok = device->InitDevice(windows.CreateWindow(desc), true) == DDInterface::RESULT_OK;
        if (!ok) return;
        Graphics g(device->GetScreenImage());
        g.SetPaintColor(Color(20, 30, 60));
        g.PaintRect(0, 0, kWidth, kHeight);
    }

    RealClock clock;
    Host host;
    ImageContext images;
    HeadlessWindowSystem windows;
    std::unique_ptr<DDInterface> device;
    bool ok = false;
};

// The image font at its default layers: fill, outline and shadow, drawn at the size asked for.
std::unique_ptr<ImageFont> OurFont(FontHost& host, int32_t pointSize) {
    auto font = std::make_unique<ImageFont>(&host, kFont);
    font->SetPointSize(pointSize);
    return font->IsInitialized() && font->ActiveLayers().size() == 3 ? std::move(font) : nullptr;
}

void DrawLines(benchmark::State& state, Font& font, Graphics& g) {
    const Color colour(255, 220, 120);
    for (auto _ : state)
        font.DrawText(g, 20, 300, kLine, colour, g.GetClipRect());
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kLine.size()));
}

void ImageFontOnScreen(benchmark::State& state) {
    Display display;
    StandaloneFontHost host(display.images);
    auto font = OurFont(host, int32_t(state.range(0)));
    if (!display.ok || !font) {
        state.SkipWithError("set-up failed (is the artwork drawn?)");
        return;
    }
    DDImage& screen = *display.device->GetScreenImage();
    Graphics g(&screen);
    screen.AcquireSurfaceLock(); // a frame holds the lock across its drawing
    DrawLines(state, *font, g);
    screen.ReleaseSurfaceLock();
}

void SysFontOnScreen(benchmark::State& state) {
    Display display;
    TtfFontEngine engine;
    SysFont font(&engine, "DejaVu Sans", int32_t(state.range(0)), 0, true, false, false);
    if (!display.ok || !font.IsOpen()) {
        state.SkipWithError("set-up failed");
        return;
    }
    DDImage& screen = *display.device->GetScreenImage();
    Graphics g(&screen);
    screen.AcquireSurfaceLock();
    DrawLines(state, font, g);
    screen.ReleaseSurfaceLock();
}

void ImageFontOnMemoryImage(benchmark::State& state) {
    ImageContext images;
    StandaloneFontHost host(images);
    auto font = OurFont(host, int32_t(state.range(0)));
    if (!font) {
        state.SkipWithError("set-up failed (is the artwork drawn?)");
        return;
    }
    MemoryImage target(images);
    std::vector<uint32_t> pixels(static_cast<size_t>(kWidth) * kHeight, 0xFF141E3C);
    target.SetPixels(pixels.data(), kWidth, kHeight, true);
    Graphics g(&target);
    DrawLines(state, *font, g);
}

} // namespace

// The image font at the sizes of its two sets of pictures, the system font at the nearest sizes in
// pixels (11 points at 96 dpi are 15 pixels, 24 points 32).
BENCHMARK(ImageFontOnScreen)->ArgName("size")->Arg(14)->Arg(32);
BENCHMARK(SysFontOnScreen)->ArgName("points")->Arg(11)->Arg(24);
BENCHMARK(ImageFontOnMemoryImage)->ArgName("size")->Arg(14)->Arg(32);

BENCHMARK_MAIN();
