// Our own image font, as the artwork generator draws it into the build, and the viewer program run
// on it as a developer runs it.
#include "framework/font/FontData.h"
#include "framework/font/ImageFont.h"
#include "framework/font/StandaloneFontHost.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/imagelib/ImageLib.h"
#include "support/ScratchFolder.h"
#include "support/WholeFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

using namespace Zorbel;
using namespace Zorbel::Testing;

namespace {

const std::string kFont = std::string(ZORBEL_BINARY_DIR) + "/fonts/Tessera.txt";

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string Quoted(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

Outcome FontView(const ScratchFolder& folder, const std::vector<std::string>& args) {
    std::string command = std::string(ZORBEL_BINARY_DIR) + "/zorbel-fontview";
    // Built by appending: GCC 12 at -O2 takes + on a temporary for overlapping copies.
    for (const std::string& arg : args) {
        command += " ";
        command += Quoted(arg);
    }
    command += " >";
    command += folder.Path("out.txt");
    command += " 2>";
    command += folder.Path("err.txt");
    command += " </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ZorbelTest::ReadWholeFile(folder.Path("out.txt")),
            ZorbelTest::ReadWholeFile(folder.Path("err.txt"))};
}

// The union of the glyph rectangles of text, as drawn with its baseline at 0.
Rect GlyphBounds(ImageFont& font, const std::string& text) {
    std::vector<Rect> glyphs;
    Graphics nowhere;
    font.DrawTextEx(nowhere, 0, 0, text, Color::White, Rect(), &glyphs, nullptr);
    Rect bounds;
    bool any = false;
    for (const Rect& r : glyphs) {
        if (r.IsEmpty()) continue;
        const int32_t right = std::max(r.x + r.width, any ? bounds.x + bounds.width : INT32_MIN);
        const int32_t bottom = std::max(r.y + r.height, any ? bounds.y + bounds.height : INT32_MIN);
        bounds.x = any ? std::min(bounds.x, r.x) : r.x;
        bounds.y = any ? std::min(bounds.y, r.y) : r.y;
        bounds.width = right - bounds.x;
        bounds.height = bottom - bounds.y;
        any = true;
    }
    return bounds;
}

TEST(FontViewTest, OurFontHasThreeLayersTwoSizesAGlowTagAndTheFacesKerning) {
    ImageContext context;
    StandaloneFontHost host(context);
    ImageFont font(&host, kFont);
    ASSERT_TRUE(font.IsInitialized()) << (host.Errors().empty() ? "unreadable" : host.Errors()[0]);
    EXPECT_EQ(font.GetDefaultPointSize(), 32);
    EXPECT_EQ(font.ActiveLayers().size(), 3u) << "fill, outline and shadow";
    EXPECT_LT(font.StringWidth("AV"), font.CharWidth('A') + font.CharWidth('V')) << "kerned";
    EXPECT_EQ(font.StringWidth("HH"), 2 * font.CharWidth('H'));
    EXPECT_GT(font.LineSpacing(), 30);
    EXPECT_LT(font.LineSpacing(), 45);

    const FontData& data = font.Data();
    EXPECT_EQ(&font.ActiveLayers()[0].BaseLayer(), data.GetLayer("Fill32"));
    font.AddTag("glow");
    EXPECT_EQ(font.ActiveLayers().size(), 4u);
    font.AddTag("flat");
    EXPECT_EQ(font.ActiveLayers().size(), 3u) << "no shadow on a flat font";
    font.SetPointSize(12);
    EXPECT_EQ(&font.ActiveLayers()[0].BaseLayer(), data.GetLayer("Fill14"));
    EXPECT_TRUE(font.ActiveLayers()[0].IsScaled());

    // Every printable character has a glyph with an advance, in every layer of both sizes.
    for (const auto& layer : data.Layers())
        for (int c = 33; c < 256; ++c)
            if (c < 127 || (c > 160 && c != 173)) {
                EXPECT_GT(layer->Char(uint8_t(c)).width, 0) << c;
                EXPECT_FALSE(layer->Char(uint8_t(c)).imageRect.IsEmpty()) << c;
            }
}

TEST(FontViewTest, PrintsTheWidthAndDrawsTheTextInItsColourOnAPictureJustLargeEnough) {
    ScratchFolder folder("zorbel-fontview");
    const std::string picture = folder.Path("text.png");
    const Outcome run = FontView(folder, {"--size", "20", "--tag", "Flat", "--color", "FF2000", "--out",
                                          picture, kFont, "Tesserine!"});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    ImageContext context;
    StandaloneFontHost host(context);
    ImageFont font(&host, kFont);
    font.SetPointSize(20);
    font.AddTag("flat");
    EXPECT_EQ(run.out, "width " + std::to_string(font.StringWidth("Tesserine!")) + "\n");
    EXPECT_TRUE(run.err.empty());

    auto drawn = ImageLib::LoadImageFile(picture, false);
    ASSERT_NE(drawn, nullptr);
    const Rect bounds = GlyphBounds(font, "Tesserine!");
    EXPECT_EQ(drawn->GetWidth(), bounds.width);
    EXPECT_EQ(drawn->GetHeight(), bounds.height);
    int red = 0, dark = 0, clear = 0;
    for (size_t i = 0; i < drawn->GetPixelCount(); ++i) {
        const uint32_t p = drawn->GetBits()[i];
        const uint32_t a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        red += a == 255 && r > 200 && g < 60 && b < 20 ? 1 : 0;
        dark += a > 100 && r < 90 && g < 90 && b < 110 ? 1 : 0;
        clear += a == 0 ? 1 : 0;
    }
    EXPECT_GT(red, 200) << "the fill takes the colour";
    EXPECT_GT(dark, 100) << "the outline stays dark";
    EXPECT_GT(clear, 100) << "around the letters the picture is transparent";
}

TEST(FontViewTest, ReportsDescriptorErrorsAndUnreadableDescriptors) {
    ScratchFolder folder("zorbel-fontview");
    const std::string bad = folder.Write("bad.txt", "CreateLayer A;\nLayerSetDrawMode A 2;\n");
    Outcome run = FontView(folder, {bad, "x"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Font Descriptor Error in " + bad +
                           "\r\nInvalid Paramater Type on Line 2:\r\n\r\nLayerSetDrawMode A 2\n");
    EXPECT_TRUE(run.out.empty());

    run = FontView(folder, {folder.Path("missing.txt"), "x"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "cannot read descriptor: " + folder.Path("missing.txt") + "\n");

    run = FontView(folder, {"--size", "big", kFont, "x"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("usage: zorbel-fontview"), std::string::npos);

    run = FontView(folder, {"--scale", "2", kFont, ""});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "width 0\n");
}

} // namespace
