// The F3 overlays on plain memory pictures with a font of known size: their pictures, texts, timing
// and places on the screen.
#include "framework/app/DeveloperOverlays.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "support/FakeFontEngine.h"

#include <gtest/gtest.h>

using namespace Zorbel;

namespace {

class DeveloperOverlaysTest : public ::testing::Test {
protected:
    DeveloperOverlays::Inputs At(uint32_t now) {
        DeveloperOverlays::Inputs inputs;
        inputs.makeImage = [this] { return std::make_unique<MemoryImage>(context); };
        inputs.fonts = &fonts;
        inputs.now = now;
        return inputs;
    }

    ImageContext context;
    ZorbelTest::FakeFontEngine fonts;
    DeveloperOverlays overlays;
};

TEST_F(DeveloperOverlaysTest, TheFrameRateStartsAtZeroAndCountsTheDrawsOfEachSecond) {
    overlays.Update(At(5000));
    EXPECT_EQ(overlays.GetCounterText(), "FPS: 0");
    MemoryImage* counter = overlays.GetCounterImage();
    ASSERT_NE(counter, nullptr);
    EXPECT_EQ(counter->GetWidth(), 50);
    EXPECT_EQ(counter->GetHeight(), fonts.height + 1);
    EXPECT_FALSE(counter->HasAlpha());
    EXPECT_TRUE(counter->IsForced());
    EXPECT_TRUE(counter->IsVolatile());
    EXPECT_EQ(counter->GetPixels()[0], 0xFF000000u) << "black behind the text";

    // 40 draws 25 ms apart: the count is shown once a second has passed.
    for (uint32_t draw = 1; draw < 40; ++draw) {
        overlays.Update(At(5000 + draw * 25));
        EXPECT_EQ(overlays.GetCounterText(), "FPS: 0") << draw;
    }
    overlays.Update(At(6000));
    EXPECT_EQ(overlays.GetCounterText(), "FPS: 40");
    overlays.Update(At(6200));
    overlays.Update(At(7500));
    EXPECT_EQ(overlays.GetCounterText(), "FPS: 1") << "2 draws in 1.5 s, rounded";

    overlays.Restart();
    overlays.Update(At(7510));
    EXPECT_EQ(overlays.GetCounterText(), "FPS: 0");
}

TEST_F(DeveloperOverlaysTest, ThePointerCounterFollowsEveryDraw) {
    overlays.CycleCounter();
    EXPECT_EQ(overlays.GetCounter(), DeveloperOverlays::Counter::Pointer);
    DeveloperOverlays::Inputs inputs = At(100);
    inputs.pointerX = 123;
    inputs.pointerY = -4;
    overlays.Update(inputs);
    EXPECT_EQ(overlays.GetCounterText(), "123,-4");
    inputs.pointerX = 7;
    inputs.now = 101;
    overlays.Update(inputs);
    EXPECT_EQ(overlays.GetCounterText(), "7,-4");
    overlays.CycleCounter();
    EXPECT_EQ(overlays.GetCounter(), DeveloperOverlays::Counter::FrameRate);
}

TEST_F(DeveloperOverlaysTest, TheDemoClockShowsTheTimeLeftAndChangesAtMostOnceASecondOfTheRecording) {
    DeveloperOverlays::Inputs inputs = At(1000);
    inputs.demoTimeLeftMs = 3723000;
    inputs.speed = 2.0;
    overlays.Update(inputs);
    EXPECT_EQ(overlays.GetClockText(), "01:02:03");
    inputs.demoTimeLeftMs = 3722000;
    inputs.now = 1499;
    overlays.Update(inputs);
    EXPECT_EQ(overlays.GetClockText(), "01:02:03") << "at twice the speed it waits 500 ms";
    inputs.now = 1500;
    overlays.Update(inputs);
    EXPECT_EQ(overlays.GetClockText(), "01:02:02");

    // On an 800 x 600 screen: the counter 10 pixels in from the bottom right, the clock 15 higher.
    MemoryImage screen(context);
    std::vector<uint32_t> white(800 * 600, 0xFFFFFFFFu);
    screen.SetPixels(white.data(), 800, 600, true);
    overlays.Draw(screen, 800, 600);
    const int32_t h = fonts.height + 1;
    const uint32_t* pixels = screen.GetPixels();
    auto at = [&](int32_t x, int32_t y) { return pixels[size_t(y) * 800 + size_t(x)]; };
    const int32_t top = 600 - h - 10;
    EXPECT_EQ(at(740, top), 0xFF000000u);
    EXPECT_EQ(at(789, top + h - 1), 0xFF000000u);
    EXPECT_EQ(at(739, top), 0xFFFFFFFFu);
    EXPECT_EQ(at(790, top), 0xFFFFFFFFu);
    EXPECT_EQ(at(740, top + h), 0xFFFFFFFFu);
    EXPECT_EQ(at(740, top - 15), 0xFF000000u) << "the clock";
    EXPECT_EQ(at(740, top - 16), 0xFFFFFFFFu);

    overlays.Release();
    EXPECT_EQ(overlays.GetCounterImage(), nullptr);
}

} // namespace
