#include "framework/platform/display/MemoryDisplayDriver.h"
#include "framework/platform/ResultCode.h"
#include "framework/platform/time/ManualClock.h"
#include "framework/platform/window/HeadlessWindowSystem.h"

#include <gtest/gtest.h>

using namespace Zorbel;

namespace {

struct Desktop {
    explicit Desktop(DisplayOptions options = {}) : windows(clock, std::move(options)) {
        WindowDesc desc;
        desc.clientWidth = 320;
        desc.clientHeight = 200;
        window = windows.CreateWindow(desc);
        std::unique_ptr<DisplayDriver> made;
        EXPECT_EQ(windows.CreateDisplayDriver(made), ResultCode::Ok);
        driver.reset(static_cast<MemoryDisplayDriver*>(made.release()));
    }
    ManualClock clock{1000};
    HeadlessWindowSystem windows;
    WindowId window = 0;
    std::unique_ptr<MemoryDisplayDriver> driver;
};

SurfaceRequest PrimaryRequest() {
    return SurfaceRequest::Primary();
}

} // namespace

TEST(MemoryDisplayDriverTest, AWindowedPrimaryIsTheClientAreaInTheDesktopLayout) {
    DisplayOptions options;
    options.desktopFormat = PixelFormat::R5G6B5();
    Desktop desktop(options);
    std::shared_ptr<Surface> primary;
    EXPECT_EQ(desktop.driver->CreateSurface(PrimaryRequest(), primary), ResultCode::NoCooperativeLevelSet);
    EXPECT_EQ(desktop.driver->SetCooperativeLevel(0, CooperativeLevel::Normal), ResultCode::NoHwnd);
    ASSERT_EQ(desktop.driver->SetCooperativeLevel(desktop.window, CooperativeLevel::Normal), ResultCode::Ok);
    ASSERT_EQ(desktop.driver->CreateSurface(PrimaryRequest(), primary), ResultCode::Ok);
    EXPECT_EQ(primary->Width(), 320);
    EXPECT_EQ(primary->Height(), 200);
    EXPECT_EQ(primary->Format(), PixelFormat::R5G6B5());
    std::shared_ptr<Surface> second;
    EXPECT_EQ(desktop.driver->CreateSurface(PrimaryRequest(), second),
              ResultCode::PrimarySurfaceAlreadyExists);

    // Off-screen surfaces take the primary's layout unless told otherwise.
    std::shared_ptr<Surface> draw;
    SurfaceRequest offscreen = SurfaceRequest::Offscreen(320, 200);
    ASSERT_EQ(desktop.driver->CreateSurface(offscreen, draw), ResultCode::Ok);
    EXPECT_EQ(draw->Format(), PixelFormat::R5G6B5());
    offscreen.format = PixelFormat::X8R8G8B8();
    ASSERT_EQ(desktop.driver->CreateSurface(offscreen, draw), ResultCode::Ok);
    EXPECT_EQ(draw->Format(), PixelFormat::X8R8G8B8());

    // Whatever lands on the primary is presented.
    ASSERT_EQ(draw->ColorFill(nullptr, 0xFFFFFF), ResultCode::Ok);
    std::shared_ptr<Surface> sameLayout;
    ASSERT_EQ(desktop.driver->CreateSurface(SurfaceRequest::Offscreen(320, 200), sameLayout), ResultCode::Ok);
    ASSERT_EQ(sameLayout->ColorFill(nullptr, 0xF800), ResultCode::Ok);
    PixelRect area{10, 10, 50, 40};
    ASSERT_EQ(primary->Blt(&area, sameLayout.get(), &area, BltFlags::Wait), ResultCode::Ok);
    EXPECT_EQ(desktop.driver->PresentCount(), 1);
    EXPECT_EQ(desktop.driver->LastPresentedArea(), area);
    EXPECT_EQ(desktop.driver->Primary(), primary);
    EXPECT_EQ(primary->PixelAt(10, 10), 0xF800u);
}

TEST(MemoryDisplayDriverTest, FullScreenNeedsExclusiveCooperationAndAnOfferedMode) {
    Desktop desktop;
    EXPECT_EQ(desktop.driver->SetDisplayMode(800, 600, 16), ResultCode::NoExclusiveMode);
    ASSERT_EQ(desktop.driver->SetCooperativeLevel(desktop.window,
                                                  CooperativeLevel::Exclusive | CooperativeLevel::FullScreen),
              ResultCode::Ok);
    EXPECT_EQ(desktop.driver->SetDisplayMode(801, 600, 32), ResultCode::UnsupportedMode);
    EXPECT_EQ(desktop.driver->SetDisplayMode(800, 600, 8), ResultCode::InvalidMode);
    ASSERT_EQ(desktop.driver->SetDisplayMode(800, 600, 16), ResultCode::Ok);
    std::shared_ptr<Surface> primary;
    SurfaceRequest flipping = SurfaceRequest::FlippingPrimary();
    ASSERT_EQ(desktop.driver->CreateSurface(flipping, primary), ResultCode::Ok);
    EXPECT_EQ(primary->Width(), 800);
    EXPECT_EQ(primary->Height(), 600);
    EXPECT_EQ(primary->Format(), PixelFormat::R5G6B5());
    EXPECT_EQ(desktop.driver->ScreenHeight(), 600);
    std::shared_ptr<Surface> back;
    ASSERT_EQ(primary->GetAttachedSurface(back), ResultCode::Ok);
    ASSERT_EQ(back->ColorFill(nullptr, 0x1F), ResultCode::Ok);
    ASSERT_EQ(primary->Flip(), ResultCode::Ok);
    EXPECT_EQ(primary->PixelAt(799, 599), 0x1Fu);
    EXPECT_EQ(desktop.driver->PresentCount(), 1);
}

TEST(MemoryDisplayDriverTest, AFlippingPrimaryIsRefusedInAWindow) {
    Desktop desktop;
    ASSERT_EQ(desktop.driver->SetCooperativeLevel(desktop.window, CooperativeLevel::Normal), ResultCode::Ok);
    std::shared_ptr<Surface> primary;
    SurfaceRequest flipping = SurfaceRequest::FlippingPrimary();
    EXPECT_EQ(desktop.driver->CreateSurface(flipping, primary), ResultCode::NoExclusiveMode);
    EXPECT_EQ(desktop.driver->CreateSurface(SurfaceRequest::Primary(SurfaceCaps::Offscreen), primary),
              ResultCode::InvalidCaps);
}

TEST(MemoryDisplayDriverTest, RefreshRateAndVerticalBlank) {
    DisplayOptions options;
    options.refreshRate = 100;
    Desktop desktop(options);
    uint32_t hertz = 0;
    ASSERT_EQ(desktop.driver->GetMonitorFrequency(hertz), ResultCode::Ok);
    EXPECT_EQ(hertz, 100u);
    desktop.clock.Set(1003);
    ASSERT_EQ(desktop.driver->WaitForVerticalBlank(VerticalBlank::BlockBegin), ResultCode::Ok);
    EXPECT_EQ(desktop.clock.Milliseconds(), 1010u) << "waits for the next 10 ms boundary";
    EXPECT_EQ(desktop.driver->WaitForVerticalBlank(0), ResultCode::InvalidParams);
    uint32_t line = 123;
    EXPECT_EQ(desktop.driver->GetScanLine(line), ResultCode::Unsupported);

    DisplayOptions failing;
    failing.refreshRateFails = true;
    Desktop other(failing);
    EXPECT_EQ(other.driver->GetMonitorFrequency(hertz), ResultCode::Unsupported);
}

TEST(MemoryDisplayDriverTest, DestroyingTheWindowLosesThePrimary) {
    Desktop desktop;
    ASSERT_EQ(desktop.driver->SetCooperativeLevel(desktop.window, CooperativeLevel::Normal), ResultCode::Ok);
    std::shared_ptr<Surface> primary;
    ASSERT_EQ(desktop.driver->CreateSurface(PrimaryRequest(), primary), ResultCode::Ok);
    desktop.windows.DestroyWindow(desktop.window);
    EXPECT_TRUE(primary->IsLost());
    EXPECT_EQ(primary->ColorFill(nullptr, 0), ResultCode::SurfaceLost);
    std::shared_ptr<Surface> again;
    EXPECT_EQ(desktop.driver->CreateSurface(PrimaryRequest(), again), ResultCode::NoCooperativeLevelSet);
}

TEST(MemoryDisplayDriverTest, APrimaryOutlivingItsDriverIsLostNotDangling) {
    Desktop desktop;
    ASSERT_EQ(desktop.driver->SetCooperativeLevel(desktop.window, CooperativeLevel::Normal), ResultCode::Ok);
    std::shared_ptr<Surface> primary;
    ASSERT_EQ(desktop.driver->CreateSurface(PrimaryRequest(), primary), ResultCode::Ok);
    desktop.driver.reset();
    EXPECT_EQ(primary->ColorFill(nullptr, 0), ResultCode::SurfaceLost);
}
