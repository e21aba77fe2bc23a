#include "framework/graphics/Graphics.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"

#include "graphics/ImageTestUtil.h"

#include <gtest/gtest.h>

using namespace Zorbel;
using namespace Zorbel::Testing;

namespace {

// Sets fractional translations, which only a derived context can do.
class FractionalGraphics : public Graphics {
public:
    using Graphics::Graphics;
    void SetTranslation(float x, float y) {
        mTransX = x;
        mTransY = y;
    }
};

class GraphicsTest : public ::testing::Test {
protected:
    GraphicsTest() { Fill(screen, 10, 10, 0xFF000000); }

    // A picture whose pixel (x, y) is 0xFF00yyxx.
    void MakeNumbered(MemoryImage& image, int32_t width, int32_t height) {
        std::vector<uint32_t> pixels;
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                pixels.push_back(0xFF000000u | static_cast<uint32_t>(y) << 8 | static_cast<uint32_t>(x));
        image.SetPixels(pixels.data(), width, height, true);
    }

    ImageContext context;
    MemoryImage screen{context};
};

} // namespace

TEST_F(GraphicsTest, ANewContextCoversItsDestination) {
    Graphics g(&screen);
    EXPECT_EQ(g.GetDestination(), &screen);
    EXPECT_EQ(g.GetClipRect(), Rect(0, 0, 10, 10));
    EXPECT_EQ(g.GetPaintColor(), Color(0, 0, 0, 255));
    EXPECT_EQ(g.GetBlendMode(), DRAWMODE_NORMAL);
    EXPECT_EQ(g.GetTextFont(), nullptr);
    EXPECT_FALSE(g.GetTintImages());
    EXPECT_FALSE(g.GetQuickScaling());
    EXPECT_FALSE(g.GetSmoothBlending());

    Graphics nowhere;
    EXPECT_EQ(nowhere.GetClipRect(), Rect(0, 0, 0, 0));
    nowhere.SetPaintColor(Color::White);
    nowhere.PaintRect(0, 0, 5, 5);
    EXPECT_EQ(CountNot(screen, 0xFF000000), 0);
}

TEST_F(GraphicsTest, PaintRectTranslatesAndClips) {
    Graphics g(&screen);
    g.SetPaintColor(Color(255, 0, 0));
    g.Offset(2, 3);
    g.NarrowClip(0, 0, 4, 4);
    EXPECT_EQ(g.GetClipRect(), Rect(2, 3, 4, 4));
    g.PaintRect(-1, 2, 10, 1);
    // Row 5, columns 2 ... 5.
    EXPECT_EQ(CountNot(screen, 0xFF000000), 4);
    EXPECT_EQ(PixelAt(screen, 2, 5), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(screen, 5, 5), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(screen, 6, 5), 0xFF000000u);
}

TEST_F(GraphicsTest, PaintRectOfAlphaZeroLeavesTheDestination) {
    Graphics g(&screen);
    g.SetPaintColor(Color(255, 255, 255, 0));
    g.PaintRect(0, 0, 10, 10);
    g.PaintFrame(0, 0, 9, 9);
    EXPECT_EQ(CountNot(screen, 0xFF000000), 0);
}

TEST_F(GraphicsTest, PaintFrameTouchesWidthPlusOneSquare) {
    Graphics g(&screen);
    g.SetPaintColor(Color::White);
    g.PaintFrame(0, 0, 9, 9);
    // A 10 x 10 ring: 36 pixels.
    EXPECT_EQ(CountNot(screen, 0xFF000000), 36);
    EXPECT_EQ(PixelAt(screen, 9, 9), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(screen, 0, 9), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(screen, 1, 1), 0xFF000000u);
}

TEST_F(GraphicsTest, APartlyClippedFrameIsDrawnAsFourRects) {
    Graphics g(&screen);
    g.SetPaintColor(Color::White);
    g.NarrowClip(0, 0, 10, 5);
    g.PaintFrame(2, 2, 4, 4);
    // Top edge (5 pixels) and the upper parts of the sides, rows 3 and 4: 5 + 2 + 2.
    EXPECT_EQ(CountNot(screen, 0xFF000000), 9);
    EXPECT_EQ(PixelAt(screen, 6, 4), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(screen, 2, 5), 0xFF000000u);
}

TEST_F(GraphicsTest, NarrowClipNeverWidens) {
    Graphics g(&screen);
    g.NarrowClip(20, 20, 5, 5);
    EXPECT_EQ(g.GetClipRect(), Rect(0, 0, 0, 0));
    g.NarrowClip(-100, -100, 1000, 1000);
    EXPECT_EQ(g.GetClipRect(), Rect(0, 0, 0, 0));
    g.SetPaintColor(Color::White);
    g.PaintRect(0, 0, 10, 10);
    EXPECT_EQ(CountNot(screen, 0xFF000000), 0);
}

TEST_F(GraphicsTest, SavedStatesRestoreInReverseOrder) {
    Graphics g(&screen);
    g.RestoreState();
    EXPECT_EQ(g.GetClipRect(), Rect(0, 0, 10, 10)) << "nothing saved, nothing changed";
    g.SetPaintColor(Color(1, 2, 3));
    g.SaveState();
    g.Offset(5, 5);
    g.NarrowClip(0, 0, 2, 2);
    g.SetPaintColor(Color(4, 5, 6));
    g.SetTintImages(true);
    g.SaveState();
    g.SetBlendMode(DRAWMODE_ADDITIVE);
    g.RestoreState();
    EXPECT_EQ(g.GetBlendMode(), DRAWMODE_NORMAL);
    EXPECT_EQ(g.GetPaintColor(), Color(4, 5, 6));
    g.RestoreState();
    EXPECT_EQ(g.GetPaintColor(), Color(1, 2, 3));
    EXPECT_EQ(g.GetClipRect(), Rect(0, 0, 10, 10));
    EXPECT_EQ(g.GetTranslationX(), 0.0f);
    EXPECT_FALSE(g.GetTintImages());
}

TEST_F(GraphicsTest, CopiesTakeTheStateButNotTheStack) {
    Graphics g(&screen);
    g.Offset(1, 2);
    g.SaveState();
    g.SetPaintColor(Color(7, 7, 7));
    Graphics copy(g);
    EXPECT_EQ(copy.GetPaintColor(), Color(7, 7, 7));
    EXPECT_EQ(copy.GetTranslationY(), 2.0f);
    copy.RestoreState();
    EXPECT_EQ(copy.GetPaintColor(), Color(7, 7, 7)) << "the copy's stack is empty";
    std::unique_ptr<Graphics> clone = g.Clone();
    clone->NarrowClip(0, 0, 1, 1);
    EXPECT_EQ(g.GetClipRect(), Rect(0, 0, 10, 10));
    EXPECT_EQ(clone->GetClipRect(), Rect(1, 2, 1, 1));
}

TEST_F(GraphicsTest, TranslationTruncatesTowardZero) {
    FractionalGraphics g(&screen);
    g.SetPaintColor(Color::White);
    g.SetTranslation(0.5f, 0.0f);
    g.PaintRect(1, 0, 1, 1);
    EXPECT_EQ(PixelAt(screen, 1, 0), 0xFFFFFFFFu);
    g.SetTranslation(-0.5f, 0.0f);
    g.PaintRect(0, 2, 1, 1);
    EXPECT_EQ(PixelAt(screen, 0, 2), 0xFFFFFFFFu);
    EXPECT_EQ(CountNot(screen, 0xFF000000), 2);
}

TEST_F(GraphicsTest, PaintImageClipsTheSourceWithTheDestination) {
    MemoryImage picture(context);
    MakeNumbered(picture, 4, 4);
    Graphics g(&screen);
    g.NarrowClip(0, 0, 8, 8);
    g.PaintImage(&picture, 6, -1);
    // Columns 6, 7 of the screen show picture columns 0, 1; rows 0 ... 2 show picture rows 1 ... 3.
    EXPECT_EQ(PixelAt(screen, 6, 0), 0xFF000100u);
    EXPECT_EQ(PixelAt(screen, 7, 2), 0xFF000301u);
    EXPECT_EQ(CountNot(screen, 0xFF000000), 6);
}

TEST_F(GraphicsTest, TintedImagesUseThePaintColour) {
    MemoryImage picture(context);
    Fill(picture, 2, 2, 0xFFFFFFFF);
    Graphics g(&screen);
    g.SetPaintColor(Color(255, 0, 0, 0));
    g.SetTintImages(true);
    g.PaintImage(&picture, 0, 0);
    EXPECT_EQ(CountNot(screen, 0xFF000000), 0) << "alpha 0 weights every pixel to nothing";
    g.SetPaintColor(Color(255, 0, 0, 255));
    g.PaintImage(&picture, 0, 0);
    // red (255 * 255 * 255 + 0 * 1 * 256) >> 16 = 16581375 >> 16 = 253.
    EXPECT_EQ(PixelAt(screen, 1, 1), 0xFFFD0000u);
    g.SetTintImages(false);
    g.PaintImage(&picture, 0, 0);
    EXPECT_EQ(PixelAt(screen, 1, 1), 0xFFFFFFFFu);
}

TEST_F(GraphicsTest, PaintImagePartRefusesRectanglesPastTheEdge) {
    MemoryImage picture(context);
    MakeNumbered(picture, 4, 4);
    Graphics g(&screen);
    g.PaintImagePart(&picture, 0, 0, Rect(2, 2, 3, 1));
    g.PaintImagePart(&picture, 0, 0, Rect(-1, 0, 2, 2));
    EXPECT_EQ(CountNot(screen, 0xFF000000), 0);
    g.PaintImagePart(&picture, 5, 5, Rect(2, 3, 2, 1));
    EXPECT_EQ(PixelAt(screen, 5, 5), 0xFF000302u);
    EXPECT_EQ(PixelAt(screen, 6, 5), 0xFF000303u);
    EXPECT_EQ(CountNot(screen, 0xFF000000), 2);
}

TEST_F(GraphicsTest, CelIndexFiveOfFourColumnsIsColumnOneOfRowOne) {
    MemoryImage picture(context);
    MakeNumbered(picture, 8, 6);
    picture.SetCelGrid(4, 3);
    Graphics g(&screen);
    g.PaintCelIndex(&picture, 0, 0, 5);
    // Cels are 2 x 2; column 1 of row 1 starts at picture (2, 2).
    EXPECT_EQ(PixelAt(screen, 0, 0), 0xFF000202u);
    EXPECT_EQ(PixelAt(screen, 1, 1), 0xFF000303u);
    EXPECT_EQ(CountNot(screen, 0xFF000000), 4);
    Fill(screen, 10, 10, 0xFF000000);
    g.PaintCel(&picture, 0, 0, 4, 0);
    g.PaintCel(&picture, 0, 0, 0, -1);
    g.PaintCelIndex(&picture, 0, 0, 12);
    g.PaintCelIndex(&picture, 0, 0, -1);
    EXPECT_EQ(CountNot(screen, 0xFF000000), 0);
}

TEST_F(GraphicsTest, BoxRepeatsEdgesAndCentre) {
    MemoryImage picture(context);
    MakeNumbered(picture, 3, 3);
    Graphics g(&screen);
    g.PaintBox(Rect(1, 1, 6, 5), &picture);
    // Corners of 1 x 1; the top edge repeats picture (1, 0) across columns 2 ... 5.
    EXPECT_EQ(PixelAt(screen, 1, 1), 0xFF000000u);
    EXPECT_EQ(PixelAt(screen, 6, 1), 0xFF000002u);
    EXPECT_EQ(PixelAt(screen, 1, 5), 0xFF000200u);
    EXPECT_EQ(PixelAt(screen, 6, 5), 0xFF000202u);
    for (int x = 2; x <= 5; ++x) {
        EXPECT_EQ(PixelAt(screen, x, 1), 0xFF000001u) << x;
        EXPECT_EQ(PixelAt(screen, x, 5), 0xFF000201u) << x;
        EXPECT_EQ(PixelAt(screen, x, 3), 0xFF000101u) << x;
    }
    for (int y = 2; y <= 4; ++y) {
        EXPECT_EQ(PixelAt(screen, 1, y), 0xFF000100u) << y;
        EXPECT_EQ(PixelAt(screen, 6, y), 0xFF000102u) << y;
    }
    EXPECT_EQ(PixelAt(screen, 7, 1), 0xFF000000u);
    EXPECT_EQ(PixelAt(screen, 1, 6), 0xFF000000u);
}

TEST_F(GraphicsTest, BoxNarrowerThanTwoCornersDrawsOnlyTheCorners) {
    MemoryImage picture(context);
    MakeNumbered(picture, 6, 6);
    Graphics g(&screen);
    // Corners of 2 x 2 into a 3 x 3 box: they overlap in the middle row and column.
    g.PaintBox(Rect(0, 0, 3, 3), &picture);
    EXPECT_EQ(PixelAt(screen, 0, 0), 0xFF000000u);
    EXPECT_EQ(PixelAt(screen, 1, 0), 0xFF000004u) << "the top-right corner drawn over the top-left";
    EXPECT_EQ(PixelAt(screen, 2, 0), 0xFF000005u);
    EXPECT_EQ(PixelAt(screen, 2, 2), 0xFF000505u);
    EXPECT_EQ(PixelAt(screen, 1, 1), 0xFF000404u);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            if (x > 2 || y > 2) {
                ASSERT_EQ(PixelAt(screen, x, y), 0xFF000000u) << x << "," << y;
            }
}

TEST_F(GraphicsTest, ScaledImagesAreTranslatedAndClipped) {
    MemoryImage picture(context);
    Fill(picture, 2, 2, 0xFF0000FF);
    Graphics g(&screen);
    g.Offset(1, 1);
    g.NarrowClip(0, 0, 3, 10);
    g.SetQuickScaling(true);
    g.PaintImageScaled(&picture, 0, 0, 4, 4);
    // Columns 1 ... 3 and rows 1 ... 4; (255 * 255 + 0) >> 8 = 254 over black.
    EXPECT_EQ(CountNot(screen, 0xFF000000), 12);
    EXPECT_EQ(PixelAt(screen, 3, 4), 0xFF0000FEu);
    EXPECT_EQ(PixelAt(screen, 4, 1), 0xFF000000u);
    g.SetQuickScaling(false);
    g.SetTintImages(true);
    g.SetPaintColor(Color(0, 0, 0, 0));
    g.PaintImageScaled(&picture, 0, 5, 2, 2);
    EXPECT_EQ(PixelAt(screen, 1, 6), 0xFF0000FEu) << "averaging applies no colour";
}

TEST_F(GraphicsTest, PaintTextForwardsToTheFont) {
    struct RecordingFont : Font {
        void DrawText(Graphics& g, int32_t x, int32_t y, const std::string& text, const Color& color,
                      const Rect& clipRect) override {
            context = &g;
            calls.push_back({x, y, text, color, clipRect});
        }
        std::unique_ptr<Font> Clone() const override { return std::make_unique<RecordingFont>(*this); }
        struct Call {
            int32_t x, y;
            std::string text;
            Color color;
            Rect clip;
        };
        std::vector<Call> calls;
        Graphics* context = nullptr;
    } font;

    Graphics g(&screen);
    g.PaintText("ignored", 1, 2);
    g.SetTextFont(&font);
    g.SetPaintColor(Color(9, 8, 7, 6));
    g.Offset(3, 3);
    g.NarrowClip(0, 0, 4, 4);
    g.PaintText("Hello", 1, 2);
    ASSERT_EQ(font.calls.size(), 1u);
    EXPECT_EQ(font.context, &g);
    EXPECT_EQ(font.calls[0].x, 1) << "the font applies the translation itself";
    EXPECT_EQ(font.calls[0].y, 2);
    EXPECT_EQ(font.calls[0].text, "Hello");
    EXPECT_EQ(font.calls[0].color, Color(9, 8, 7, 6));
    EXPECT_EQ(font.calls[0].clip, Rect(3, 3, 4, 4));
}
