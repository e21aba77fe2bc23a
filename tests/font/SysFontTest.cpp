#include "framework/font/SysFont.h"

#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/TtfFontEngine.h"
#include "graphics/ImageTestUtil.h"

#include <gtest/gtest.h>

using namespace Zorbel;
using namespace Zorbel::Testing;

TEST(SysFontTest, PointSizesBecomePixelsAt96Dpi) {
    EXPECT_EQ(SysFont::PixelHeightFor(9), 12);
    EXPECT_EQ(SysFont::PixelHeightFor(10), 13);
    EXPECT_EQ(SysFont::PixelHeightFor(12), 16);
    EXPECT_EQ(SysFont::PixelHeightFor(14), 19);
}

TEST(SysFontTest, MetricsOfASystemFont) {
    TtfFontEngine engine;
    SysFont font(&engine, "SansSerif", 10, 0, false, false, false);
    ASSERT_TRUE(font.IsOpen());
    EXPECT_EQ(font.Ascent(), 13);
    EXPECT_EQ(font.Height(), 16);
    EXPECT_EQ(font.Descent(), font.Height() - font.Ascent());
    EXPECT_EQ(font.LineSpacing(), font.Height());
    EXPECT_EQ(font.AscentPadding(), 0);
    EXPECT_EQ(font.LineSpacingOffset(), 0);
    EXPECT_EQ(font.StringWidth(""), 0);
    EXPECT_GT(font.StringWidth("OK"), 0);
    for (char c : {'W', 'i', '.', ' '})
        EXPECT_EQ(font.CharWidth(c), font.StringWidth(std::string(1, c))) << c;
    EXPECT_EQ(font.CharWidthKerned('A', 'V'), font.CharWidth('A'));
}

TEST(SysFontTest, AClonedFontDescribesTheSameFontWithAFaceOfItsOwn) {
    TtfFontEngine engine;
    auto original = std::make_unique<SysFont>(&engine, "SansSerif", 14, 1, true, false, true);
    std::unique_ptr<Font> clone = original->Clone();
    int32_t width = original->StringWidth("Hello");
    int32_t ascent = original->Ascent();
    original.reset();
    auto* copy = dynamic_cast<SysFont*>(clone.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Request(), (FontRequest{"SansSerif", 19, 1, true, false, true}));
    EXPECT_EQ(copy->StringWidth("Hello"), width);
    EXPECT_EQ(copy->Ascent(), ascent);
}

TEST(SysFontTest, WithoutAnEngineTheFontMeasuresAndDrawsNothing) {
    SysFont font(nullptr, "SansSerif", 10, 0, false, false, false);
    EXPECT_FALSE(font.IsOpen());
    EXPECT_EQ(font.Height(), 0);
    EXPECT_EQ(font.StringWidth("abc"), 0);
    EXPECT_NE(font.Clone(), nullptr);
}

TEST(SysFontTest, TextOnAPlainMemoryImageLeavesItUnchanged) {
    TtfFontEngine engine;
    SysFont font(&engine, "SansSerif", 12, 0, false, false, false);
    ImageContext context;
    MemoryImage image(context);
    Fill(image, 100, 40, 0xFF204060);
    Graphics g(&image);
    g.SetTextFont(&font);
    g.SetPaintColor(Color(255, 255, 255));
    g.PaintText("Hello", 5, 20);
    EXPECT_EQ(CountNot(image, 0xFF204060), 0);
}
