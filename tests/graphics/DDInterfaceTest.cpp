#include "DisplayTestUtil.h"
#include "ImageTestUtil.h"

#include "framework/graphics/D3DTester.h"
#include "framework/graphics/Graphics.h"
#include "support/Eventually.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace Zorbel;
using namespace Zorbel::Testing;

namespace {

DisplayOptions WithDesktop(PixelFormat format) {
    DisplayOptions options;
    options.desktopFormat = format;
    return options;
}

DisplayOptions WithRefreshRate(uint32_t hertz, bool fails = false) {
    DisplayOptions options;
    options.refreshRate = hertz;
    options.refreshRateFails = fails;
    return options;
}

// Paints four quadrants of different colours into the screen image.
void PaintQuadrants(DDImage& screen) {
    Graphics g(&screen);
    const int32_t w = screen.GetWidth(), h = screen.GetHeight();
    const Color colours[4] = {Color(255, 0, 0), Color(0, 255, 0), Color(0, 0, 255), Color(255, 255, 255)};
    for (int q = 0; q < 4; ++q) {
        g.SetPaintColor(colours[q]);
        g.PaintRect((q % 2) * w / 2, (q / 2) * h / 2, w / 2, h / 2);
    }
}

} // namespace

TEST(DDInterfaceTest, RedrawBeforeSetUpReturnsFalseAndShowsNothing) {
    HeadlessDisplay display;
    EXPECT_FALSE(display.device->Redraw());
    EXPECT_EQ(display.device->GetScreenImage(), nullptr);
    EXPECT_FALSE(display.device->IsInitialized());
}

TEST(DDInterfaceTest, WindowedSetUpPresentsTheScreenImageOn32Bits) {
    HeadlessDisplay display;
    ASSERT_EQ(display.Init(), DDInterface::RESULT_OK) << display.device->ErrorText();
    DDInterface& device = *display.device;
    EXPECT_TRUE(device.IsInitialized());
    EXPECT_TRUE(device.IsWindowed());
    EXPECT_EQ(device.SetupCount(), 1);
    EXPECT_EQ(device.bitDepth, 32);
    EXPECT_EQ(device.redShift, 16);
    EXPECT_EQ(device.greenBits, 8);
    EXPECT_EQ(&display.images.Display(), static_cast<const NativeDisplay*>(&device));
    DDImage* screen = device.GetScreenImage();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->GetWidth(), 320);
    EXPECT_EQ(screen->GetHeight(), 200);
    EXPECT_TRUE(screen->IsSurfaceBorrowed());
    EXPECT_EQ(screen->GetSurface(), device.DrawSurface());
    EXPECT_FALSE(screen->HasAlpha());
    EXPECT_FALSE(screen->HasTrans());

    PaintQuadrants(*screen);
    const int before = display.Driver().Inner().PresentCount();
    ASSERT_TRUE(device.Redraw());
    EXPECT_EQ(display.Driver().Inner().PresentCount(), before + 1);
    auto shown = display.Screen();
    // Full channels are written as 254 on 32 bits.
    EXPECT_EQ(shown->PixelAt(10, 10) & 0xFFFFFF, 0xFE0000u);
    EXPECT_EQ(shown->PixelAt(170, 10) & 0xFFFFFF, 0x00FE00u);
    EXPECT_EQ(shown->PixelAt(10, 110) & 0xFFFFFF, 0x0000FEu);
    EXPECT_EQ(shown->PixelAt(319, 199) & 0xFFFFFF, 0xFEFEFEu);

    // A partial presentation shows only its rectangle.
    Graphics g(screen);
    g.SetPaintColor(Color(0, 0, 0));
    g.PaintRect(0, 0, 320, 200);
    const Rect part(0, 0, 20, 20);
    ASSERT_TRUE(device.Redraw(&part));
    EXPECT_EQ(shown->PixelAt(5, 5) & 0xFFFFFF, 0u);
    EXPECT_EQ(shown->PixelAt(25, 25) & 0xFFFFFF, 0xFE0000u);
}

TEST(DDInterfaceTest, A565ScreenHasItsShiftsBitCountsAndTables) {
    HeadlessDisplay display(WithDesktop(PixelFormat::R5G6B5()));
    ASSERT_EQ(display.Init(), DDInterface::RESULT_OK);
    DDInterface& d = *display.device;
    EXPECT_EQ(d.bitDepth, 16);
    EXPECT_EQ(d.redShift, 11);
    EXPECT_EQ(d.greenShift, 5);
    EXPECT_EQ(d.blueShift, 0);
    EXPECT_EQ(d.redBits, 5);
    EXPECT_EQ(d.greenBits, 6);
    EXPECT_EQ(d.blueBits, 5);
    EXPECT_EQ(d.ConversionTable(0)[255], 0xF800);
    EXPECT_EQ(d.ConversionTable(1)[255], 0x7E0);
    EXPECT_EQ(d.ConversionTable(2)[255], 0x1F);
    EXPECT_EQ(d.ConversionTable(0)[128], 0x7800);
    EXPECT_EQ(d.ConversionTable(1)[128], 0x3E0);
    EXPECT_EQ(d.ConversionTable(2)[128], 0xF);
    EXPECT_EQ(d.AddTable(0).size(), 63u);
    EXPECT_EQ(d.AddTable(1).size(), 127u);
    EXPECT_EQ(d.AddTable(2).size(), 63u);
    EXPECT_EQ(d.AddTable(0)[20], 20);
    EXPECT_EQ(d.AddTable(0)[31], 31);
    EXPECT_EQ(d.AddTable(0)[62], 31);
    EXPECT_EQ(d.AddTable(1)[100], 63);

    // The 16-bit screen presents for real: white is 0xFFFF.
    PaintQuadrants(*d.GetScreenImage());
    ASSERT_TRUE(d.Redraw());
    auto shown = display.Screen();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->Format(), PixelFormat::R5G6B5());
    EXPECT_EQ(shown->PixelAt(10, 10), 0xF800u);
    EXPECT_EQ(shown->PixelAt(170, 10), 0x07E0u);
    EXPECT_EQ(shown->PixelAt(10, 110), 0x001Fu);
    EXPECT_EQ(shown->PixelAt(300, 150), 0xFFFFu);
}

TEST(DDInterfaceTest, RefreshRatesOutsideSixtyToOneHundredAreReplaced) {
    struct Case {
        uint32_t reported;
        bool fails;
        int32_t used;
        int32_t ms;
        int unreliable;
    };
    for (const Case& c :
         {Case{120, false, 100, 10, 1}, Case{0, false, 60, 16, 1}, Case{75, true, 60, 16, 1},
          Case{75, false, 75, 13, 0}, Case{59, false, 60, 16, 1}, Case{100, false, 100, 10, 0}}) {
        HeadlessDisplay display(WithRefreshRate(c.reported, c.fails));
        ASSERT_EQ(display.Init(), DDInterface::RESULT_OK);
        EXPECT_EQ(display.device->RefreshRate(), c.used) << c.reported;
        EXPECT_EQ(display.device->MillisecondsPerFrame(), c.ms) << c.reported;
        EXPECT_EQ(display.host.unreliableRates, c.unreliable) << c.reported;
    }
}

TEST(DDInterfaceTest, TheCursorThreadReadsTheFrameTimeWhileSetUpWritesIt) {
    // Each set-up (a screen-mode switch) writes the frame time that the cursor thread reads unlocked.
    HeadlessDisplay display(WithRefreshRate(75));
    std::atomic<bool> running{true};
    std::atomic<int> reads{0};
    std::atomic<int> strange{0};
    std::thread cursor([&] {
        while (running) {
            int32_t ms = display.device->MillisecondsPerFrame();
            if (ms != 16 && ms != 13) ++strange;
            ++reads;
        }
    });
    for (int setup = 0; setup < 20; ++setup)
        EXPECT_EQ(display.Init(), DDInterface::RESULT_OK);
    EXPECT_TRUE(ZorbelTest::Eventually([&] { return reads > 0; }));
    running = false;
    cursor.join();
    EXPECT_EQ(strange, 0);
    EXPECT_EQ(display.device->MillisecondsPerFrame(), 13);
}

TEST(DDInterfaceTest, APrimaryThatIsNeither16Nor32BitsDeepIsRefused) {
    HeadlessDisplay display(WithDesktop(PixelFormat::R8G8B8()));
    EXPECT_EQ(display.Init(), DDInterface::RESULT_INVALID_COLORDEPTH);
    EXPECT_EQ(DDInterface::ResultText(DDInterface::RESULT_INVALID_COLORDEPTH), "RESULT_INVALID_COLORDEPTH");
    EXPECT_FALSE(display.device->Redraw());
}

TEST(DDInterfaceTest, ResultTexts) {
    EXPECT_EQ(DDInterface::ResultText(0), "RESULT_OK");
    EXPECT_EQ(DDInterface::ResultText(1), "RESULT_FAIL");
    EXPECT_EQ(DDInterface::ResultText(2), "RESULT_DD_CREATE_FAIL");
    EXPECT_EQ(DDInterface::ResultText(3), "RESULT_SURFACE_FAIL");
    EXPECT_EQ(DDInterface::ResultText(4), "RESULT_EXCLUSIVE_FAIL");
    EXPECT_EQ(DDInterface::ResultText(5), "RESULT_DISPCHANGE_FAIL");
    EXPECT_EQ(DDInterface::ResultText(7), "RESULT_UNKNOWN");
    EXPECT_EQ(DDInterface::ResultText(-1), "RESULT_UNKNOWN");
}

TEST(DDInterfaceTest, EachFailingStepReportsItsTextAndResult) {
    struct Case {
        bool windowed;
        const char* operation;
        int call;
        const char* text;
        DDInterface::Result result;
    };
    const uint32_t code = ResultCode::OutOfVideoMemory;
    const Case cases[] = {
        {true, "CreateSurface", 0, "CreateSurface Windowed Primary", DDInterface::RESULT_SURFACE_FAIL},
        {true, "CreateSurface", 1, "CreateSurface Windowed DrawSurface", DDInterface::RESULT_SURFACE_FAIL},
        {true, "CreateClipper", 0, "CreateClipper Windowed", DDInterface::RESULT_FAIL},
        {true, "CreateSurface", 2, "CreateSurface OldCursorArea", DDInterface::RESULT_SURFACE_FAIL},
        {true, "CreateSurface", 3, "CreateSurface NewCursorArea", DDInterface::RESULT_SURFACE_FAIL},
        {false, "SetCooperativeLevel", 0, "SetCooperativeLevel FullScreen",
         DDInterface::RESULT_EXCLUSIVE_FAIL},
        {false, "SetDisplayMode", 0, "SetDisplayMode FullScreen", DDInterface::RESULT_DISPCHANGE_FAIL},
        {false, "CreateSurface", 0, "CreateSurface FullScreen Primary", DDInterface::RESULT_SURFACE_FAIL},
        {false, "CreateSurface", 1, "CreateSurface FullScreen DrawSurface", DDInterface::RESULT_SURFACE_FAIL},
        {false, "CreateClipper", 0, "CreateClipper FullScreen", DDInterface::RESULT_FAIL},
    };
    for (const Case& c : cases) {
        HeadlessDisplay display({}, 800, 600);
        display.windows.configure = [&](FaultyDriver& driver) {
            driver.failures[{c.operation, c.call}] = code;
        };
        EXPECT_EQ(display.Init(c.windowed), c.result) << c.text;
        EXPECT_EQ(display.device->ErrorText(), std::string(c.text) + ": DDERR_OUTOFVIDEOMEMORY");
        EXPECT_FALSE(display.device->IsInitialized());
        EXPECT_EQ(display.device->SetupCount(), 0);
    }

    HeadlessDisplay noBackBuffer({}, 800, 600);
    noBackBuffer.windows.configure = [](FaultyDriver& driver) { driver.dropBackBuffer = true; };
    EXPECT_EQ(noBackBuffer.Init(false), DDInterface::RESULT_SURFACE_FAIL);
    EXPECT_EQ(noBackBuffer.device->ErrorText(), "GetAttachedSurface: DDERR_NOTFOUND");

    HeadlessDisplay noDriver;
    noDriver.windows.creationFailure = ResultCode::NoInterface;
    EXPECT_EQ(noDriver.Init(), DDInterface::RESULT_DD_CREATE_FAIL);
    EXPECT_EQ(noDriver.device->ErrorText(), "DirectDrawCreateEx: DSERR_NOINTERFACE");

    HeadlessDisplay oddMode({}, 801, 600);
    EXPECT_EQ(oddMode.Init(false), DDInterface::RESULT_DISPCHANGE_FAIL);
    EXPECT_EQ(oddMode.device->ErrorText(), "SetDisplayMode FullScreen: DDERR_UNSUPPORTEDMODE");
    // A later set-up in a window works; nothing of the failed attempt is left over.
    EXPECT_EQ(oddMode.Init(true), DDInterface::RESULT_OK);
    EXPECT_EQ(oddMode.device->SetupCount(), 1);
}

TEST(DDInterfaceTest, FullScreenFlipsOrBlitsTheFrame) {
    HeadlessDisplay display({}, 800, 600);
    display.host.fullScreenDepth = 16;
    ASSERT_EQ(display.Init(false), DDInterface::RESULT_OK) << display.device->ErrorText();
    DDInterface& device = *display.device;
    EXPECT_FALSE(device.IsWindowed());
    EXPECT_EQ(device.bitDepth, 16);
    ASSERT_NE(device.BackBuffer(), nullptr);
    PaintQuadrants(*device.GetScreenImage());
    ASSERT_TRUE(device.Redraw());
    auto shown = display.Screen();
    EXPECT_EQ(shown->Width(), 800);
    EXPECT_EQ(shown->PixelAt(100, 100), 0xF800u);
    EXPECT_EQ(shown->PixelAt(700, 500), 0xFFFFu);
    EXPECT_EQ(device.BackBuffer()->PixelAt(100, 100), 0u) << "the flip swapped the old front to the back";

    // With page flipping off, or a system dialog over the game, the frame is blitted to the front.
    display.host.pageFlipping = false;
    Graphics g(device.GetScreenImage());
    g.SetPaintColor(Color(0, 0, 0));
    g.PaintRect(0, 0, 800, 600);
    ASSERT_TRUE(device.Redraw());
    EXPECT_EQ(shown->PixelAt(100, 100), 0u);
    EXPECT_EQ(device.BackBuffer()->PixelAt(100, 100), 0u);
}

TEST(DDInterfaceTest, ThreeDIsReportedUnavailableThroughTheHardwarePath) {
    HeadlessDisplay display;
    display.device->Set3DEnabled(true);
    ASSERT_EQ(display.Init(), DDInterface::RESULT_OK);
    ASSERT_NE(display.device->Tester(), nullptr);
    EXPECT_FALSE(display.device->Tester()->FailureReason().empty());
    EXPECT_FALSE(display.device->Is3DEnabled()) << "a failed test switches 3D off";
    EXPECT_FALSE(display.images.HardwareActive());
    EXPECT_EQ(display.host.fresh3DResults, 1);

    // Asking again after the test: a display without a GPU device refuses, with its message.
    display.device->Set3DEnabled(true);
    EXPECT_EQ(display.Init(), DDInterface::RESULT_3D_FAIL);
    EXPECT_EQ(display.device->ErrorText(),
              "3D init error: CreateDevice IID_IDirect3DHALDevice: DDERR_UNSUPPORTED");
    EXPECT_EQ(display.host.fresh3DResults, 1) << "the tester runs once per run";
    display.device->Set3DEnabled(false);
    EXPECT_EQ(display.Init(), DDInterface::RESULT_OK);
}

TEST(DDInterfaceTest, WithoutAScanLineTheVerticalSyncWaitPresentsTheWholeFrame) {
    HeadlessDisplay display;
    display.host.waitForVSync = true;
    ASSERT_EQ(display.Init(), DDInterface::RESULT_OK);
    const int presents = display.Driver().Inner().PresentCount();
    for (int frame = 0; frame < 5; ++frame)
        ASSERT_TRUE(display.device->Redraw());
    EXPECT_EQ(display.Driver().Inner().PresentCount(), presents + 5) << "one presentation per frame";
    EXPECT_EQ(display.Driver().Inner().LastPresentedArea(), (PixelRect{0, 0, 320, 200}));
    EXPECT_EQ(display.Driver().verticalBlankWaits, 5);
    EXPECT_EQ(display.Driver().scanLinePolls, 5) << "an unsupported scan line is not counted as a time-out";
}

TEST(DDInterfaceTest, AReportedScanLineIsChasedInTwoHalves) {
    HeadlessDisplay display;
    display.host.waitForVSync = true;
    // A beam that moves 25 lines per poll over a 262-line frame, starting low on the screen.
    uint32_t beam = 180;
    std::vector<std::pair<uint32_t, PixelRect>> presented;
    display.windows.configure = [&](FaultyDriver& driver) {
        driver.scanLine = [&](uint32_t& line) {
            beam = (beam + 25) % 262;
            if (beam >= 200) return ResultCode::VerticalBlankInProgress;
            line = beam;
            return ResultCode::Ok;
        };
    };
    ASSERT_EQ(display.Init(), DDInterface::RESULT_OK);
    const int presents = display.Driver().Inner().PresentCount();
    ASSERT_TRUE(display.device->Redraw());
    EXPECT_EQ(display.Driver().Inner().PresentCount(), presents + 2);
    EXPECT_EQ(display.Driver().Inner().LastPresentedArea(), (PixelRect{0, 100, 320, 100}));
    EXPECT_EQ(display.Driver().verticalBlankWaits, 0);
    // The beam was seen above the middle (at 43) and then at or below it (118) before the top half,
    // then past the bottom (the blank at 218) before the bottom half.
    EXPECT_GE(beam, 200u);
}

TEST(DDInterfaceTest, AStuckBeamTimesOutThreeTimesAndIsThenNoLongerChased) {
    HeadlessDisplay display;
    display.host.waitForVSync = true;
    display.windows.configure = [&](FaultyDriver& driver) {
        driver.scanLine = [&](uint32_t& line) {
            display.clock.Advance(1);
            line = 10; // always above the middle: the beam never seems to move
            return ResultCode::Ok;
        };
    };
    ASSERT_EQ(display.Init(), DDInterface::RESULT_OK);
    FaultyDriver& driver = display.Driver();
    for (int frame = 0; frame < 3; ++frame) {
        const uint32_t start = display.clock.Milliseconds();
        ASSERT_TRUE(display.device->Redraw());
        EXPECT_GE(display.clock.Milliseconds() - start, 200u);
    }
    EXPECT_EQ(driver.verticalBlankWaits, 3);
    const int polls = driver.scanLinePolls;
    ASSERT_TRUE(display.device->Redraw());
    EXPECT_EQ(driver.scanLinePolls, polls) << "after three time-outs the frame is blitted at once";
    EXPECT_EQ(driver.Inner().LastPresentedArea(), (PixelRect{0, 0, 320, 200}));
}

TEST(DDInterfaceTest, TheSoftwareCursorIsDrawnCentredAndMovedOnThePrimary) {
    HeadlessDisplay display;
    ASSERT_EQ(display.Init(), DDInterface::RESULT_OK);
    DDInterface& device = *display.device;
    PaintQuadrants(*device.GetScreenImage());
    MemoryImage cursor(display.images);
    Fill(cursor, 8, 8, 0xFF000000); // opaque black
    EXPECT_TRUE(device.ChooseSoftCursor(&cursor));
    EXPECT_FALSE(device.ChooseSoftCursor(&cursor));
    device.MoveSoftCursor(40, 30);
    ASSERT_TRUE(device.Redraw());
    auto shown = display.Screen();
    EXPECT_EQ(shown->PixelAt(36, 26) & 0xFFFFFF, 0u) << "the cursor's top-left, centred on the pointer";
    EXPECT_EQ(shown->PixelAt(43, 33) & 0xFFFFFF, 0u);
    EXPECT_EQ(shown->PixelAt(44, 34) & 0xFFFFFF, 0xFE0000u);
    EXPECT_EQ(shown->PixelAt(35, 30) & 0xFFFFFF, 0xFE0000u);
    EXPECT_TRUE(device.IsCursorShown());
    // The frame itself does not keep the cursor.
    EXPECT_EQ(device.DrawSurface()->PixelAt(40, 30) & 0xFFFFFF, 0xFE0000u);

    // Moving restores the old place and draws at the new one, straight on the primary.
    device.MoveSoftCursor(200, 150);
    EXPECT_EQ(shown->PixelAt(40, 30) & 0xFFFFFF, 0xFE0000u);
    EXPECT_EQ(shown->PixelAt(200, 150) & 0xFFFFFF, 0u);
    EXPECT_EQ(shown->PixelAt(210, 150) & 0xFFFFFF, 0xFEFEFEu);

    // Near the edge the saved area is cut to the screen.
    device.MoveSoftCursor(318, 198);
    EXPECT_EQ(shown->PixelAt(200, 150) & 0xFFFFFF, 0xFEFEFEu);
    EXPECT_EQ(shown->PixelAt(319, 199) & 0xFFFFFF, 0u);

    // Choosing the system cursor takes the drawn one away.
    EXPECT_TRUE(device.ChooseSoftCursor(nullptr));
    EXPECT_EQ(shown->PixelAt(319, 199) & 0xFFFFFF, 0xFEFEFEu);
    EXPECT_FALSE(device.IsCursorShown());
}

TEST(DDInterfaceTest, FullScreenFlippingDrawsTheCursorIntoTheBackBuffer) {
    HeadlessDisplay display({}, 640, 480);
    ASSERT_EQ(display.Init(false), DDInterface::RESULT_OK);
    DDInterface& device = *display.device;
    MemoryImage cursor(display.images);
    Fill(cursor, 4, 4, 0xFFFFFFFF);
    device.ChooseSoftCursor(&cursor);
    device.MoveSoftCursor(100, 100);
    ASSERT_TRUE(device.Redraw());
    EXPECT_EQ(display.Screen()->PixelAt(100, 100) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(device.DrawSurface()->PixelAt(100, 100) & 0xFFFFFF, 0u);
}

TEST(DDInterfaceTest, VideoOnlyDrawingUsesABackBufferThatIsNeverLocked) {
    HeadlessDisplay display;
    ASSERT_EQ(display.Init(), DDInterface::RESULT_OK);
    DDInterface& device = *display.device;
    device.SelectVideoOnlyDrawing(true);
    EXPECT_TRUE(device.IsVideoOnly());
    DDImage* screen = device.GetScreenImage();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->GetSurface(), device.BackBuffer());
    EXPECT_TRUE(screen->IsNoLock());
    EXPECT_TRUE(screen->IsInVideoMemory());
    EXPECT_FALSE(screen->AcquireSurfaceLock());
    EXPECT_EQ(screen->GetPixels(), nullptr);
    ASSERT_EQ(device.BackBuffer()->ColorFill(nullptr, 0x123456), ResultCode::Ok);
    ASSERT_TRUE(device.Redraw());
    EXPECT_EQ(display.Screen()->PixelAt(5, 5), 0x123456u);

    device.SelectVideoOnlyDrawing(false);
    EXPECT_EQ(device.GetScreenImage()->GetSurface(), device.DrawSurface());
    // A later set-up keeps the choice.
    device.SelectVideoOnlyDrawing(true);
    ASSERT_EQ(display.Init(), DDInterface::RESULT_OK);
    EXPECT_TRUE(device.IsVideoOnly());
}

TEST(DDInterfaceTest, ReleaseAndDestructionLeaveNoSurfaceBehind) {
    HeadlessDisplay display;
    ASSERT_EQ(display.Init(), DDInterface::RESULT_OK);
    auto image = std::make_unique<DDImage>(*display.device);
    Fill(*image, 4, 4, 0xFF336699);
    ASSERT_TRUE(image->GenerateSurfaceWithKey());
    ASSERT_TRUE(image->DropPixels());
    EXPECT_EQ(image->Bits(), nullptr);
    EXPECT_EQ(display.device->SurfaceImageCount(), 4u) << "screen, two cursor areas and the picture";

    display.device->ReleaseDevice();
    EXPECT_EQ(display.device->GetScreenImage(), nullptr);
    EXPECT_EQ(display.device->PrimarySurface(), nullptr);
    EXPECT_FALSE(display.device->Redraw());
    EXPECT_EQ(display.device->SurfaceImageCount(), 1u);

    // The device goes away before the picture: the picture keeps its pixels.
    display.device.reset();
    EXPECT_EQ(image->Device(), nullptr);
    EXPECT_EQ(image->GetSurface(), nullptr);
    EXPECT_EQ(PixelAt(*image, 3, 3), 0xFF336699u);
}

TEST(DDInterfaceTest, TheCursorThreadAndThePresentingThreadShareTheDevice) {
    HeadlessDisplay display;
    ASSERT_EQ(display.Init(), DDInterface::RESULT_OK);
    DDInterface& device = *display.device;
    MemoryImage cursor(display.images);
    Fill(cursor, 16, 16, 0x80FFFFFF);
    device.ChooseSoftCursor(&cursor);
    std::atomic<bool> running{true};
    std::thread cursorThread([&] {
        for (int i = 0; running; ++i)
            device.MoveSoftCursor(i % 320, (i / 3) % 200);
    });
    Graphics g(device.GetScreenImage());
    for (int frame = 0; frame < 200; ++frame) {
        std::lock_guard lock(device.Lock());
        g.SetPaintColor(Color(frame % 256, 0, 0));
        g.PaintRect(0, 0, 320, 200);
        EXPECT_TRUE(device.Redraw());
    }
    running = false;
    cursorThread.join();
    device.ChooseSoftCursor(nullptr);
    ASSERT_TRUE(device.Redraw());
    // The last frame, without a cursor: red 199 is written as (0xFF0000 x 199) >> 8, that is 198.
    EXPECT_EQ(display.Screen()->PixelAt(160, 100) & 0xFFFFFF, 0xC60000u);
}
