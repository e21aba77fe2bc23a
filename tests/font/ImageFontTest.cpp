#include "framework/font/ImageFont.h"

#include "font/FontFixture.h"
#include "framework/font/FontData.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "graphics/ImageTestUtil.h"

#include <gtest/gtest.h>

#include <thread>

using namespace Zorbel;
using namespace Zorbel::Testing;

namespace {

constexpr uint32_t Black = 0xFF000000;
constexpr uint32_t White = 0xFFFFFFFF;
constexpr Color kBlue(0, 0, 255);

// Three 4 x 4 glyphs, A, B and C, side by side in an opaque white picture.
const char* const kGlyphs = "Define Chars ('A' 'B' 'C');\n"
                            "Define Map ((0 0 4 4) (4 0 4 4) (8 0 4 4));\n";

std::string Layer(const std::string& name, const std::string& widths) {
    return "CreateLayer " + name + "; LayerSetImage " + name + " 'glyphs.png';\n" + "LayerSetImageMap " +
           name + " Chars Map; LayerSetAscent " + name + " 4;\n" + "LayerSetCharWidths " + name + " Chars " +
           widths + ";\n";
}

class ImageFontTest : public FontFixture {
protected:
    ImageFontTest() { WhitePicture("glyphs.png", 12, 4); }

    std::unique_ptr<ImageFont> Load(const std::string& descriptor) {
        auto font = std::make_unique<ImageFont>(&host, folder.Write("font.txt", kGlyphs + descriptor));
        EXPECT_TRUE(font->IsInitialized()) << (host.Errors().empty() ? "" : host.Errors()[0]);
        return font;
    }

    // A black target of width x height.
    MemoryImage& Target(int32_t width, int32_t height, uint32_t pixel = Black) {
        Fill(target, width, height, pixel);
        return target;
    }

    // A white glyph pixel drawn in colour over background the way the context draws pictures: the
    // layer colours are checked against it, whatever rounding the blit itself does.
    uint32_t Tinted(const Color& color, uint32_t background = Black, DrawMode mode = DRAWMODE_NORMAL) {
        MemoryImage pixel(context), canvas(context);
        Fill(pixel, 4, 4, White);
        EXPECT_TRUE(pixel.ConvertToPalette()) << "as the glyph pictures are";
        Fill(canvas, 4, 4, background);
        Graphics g(&canvas);
        g.SetTintImages(true);
        g.SetPaintColor(color);
        g.SetBlendMode(mode);
        g.PaintImage(&pixel, 0, 0);
        return PixelAt(canvas, 1, 1);
    }

    // Which pixels of one row are not black, as a string of '#' and '.'.
    std::string Row(int32_t y) {
        std::string row;
        for (int32_t x = 0; x < target.GetWidth(); ++x)
            row += PixelAt(target, x, y) == Black ? '.' : PixelAt(target, x, y) == Tinted(kBlue) ? 'b' : '#';
        return row;
    }

    MemoryImage target{context};
};

TEST_F(ImageFontTest, ALowerBaseOrderDrawsALayerUnderTheWholeString) {
    const std::string layers = Layer("Shadow", "(3 3 3)") +
                               "LayerSetOffset Shadow (-1 0); LayerSetColorMult Shadow (0 0 0 1);\n"
                               "LayerSetColorAdd Shadow (0 0 1 0);\n" +
                               Layer("Fill", "(3 3 3)");
    // Every glyph in one priority: each character's layers are drawn before the next character.
    auto font = Load(layers);
    Graphics g(&Target(12, 6));
    font->DrawText(g, 2, 5, "AB", Color::White, target.GetBounds());
    EXPECT_EQ(Row(2), ".b##b####...");
    EXPECT_EQ(Row(0), "............");
    EXPECT_EQ(Row(1), Row(4));
    EXPECT_EQ(Row(5), "............");

    auto under = Load(layers + "LayerSetBaseOrder Shadow -1;");
    Graphics h(&Target(12, 6));
    under->DrawText(h, 2, 5, "AB", Color::White, target.GetBounds());
    EXPECT_EQ(Row(2), ".b#######...");
}

TEST_F(ImageFontTest, LayerColoursMultiplyAndAddWithTheCapAt254) {
    auto font =
        Load(Layer("Half", "(5 5 5)") + "LayerSetColorMult Half (0.5 0.5 0.5 1);\n" +
             Layer("Add", "(5 5 5)") + "LayerSetColorAdd Add (0 0.02 0 0); LayerSetOffset Add (0 4);\n" +
             Layer("Glow", "(5 5 5)") + "LayerSetDrawMode Glow 1; LayerSetOffset Glow (0 8);\n");
    Graphics g(&Target(16, 12, 0xFF404040));
    g.SetBlendMode(DRAWMODE_NORMAL);
    // Each check compares with the same colour drawn over what the glyph covered.
    font->DrawText(g, 0, 4, "A", Color(255, 255, 255), target.GetBounds());
    EXPECT_EQ(PixelAt(target, 1, 1), Tinted(Color(127, 127, 127), 0xFF404040)) << "white times one half";

    const uint32_t covered = PixelAt(target, 1, 5);
    font->DrawText(g, 0, 4, "A", Color(0, 249, 0), target.GetBounds());
    EXPECT_EQ(PixelAt(target, 1, 5), Tinted(Color(0, 254, 0), covered)) << "249 + 5 stays 254";
    font->DrawText(g, 5, 4, "A", Color(0, 253, 0), target.GetBounds());
    EXPECT_EQ(PixelAt(target, 6, 5), Tinted(Color(0, 255, 0), 0xFF404040)) << "253 + 5 is capped at 255";
    EXPECT_NE(Tinted(Color(0, 254, 0), covered), Tinted(Color(0, 255, 0), covered));

    font->DrawText(g, 10, 4, "A", Color(16, 32, 48), target.GetBounds());
    EXPECT_EQ(PixelAt(target, 11, 9), Tinted(Color(16, 32, 48), 0xFF404040, DRAWMODE_ADDITIVE))
        << "the glow layer adds to what is there";
    EXPECT_NE(PixelAt(target, 11, 9), Tinted(Color(16, 32, 48), 0xFF404040));
    EXPECT_EQ(PixelAt(target, 15, 9), 0xFF404040u);
    EXPECT_EQ(g.GetBlendMode(), DRAWMODE_NORMAL) << "the context's draw mode comes back";
    EXPECT_EQ(g.GetPaintColor(), Color::Black);
    EXPECT_FALSE(g.GetTintImages());
}

TEST_F(ImageFontTest, KerningAppliesBetweenItsPairOnlyAndNothingFollowsTheLastCharacter) {
    auto font =
        Load(Layer("Fill", "(5 6 4)") + "LayerSetKerningPairs Fill ('AB') (-2); LayerSetSpacing Fill 1;");
    EXPECT_EQ(font->StringWidth("A"), 5);
    EXPECT_EQ(font->StringWidth("AB"), 5 + 6 - 2 + 1);
    EXPECT_EQ(font->StringWidth("BA"), 6 + 5 + 1);
    EXPECT_EQ(font->StringWidth(""), 0);
    EXPECT_EQ(font->CharWidth('B'), 6);
    EXPECT_EQ(font->CharWidthKerned('B', 'A'), 5);
    EXPECT_EQ(font->CharWidthKerned('A', 'B'), 6);

    Graphics g(&Target(20, 6));
    std::vector<Rect> glyphs;
    int32_t width = -1;
    font->DrawTextEx(g, 2, 5, "AB", Color::White, target.GetBounds(), &glyphs, &width);
    EXPECT_EQ(width, 10);
    EXPECT_EQ(glyphs, (std::vector<Rect>{Rect(2, 1, 4, 4), Rect(6, 1, 4, 4)}));
    EXPECT_EQ(Row(3), "..########..........");
    font->DrawTextEx(g, 2, 5, "BA", Color::White, target.GetBounds(), &glyphs, &width);
    EXPECT_EQ(width, 12);
    EXPECT_EQ(glyphs[1], Rect(9, 1, 4, 4));
}

TEST_F(ImageFontTest, PointRangesAndTagsChooseTheLayersAndSizesScaleThem) {
    auto font =
        Load("SetDefaultPointSize 12;\n" + Layer("Small", "(3 3 3)") + "LayerPointRange Small 0 19;\n" +
             Layer("Big", "(5 5 5)") + "LayerPointRange Big 20 -1; LayerSetPointSize Big 20;\n" +
             Layer("Bold", "(7 7 7)") + "LayerRequireTags Bold ('Bold');\n" + Layer("Thin", "(1 1 1)") +
             "LayerExcludeTags Thin ('bold');\n");
    const FontData& data = font->Data();
    auto active = [&] {
        std::string names;
        for (const ActiveFontLayer& layer : font->ActiveLayers())
            for (const char* name : {"Small", "Big", "Bold", "Thin"})
                if (&layer.BaseLayer() == data.GetLayer(name))
                    names += std::string(names.empty() ? "" : " ") + name;
        return names;
    };
    EXPECT_EQ(font->GetPointSize(), 12);
    EXPECT_EQ(active(), "Small Thin");
    EXPECT_EQ(font->CharWidth('A'), 3);

    font->SetPointSize(24);
    EXPECT_EQ(active(), "Big Thin");
    EXPECT_EQ(font->CharWidth('A'), 6) << "5 drawn for 20 points, at 24";

    EXPECT_TRUE(font->AddTag("bOLD"));
    EXPECT_FALSE(font->AddTag("Bold"));
    EXPECT_TRUE(font->HasTag("BOLD"));
    EXPECT_EQ(active(), "Big Bold");
    EXPECT_EQ(font->CharWidth('A'), 7);
    EXPECT_TRUE(font->RemoveTag("bold"));
    EXPECT_FALSE(font->RemoveTag("bold"));
    EXPECT_EQ(active(), "Big Thin");

    font->SetPointSize(40);
    EXPECT_EQ(font->Ascent(), 8);
    EXPECT_EQ(font->Height(), 8);
    Graphics g(&Target(12, 24));
    font->DrawText(g, 1, 20, "A", Color::White, target.GetBounds());
    EXPECT_EQ(CountNot(target, Black), 64) << "the glyph drawn at twice its size";
    EXPECT_EQ(Row(12), ".########...");
    EXPECT_EQ(Row(19), ".########...");
    EXPECT_EQ(Row(11), "............");
}

TEST_F(ImageFontTest, AStringPastTheGlyphPoolDrawsOnlyItsFirst4096Characters) {
    WhitePicture("dot.png", 1, 1);
    auto font = Load("CreateLayer Dot; LayerSetImage Dot 'dot.png'; LayerSetImageMap Dot ('A') ((0 0 1 1));\n"
                     "LayerSetCharWidths Dot ('A') (1); LayerSetAscent Dot 1;");
    const std::string text(5000, 'A');
    EXPECT_EQ(font->StringWidth(text), 5000);
    Graphics g(&Target(5000, 2));
    std::vector<Rect> glyphs;
    int32_t width = 0;
    font->DrawTextEx(g, 0, 1, text, Color::White, target.GetBounds(), &glyphs, &width);
    EXPECT_EQ(width, ImageFont::MaxGlyphDraws);
    EXPECT_EQ(glyphs.size(), size_t(ImageFont::MaxGlyphDraws));
    EXPECT_EQ(CountNot(target, Black), ImageFont::MaxGlyphDraws);
    EXPECT_EQ(PixelAt(target, 4095, 0), White);
    EXPECT_EQ(PixelAt(target, 4096, 0), Black);
}

TEST_F(ImageFontTest, AnUninitializedFontMeasuresZeroAndDrawsNothing) {
    for (const std::string& path :
         {folder.Path("absent.txt"), folder.Write("bad.txt", "CreateLayer A; Nonsense;")}) {
        ImageFont font(&host, path);
        EXPECT_FALSE(font.IsInitialized());
        EXPECT_EQ(font.StringWidth("ABC"), 0);
        EXPECT_EQ(font.Height(), 0);
        Graphics g(&Target(8, 8));
        int32_t width = 99;
        font.DrawTextEx(g, 0, 4, "ABC", Color::White, target.GetBounds(), nullptr, &width);
        EXPECT_EQ(width, 0);
        EXPECT_EQ(CountNot(target, Black), 0);
    }
}

TEST_F(ImageFontTest, ALegacyFontDrawsUpperCaseWithTheLowerCaseGlyphs) {
    auto picture = std::make_shared<MemoryImage>(context);
    Fill(*picture, 8, 4, 0xFFFF0000);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 4; x < 8; ++x)
            SetPixelAt(*picture, x, y, 0xFF00FF00);
    ImageFont font(picture, folder.Write("widths.txt", "2 4\na 4\n b 4\n"));
    ASSERT_TRUE(font.IsInitialized());
    EXPECT_EQ(font.StringWidth("a B"), 10);
    EXPECT_EQ(font.Ascent(), 4);
    EXPECT_EQ(font.Height(), 4);

    Graphics g(&Target(10, 4));
    font.DrawText(g, 1, 4, "AB", Color::White, target.GetBounds());
    EXPECT_EQ(PixelAt(target, 1, 0), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(target, 8, 3), 0xFF00FF00u);
    EXPECT_EQ(CountNot(target, Black), 32);

    ImageFont unreadable(picture, folder.Path("none.txt"));
    EXPECT_FALSE(unreadable.IsInitialized());
}

TEST_F(ImageFontTest, CopiesShareTheDataAndKeepScaledPicturesOfTheirOwn) {
    auto font = Load(Layer("Fill", "(5 5 5)"));
    EXPECT_EQ(font->GetDefinedString("map"), "((0, 0, 4, 4), (4, 0, 4, 4), (8, 0, 4, 4))");
    EXPECT_EQ(font->GetDefinedString("nothing"), "");
    font->SetScale(2.0);
    font->Prepare();
    std::unique_ptr<Font> clone = font->Clone();
    auto* copy = dynamic_cast<ImageFont*>(clone.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(&copy->Data(), &font->Data());
    EXPECT_NE(copy->ActiveLayers()[0].Image(), font->ActiveLayers()[0].Image());
    font.reset();

    EXPECT_EQ(copy->GetScale(), 2.0);
    EXPECT_EQ(copy->StringWidth("AB"), 20);
    Graphics g(&Target(10, 10));
    copy->DrawText(g, 1, 9, "C", Color::White, target.GetBounds());
    EXPECT_EQ(CountNot(target, Black), 64);
    EXPECT_EQ(Row(1), ".########.");
}

TEST_F(ImageFontTest, FontsDrawFromSeveralThreadsThroughTheOneLock) {
    auto first = Load(Layer("Fill", "(5 5 5)"));
    std::unique_ptr<Font> second = first->Clone();
    MemoryImage images[2] = {MemoryImage(context), MemoryImage(context)};
    auto draw = [&](Font& font, MemoryImage& image) {
        Fill(image, 20, 6, Black);
        Graphics g(&image);
        for (int i = 0; i < 200; ++i)
            font.DrawText(g, i % 2, 5, "ABC", Color::White, image.GetBounds());
    };
    std::thread other(draw, std::ref(*second), std::ref(images[1]));
    draw(*first, images[0]);
    other.join();
    for (MemoryImage& image : images)
        EXPECT_EQ(CountNot(image, Black), 3 * 16 + 3 * 4);
}

} // namespace
