#include "framework/platform/font/TtfFontEngine.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace Zorbel;

namespace {

std::string FileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

int CoveredPixels(const TextCoverage& coverage) {
    int covered = 0;
    for (uint8_t a : coverage.alpha)
        covered += a > 0 ? 1 : 0;
    return covered;
}

FontRequest Request(const std::string& face, int32_t pixels, bool bold = false, bool italic = false,
                    bool underline = false) {
    return FontRequest{face, pixels, 0, bold, italic, underline};
}

} // namespace

TEST(TtfFontEngineTest, LogicalFaceNamesMapToGenericFamilies) {
    EXPECT_EQ(TtfFontEngine::FamilyFor("SansSerif"), "sans-serif");
    EXPECT_EQ(TtfFontEngine::FamilyFor("sansserif"), "sans-serif");
    EXPECT_EQ(TtfFontEngine::FamilyFor("Serif"), "serif");
    EXPECT_EQ(TtfFontEngine::FamilyFor("Monospaced"), "monospace");
    EXPECT_EQ(TtfFontEngine::FamilyFor("Tahoma"), "Tahoma");
}

TEST(TtfFontEngineTest, SansSerifResolvesToDejaVuSansWithRealBoldAndItalicFaces) {
    TtfFontEngine engine;
    ASSERT_TRUE(engine.IsAvailable());
    TtfFontEngine::ResolvedFace regular = engine.Resolve("SansSerif", false, false);
    EXPECT_EQ(FileName(regular.file), "DejaVuSans.ttf");
    TtfFontEngine::ResolvedFace bold = engine.Resolve("SansSerif", true, false);
    EXPECT_EQ(FileName(bold.file), "DejaVuSans-Bold.ttf");
    EXPECT_FALSE(bold.syntheticBold);
    TtfFontEngine::ResolvedFace italic = engine.Resolve("SansSerif", false, true);
    EXPECT_EQ(FileName(italic.file), "DejaVuSans-Oblique.ttf");
    EXPECT_FALSE(italic.syntheticItalic);
}

TEST(TtfFontEngineTest, AFaceTheSystemLacksGetsASubstitute) {
    TtfFontEngine engine;
    TtfFontEngine::ResolvedFace tahoma = engine.Resolve("Tahoma", false, false);
    ASSERT_FALSE(tahoma.file.empty());
    EXPECT_TRUE(std::filesystem::exists(tahoma.file));
    EXPECT_NE(engine.OpenFace(Request("Tahoma", 11)), nullptr);
}

TEST(TtfFontEngineTest, FacesReportPixelMetricsAndWidths) {
    TtfFontEngine engine;
    std::unique_ptr<FontFace> face = engine.OpenFace(Request("SansSerif", 13));
    ASSERT_NE(face, nullptr);
    // DejaVu Sans rises 0.93 em above the baseline and descends 0.24 below.
    EXPECT_EQ(face->Ascent(), 13);
    EXPECT_EQ(face->Height(), 16);
    EXPECT_EQ(face->TextWidth(""), 0);
    EXPECT_GT(face->TextWidth("WWW"), face->TextWidth("iii"));
    EXPECT_EQ(face->TextWidth("ab"), face->TextWidth("a") + face->TextWidth("b"));
    std::unique_ptr<FontFace> larger = engine.OpenFace(Request("SansSerif", 26));
    EXPECT_GT(larger->Height(), face->Height());
    EXPECT_GT(larger->TextWidth("abc"), face->TextWidth("abc"));
    EXPECT_EQ(engine.OpenFace(Request("SansSerif", 0)), nullptr);
}

TEST(TtfFontEngineTest, RenderingGivesAntiAliasedCoverageOfTheTextCell) {
    TtfFontEngine engine;
    std::unique_ptr<FontFace> face = engine.OpenFace(Request("SansSerif", 20));
    TextCoverage coverage = face->Render("Hello");
    EXPECT_EQ(coverage.width, face->TextWidth("Hello"));
    EXPECT_EQ(coverage.height, face->Height());
    bool partial = false;
    bool full = false;
    for (uint8_t a : coverage.alpha) {
        partial |= a > 0 && a < 255;
        full |= a == 255;
    }
    EXPECT_TRUE(partial) << "edges are anti-aliased";
    EXPECT_TRUE(full);
    // Nothing of "Hello" reaches below the baseline's descent area except nothing at all: the
    // bottom row of the cell is empty.
    for (int32_t x = 0; x < coverage.width; ++x)
        EXPECT_EQ(coverage.At(x, coverage.height - 1), 0) << x;
    EXPECT_TRUE(face->Render("").alpha.empty());
}

TEST(TtfFontEngineTest, StylesChangeTheGlyphs) {
    TtfFontEngine engine;
    auto regular = engine.OpenFace(Request("SansSerif", 20));
    auto bold = engine.OpenFace(Request("SansSerif", 20, true));
    auto italic = engine.OpenFace(Request("SansSerif", 20, false, true));
    auto underline = engine.OpenFace(Request("SansSerif", 20, false, false, true));
    EXPECT_GT(bold->TextWidth("Hello"), regular->TextWidth("Hello"));
    EXPECT_GT(CoveredPixels(underline->Render("Hello")), CoveredPixels(regular->Render("Hello")));
    EXPECT_NE(italic->Render("l").alpha, regular->Render("l").alpha);
}
