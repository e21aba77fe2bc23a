#include "framework/widget/DialogButton.h"

#include "framework/font/SysFont.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/widget/ButtonListener.h"
#include "graphics/ImageTestUtil.h"
#include "support/RecordingFont.h"
#include "support/StubWidgetHost.h"

#include <gtest/gtest.h>

using namespace Zorbel;
using namespace Zorbel::Testing;
using ZorbelTest::RecordingFont;
using ZorbelTest::StubWidgetHost;
using Log = std::vector<std::string>;

namespace {

constexpr uint32_t kBackground = 0xFF000000;
constexpr uint32_t kFrame = 0xFF00FF00;

class DialogButtonTest : public ::testing::Test {
protected:
    DialogButtonTest() {
        Fill(frame, 9, 9, kFrame);
        Fill(screen, 60, 40, kBackground);
        host.manager.SetImage(&screen);
        button.Resize(10, 10, 20, 10);
        host.manager.AddChild(&button);
    }

    void Draw() {
        Fill(screen, 60, 40, kBackground);
        host.manager.MarkAllDirty();
        host.manager.DrawDirtyWidgets();
    }

    void Press() {
        host.manager.MouseMove(15, 15);
        host.manager.MouseDown(15, 15, 1);
    }

    StubWidgetHost host;
    ImageContext context;
    MemoryImage frame{context};
    MemoryImage screen{context};
    ButtonListener listener;
    DialogButton button{&frame, 1000, &listener};
};

} // namespace

TEST_F(DialogButtonTest, LabelsAreWhiteAndTheHandCursorShows) {
    EXPECT_EQ(button.GetColor(ButtonWidget::COLOR_LABEL), Color(255, 255, 255));
    EXPECT_EQ(button.GetColor(ButtonWidget::COLOR_LABEL_HILITE), Color(255, 255, 255));
    host.manager.MouseMove(15, 15);
    EXPECT_EQ(host.cursors, std::vector<int32_t>{1});
}

TEST_F(DialogButtonTest, APressedFramePictureMovesByTheTranslation) {
    Draw();
    EXPECT_EQ(PixelAt(screen, 10, 10), kFrame);
    EXPECT_EQ(PixelAt(screen, 29, 19), kFrame);
    Press();
    Draw();
    EXPECT_EQ(PixelAt(screen, 10, 10), kBackground);
    EXPECT_EQ(PixelAt(screen, 11, 11), kFrame);
    EXPECT_EQ(PixelAt(screen, 29, 19), kFrame);
}

TEST_F(DialogButtonTest, WithStateRectanglesOnlyTheLabelMoves) {
    MemoryImage sheet(context);
    std::vector<uint32_t> pixels;
    for (int y = 0; y < 9; ++y)
        for (uint32_t colour : {0xFFFF0000u, 0xFF0000FFu})
            pixels.insert(pixels.end(), 9, colour);
    sheet.SetPixels(pixels.data(), 18, 9, true);
    button.mComponentImage = &sheet;
    button.mNormalRect = Rect(0, 0, 9, 9);
    button.mOverRect = Rect(0, 0, 9, 9);
    button.mDownRect = Rect(9, 0, 9, 9);
    RecordingFont font;
    button.SetFont(&font);
    button.SetLabel("a");
    button.mTextOffsetX = 2;
    button.mTextOffsetY = 1;
    Draw();
    Press();
    Draw();
    EXPECT_EQ(PixelAt(screen, 10, 10), 0xFF0000FFu);
    // x = (20 - 10) / 2 + 2; y = (10 - 12 / 6 - 0 - 1 + 12) / 2 + 1
    EXPECT_EQ(font.Places(), (Log{"a@7,10", "a@7,10"}));
    ASSERT_EQ(font.Calls().size(), 2u);
    EXPECT_EQ(font.Calls()[1].translationX - font.Calls()[0].translationX, 1.0f);
    EXPECT_EQ(font.Calls()[1].translationY - font.Calls()[0].translationY, 1.0f);
}

TEST_F(DialogButtonTest, TheAscentPaddingRaisesTheLabel) {
    button.mTranslateX = 3;
    button.mTranslateY = 4;
    RecordingFont font;
    font.SetAscentPadding(4);
    button.SetFont(&font);
    button.SetLabel("a");
    Draw();
    EXPECT_EQ(font.Places(), Log{"a@5,7"});
}

TEST_F(DialogButtonTest, WithoutAFramePictureItLooksLikeAPlainButton) {
    button.mComponentImage = nullptr;
    Draw();
    EXPECT_EQ(PixelAt(screen, 15, 15), 0xFFD4D4D4u);
    EXPECT_EQ(PixelAt(screen, 10, 10), 0xFFFFFFFFu);
}

TEST_F(DialogButtonTest, ItMakesATwelvePointFontForItsLabel) {
    button.SetLabel("OK");
    Draw();
    auto* font = dynamic_cast<SysFont*>(button.GetFont());
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->Request().pixelHeight, 16);
    EXPECT_EQ(font->Request().characterSet, 1);
}

TEST_F(DialogButtonTest, NoDrawDrawsNothing) {
    button.mNoDraw = true;
    Draw();
    EXPECT_EQ(CountNot(screen, kBackground), 0);
}
