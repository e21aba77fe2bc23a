#include "framework/font/SysFont.h"

#include "framework/graphics/CoverageBlit.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/font/TtfFontEngine.h"
#include "graphics/DisplayTestUtil.h"
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

// Text on display surfaces ---------------------------------------------------------------------------

namespace {

DisplayOptions WithDepth(int bits) {
    DisplayOptions options;
    options.desktopFormat = PixelFormat::ForDepth(bits);
    return options;
}

// A set-up headless display whose draw surface is filled with one native value.
struct TextDisplay : HeadlessDisplay {
    TextDisplay(int bits, uint32_t fill) : HeadlessDisplay(WithDepth(bits), 120, 60) {
        EXPECT_EQ(Init(), DDInterface::RESULT_OK);
        EXPECT_EQ(device->DrawSurface()->ColorFill(nullptr, fill), ResultCode::Ok);
    }
    DDImage& ScreenImage() { return *device->GetScreenImage(); }
    Surface& Drawn() { return *device->DrawSurface(); }
};

// What the surface must hold after drawing the text's coverage in colour with its cell's top-left
// corner at (left, top): each covered pixel moved toward the colour by its coverage.
void ExpectTextAt(Surface& surface, const TextCoverage& coverage, int32_t left, int32_t top, uint32_t fill,
                  const Color& color, const Rect& clip) {
    const PixelFormat& format = surface.Format();
    uint32_t background = format.ToArgb(fill);
    int mismatches = 0;
    for (int32_t y = 0; y < surface.Height(); ++y) {
        for (int32_t x = 0; x < surface.Width(); ++x) {
            uint32_t expected = fill;
            int32_t cx = x - left;
            int32_t cy = y - top;
            if (clip.Contains(x, y) && cx >= 0 && cy >= 0 && cx < coverage.width && cy < coverage.height &&
                coverage.At(cx, cy) > 0) {
                uint32_t a = coverage.At(cx, cy);
                auto channel = [&](int32_t text, int shift) {
                    return CoverageBlit::Blend(static_cast<uint32_t>(text), (background >> shift) & 0xFF, a)
                           << shift;
                };
                expected = format.FromArgb(channel(color.red, 16) | channel(color.green, 8) |
                                           channel(color.blue, 0));
            }
            uint32_t actual = surface.PixelAt(x, y) & format.ColorMask();
            if (actual != expected && ++mismatches <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << actual << " instead of "
                              << expected;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

int BrightPixels(MemoryImage& image) {
    int bright = 0;
    const uint32_t* pixels = image.GetPixels();
    for (size_t i = 0; i < image.PixelCount(); ++i)
        bright += ((pixels[i] >> 16) & 0xFF) >= 0x80 ? 1 : 0;
    return bright;
}

} // namespace

TEST(SysFontTest, TextAppearsInItsColourWithItsCellTopOneBelowBaselineMinusAscent) {
    TtfFontEngine engine;
    SysFont font(&engine, "SansSerif", 12, 0, false, false, false);
    std::unique_ptr<FontFace> face = engine.OpenFace(font.Request());
    const TextCoverage coverage = face->Render("Hello");
    for (int bits : {32, 16}) {
        SCOPED_TRACE(bits);
        const uint32_t fill = bits == 32 ? 0x204060u : 0x2104u;
        TextDisplay display(bits, fill);
        Graphics g(&display.ScreenImage());
        g.Offset(3, 2);
        g.SetTextFont(&font);
        g.SetPaintColor(Color(255, 0, 0, 0)); // alpha is not used
        g.PaintText("Hello", 10, 30);
        const int32_t top = 30 + 2 - font.Ascent() + 1;
        ExpectTextAt(display.Drawn(), coverage, 13, top, fill, Color(255, 0, 0), Rect(0, 0, 120, 60));
        // Fully covered pixels carry exactly the text colour.
        int red = 0;
        const uint32_t pure = display.Drawn().Format().FromArgb(0xFFFF0000);
        for (int32_t y = 0; y < 60; ++y)
            for (int32_t x = 0; x < 120; ++x)
                red += (display.Drawn().PixelAt(x, y) & display.Drawn().Format().ColorMask()) == pure ? 1 : 0;
        EXPECT_GT(red, 20);
    }
}

TEST(SysFontTest, TextIsClippedToTheContextsClip) {
    TtfFontEngine engine;
    SysFont font(&engine, "SansSerif", 14, 0, true, false, false);
    const TextCoverage coverage = engine.OpenFace(font.Request())->Render("Clip");
    TextDisplay display(32, 0);
    Graphics g(&display.ScreenImage());
    g.NarrowClip(0, 0, 25, 60);
    g.SetTextFont(&font);
    g.SetPaintColor(Color(255, 255, 255));
    g.PaintText("Clip", 5, 20);
    ExpectTextAt(display.Drawn(), coverage, 5, 20 - font.Ascent() + 1, 0, Color(255, 255, 255),
                 Rect(0, 0, 25, 60));
}

TEST(SysFontTest, TextDrawnDuringAFrameHandsTheSurfaceLockBack) {
    TtfFontEngine engine;
    SysFont font(&engine, "SansSerif", 12, 0, false, false, false);
    TextDisplay display(32, 0);
    DDImage& screen = display.ScreenImage();
    ASSERT_TRUE(screen.AcquireSurfaceLock());
    Graphics g(&screen);
    g.SetTextFont(&font);
    g.SetPaintColor(Color(0, 255, 0));
    g.PaintText("Frame", 2, 20);
    EXPECT_TRUE(display.Drawn().IsLocked()) << "the frame's lock is back";
    EXPECT_EQ(screen.LockCount(), 1);
    g.SetPaintColor(Color(0, 0, 255));
    g.PaintRect(100, 0, 1, 1); // drawing through the frame's lock still works
    EXPECT_TRUE(screen.ReleaseSurfaceLock());
    EXPECT_FALSE(display.Drawn().IsLocked());
    EXPECT_EQ(display.Drawn().PixelAt(100, 0) & 0xFFFFFF, 0x0000FEu);
    int green = 0;
    for (int32_t y = 0; y < 60; ++y)
        for (int32_t x = 0; x < 100; ++x)
            green += (display.Drawn().PixelAt(x, y) & 0xFFFFFF) == 0x00FF00u ? 1 : 0;
    EXPECT_GT(green, 10);
}

TEST(SysFontTest, TextOnAPictureThatKeepsItsPixelsIsNotLost) {
    TtfFontEngine engine;
    SysFont font(&engine, "SansSerif", 12, 0, false, false, false);
    TextDisplay display(32, 0);
    DDImage picture(*display.device);
    Fill(picture, 60, 30, 0xFF000000);
    Graphics g(&picture);
    g.SetTextFont(&font);
    g.SetPaintColor(Color(255, 255, 255));
    g.PaintText("Kept", 2, 20);
    EXPECT_GT(BrightPixels(picture), 20);

    // A picture whose surface holds its only copy keeps the text there.
    DDImage surfaceOnly(*display.device);
    Fill(surfaceOnly, 60, 30, 0xFF000000);
    ASSERT_TRUE(surfaceOnly.AcquireSurfaceLock());
    ASSERT_TRUE(surfaceOnly.ReleaseSurfaceLock());
    surfaceOnly.DropPixels();
    ASSERT_EQ(surfaceOnly.Bits(), nullptr);
    Graphics s(&surfaceOnly);
    s.SetTextFont(&font);
    s.SetPaintColor(Color(255, 255, 255));
    s.PaintText("Kept", 2, 20);
    ASSERT_NE(surfaceOnly.GetSurface(), nullptr);
    EXPECT_GT(BrightPixels(surfaceOnly), 20);
}
