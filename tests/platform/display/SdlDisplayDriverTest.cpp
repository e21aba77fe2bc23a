#include "framework/platform/display/SdlDisplayDriver.h"
#include "framework/platform/GpuDevice.h"
#include "framework/platform/ResultCode.h"
#include "framework/platform/time/ManualClock.h"
#include "framework/platform/window/SdlWindowSystem.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <thread>

using namespace Zorbel;

namespace {

struct SdlDesktop {
    explicit SdlDesktop(DisplayOptions options = {}, int width = 64, int height = 48) {
        windows = SdlWindowSystem::Create(clock, std::move(options));
        EXPECT_NE(windows, nullptr);
        WindowDesc desc;
        desc.clientWidth = width;
        desc.clientHeight = height;
        window = windows->CreateWindow(desc);
        std::unique_ptr<DisplayDriver> made;
        EXPECT_EQ(windows->CreateDisplayDriver(made), ResultCode::Ok);
        driver.reset(static_cast<SdlDisplayDriver*>(made.release()));
    }
    ~SdlDesktop() {
        driver.reset();
        windows.reset();
    }

    std::shared_ptr<Surface> WindowedPrimary() {
        std::shared_ptr<Surface> primary;
        EXPECT_EQ(driver->SetCooperativeLevel(window, CooperativeLevel::Normal), ResultCode::Ok);
        EXPECT_EQ(driver->CreateSurface(SurfaceRequest::Primary(), primary), ResultCode::Ok);
        return primary;
    }

    std::vector<uint32_t> Shown(int& width, int& height) {
        std::vector<uint32_t> pixels;
        EXPECT_TRUE(driver->ReadPresentedPixels(pixels, width, height));
        return pixels;
    }

    ManualClock clock{1000};
    std::unique_ptr<SdlWindowSystem> windows;
    WindowId window = 0;
    std::unique_ptr<SdlDisplayDriver> driver;
};

// Four quadrants of distinct colours, given as 0xRRGGBB.
constexpr uint32_t kQuadrants[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

int Quadrant(int x, int y, int width, int height) {
    return (x >= width / 2 ? 1 : 0) + (y >= height / 2 ? 2 : 0);
}

void DrawQuadrants(Surface& surface) {
    for (int y = 0; y < surface.Height(); ++y)
        for (int x = 0; x < surface.Width(); ++x)
            surface.SetPixelAt(
                x, y,
                surface.Format().FromArgb(kQuadrants[Quadrant(x, y, surface.Width(), surface.Height())]));
}

// An off-screen surface of the driver's with the four quadrants drawn in it.
std::shared_ptr<Surface> QuadrantsSurface(SdlDisplayDriver& driver, int width = 64, int height = 48) {
    std::shared_ptr<Surface> draw;
    EXPECT_EQ(driver.CreateSurface(SurfaceRequest::Offscreen(width, height), draw), ResultCode::Ok);
    if (draw) DrawQuadrants(*draw);
    return draw;
}

// True when each channel is within tolerance of the expected one (the display may widen narrow channels
// in its own way).
bool Near(uint32_t shown, uint32_t expected, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        int a = static_cast<int>((shown >> shift) & 0xFF);
        int b = static_cast<int>((expected >> shift) & 0xFF);
        if (std::abs(a - b) > tolerance) return false;
    }
    return true;
}

void ExpectQuadrants(const std::vector<uint32_t>& pixels, int width, int height, int tolerance = 0) {
    ASSERT_EQ(pixels.size(), static_cast<size_t>(width * height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t shown = pixels[static_cast<size_t>(y * width + x)];
            uint32_t expected = kQuadrants[Quadrant(x, y, width, height)];
            ASSERT_TRUE(Near(shown, expected, tolerance))
                << std::hex << shown << " at " << std::dec << x << "," << y;
        }
}

} // namespace

TEST(SdlDisplayDriverTest, ABlitOntoThePrimaryIsShownInTheWindow) {
    SdlDesktop desktop;
    auto primary = desktop.WindowedPrimary();
    ASSERT_NE(primary, nullptr);
    EXPECT_EQ(primary->Format(), PixelFormat::X8R8G8B8());
    auto draw = QuadrantsSurface(*desktop.driver);
    ASSERT_NE(draw, nullptr);
    ASSERT_EQ(primary->Blt(nullptr, draw.get(), nullptr, BltFlags::Wait), ResultCode::Ok);
    int width = 0, height = 0;
    auto shown = desktop.Shown(width, height);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 48);
    ExpectQuadrants(shown, width, height);
    EXPECT_FALSE(desktop.driver->RendererName().empty());
}

// Run under Xvfb by graphics.GpuUnderXvfb; on SDL's headless driver there is no OpenGL and it skips.
TEST(SdlDisplayDriverTest, FramesAloneAvoidAnOpenGlDrawnByTheProcessorWhileADeviceGetsIt) {
    std::string glName;
    {
        SdlDesktop probe;
        std::unique_ptr<GpuDevice> gpu;
        EXPECT_EQ(probe.driver->SetCooperativeLevel(probe.window, CooperativeLevel::Normal), ResultCode::Ok);
        if (probe.driver->CreateGpuDevice(gpu) != ResultCode::Ok || probe.driver->RendererName() != "opengl")
            GTEST_SKIP() << "no OpenGL here (renderer: " << probe.driver->RendererName() << ")";
        glName = gpu->Info().renderer;
    }
    const bool byProcessor = glName.find("llvmpipe") != std::string::npos ||
                             glName.find("softpipe") != std::string::npos ||
                             glName.find("swrast") != std::string::npos;
    SdlDesktop desktop;
    auto primary = desktop.WindowedPrimary();
    ASSERT_NE(primary, nullptr);
    EXPECT_EQ(desktop.driver->RendererName(), byProcessor ? "software" : "opengl") << glName;
    auto draw = QuadrantsSurface(*desktop.driver);
    ASSERT_NE(draw, nullptr);
    ASSERT_EQ(primary->Blt(nullptr, draw.get(), nullptr, BltFlags::Wait), ResultCode::Ok);
    int width = 0, height = 0;
    auto shown = desktop.Shown(width, height);
    ExpectQuadrants(shown, width, height);

    // A device wanted later takes OpenGL back, and the frames are shown through it from then on.
    std::unique_ptr<GpuDevice> gpu;
    ASSERT_EQ(desktop.driver->CreateGpuDevice(gpu), ResultCode::Ok);
    EXPECT_EQ(desktop.driver->RendererName(), "opengl");
    ASSERT_EQ(primary->Blt(nullptr, draw.get(), nullptr, BltFlags::Wait), ResultCode::Ok);
    shown = desktop.Shown(width, height);
    ExpectQuadrants(shown, width, height);
}

TEST(SdlDisplayDriverTest, ASixteenBitPrimaryIsShownWithFullChannels) {
    for (const char* depth : {"16", "15"}) {
        DisplayOptions options;
        options.desktopFormat = DisplayOptions::FormatFromName(depth);
        SdlDesktop desktop(options);
        auto primary = desktop.WindowedPrimary();
        ASSERT_NE(primary, nullptr);
        EXPECT_EQ(primary->Format().bitsPerPixel, 16);
        SurfaceLock lock;
        DrawQuadrants(*primary);
        ASSERT_EQ(primary->Lock(lock), ResultCode::Ok);
        ASSERT_EQ(primary->Unlock(), ResultCode::Ok); // an unlock shows the whole surface
        int width = 0, height = 0;
        auto shown = desktop.Shown(width, height);
        // A 5- or 6-bit full channel may come back as 0xF8 ... 0xFF, depending on how SDL widens it.
        ExpectQuadrants(shown, width, height, 7);
    }
}

TEST(SdlDisplayDriverTest, FramesChangedByAnotherThreadAreShownByTheMainThread) {
    SdlDesktop desktop;
    auto primary = desktop.WindowedPrimary();
    auto draw = QuadrantsSurface(*desktop.driver);
    ASSERT_NE(draw, nullptr);
    ASSERT_EQ(primary->ColorFill(nullptr, 0x000000), ResultCode::Ok);
    std::thread cursorThread(
        [&] { EXPECT_EQ(primary->Blt(nullptr, draw.get(), nullptr, 0), ResultCode::Ok); });
    cursorThread.join();
    int width = 0, height = 0;
    auto before = desktop.Shown(width, height);
    EXPECT_EQ(before[0] & 0xFFFFFF, 0u) << "nothing is shown from the other thread";
    desktop.windows->DispatchMessages([](const WindowMessage&) { return true; });
    auto after = desktop.Shown(width, height);
    ExpectQuadrants(after, width, height);
}

TEST(SdlDisplayDriverTest, AFullScreenFrameIsScaledToTheScreen) {
    SdlDesktop desktop;
    ASSERT_EQ(desktop.driver->SetCooperativeLevel(desktop.window,
                                                  CooperativeLevel::Exclusive | CooperativeLevel::FullScreen),
              ResultCode::Ok);
    ASSERT_EQ(desktop.driver->SetDisplayMode(256, 192, 32), ResultCode::Ok);
    std::shared_ptr<Surface> primary;
    ASSERT_EQ(desktop.driver->CreateSurface(SurfaceRequest::FlippingPrimary(), primary), ResultCode::Ok);
    EXPECT_EQ(primary->Width(), 256);
    EXPECT_EQ(primary->Height(), 192);
    std::shared_ptr<Surface> back;
    ASSERT_EQ(primary->GetAttachedSurface(back), ResultCode::Ok);
    DrawQuadrants(*back);
    ASSERT_EQ(primary->Flip(), ResultCode::Ok);
    int width = 0, height = 0;
    auto shown = desktop.Shown(width, height);
    // The frame fills the window (the whole screen on a real desktop) with its aspect kept. SDL's headless
    // driver leaves the window at its size, which scales the frame down instead of up.
    int windowWidth = 0, windowHeight = 0;
    SDL_GetWindowSize(desktop.windows->NativeWindow(desktop.window), &windowWidth, &windowHeight);
    EXPECT_EQ(width * 192, height * 256);
    EXPECT_TRUE(width == windowWidth || height == windowHeight) << width << " x " << height;
    // Away from the quadrant borders, where smoothing mixes colours, each quadrant keeps its colour.
    for (int q = 0; q < 4; ++q) {
        int x = (q % 2) * width / 2 + width / 4;
        int y = (q / 2) * height / 2 + height / 4;
        EXPECT_EQ(shown[static_cast<size_t>(y * width + x)] & 0xFFFFFF, kQuadrants[q]) << q;
    }
    EXPECT_EQ(desktop.driver->RestoreDisplayMode(), ResultCode::Ok);
}

TEST(SdlDisplayDriverTest, DestroyingTheWindowLosesTheScreen) {
    SdlDesktop desktop;
    auto primary = desktop.WindowedPrimary();
    desktop.windows->DestroyWindow(desktop.window);
    EXPECT_EQ(primary->ColorFill(nullptr, 0), ResultCode::SurfaceLost);
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    EXPECT_FALSE(desktop.driver->ReadPresentedPixels(pixels, width, height));
}

TEST(SdlDisplayDriverTest, VerticalBlankWaitIsEmulatedWhereTheRendererCannotWait) {
    DisplayOptions options;
    SdlDesktop desktop(options);
    auto primary = desktop.WindowedPrimary();
    uint32_t hertz = 1;
    ASSERT_EQ(desktop.driver->GetMonitorFrequency(hertz), ResultCode::Ok);
    uint32_t period = 1000 / (hertz ? hertz : 60);
    uint32_t before = desktop.clock.Milliseconds();
    ASSERT_EQ(desktop.driver->WaitForVerticalBlank(VerticalBlank::BlockBegin), ResultCode::Ok);
    ASSERT_EQ(primary->ColorFill(nullptr, 0x123456), ResultCode::Ok);
    uint32_t after = desktop.clock.Milliseconds();
    // The software renderer of the headless driver has no vertical sync: the wait comes from the clock.
    ASSERT_EQ(desktop.driver->RendererName(), "software");
    EXPECT_GT(after, before);
    EXPECT_EQ(after % period, 0u);
    uint32_t line = 0;
    EXPECT_EQ(desktop.driver->GetScanLine(line), ResultCode::Unsupported);
}
