// The display device in a real SDL window (SDL's headless "dummy" video driver in the test run): what
// the window shows is read back from the renderer.
#include "DisplayTestUtil.h"

#include "framework/graphics/Graphics.h"
#include "framework/platform/display/SdlDisplayDriver.h"
#include "framework/platform/window/SdlWindowSystem.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace Zorbel;
using namespace Zorbel::Testing;

namespace {

struct SdlDisplay {
    explicit SdlDisplay(DisplayOptions options) {
        windows = SdlWindowSystem::Create(clock, std::move(options));
        EXPECT_NE(windows, nullptr);
        WindowDesc desc;
        desc.title = "Display test";
        desc.clientWidth = host.width;
        desc.clientHeight = host.height;
        window = windows->CreateWindow(desc);
        device = std::make_unique<DDInterface>(host, images, *windows, clock);
    }
    ~SdlDisplay() {
        device.reset();
        windows.reset();
    }

    std::vector<uint32_t> Shown(int& width, int& height) {
        auto* driver = dynamic_cast<SdlDisplayDriver*>(device->Driver());
        std::vector<uint32_t> pixels;
        if (driver == nullptr) {
            ADD_FAILURE() << "not an SDL display driver";
            return pixels;
        }
        EXPECT_TRUE(driver->ReadPresentedPixels(pixels, width, height));
        return pixels;
    }

    ManualClock clock{1000};
    TestHost host;
    ImageContext images;
    std::unique_ptr<SdlWindowSystem> windows;
    WindowId window = 0;
    std::unique_ptr<DDInterface> device;
};

// Left half red, right half a blend of 50 % blue over it, bottom rows white.
void DrawPattern(DDImage& screen) {
    Graphics g(&screen);
    g.SetPaintColor(Color(255, 0, 0));
    g.PaintRect(0, 0, 320, 200);
    g.SetPaintColor(Color(0, 0, 255, 128));
    g.PaintRect(160, 0, 160, 200);
    g.SetPaintColor(Color(255, 255, 255));
    g.PaintRect(0, 180, 320, 20);
}

bool Near(uint32_t shown, uint32_t expected, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        int a = static_cast<int>((shown >> shift) & 0xFF), b = static_cast<int>((expected >> shift) & 0xFF);
        if (std::abs(a - b) > tolerance) return false;
    }
    return true;
}

void ExpectPattern(const std::vector<uint32_t>& shown, int width, int height, uint32_t red, uint32_t blend,
                   uint32_t white, int tolerance) {
    ASSERT_EQ(width, 320);
    ASSERT_EQ(height, 200);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t expected = y >= 180 ? white : x >= 160 ? blend : red;
            ASSERT_TRUE(Near(shown[static_cast<size_t>(y * width + x)], expected, tolerance))
                << std::hex << shown[static_cast<size_t>(y * width + x)] << " at " << std::dec << x << ","
                << y;
        }
}

} // namespace

TEST(DDInterfaceSdlTest, AThirtyTwoBitScreenIsPresentedInTheWindow) {
    SdlDisplay display({});
    ASSERT_EQ(display.device->InitDevice(display.window, true), DDInterface::RESULT_OK)
        << display.device->ErrorText();
    EXPECT_EQ(display.device->bitDepth, 32);
    DrawPattern(*display.device->GetScreenImage());
    ASSERT_TRUE(display.device->Redraw());
    int width = 0, height = 0;
    auto shown = display.Shown(width, height);
    // Red 255 is written as 254; 50 % blue over it: (128 x 255 + 127) >> 8 = 127 plus 254 x 128 >> 8 = 127.
    ExpectPattern(shown, width, height, 0xFE0000, 0x7F007F, 0xFEFEFE, 0);
}

TEST(DDInterfaceSdlTest, ASixteenBitScreenIsPresentedInTheWindow) {
    DisplayOptions options;
    options.desktopFormat = PixelFormat::R5G6B5();
    SdlDisplay display(options);
    ASSERT_EQ(display.device->InitDevice(display.window, true), DDInterface::RESULT_OK)
        << display.device->ErrorText();
    EXPECT_EQ(display.device->bitDepth, 16);
    DrawPattern(*display.device->GetScreenImage());
    ASSERT_TRUE(display.device->Redraw());
    EXPECT_EQ(display.device->DrawSurface()->PixelAt(10, 10), 0xF800u);
    // Half blue over red on 5-6-5: blue (128 x 255 + 128) >> 8 = 128 gives (0x1F x 129) >> 8 = 15, and the
    // red 0xF800 dimmed by 128 / 256 gives 0x7800.
    EXPECT_EQ(display.device->DrawSurface()->PixelAt(200, 10), 0x780Fu);
    int width = 0, height = 0;
    auto shown = display.Shown(width, height);
    ExpectPattern(shown, width, height, 0xFF0000, 0x7B007B, 0xFFFFFF, 8);
}

TEST(DDInterfaceSdlTest, RedrawAfterTheWindowWentAwayFailsAndASecondSetUpRecovers) {
    SdlDisplay display({});
    ASSERT_EQ(display.device->InitDevice(display.window, true), DDInterface::RESULT_OK);
    display.windows->DestroyWindow(display.window);
    EXPECT_FALSE(display.device->Redraw());
    EXPECT_EQ(display.device->ErrorText(), "Redraw Windowed: DDERR_SURFACELOST");
    WindowDesc desc;
    desc.clientWidth = 320;
    desc.clientHeight = 200;
    display.window = display.windows->CreateWindow(desc);
    ASSERT_EQ(display.device->InitDevice(display.window, true), DDInterface::RESULT_OK);
    DrawPattern(*display.device->GetScreenImage());
    EXPECT_TRUE(display.device->Redraw());
    int width = 0, height = 0;
    auto shown = display.Shown(width, height);
    ExpectPattern(shown, width, height, 0xFE0000, 0x7F007F, 0xFEFEFE, 0);
}
