#include "framework/widget/ButtonWidget.h"

#include "framework/font/SysFont.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/widget/ButtonListener.h"
#include "graphics/DisplayTestUtil.h"
#include "graphics/ImageTestUtil.h"
#include "support/RecordingFont.h"
#include "support/StubWidgetHost.h"
#include "support/SurfaceColors.h"

#include <gtest/gtest.h>

using namespace Zorbel;
using namespace Zorbel::Testing;
using ZorbelTest::RecordingFont;
using ZorbelTest::StubWidgetHost;
using Log = std::vector<std::string>;

namespace {

class RecordingListener : public ButtonListener {
public:
    Log log;
    void ButtonPressed(int32_t id, int32_t clickCount) override {
        log.push_back("pressed " + std::to_string(id) + " " + std::to_string(clickCount));
    }
    void ButtonReleased(int32_t id) override { log.push_back("released " + std::to_string(id)); }
    void ButtonHeld(int32_t id) override { log.push_back("held " + std::to_string(id)); }
    void ButtonEntered(int32_t id) override { log.push_back("entered " + std::to_string(id)); }
    void ButtonExited(int32_t id) override { log.push_back("exited " + std::to_string(id)); }
    void ButtonPointerMoved(int32_t id, int32_t x, int32_t y) override {
        log.push_back("moved " + std::to_string(id) + " " + std::to_string(x) + "," + std::to_string(y));
    }
};

constexpr uint32_t kFace = 0xFFD4D4D4;
constexpr uint32_t kShade = 0xFF848484;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kBackground = 0xFF102030;

class ButtonWidgetTest : public ::testing::Test {
protected:
    ButtonWidgetTest() {
        button.Resize(100, 100, 100, 30);
        manager.AddChild(&button);
        Fill(screen, 240, 160, kBackground);
        manager.SetImage(&screen);
    }

    void Draw() {
        manager.MarkAllDirty();
        manager.DrawDirtyWidgets();
    }

    StubWidgetHost host;
    WidgetManager& manager = host.manager;
    RecordingListener listener;
    ButtonWidget button{7, &listener};
    ImageContext context;
    MemoryImage screen{context};
};

} // namespace

// Input ---------------------------------------------------------------------------------------------------

TEST_F(ButtonWidgetTest, DraggingOffBeforeTheReleaseReportsNoClick) {
    manager.MouseMove(110, 110);
    manager.MouseDown(110, 110, 1);
    manager.MouseMove(300, 300);
    manager.MouseUp(300, 300, 1);
    EXPECT_EQ(listener.log, (Log{"entered 7", "moved 7 10,10", "pressed 7 1", "exited 7"}));
}

TEST_F(ButtonWidgetTest, DraggingBackOnBeforeTheReleaseReportsTheClick) {
    manager.MouseMove(110, 110);
    manager.MouseDown(110, 110, 1);
    manager.MouseMove(300, 300);
    listener.log.clear();
    manager.MouseMove(120, 120);
    EXPECT_TRUE(button.IsButtonDown());
    manager.MouseUp(120, 120, 1);
    EXPECT_EQ(listener.log, (Log{"entered 7", "released 7"}));
    EXPECT_FALSE(button.IsButtonDown());
}

TEST_F(ButtonWidgetTest, HoldingReportsOncePerUpdateStepWhileThePointerIsOver) {
    manager.MouseMove(110, 110);
    manager.MouseDown(110, 110, 1);
    listener.log.clear();
    for (int i = 0; i < 5; ++i)
        manager.UpdateStep();
    EXPECT_EQ(listener.log, Log(5, "held 7"));

    manager.MouseMove(300, 300);
    listener.log.clear();
    manager.UpdateStep();
    manager.UpdateStep();
    EXPECT_EQ(listener.log, Log{});
}

TEST_F(ButtonWidgetTest, TheRightButtonPressesAndClicksToo) {
    manager.MouseMove(110, 110);
    listener.log.clear();
    manager.MouseDown(110, 110, -1);
    manager.MouseUp(110, 110, -1);
    EXPECT_EQ(listener.log, (Log{"pressed 7 -1", "released 7"}));
}

TEST_F(ButtonWidgetTest, NoClickWhileTheWindowLacksTheFocus) {
    manager.FocusLost();
    manager.MouseMove(110, 110);
    manager.MouseDown(110, 110, 1);
    manager.MouseUp(110, 110, 1);
    EXPECT_EQ(listener.log, (Log{"entered 7", "moved 7 10,10", "pressed 7 1"}));
}

TEST_F(ButtonWidgetTest, ADisabledButtonHearsNothing) {
    button.SetDisabled(true);
    manager.MouseMove(110, 110);
    manager.MouseDown(110, 110, 1);
    manager.MouseUp(110, 110, 1);
    EXPECT_EQ(listener.log, Log{});
}

// Hover fading ------------------------------------------------------------------------------------------

TEST_F(ButtonWidgetTest, TheHoverPictureFadesInAndOutInFourSteps) {
    button.mOverAlphaFadeInSpeed = 0.25;
    button.mOverAlphaFadeOutSpeed = 0.25;
    manager.MouseMove(110, 110);
    for (double expected : {0.25, 0.5, 0.75, 1.0, 1.0}) {
        button.ClearDirty();
        manager.UpdateStep();
        EXPECT_DOUBLE_EQ(button.mOverAlpha, expected);
    }
    manager.MouseMove(300, 300);
    EXPECT_DOUBLE_EQ(button.mOverAlpha, 1.0);
    for (double expected : {0.75, 0.5, 0.25, 0.0}) {
        button.ClearDirty();
        manager.UpdateStep();
        EXPECT_DOUBLE_EQ(button.mOverAlpha, expected);
        EXPECT_TRUE(button.IsDirty());
    }
    button.ClearDirty();
    manager.UpdateStep();
    EXPECT_FALSE(button.IsDirty()) << "nothing left to fade";
}

TEST_F(ButtonWidgetTest, WithoutFadeSpeedsTheHoverSwitchesAtOnce) {
    button.mOverAlpha = 0.5;
    manager.MouseMove(110, 110);
    EXPECT_EQ(button.mOverAlpha, 0.0);
    button.mOverAlphaFadeOutSpeed = 0.5;
    manager.MouseMove(300, 300);
    EXPECT_EQ(button.mOverAlpha, 1.0) << "a fade-out starts from full strength";
    manager.UpdateStep();
    EXPECT_EQ(button.mOverAlpha, 0.5);
}

TEST_F(ButtonWidgetTest, EnteringRedrawsOnlyWhenTheLookChanges) {
    button.ClearDirty();
    manager.MouseMove(110, 110);
    EXPECT_FALSE(button.IsDirty()) << "both label colours equal, no hover picture";
    manager.MouseMove(300, 300);
    button.SetColor(ButtonWidget::COLOR_LABEL_HILITE, Color(255, 0, 0));
    button.ClearDirty();
    manager.MouseMove(110, 110);
    EXPECT_TRUE(button.IsDirty());
}

// Drawing -----------------------------------------------------------------------------------------------

TEST_F(ButtonWidgetTest, TheLabelIsPlacedByItsJustification) {
    RecordingFont font;
    button.SetFont(&font);
    button.SetLabel("abcd"); // 40 pixels wide on a button of 100
    Draw();
    button.SetLabelJustify(ButtonWidget::JUSTIFY_RIGHT);
    Draw();
    button.SetLabelJustify(ButtonWidget::JUSTIFY_LEFT);
    Draw();
    // y = (30 - 12 / 6 + 12 - 1) / 2 = 19
    EXPECT_EQ(font.Places(), (Log{"abcd@30,19", "abcd@60,19", "abcd@0,19"}));
}

TEST_F(ButtonWidgetTest, ThePressedBuiltInLookMovesTheLabelAndDrawsItBlack) {
    RecordingFont font;
    button.SetFont(&font);
    button.SetLabel("ab");
    button.SetColor(ButtonWidget::COLOR_LABEL, Color(1, 2, 3));
    button.SetColor(ButtonWidget::COLOR_LABEL_HILITE, Color(4, 5, 6));
    Draw();
    manager.MouseMove(110, 110);
    Draw();
    manager.MouseDown(110, 110, 1);
    Draw();
    ASSERT_EQ(font.Calls().size(), 3u);
    EXPECT_EQ(font.Calls()[0].color, Color(1, 2, 3));
    EXPECT_EQ(font.Calls()[1].color, Color(4, 5, 6));
    EXPECT_EQ(font.Calls()[2].color, Color(0, 0, 0));
    EXPECT_EQ(font.Places(), (Log{"ab@40,19", "ab@40,19", "ab@41,20"}));
}

TEST_F(ButtonWidgetTest, TheBuiltInLookIsARaisedOrSunkenGreyBevel) {
    button.Resize(10, 20, 20, 10);
    Draw();
    auto at = [&](int32_t x, int32_t y) { return PixelAt(screen, 10 + x, 20 + y); };
    EXPECT_EQ(at(5, 5), kFace);
    EXPECT_EQ(at(0, 0), kWhite);
    EXPECT_EQ(at(18, 0), kWhite);
    EXPECT_EQ(at(0, 8), kWhite);
    EXPECT_EQ(at(19, 0), kBlack);
    EXPECT_EQ(at(0, 9), kBlack);
    EXPECT_EQ(at(19, 9), kBlack);
    EXPECT_EQ(at(1, 8), kShade);
    EXPECT_EQ(at(18, 8), kShade);
    EXPECT_EQ(at(18, 1), kShade);
    EXPECT_EQ(at(1, 1), kFace);
    EXPECT_EQ(PixelAt(screen, 9, 20), kBackground);
    EXPECT_EQ(PixelAt(screen, 30, 29), kBackground);

    manager.MouseMove(15, 25);
    manager.MouseDown(15, 25, 1);
    Draw();
    EXPECT_EQ(at(0, 0), kBlack);
    EXPECT_EQ(at(18, 0), kBlack);
    EXPECT_EQ(at(0, 8), kBlack);
    EXPECT_EQ(at(19, 0), kWhite);
    EXPECT_EQ(at(0, 9), kWhite);
    EXPECT_EQ(at(1, 1), kShade);
    EXPECT_EQ(at(17, 1), kShade);
    EXPECT_EQ(at(18, 1), kFace);
    EXPECT_EQ(at(1, 7), kShade);
    EXPECT_EQ(at(1, 8), kFace);
    EXPECT_EQ(at(18, 8), kFace);

    // Inverted, a held button looks released.
    button.mInverted = true;
    Draw();
    EXPECT_EQ(at(0, 0), kWhite);
}

TEST_F(ButtonWidgetTest, FrameNoDrawAndNoDrawLeaveTheBackground) {
    button.Resize(10, 20, 20, 10);
    button.mFrameNoDraw = true;
    Draw();
    EXPECT_EQ(CountNot(screen, kBackground), 0);
    button.mFrameNoDraw = false;
    button.mNoDraw = true;
    Draw();
    EXPECT_EQ(CountNot(screen, kBackground), 0);
}

TEST_F(ButtonWidgetTest, OnePictureSheetHoldsEveryState) {
    MemoryImage sheet(context);
    std::vector<uint32_t> pixels;
    for (int y = 0; y < 10; ++y)
        for (uint32_t colour : {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFF808080u})
            pixels.insert(pixels.end(), 10, colour);
    sheet.SetPixels(pixels.data(), 40, 10, true);
    button.Resize(10, 20, 10, 10);
    button.mButtonImage = &sheet;
    button.mNormalRect = Rect(0, 0, 10, 10);
    button.mOverRect = Rect(10, 0, 10, 10);
    button.mDownRect = Rect(20, 0, 10, 10);
    button.mDisabledRect = Rect(30, 0, 10, 10);

    Draw();
    EXPECT_EQ(PixelAt(screen, 15, 25), 0xFFFF0000u);
    manager.MouseMove(15, 25);
    Draw();
    EXPECT_EQ(PixelAt(screen, 15, 25), 0xFF00FF00u);
    manager.MouseDown(15, 25, 1);
    Draw();
    EXPECT_EQ(PixelAt(screen, 15, 25), 0xFF0000FFu);
    manager.MouseUp(15, 25, 1);
    button.SetDisabled(true);
    Draw();
    EXPECT_EQ(PixelAt(screen, 15, 25), 0xFF808080u);
}

TEST_F(ButtonWidgetTest, AFadingHoverPictureIsBlendedOverTheNormalOne) {
    MemoryImage normal(context), over(context);
    Fill(normal, 10, 10, 0xFFFF0000);
    Fill(over, 10, 10, 0xFF0000FF);
    button.Resize(10, 20, 10, 10);
    button.mButtonImage = &normal;
    button.mOverImage = &over;
    button.mOverAlpha = 0.5;
    Draw();
    uint32_t pixel = PixelAt(screen, 15, 25);
    uint32_t red = (pixel >> 16) & 0xFF;
    uint32_t blue = pixel & 0xFF;
    EXPECT_GT(red, 100u);
    EXPECT_LT(red, 155u);
    EXPECT_GT(blue, 100u);
    EXPECT_LT(blue, 155u);
}

TEST_F(ButtonWidgetTest, APressedButtonWithoutADownPictureShowsTheHoverPictureMovedByOne) {
    MemoryImage normal(context), over(context);
    Fill(normal, 10, 10, 0xFFFF0000);
    Fill(over, 10, 10, 0xFF0000FF);
    button.Resize(10, 20, 10, 10);
    button.mButtonImage = &normal;
    button.mOverImage = &over;
    manager.MouseMove(15, 25);
    manager.MouseDown(15, 25, 1);
    Draw();
    EXPECT_EQ(PixelAt(screen, 10, 20), kBackground);
    EXPECT_EQ(PixelAt(screen, 11, 21), 0xFF0000FFu);
    // The hover picture's last column lies one pixel past the button and is clipped away.
    EXPECT_EQ(PixelAt(screen, 20, 25), kBackground);
}

TEST_F(ButtonWidgetTest, AButtonMakesItsOwnFontForALabel) {
    button.SetLabel("OK");
    Draw();
    ASSERT_NE(button.GetFont(), nullptr);
    auto* font = dynamic_cast<SysFont*>(button.GetFont());
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->Request().face, "SansSerif");
    EXPECT_EQ(font->Request().pixelHeight, 13);
    EXPECT_EQ(font->Request().characterSet, 0);
    EXPECT_FALSE(font->Request().bold);
}

TEST_F(ButtonWidgetTest, SetFontKeepsACopy) {
    auto font = std::make_unique<RecordingFont>(7);
    button.SetFont(font.get());
    font.reset();
    button.SetLabel("abc");
    EXPECT_EQ(button.GetFont()->StringWidth("abc"), 21);
    button.SetFont(nullptr);
    EXPECT_EQ(button.GetFont(), nullptr);
}

TEST_F(ButtonWidgetTest, DrawButtonImageTakesPartsFromTheSheetNotTheArgument) {
    MemoryImage sheet(context), other(context);
    Fill(sheet, 4, 4, 0xFF00FF00);
    Fill(other, 4, 4, 0xFFFF00FF);
    button.mButtonImage = &sheet;
    Graphics g(&screen);
    button.DrawButtonImage(&g, &other, Rect(0, 0, 2, 2), 0, 0);
    EXPECT_EQ(PixelAt(screen, 0, 0), 0xFF00FF00u);
    EXPECT_EQ(PixelAt(screen, 2, 0), kBackground);
    button.DrawButtonImage(&g, &other, Rect(), 5, 0);
    EXPECT_EQ(PixelAt(screen, 8, 3), 0xFFFF00FFu);
    EXPECT_TRUE(button.HaveButtonImage(nullptr, Rect(0, 0, 1, 0)));
    EXPECT_FALSE(button.HaveButtonImage(nullptr, Rect(3, 3, 0, 5)));
}

// On display surfaces -----------------------------------------------------------------------------------

TEST(ButtonWidgetSurfaceTest, TheBevelsInTheirColoursOn32And16BitScreens) {
    for (int bits : {32, 16}) {
        SCOPED_TRACE(bits);
        DisplayOptions options;
        options.desktopFormat = PixelFormat::ForDepth(bits);
        HeadlessDisplay display(options, 64, 48);
        ASSERT_EQ(display.Init(), DDInterface::RESULT_OK);
        Surface& drawn = *display.device->DrawSurface();
        const PixelFormat& format = drawn.Format();
        auto native = [&](int32_t r, int32_t g, int32_t b) {
            return ZorbelTest::OpaqueFill(format, Color(r, g, b));
        };
        auto at = [&](int32_t x, int32_t y) { return drawn.PixelAt(10 + x, 20 + y) & format.ColorMask(); };

        StubWidgetHost host;
        ButtonListener listener;
        ButtonWidget button(1, &listener);
        button.Resize(10, 20, 20, 10);
        host.manager.AddChild(&button);
        host.manager.SetImage(display.device->GetScreenImage());
        EXPECT_TRUE(host.manager.DrawDirtyWidgets());
        EXPECT_EQ(display.device->GetScreenImage()->LockCount(), 0);
        EXPECT_EQ(at(5, 5), native(212, 212, 212));
        EXPECT_EQ(at(0, 0), native(255, 255, 255));
        EXPECT_EQ(at(19, 9), native(0, 0, 0));
        EXPECT_EQ(at(1, 8), native(132, 132, 132));
        EXPECT_EQ(at(18, 1), native(132, 132, 132));
        EXPECT_EQ(drawn.PixelAt(9, 20) & format.ColorMask(), 0u);

        host.manager.MouseMove(15, 25);
        host.manager.MouseDown(15, 25, 1);
        host.manager.DrawDirtyWidgets();
        EXPECT_EQ(at(0, 0), native(0, 0, 0));
        EXPECT_EQ(at(19, 9), native(255, 255, 255));
        EXPECT_EQ(at(1, 1), native(132, 132, 132));
        EXPECT_EQ(at(18, 8), native(212, 212, 212));
        host.manager.RemoveChild(&button);
    }
}
