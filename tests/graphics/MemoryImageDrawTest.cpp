#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"

#include "graphics/ImageTestUtil.h"

#include <gtest/gtest.h>

using namespace Zorbel;
using namespace Zorbel::Testing;

// Every expected pixel below is worked out by hand from the blending formulas; the comments show the
// arithmetic.

namespace {

class MemoryImageDrawTest : public ::testing::Test {
protected:
    ImageContext context;
    MemoryImage dest{context};
    MemoryImage source{context};

    void Blit(const Color& color, DrawMode mode = DRAWMODE_NORMAL) {
        dest.BlitImage(&source, 0, 0, source.GetBounds(), color, mode);
    }
};

} // namespace

// --- FillArea -----------------------------------------------------------------------------------

TEST_F(MemoryImageDrawTest, OpaqueFillWritesThePackedColour) {
    Fill(dest, 4, 4, 0x00000000);
    dest.FillArea(Rect(1, 1, 2, 2), Color(1, 2, 3), DRAWMODE_NORMAL);
    EXPECT_EQ(PixelAt(dest, 1, 1), 0xFF010203u);
    EXPECT_EQ(PixelAt(dest, 2, 2), 0xFF010203u);
    EXPECT_EQ(PixelAt(dest, 0, 0), 0u);
    EXPECT_EQ(PixelAt(dest, 3, 1), 0u);
    EXPECT_EQ(CountNot(dest, 0), 4);
}

TEST_F(MemoryImageDrawTest, TranslucentFillOverAnOpaqueDestination) {
    Fill(dest, 2, 1, 0xFF6432C8);
    // outA = 255, w = 128 * 255 / 255 = 128:
    // red (200 * 128 + 100 * 128) >> 8 = 150, green (100 * 128 + 50 * 128) >> 8 = 75,
    // blue (0 * 128 >> 8) + (200 * 128 >> 8) = 100.
    dest.FillArea(Rect(0, 0, 2, 1), Color(200, 100, 0, 128), DRAWMODE_NORMAL);
    EXPECT_EQ(PixelAt(dest, 0, 0), 0xFF964B64u);
    EXPECT_EQ(PixelAt(dest, 1, 0), 0xFF964B64u);
}

TEST_F(MemoryImageDrawTest, TranslucentFillKeepsTheDestinationAlphaMeaningful) {
    Fill(dest, 2, 1, 0x00000000);
    SetPixelAt(dest, 1, 0, 0x800000FF);
    dest.FillArea(Rect(0, 0, 1, 1), Color(200, 100, 0, 128), DRAWMODE_NORMAL);
    // Transparent destination: outA = 255 * 128 / 255 = 128, w = 128 * 255 / 128 = 255:
    // red 200 * 255 >> 8 = 199, green 100 * 255 >> 8 = 99.
    EXPECT_EQ(PixelAt(dest, 0, 0), 0x80C76300u);
    dest.FillArea(Rect(1, 0, 1, 1), Color(255, 255, 255, 64), DRAWMODE_NORMAL);
    // dA = 128: outA = 128 + 127 * 64 / 255 = 159, w = 64 * 255 / 159 = 102:
    // red 255 * 102 >> 8 = 101, blue (255 * 102 >> 8) + (255 * 154 >> 8) = 101 + 153 = 254.
    EXPECT_EQ(PixelAt(dest, 1, 0), 0x9F6565FEu);
}

TEST_F(MemoryImageDrawTest, FillOfAlphaZeroLeavesThePixels) {
    Fill(dest, 3, 1, 0x12345678);
    dest.FillArea(Rect(0, 0, 3, 1), Color(255, 0, 0, 0), DRAWMODE_NORMAL);
    EXPECT_EQ(CountNot(dest, 0x12345678), 0);
}

TEST_F(MemoryImageDrawTest, AdditiveFillsBlendLikeNormalOnes) {
    Fill(dest, 1, 1, 0xFF6432C8);
    dest.FillArea(Rect(0, 0, 1, 1), Color(200, 100, 0, 128), DRAWMODE_ADDITIVE);
    EXPECT_EQ(PixelAt(dest, 0, 0), 0xFF964B64u);
}

TEST_F(MemoryImageDrawTest, FillsAreClippedToThePicture) {
    Fill(dest, 3, 3, 0);
    dest.FillArea(Rect(-5, 2, 100, 100), Color(9, 9, 9), DRAWMODE_NORMAL);
    EXPECT_EQ(CountNot(dest, 0), 3);
    EXPECT_EQ(dest.Bits()[9], MemoryImage::GuardWord);
    dest.FillArea(Rect(INT32_MAX - 1, INT32_MAX - 1, INT32_MAX, INT32_MAX), Color(9, 9, 9), DRAWMODE_NORMAL);
    EXPECT_EQ(CountNot(dest, 0), 3);
}

TEST_F(MemoryImageDrawTest, OutlineCoversOneMorePixelEachWay) {
    Fill(dest, 8, 8, 0);
    dest.DrawOutline(Rect(1, 1, 4, 3), Color(255, 0, 0), DRAWMODE_NORMAL);
    // A 5 x 4 ring: 2 * 5 + 2 * 2 = 14 pixels, corners included once.
    EXPECT_EQ(CountNot(dest, 0), 14);
    EXPECT_EQ(PixelAt(dest, 1, 1), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(dest, 5, 1), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(dest, 1, 4), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(dest, 5, 4), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(dest, 2, 2), 0u);
    EXPECT_EQ(PixelAt(dest, 6, 1), 0u);
}

TEST_F(MemoryImageDrawTest, ClearAreaAndSpans) {
    Fill(dest, 4, 3, 0xFFFFFFFF);
    dest.ClearArea(Rect(1, 1, 2, 5));
    EXPECT_EQ(CountNot(dest, 0xFFFFFFFF), 4);
    EXPECT_EQ(PixelAt(dest, 2, 2), 0u);
    const Span spans[] = {{0, 1, 2}, {2, 3, 9}};
    dest.FillSpans(spans, 2, Color(0, 0, 255), DRAWMODE_NORMAL);
    EXPECT_EQ(PixelAt(dest, 1, 0), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(dest, 2, 0), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(dest, 3, 0), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(dest, 3, 2), 0xFF0000FFu);
}

// --- Lines --------------------------------------------------------------------------------------

TEST_F(MemoryImageDrawTest, SlantedWhiteLinesGive254StraightOnes255) {
    Fill(dest, 4, 4, 0xFF000000);
    dest.DrawSegment(0, 0, 3, 3, Color::White, DRAWMODE_NORMAL);
    // (255 * 255 + 127) >> 8 = 254.
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(PixelAt(dest, i, i), 0xFFFEFEFEu) << i;
    EXPECT_EQ(CountNot(dest, 0xFF000000), 4);

    Fill(dest, 4, 4, 0xFF000000);
    dest.DrawSegment(3, 1, 0, 1, Color::White, DRAWMODE_NORMAL);
    dest.DrawSegment(2, 3, 2, 2, Color::White, DRAWMODE_NORMAL);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(PixelAt(dest, x, 1), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(dest, 2, 2), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(dest, 2, 3), 0xFFFFFFFFu);
    EXPECT_EQ(CountNot(dest, 0xFF000000), 6);
}

TEST_F(MemoryImageDrawTest, ShallowLinesStepTheMinorAxisAtHalfAPixel) {
    Fill(dest, 6, 4, 0);
    dest.DrawSegment(4, 2, 0, 0, Color(0, 255, 0), DRAWMODE_NORMAL);
    // Slope 0.5 from (0, 0): the error reaches 0.5 after the first and third pixel.
    const int ys[] = {0, 1, 1, 2, 2};
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(PixelAt(dest, x, ys[x]), 0xFF00FE00u) << x;
    EXPECT_EQ(CountNot(dest, 0), 5);
}

TEST_F(MemoryImageDrawTest, TranslucentLinesMixWithRounding) {
    Fill(dest, 3, 3, 0x32FF0064);
    dest.DrawSegment(0, 0, 2, 2, Color(200, 100, 0, 128), DRAWMODE_NORMAL);
    // red: (200 * 128 + 128) >> 8 = 100, converted (100 * 255 + 127) >> 8 = 100, plus
    //      (255 * 128 + 127) >> 8 = 127 -> 227;
    // green: 50 -> 50, plus (0 * 128 + 127) >> 8 = 0 -> 50;
    // blue: 0 -> 0, plus (100 * 128 + 127) >> 8 = 50 -> 50; alpha 255.
    EXPECT_EQ(PixelAt(dest, 1, 1), 0xFFE33232u);
}

TEST_F(MemoryImageDrawTest, AdditiveLinesSaturateAndTurnOpaque) {
    Fill(dest, 2, 2, 0x00C86405);
    dest.DrawSegment(0, 0, 1, 1, Color(100, 200, 0, 128), DRAWMODE_ADDITIVE);
    // red 200 + 100 * 128 / 255 = 200 + 50, green 100 + 200 * 128 / 255 = 100 + 100.
    EXPECT_EQ(PixelAt(dest, 0, 0), 0xFFFAC805u);
    dest.DrawSegment(0, 0, 1, 1, Color(100, 200, 0, 255), DRAWMODE_ADDITIVE);
    EXPECT_EQ(PixelAt(dest, 1, 1), 0xFFFFFF05u);
}

TEST_F(MemoryImageDrawTest, LinesOutsideThePictureAreClipped) {
    Fill(dest, 4, 4, 0);
    dest.DrawSegment(-1e9, -1e9 + 2, 1e9, 1e9 + 2, Color::White, DRAWMODE_NORMAL);
    dest.DrawSegment(-10, 1e300, 5, 5, Color::White, DRAWMODE_NORMAL);
    // The long diagonal crosses the picture two rows below its main diagonal.
    EXPECT_EQ(PixelAt(dest, 0, 2), 0xFFFEFEFEu);
    EXPECT_EQ(PixelAt(dest, 1, 3), 0xFFFEFEFEu);
    EXPECT_EQ(CountNot(dest, 0), 2);
}

// --- Normal blits -------------------------------------------------------------------------------

TEST_F(MemoryImageDrawTest, OpaqueDestinationWalksTheAlphaRuns) {
    const uint32_t pixels[] = {0xFF123456, 0x00ABCDEF, 0x80FF8040, 0x80010101};
    source.SetPixels(pixels, 4, 1, true);
    Fill(dest, 4, 1, 0xFFFFFFFF);
    ASSERT_FALSE(dest.HasAlpha());
    ASSERT_FALSE(dest.HasTrans());
    Blit(Color::White);
    EXPECT_EQ(PixelAt(dest, 0, 0), 0xFF123456u) << "opaque runs are copied";
    EXPECT_EQ(PixelAt(dest, 1, 0), 0xFFFFFFFFu) << "transparent runs are skipped";
    // a = 128 over white: red (255 * 128 + 255 * 128) >> 8 = 255, green (128 * 128 + 255 * 128) >> 8
    // = 191, blue (64 * 128 >> 8) + (255 * 128 >> 8) = 32 + 127 = 159.
    EXPECT_EQ(PixelAt(dest, 2, 0), 0xFFFFBF9Fu);
    // Blue rounds each product on its own: (1 * 128 >> 8) + (255 * 128 >> 8) = 127, while red and
    // green give (1 * 128 + 255 * 128) >> 8 = 128.
    EXPECT_EQ(PixelAt(dest, 3, 0), 0xFF80807Fu);
}

TEST_F(MemoryImageDrawTest, RunsCutToTheSourceRectangle) {
    std::vector<uint32_t> pixels(300, 0xFF00FF00);
    for (int i = 100; i < 300; ++i)
        pixels[i] = 0x00000000;
    source.SetPixels(pixels.data(), 300, 1, true);
    Fill(dest, 10, 1, 0xFF000000);
    // Starting mid-run at column 95: five copied pixels, then five skipped.
    dest.BlitImage(&source, 0, 0, Rect(95, 0, 10, 1), Color::White, DRAWMODE_NORMAL);
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(PixelAt(dest, x, 0), 0xFF00FF00u);
    for (int x = 5; x < 10; ++x)
        EXPECT_EQ(PixelAt(dest, x, 0), 0xFF000000u);
}

TEST_F(MemoryImageDrawTest, RunsLongerThan255PixelsContinueAcrossTheCut) {
    std::vector<uint32_t> pixels(700);
    for (int i = 0; i < 700; ++i)
        pixels[i] = i < 300 ? 0xFF0000FF : i < 600 ? 0x80FF8040 : 0x00FFFFFF;
    source.SetPixels(pixels.data(), 700, 1, true);
    Fill(dest, 700, 1, 0xFFFFFFFF);
    Blit(Color::White);
    EXPECT_EQ(PixelAt(dest, 0, 0), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(dest, 299, 0), 0xFF0000FFu);
    // The translucent stretch starts at 300 and runs on past 555, where its first run is cut.
    for (int x : {300, 555, 556, 599})
        EXPECT_EQ(PixelAt(dest, x, 0), 0xFFFFBF9Fu) << x;
    EXPECT_EQ(PixelAt(dest, 600, 0), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(dest, 699, 0), 0xFFFFFFFFu);

    Fill(dest, 400, 1, 0xFFFFFFFF);
    dest.BlitImage(&source, 0, 0, Rect(250, 0, 400, 1), Color::White, DRAWMODE_NORMAL);
    EXPECT_EQ(PixelAt(dest, 49, 0), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(dest, 50, 0), 0xFFFFBF9Fu);
    EXPECT_EQ(PixelAt(dest, 349, 0), 0xFFFFBF9Fu);
    EXPECT_EQ(PixelAt(dest, 350, 0), 0xFFFFFFFFu);
}

TEST_F(MemoryImageDrawTest, DestinationWithAlphaBlendsByTheFillRule) {
    dest.SetSize(3, 1);
    const uint32_t pixels[] = {0xFFFF0000, 0x00FFFFFF, 0x80FF6432};
    source.SetPixels(pixels, 3, 1, true);
    Blit(Color::White);
    // Opaque red over transparent: outA 255, w 255: red 255 * 255 >> 8 = 254.
    EXPECT_EQ(PixelAt(dest, 0, 0), 0xFFFE0000u);
    EXPECT_EQ(PixelAt(dest, 1, 0), 0u) << "alpha 0 is skipped";
    // a = 128 over transparent: outA 128, w 255: 255 -> 254, 100 -> 99, 50 -> 49.
    EXPECT_EQ(PixelAt(dest, 2, 0), 0x80FE6331u);
}

TEST_F(MemoryImageDrawTest, TintedBlitWeightsEachChannel) {
    Fill(dest, 2, 1, 0xFF000000);
    SetPixelAt(dest, 1, 0, 0xFF0A141E);
    Fill(source, 2, 1, 0xFFC86432);
    Blit(Color(128, 255, 0, 255));
    // a = 255, w = 255: red (200 * 255 * 128) >> 16 = 99, green ((100 * 255 * 255) >> 8) >> 8 = 99,
    // blue 0.
    EXPECT_EQ(PixelAt(dest, 0, 0), 0xFF636300u);
    // Over (10, 20, 30): red (6528000 + 10 * 1 * 256) >> 16 = 99, green (25400 + 20) >> 8 = 99,
    // blue 0 + (30 * 1 >> 8) = 0.
    EXPECT_EQ(PixelAt(dest, 1, 0), 0xFF636300u);
}

TEST_F(MemoryImageDrawTest, TintAlphaScalesTheSourceAlpha) {
    Fill(dest, 1, 1, 0xFF000000);
    Fill(source, 1, 1, 0xFFC86432);
    Blit(Color(255, 255, 255, 128));
    // a = 255 * 128 / 255 = 128, outA 255, w 128: red (200 * 128 * 255) >> 16 = 99,
    // green ((100 * 128 * 255) >> 8) >> 8 = 49, blue (50 * 128 * 255) >> 16 = 24.
    EXPECT_EQ(PixelAt(dest, 0, 0), 0xFF633118u);
}

TEST_F(MemoryImageDrawTest, ColourOfAlphaZeroSkipsEveryPixel) {
    Fill(dest, 2, 2, 0x40302010);
    Fill(source, 2, 2, 0xFFFFFFFF);
    Blit(Color(255, 255, 255, 0));
    EXPECT_EQ(CountNot(dest, 0x40302010), 0);
}

TEST_F(MemoryImageDrawTest, BlitsAreClippedAndUnknownModesDrawNothing) {
    Fill(dest, 3, 3, 0);
    Fill(source, 2, 2, 0xFF0000FF);
    dest.BlitImage(&source, 2, 2, Rect(0, 0, 2, 2), Color::White, DRAWMODE_NORMAL);
    EXPECT_EQ(CountNot(dest, 0), 1);
    dest.BlitImage(&source, -1, 0, Rect(-3, -3, 9, 9), Color::White, DRAWMODE_NORMAL);
    EXPECT_EQ(PixelAt(dest, 0, 0), 0u) << "the source's own pixels land at (2, 3), below the picture";
    dest.BlitImage(&source, 0, 0, Rect(0, 0, 2, 2), Color::White, static_cast<DrawMode>(2));
    Image plain;
    dest.BlitImage(&plain, 0, 0, Rect(0, 0, 2, 2), Color::White, DRAWMODE_NORMAL);
    dest.BlitImage(nullptr, 0, 0, Rect(0, 0, 2, 2), Color::White, DRAWMODE_NORMAL);
    EXPECT_EQ(dest.Bits()[9], MemoryImage::GuardWord);
}

TEST_F(MemoryImageDrawTest, SetPixelsAcceptsTheImagesOwnPixels) {
    const uint32_t pixels[] = {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004};
    dest.SetPixels(pixels, 2, 2, true);
    dest.SetPixels(dest.Bits(), 2, 1, true);
    EXPECT_EQ(PixelAt(dest, 1, 0), 0xFF000002u);
    EXPECT_EQ(dest.Bits()[2], MemoryImage::GuardWord);
}

TEST_F(MemoryImageDrawTest, APictureDrawnOntoItselfReadsTheOriginal) {
    const uint32_t pixels[] = {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004};
    dest.SetPixels(pixels, 4, 1, true);
    dest.BlitImage(&dest, 1, 0, Rect(0, 0, 3, 1), Color::White, DRAWMODE_NORMAL);
    EXPECT_EQ(PixelAt(dest, 1, 0), 0xFF000001u);
    EXPECT_EQ(PixelAt(dest, 2, 0), 0xFF000002u);
    EXPECT_EQ(PixelAt(dest, 3, 0), 0xFF000003u);
}

// --- Additive blits -----------------------------------------------------------------------------

TEST_F(MemoryImageDrawTest, AdditiveWhiteOnWhiteStaysWhiteAndKeepsAlpha) {
    Fill(dest, 2, 1, 0x64FFFFFF);
    Fill(source, 2, 1, 0xFFFFFFFF);
    Blit(Color::White, DRAWMODE_ADDITIVE);
    EXPECT_EQ(PixelAt(dest, 0, 0), 0x64FFFFFFu);
    EXPECT_EQ(PixelAt(dest, 1, 0), 0x64FFFFFFu);
}

TEST_F(MemoryImageDrawTest, AdditiveWithoutSourceAlphaAddsTheChannels) {
    Fill(dest, 2, 1, 0x10F00A01);
    const uint32_t pixels[] = {0xFF20F002, 0x00010203};
    source.SetPixels(pixels, 2, 1, true);
    ASSERT_FALSE(source.HasAlpha());
    Blit(Color::White, DRAWMODE_ADDITIVE);
    EXPECT_EQ(PixelAt(dest, 0, 0), 0x10FFFA03u);
    EXPECT_EQ(PixelAt(dest, 1, 0), 0x10F10C04u) << "transparent pixels still add their colour";
}

TEST_F(MemoryImageDrawTest, AdditiveWithSourceAlphaScalesFirst) {
    Fill(dest, 1, 1, 0x3264C801);
    Fill(source, 1, 1, 0x80C86403);
    Blit(Color::White, DRAWMODE_ADDITIVE);
    // red 200 * 128 >> 8 = 100 -> 200, green 100 * 128 >> 8 = 50 -> 250, blue 3 * 128 / 256 = 1 -> 2.
    EXPECT_EQ(PixelAt(dest, 0, 0), 0x32C8FA02u);
}

TEST_F(MemoryImageDrawTest, AdditiveTintedWeightsByTheColour) {
    Fill(dest, 2, 1, 0x070A0A0A);
    Fill(source, 2, 1, 0xFFC86432);
    // k' = (255 * 128 / 255, 128 * 128 / 255, 0) = (128, 64, 0):
    // red 200 * 128 / 256 = 100 -> 110, green 100 * 64 / 256 = 25 -> 35, blue 0 -> 10.
    Blit(Color(255, 128, 0, 128), DRAWMODE_ADDITIVE);
    EXPECT_EQ(PixelAt(dest, 0, 0), 0x076E230Au);

    Fill(dest, 2, 1, 0x070A0A0A);
    const uint32_t pixels[] = {0x80C86432, 0xFFC86432};
    source.SetPixels(pixels, 2, 1, true);
    Blit(Color(255, 128, 0, 128), DRAWMODE_ADDITIVE);
    // Then by source alpha: red 100 * 128 / 256 = 50 -> 60, green 25 * 128 / 256 = 12 -> 22;
    // an opaque pixel is scaled by 255 / 256: red 100 * 255 / 256 = 99 -> 109, green 24 -> 34.
    EXPECT_EQ(PixelAt(dest, 0, 0), 0x073C160Au);
    EXPECT_EQ(PixelAt(dest, 1, 0), 0x076D220Au);
}

// --- Scaled blits -------------------------------------------------------------------------------

namespace {

void Scale(MemoryImage& dest, MemoryImage& source, const FRect& destRect, const Rect& clip, bool fast,
           const Color& color = Color::White) {
    dest.BlitImageScaled(&source, destRect, FRect(0, 0, source.GetWidth(), source.GetHeight()),
                         BlitState{clip, color, DRAWMODE_NORMAL}, fast);
}

} // namespace

TEST_F(MemoryImageDrawTest, NearestSamplingTakesColumnsOneStepAhead) {
    const uint32_t pixels[] = {0xFF800000, 0xFF008000};
    source.SetPixels(pixels, 2, 1, true);
    Fill(dest, 4, 1, 0xFF000000);
    Scale(dest, source, FRect(0, 0, 4, 1), Rect(0, 0, 4, 1), true);
    // Columns trunc((j + 1) * 0.5) = 0, 1, 1, 2 -> cut to 1. An opaque pixel blends with w = 255:
    // (128 * 255 + 0 * 1) >> 8 = 127.
    EXPECT_EQ(PixelAt(dest, 0, 0), 0xFF7F0000u);
    EXPECT_EQ(PixelAt(dest, 1, 0), 0xFF007F00u);
    EXPECT_EQ(PixelAt(dest, 2, 0), 0xFF007F00u);
    EXPECT_EQ(PixelAt(dest, 3, 0), 0xFF007F00u);
}

TEST_F(MemoryImageDrawTest, NearestSamplingTakesRowsWithoutTheStep) {
    const uint32_t pixels[] = {0xFF800000, 0xFF008000};
    source.SetPixels(pixels, 1, 2, true);
    Fill(dest, 1, 4, 0xFF000000);
    Scale(dest, source, FRect(0, 0, 1, 4), Rect(0, 0, 1, 4), true);
    // Rows trunc(i * 0.5) = 0, 0, 1, 1.
    EXPECT_EQ(PixelAt(dest, 0, 0), 0xFF7F0000u);
    EXPECT_EQ(PixelAt(dest, 0, 1), 0xFF7F0000u);
    EXPECT_EQ(PixelAt(dest, 0, 2), 0xFF007F00u);
    EXPECT_EQ(PixelAt(dest, 0, 3), 0xFF007F00u);
}

TEST_F(MemoryImageDrawTest, ClippingDoesNotMoveTheSamples) {
    const uint32_t pixels[] = {0xFF800000, 0xFF008000};
    source.SetPixels(pixels, 2, 1, true);
    Fill(dest, 4, 1, 0xFF000000);
    Scale(dest, source, FRect(0, 0, 4, 1), Rect(2, 0, 2, 1), true);
    EXPECT_EQ(PixelAt(dest, 1, 0), 0xFF000000u);
    EXPECT_EQ(PixelAt(dest, 2, 0), 0xFF007F00u);
    EXPECT_EQ(PixelAt(dest, 3, 0), 0xFF007F00u);
}

TEST_F(MemoryImageDrawTest, NearestSamplingDrawsOnlyInOpaqueWhite) {
    Fill(source, 2, 2, 0xFFFFFFFF);
    Fill(dest, 4, 4, 0xFF000000);
    const int32_t changes = dest.GetChangeCount();
    Scale(dest, source, FRect(0, 0, 4, 4), Rect(0, 0, 4, 4), true, Color(255, 0, 0));
    EXPECT_EQ(CountNot(dest, 0xFF000000), 0);
    EXPECT_EQ(dest.GetChangeCount(), changes + 1) << "the change is still announced";
}

TEST_F(MemoryImageDrawTest, AreaShrinkingAveragesWithExactWeightTotals) {
    const uint32_t pixels[] = {0xFF000000, 0xFF0000FF, 0xFF000064, 0xFF0000C8};
    source.SetPixels(pixels, 4, 1, true);
    Fill(dest, 2, 1, 0xFF000000);
    Scale(dest, source, FRect(0, 0, 2, 1), Rect(0, 0, 2, 1), false);
    // Each source pixel covers half a destination pixel: weights 129 and 128 (the cumulative
    // positions 128.5 and 257 rounded). Blue sums 255 * 128 = 32640 and 100 * 129 + 200 * 128 = 38500;
    // the vertical weight 256 and >> 16 give 127 and 150; alpha 65535 * 256 >> 16 = 255.
    // Over the opaque destination u = 255: (255 * 127) >> 8 = 126, (255 * 150) >> 8 = 149.
    EXPECT_EQ(PixelAt(dest, 0, 0), 0xFF00007Eu);
    EXPECT_EQ(PixelAt(dest, 1, 0), 0xFF000095u);
}

TEST_F(MemoryImageDrawTest, AreaGrowingInterpolatesLinearly) {
    const uint32_t pixels[] = {0xFF000000, 0xFF0000FF};
    source.SetPixels(pixels, 2, 1, true);
    dest.SetSize(4, 1);
    Scale(dest, source, FRect(0, 0, 4, 1), Rect(0, 0, 4, 1), false);
    // Positions 0, 1/3, 2/3, 1: h = 257, 171, 85, and the last column alone at 257. Blue sums
    // 0, 255 * 86, 255 * 172, 255 * 257 -> 0, 85, 171, 255 -> (255 * c) >> 8 = 0, 84, 170, 254.
    EXPECT_EQ(PixelAt(dest, 0, 0), 0xFF000000u);
    EXPECT_EQ(PixelAt(dest, 1, 0), 0xFF000054u);
    EXPECT_EQ(PixelAt(dest, 2, 0), 0xFF0000AAu);
    EXPECT_EQ(PixelAt(dest, 3, 0), 0xFF0000FEu);
}

TEST_F(MemoryImageDrawTest, AreaShrinkingAFlatFieldKeepsItsColour) {
    Fill(source, 800, 600, 0xFFC86432);
    dest.SetSize(100, 75);
    Scale(dest, source, FRect(0, 0, 100, 75), Rect(0, 0, 100, 75), false);
    // 200 * 257 * 256 >> 16 = 200, then over transparent (255 * 200) >> 8 = 199; 100 -> 99; 50 -> 49.
    EXPECT_EQ(CountNot(dest, 0xFFC76331), 0);
}

TEST_F(MemoryImageDrawTest, AreaPathBlendsWithTheDestinationAlpha) {
    Fill(source, 2, 2, 0x80FFFFFF);
    Fill(dest, 2, 2, 0x800000FF);
    Scale(dest, source, FRect(0, 0, 2, 2), Rect(0, 0, 2, 2), false);
    // A' = 128, dA = 128: outA = 128 + 127 * 128 / 255 = 191, u = 128 * 255 / 191 = 170:
    // red (0 * 86 >> 8) + (170 * 255 >> 8) = 169, blue (255 * 86 >> 8) + 169 = 85 + 169 = 254.
    EXPECT_EQ(PixelAt(dest, 1, 1), 0xBFA9A9FEu);
}

TEST_F(MemoryImageDrawTest, ScaledBlitsStayInsideBothPictures) {
    Fill(source, 3, 3, 0xFFFFFFFF);
    Fill(dest, 4, 4, 0);
    dest.BlitImageScaled(&source, FRect(-2, -2, 100, 100), FRect(-5, -5, 50, 50),
                         BlitState{Rect(-10, -10, 50, 50), Color::White, DRAWMODE_NORMAL}, false);
    dest.BlitImageScaled(&source, FRect(-2, -2, 100, 100), FRect(-5, -5, 50, 50),
                         BlitState{Rect(-10, -10, 50, 50), Color::White, DRAWMODE_NORMAL}, true);
    dest.BlitImageScaled(&source, FRect(0, 0, 0, 4), FRect(0, 0, 3, 3),
                         BlitState{Rect(0, 0, 4, 4), Color::White, DRAWMODE_NORMAL}, true);
    EXPECT_EQ(dest.Bits()[16], MemoryImage::GuardWord);
}

TEST_F(MemoryImageDrawTest, PalettisedPicturesScaleThroughTheirTable) {
    const uint32_t pixels[] = {0xFF800000, 0xFF008000};
    source.SetPixels(pixels, 2, 1, true);
    ASSERT_TRUE(source.ConvertToPalette());
    Fill(dest, 4, 1, 0xFF000000);
    Scale(dest, source, FRect(0, 0, 4, 1), Rect(0, 0, 4, 1), true);
    EXPECT_EQ(PixelAt(dest, 0, 0), 0xFF7F0000u);
    EXPECT_EQ(PixelAt(dest, 3, 0), 0xFF007F00u);
    Fill(dest, 2, 1, 0xFF000000);
    Scale(dest, source, FRect(0, 0, 2, 1), Rect(0, 0, 2, 1), false);
    // Identity: 128 * 257 * 256 >> 16 = 128, then (255 * 128) >> 8 = 127.
    EXPECT_EQ(PixelAt(dest, 0, 0), 0xFF7F0000u);
    EXPECT_EQ(source.Bits(), nullptr) << "the source stays palettised";
}

TEST_F(MemoryImageDrawTest, DrawingIntoAPalettisedPictureExpandsItFirst) {
    Fill(dest, 2, 1, 0xFF000000);
    ASSERT_TRUE(dest.ConvertToPalette());
    dest.FillArea(Rect(1, 0, 1, 1), Color(0, 0, 255), DRAWMODE_NORMAL);
    EXPECT_EQ(dest.ColorTable(), nullptr);
    EXPECT_EQ(PixelAt(dest, 0, 0), 0xFF000000u);
    EXPECT_EQ(PixelAt(dest, 1, 0), 0xFF0000FFu);
}
