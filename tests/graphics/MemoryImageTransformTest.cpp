#include "framework/app/MTRand.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"

#include "graphics/ImageTestUtil.h"

#include <gtest/gtest.h>

#include <numbers>
#include <vector>

using namespace Zorbel;
using namespace Zorbel::Testing;

namespace {

class MemoryImageTransformTest : public ::testing::Test {
protected:
    ImageContext context;
    MemoryImage dest{context};
    MemoryImage source{context};

    // A picture of distinct opaque pixels.
    void FillRandom(MemoryImage& image, int32_t w, int32_t h, uint32_t seed) {
        MTRand random(seed);
        std::vector<uint32_t> pixels(size_t(w) * size_t(h));
        for (uint32_t& p : pixels)
            p = random.Next() | 0xFF000000;
        image.SetPixels(pixels.data(), w, h, true);
    }

    // Triangles covering the pixel rectangle (x, y, w, h) with the whole texture.
    static std::vector<TexturedTriangle> Quad(float x, float y, float w, float h, uint32_t colour = 0) {
        TriVertex a{x, y, 0, 0, colour}, b{x + w, y, 1, 0, colour}, c{x + w, y + h, 1, 1, colour},
            d{x, y + h, 0, 1, colour};
        return {TexturedTriangle{{a, b, c}}, TexturedTriangle{{a, c, d}}};
    }
};

// The filter's reading of an opaque pixel right on its centre.
uint32_t OnCentre(uint32_t pixel) {
    auto c = [&](int shift) { return ((((pixel >> shift) & 0xFF) * 255) >> 8) << shift; };
    return 0xFF000000 | c(16) | c(8) | c(0);
}

} // namespace

TEST_F(MemoryImageTransformTest, IdentityMatrixReproducesAnOpaquePicture) {
    FillRandom(source, 7, 5, 11);
    for (bool filtered : {false, true}) {
        Fill(dest, 16, 12, 0xFF000000);
        MemoryImage plain(context);
        Fill(plain, 16, 12, 0xFF000000);
        plain.BlitImage(&source, 4, 3, source.GetBounds(), Color::White, DRAWMODE_NORMAL);
        // The quad is centred on (x, y): a 7 x 5 picture at (4, 3) has its centre at (7.5, 5.5).
        dest.BlitImageTransformed(&source, 7.5f, 5.5f, Matrix3::Identity(),
                                  BlitState{dest.GetBounds(), Color::White, DRAWMODE_NORMAL},
                                  source.GetBounds(), filtered);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(PixelAt(dest, x, y), PixelAt(plain, x, y)) << filtered << " " << x << "," << y;
    }
}

TEST_F(MemoryImageTransformTest, MatrixBlitDrawsOnlyTheSourceRectangle) {
    FillRandom(source, 8, 8, 12);
    Fill(dest, 10, 10, 0xFF000000);
    const Rect cel(4, 2, 3, 2);
    dest.BlitImageTransformed(&source, 5.5f, 5.0f, Matrix3::Identity(),
                              BlitState{dest.GetBounds(), Color::White, DRAWMODE_NORMAL}, cel, true);
    // A 3 x 2 cel centred on (5.5, 5): pixels (4, 4) ... (6, 5).
    EXPECT_EQ(CountNot(dest, 0xFF000000), 6);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(PixelAt(dest, 4 + x, 4 + y), PixelAt(source, 4 + x, 2 + y)) << x << "," << y;
}

TEST_F(MemoryImageTransformTest, ScalingMatrixRepeatsEachPixel) {
    FillRandom(source, 3, 2, 13);
    Fill(dest, 14, 8, 0xFF000000);
    dest.BlitImageTransformed(&source, 10.f, 4.f, Matrix3::Scaling(2, 2),
                              BlitState{dest.GetBounds(), Color::White, DRAWMODE_NORMAL}, source.GetBounds(),
                              false);
    // Corners at (10 - 3.5, 4 - 2.5) and (10 + 2.5, 4 + 1.5): pixel centres 7 ... 12 by 2 ... 5.
    EXPECT_EQ(CountNot(dest, 0xFF000000), 24);
    for (int y = 2; y < 6; ++y)
        for (int x = 7; x < 13; ++x)
            EXPECT_EQ(PixelAt(dest, x, y), PixelAt(source, (x - 7) / 2, (y - 2) / 2)) << x << "," << y;
}

TEST_F(MemoryImageTransformTest, TurnedBlitThroughTheImage) {
    FillRandom(source, 4, 3, 14);
    Fill(dest, 12, 12, 0xFF000000);
    const int32_t before = dest.GetChangeCount();
    dest.BlitImageTurned(&source, 2, 8, FRect(0, 0, 4, 3),
                         BlitState{dest.GetBounds(), Color::White, DRAWMODE_NORMAL}, std::numbers::pi / 2, 0,
                         0);
    EXPECT_GT(dest.GetChangeCount(), before);
    // Source pixel (i, j) lands on (2 + j, 7 - i).
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(PixelAt(dest, 2 + j, 7 - i), OnCentre(PixelAt(source, i, j))) << i << "," << j;
    EXPECT_EQ(CountNot(dest, 0xFF000000), 12);
}

TEST_F(MemoryImageTransformTest, AtFractionIsAnUnturnedTurnedBlit) {
    FillRandom(source, 5, 4, 15);
    Fill(dest, 10, 10, 0xFF000000);
    dest.BlitImageAtFraction(&source, 3, 2, FRect(1, 1, 3, 2),
                             BlitState{Rect(0, 0, 5, 10), Color::White, DRAWMODE_NORMAL});
    EXPECT_EQ(PixelAt(dest, 3, 2), OnCentre(PixelAt(source, 1, 1)));
    EXPECT_EQ(PixelAt(dest, 4, 3), OnCentre(PixelAt(source, 2, 2)));
    EXPECT_EQ(PixelAt(dest, 5, 2), 0xFF000000u) << "outside the clip";
    EXPECT_EQ(CountNot(dest, 0xFF000000), 4);
}

TEST_F(MemoryImageTransformTest, APalettisedSourceAndThePictureItselfCanBeDrawn) {
    Fill(source, 4, 4, 0xFF336699);
    ASSERT_TRUE(source.ConvertToPalette());
    Fill(dest, 6, 6, 0xFF000000);
    dest.BlitImageTurned(&source, 1, 1, FRect(0, 0, 4, 4),
                         BlitState{dest.GetBounds(), Color::White, DRAWMODE_NORMAL}, 0, 0, 0);
    EXPECT_EQ(PixelAt(dest, 2, 2), OnCentre(0xFF336699));
    std::vector<TexturedTriangle> quad = Quad(0, 0, 2, 2);
    dest.BlitTexturedTriangles(&source, quad.data(), 2,
                               BlitState{dest.GetBounds(), Color::White, DRAWMODE_NORMAL}, 0, 0, true);
    EXPECT_EQ(PixelAt(dest, 0, 0), 0xFF336699u);
    EXPECT_NE(source.ColorTable(), nullptr) << "reading a palettised source keeps it palettised";
    EXPECT_EQ(source.Bits(), nullptr);
    // Drawn onto itself, the picture reads its pixels as they were before the draw.
    FillRandom(dest, 6, 6, 16);
    std::vector<uint32_t> before(dest.GetPixels(), dest.GetPixels() + 36);
    dest.BlitImageTurned(&dest, 1, 0, FRect(0, 0, 5, 6),
                         BlitState{dest.GetBounds(), Color::White, DRAWMODE_NORMAL}, 0, 0, 0);
    for (int y = 0; y < 6; ++y)
        for (int x = 1; x < 6; ++x)
            EXPECT_EQ(PixelAt(dest, x, y), OnCentre(before[size_t(y) * 6 + size_t(x - 1)])) << x << "," << y;
}

TEST_F(MemoryImageTransformTest, TrianglesAreMovedByTheOffsetAndTintedByVertexColours) {
    Fill(source, 2, 2, 0xFFFFFFFF);
    Fill(dest, 10, 10, 0xFF000000);
    std::vector<TexturedTriangle> quad = Quad(0, 0, 3, 2);
    dest.BlitTexturedTriangles(&source, quad.data(), 2,
                               BlitState{dest.GetBounds(), Color::White, DRAWMODE_NORMAL}, 4.f, 5.f, false);
    // Corners on pixel centres: (4, 5) ... (6, 6) by the top-left rule.
    EXPECT_EQ(CountNot(dest, 0xFF000000), 6);
    EXPECT_EQ(PixelAt(dest, 4, 5), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(dest, 6, 6), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(dest, 7, 5), 0xFF000000u);
    // Non-zero vertex colours multiply the texture.
    std::vector<TexturedTriangle> red = Quad(0, 0, 3, 2, 0xFFFF0000);
    dest.BlitTexturedTriangles(&source, red.data(), 2,
                               BlitState{dest.GetBounds(), Color::White, DRAWMODE_NORMAL}, 4.f, 5.f, false);
    EXPECT_EQ(PixelAt(dest, 5, 6), 0xFFFF0000u);
    // So does the colour, and an unknown draw mode draws nothing.
    dest.BlitTexturedTriangles(&source, quad.data(), 2,
                               BlitState{dest.GetBounds(), Color(0, 0, 255), DRAWMODE_NORMAL}, 0.f, 0.f,
                               false);
    EXPECT_EQ(PixelAt(dest, 1, 1), 0xFF0000FFu);
    dest.BlitTexturedTriangles(&source, quad.data(), 2,
                               BlitState{dest.GetBounds(), Color::White, static_cast<DrawMode>(2)}, 0.f, 0.f,
                               false);
    EXPECT_EQ(PixelAt(dest, 1, 1), 0xFF0000FFu);
}

TEST_F(MemoryImageTransformTest, MatrixAndTriangleBlitsAlwaysBlendNormally) {
    Fill(source, 1, 1, 0x80FF0000);
    MemoryImage normal(context), additive(context);
    Fill(normal, 4, 4, 0xFF0000FF);
    Fill(additive, 4, 4, 0xFF0000FF);
    std::vector<TexturedTriangle> quad = Quad(-0.5f, -0.5f, 4, 4);
    normal.BlitTexturedTriangles(&source, quad.data(), 2,
                                 BlitState{normal.GetBounds(), Color::White, DRAWMODE_NORMAL}, 0, 0, false);
    additive.BlitTexturedTriangles(&source, quad.data(), 2,
                                   BlitState{additive.GetBounds(), Color::White, DRAWMODE_ADDITIVE}, 0, 0,
                                   false);
    EXPECT_EQ(PixelAt(normal, 2, 2), PixelAt(additive, 2, 2));
    // Half red over blue: 128 red, 127 of the blue left.
    EXPECT_EQ(PixelAt(normal, 2, 2), 0xFF80007Fu);
}

TEST_F(MemoryImageTransformTest, AForcedOpaquePictureIsDrawnWithoutAlpha) {
    Fill(source, 1, 1, 0x80FF0000);
    std::vector<TexturedTriangle> quad = Quad(-0.5f, -0.5f, 2, 2);
    // Its alpha bytes say transparent, yet the picture is declared opaque: the result is opaque.
    Fill(dest, 2, 2, 0x000000FF);
    dest.ForceAlphaFlags(false, false);
    dest.BlitTexturedTriangles(&source, quad.data(), 2,
                               BlitState{dest.GetBounds(), Color::White, DRAWMODE_NORMAL}, 0, 0, false);
    EXPECT_EQ(PixelAt(dest, 0, 0), 0xFF80007Fu);
    // Without the declaration the destination's transparency counts: only the source is left.
    MemoryImage clear(context);
    Fill(clear, 2, 2, 0x000000FF);
    clear.BlitTexturedTriangles(&source, quad.data(), 2,
                                BlitState{clear.GetBounds(), Color::White, DRAWMODE_NORMAL}, 0, 0, false);
    EXPECT_EQ(PixelAt(clear, 0, 0), 0x80FF0000u);
}

TEST_F(MemoryImageTransformTest, OtherSourcesAndEmptyInputsDrawNothing) {
    Image notInMemory;
    Fill(source, 2, 2, 0xFFFFFFFF);
    Fill(dest, 4, 4, 0xFF000000);
    const int32_t before = dest.GetChangeCount();
    std::vector<TexturedTriangle> quad = Quad(0, 0, 3, 3);
    dest.BlitImageTurned(&notInMemory, 0, 0, FRect(0, 0, 2, 2),
                         BlitState{dest.GetBounds(), Color::White, DRAWMODE_NORMAL}, 0.5, 0, 0);
    dest.BlitImageTransformed(&notInMemory, 2, 2, Matrix3::Identity(),
                              BlitState{dest.GetBounds(), Color::White, DRAWMODE_NORMAL}, Rect(0, 0, 2, 2),
                              false);
    dest.BlitTexturedTriangles(&notInMemory, quad.data(), 2,
                               BlitState{dest.GetBounds(), Color::White, DRAWMODE_NORMAL}, 0, 0, false);
    dest.BlitTexturedTriangles(&source, nullptr, 2,
                               BlitState{dest.GetBounds(), Color::White, DRAWMODE_NORMAL}, 0, 0, false);
    dest.BlitTexturedTriangles(&source, quad.data(), 0,
                               BlitState{dest.GetBounds(), Color::White, DRAWMODE_NORMAL}, 0, 0, false);
    dest.BlitImageTransformed(&source, 2, 2, Matrix3::Identity(),
                              BlitState{dest.GetBounds(), Color::White, DRAWMODE_NORMAL}, Rect(0, 0, 0, 2),
                              false);
    dest.BlitImageTurned(&source, 0, 0, FRect(0, 0, 2, 2),
                         BlitState{Rect(0, 0, 0, 0), Color::White, DRAWMODE_NORMAL}, 0.5, 0, 0);
    EXPECT_EQ(CountNot(dest, 0xFF000000), 0);
    EXPECT_EQ(dest.GetChangeCount(), before);
    // Polygons have no software implementation.
    const Point triangle[3] = {{0, 0}, {3, 0}, {0, 3}};
    EXPECT_FALSE(dest.FillPolygon(triangle, 3, dest.GetBounds(), Color::White, DRAWMODE_NORMAL, 0, 0));
}
