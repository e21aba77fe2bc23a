#include "framework/graphics/TriangleRasterizer.h"

#include "framework/app/MTRand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace Zorbel;

namespace {

struct Canvas {
    int32_t width;
    int32_t height;
    std::vector<uint32_t> pixels;

    Canvas(int32_t w, int32_t h, uint32_t fill = 0)
        : width(w), height(h), pixels(size_t(w) * size_t(h), fill) {}
    uint32_t& At(int32_t x, int32_t y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    RasterTarget Target(DestFormat format = DestFormat::Argb32) {
        return RasterTarget{pixels.data(), width * 4, width, height, format};
    }
};

RasterVertex V(double x, double y, double u = 0, double v = 0, uint32_t colour = 0) {
    return RasterVertex{x, y, u, v, colour};
}

// Which pixels one untextured opaque triangle covers.
std::vector<uint8_t> Coverage(int32_t w, int32_t h, const Rect& clip, const RasterVertex& a,
                              const RasterVertex& b, const RasterVertex& c) {
    Canvas canvas(w, h);
    TriangleRasterizer rasterizer(canvas.Target(), clip, RasterTexture{}, RasterStyle{Color(255, 0, 0)});
    rasterizer.Draw(a, b, c);
    std::vector<uint8_t> covered(canvas.pixels.size());
    for (size_t i = 0; i < covered.size(); ++i)
        covered[i] = canvas.pixels[i] != 0;
    return covered;
}

// Adds one triangle's coverage to the counts.
void Count(std::vector<int>& counts, const std::vector<uint8_t>& covered) {
    for (size_t i = 0; i < counts.size(); ++i)
        counts[i] += covered[i];
}

bool IsConvex(const RasterVertex (&q)[4]) {
    int sign = 0;
    for (int k = 0; k < 4; ++k) {
        const RasterVertex &a = q[k], &b = q[(k + 1) % 4], &c = q[(k + 2) % 4];
        double cross = (b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x);
        int s = cross > 0 ? 1 : cross < 0 ? -1 : 0;
        if (s == 0 || (sign != 0 && s != sign)) return false;
        sign = s;
    }
    return true;
}

} // namespace

TEST(TriangleRasterizerTest, TopLeftRuleTakesTheTopAndLeftEdgesOnly) {
    // A square whose corners sit on pixel centres: the centres on its top and left edges are inside,
    // those on its bottom and right edges are not.
    Canvas canvas(8, 8);
    TriangleRasterizer rasterizer(canvas.Target(), Rect(0, 0, 8, 8), RasterTexture{},
                                  RasterStyle{Color(9, 9, 9)});
    EXPECT_TRUE(rasterizer.Draw(V(1, 2), V(5, 2), V(5, 6)));
    EXPECT_TRUE(rasterizer.Draw(V(1, 2), V(5, 6), V(1, 6)));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(canvas.At(x, y), (x >= 1 && x < 5 && y >= 2 && y < 6) ? 0xFF090909u : 0u)
                << x << "," << y;
}

TEST(TriangleRasterizerTest, TrianglesSharingEdgesCoverEveryPixelExactlyOnce) {
    MTRand random(2024);
    const int32_t w = 40, h = 32;
    const Rect clips[] = {Rect(0, 0, w, h), Rect(7, 5, 19, 13)};
    for (int round = 0; round < 300; ++round) {
        const Rect& clip = clips[round % 2];
        const int steps = round % 3 == 0 ? 1 << 20 : 4;
        // A convex quad around a centre, split along either diagonal, and as a fan of four around the
        // centre. Coordinates on a quarter-pixel grid put many pixel centres exactly on edges and
        // corners; the others are nearly arbitrary.
        double cx = 0, cy = 0;
        RasterVertex q[4];
        do {
            cx = 4 + double(random.Next() % 32000) / 1000.0;
            cy = 2 + double(random.Next() % 28000) / 1000.0;
            for (int k = 0; k < 4; ++k) {
                double angle = (k + double(random.Next() % 1000) / 1200.0) * (M_PI / 2);
                double radius = 3 + double(random.Next() % 3000) / 100.0;
                q[k] = V(std::round((cx + radius * std::cos(angle)) * steps) / steps,
                         std::round((cy + radius * std::sin(angle)) * steps) / steps);
            }
        } while (!IsConvex(q));
        RasterVertex centre = V(cx, cy);
        std::vector<int> one(size_t(w) * h), other(size_t(w) * h), fan(size_t(w) * h), whole(size_t(w) * h);
        Count(one, Coverage(w, h, clip, q[0], q[1], q[2]));
        Count(one, Coverage(w, h, clip, q[0], q[2], q[3]));
        Count(whole, Coverage(w, h, Rect(0, 0, w, h), q[0], q[1], q[2]));
        Count(whole, Coverage(w, h, Rect(0, 0, w, h), q[0], q[2], q[3]));
        Count(other, Coverage(w, h, clip, q[0], q[1], q[3]));
        Count(other, Coverage(w, h, clip, q[1], q[2], q[3]));
        for (int k = 0; k < 4; ++k)
            Count(fan, Coverage(w, h, clip, centre, q[k], q[(k + 1) % 4]));
        for (size_t i = 0; i < one.size(); ++i) {
            ASSERT_LE(one[i], 1) << "round " << round << " pixel " << i;
            ASSERT_EQ(one[i], other[i]) << "round " << round << " pixel " << i;
            ASSERT_EQ(one[i], fan[i]) << "round " << round << " pixel " << i;
            // Clipping takes away exactly what lies outside the clip.
            ASSERT_EQ(one[i], clip.Contains(int32_t(i % w), int32_t(i / w)) ? whole[i] : 0)
                << "round " << round;
        }
    }
}

TEST(TriangleRasterizerTest, ClippingNeverWritesOutsideTheClip) {
    MTRand random(7);
    const Rect clip(6, 4, 21, 15);
    int drawnRounds = 0;
    for (int round = 0; round < 200; ++round) {
        Canvas canvas(36, 28, 0x5A5A5A5A);
        TriangleRasterizer rasterizer(canvas.Target(), clip, RasterTexture{}, RasterStyle{Color(1, 2, 3)});
        auto coordinate = [&] {
            double scale = round % 4 == 0 ? 1e7 : 120.0;
            return (double(random.Next() % 20001) / 10000.0 - 1.0) * scale + 18;
        };
        drawnRounds += rasterizer.Draw(V(coordinate(), coordinate()), V(coordinate(), coordinate()),
                                       V(coordinate(), coordinate()));
        for (int y = 0; y < canvas.height; ++y)
            for (int x = 0; x < canvas.width; ++x)
                if (!clip.Contains(x, y)) {
                    ASSERT_EQ(canvas.At(x, y), 0x5A5A5A5Au) << round << ": " << x << "," << y;
                }
    }
    EXPECT_GT(drawnRounds, 40);
}

TEST(TriangleRasterizerTest, DegenerateAndNonFiniteTrianglesDrawNothing) {
    Canvas canvas(10, 10);
    TriangleRasterizer rasterizer(canvas.Target(), Rect(0, 0, 10, 10), RasterTexture{},
                                  RasterStyle{Color(1, 1, 1)});
    EXPECT_FALSE(rasterizer.Draw(V(1, 1), V(5, 5), V(9, 9)));
    EXPECT_FALSE(rasterizer.Draw(V(1, 1), V(1, 1), V(1, 1)));
    EXPECT_FALSE(rasterizer.Draw(V(NAN, 1), V(5, 5), V(9, 1)));
    EXPECT_FALSE(rasterizer.Draw(V(INFINITY, 1), V(5, 5), V(9, 1)));
    // Sliver thinner than a pixel between centres covers nothing.
    EXPECT_FALSE(rasterizer.Draw(V(0, 2.1), V(9, 2.1), V(9, 2.6)));
    EXPECT_EQ(canvas.pixels, std::vector<uint32_t>(100, 0));
    // A colour without alpha draws nothing either.
    TriangleRasterizer clear(canvas.Target(), Rect(0, 0, 10, 10), RasterTexture{},
                             RasterStyle{Color(1, 1, 1, 0)});
    EXPECT_FALSE(clear.Draw(V(0, 0), V(9, 0), V(0, 9)));
}

TEST(TriangleRasterizerTest, TexelCentresOnPixelCentresReproduceTheTexture) {
    MTRand random(5);
    std::vector<uint32_t> texels(6 * 5);
    for (uint32_t& t : texels)
        t = random.Next() | 0xFF000000;
    for (bool filtered : {false, true}) {
        Canvas canvas(12, 10, 0xFF000000);
        TriangleRasterizer rasterizer(canvas.Target(), Rect(0, 0, 12, 10),
                                      RasterTexture{texels.data(), 6, 5, false},
                                      RasterStyle{Color::White, filtered});
        // The texture's corners sit half a pixel outside the pixel centres of (3, 2) ... (8, 6).
        RasterVertex a = V(2.5, 1.5, 0, 0), b = V(8.5, 1.5, 1, 0), c = V(8.5, 6.5, 1, 1),
                     d = V(2.5, 6.5, 0, 1);
        rasterizer.Draw(a, b, c);
        rasterizer.Draw(a, c, d);
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 12; ++x) {
                bool inside = x >= 3 && x < 9 && y >= 2 && y < 7;
                uint32_t expected = inside ? texels[size_t(y - 2) * 6 + size_t(x - 3)] : 0xFF000000;
                ASSERT_EQ(canvas.At(x, y), expected)
                    << (filtered ? "filtered " : "nearest ") << x << "," << y;
            }
        }
    }
}

TEST(TriangleRasterizerTest, TexturePositionsBeyondTheEdgeRepeatTheEdgeTexel) {
    const uint32_t texels[2] = {0xFF0000FF, 0xFFFF0000};
    Canvas canvas(8, 1);
    TriangleRasterizer rasterizer(canvas.Target(), Rect(0, 0, 8, 1), RasterTexture{texels, 2, 1, false},
                                  RasterStyle{});
    // u runs from -1 to 3 over eight pixels.
    rasterizer.Draw(V(-0.5, -0.5, -1, 0), V(7.5, -0.5, 3, 0), V(7.5, 0.5, 3, 1));
    rasterizer.Draw(V(-0.5, -0.5, -1, 0), V(7.5, 0.5, 3, 1), V(-0.5, 0.5, -1, 1));
    EXPECT_EQ(canvas.At(0, 0), 0xFF0000FFu);
    EXPECT_EQ(canvas.At(2, 0), 0xFF0000FFu);
    EXPECT_EQ(canvas.At(5, 0), 0xFFFF0000u);
    EXPECT_EQ(canvas.At(7, 0), 0xFFFF0000u);
}

TEST(TriangleRasterizerTest, VertexColoursAreInterpolatedAcrossTheTriangle) {
    const uint32_t white = 0xFFFFFFFF;
    Canvas canvas(64, 64);
    TriangleRasterizer rasterizer(canvas.Target(), Rect(0, 0, 64, 64), RasterTexture{&white, 1, 1, false},
                                  RasterStyle{Color::White, false, true});
    rasterizer.Draw(V(0, 0, 0, 0, 0xFFFF0000), V(63, 0, 0, 0, 0xFF00FF00), V(0, 63, 0, 0, 0xFF0000FF));
    EXPECT_EQ(canvas.At(0, 0), 0xFFFF0000u);
    uint32_t mid = canvas.At(21, 21); // the centroid: a third of each
    EXPECT_NEAR(int((mid >> 16) & 0xFF), 85, 2);
    EXPECT_NEAR(int((mid >> 8) & 0xFF), 85, 2);
    EXPECT_NEAR(int(mid & 0xFF), 85, 2);
    uint32_t nearGreen = canvas.At(61, 0);
    EXPECT_GT((nearGreen >> 8) & 0xFF, 240u);
    EXPECT_EQ(canvas.At(63, 63), 0u);
}

TEST(TriangleRasterizerTest, TranslucentPixelsBlendIntoEachDestinationFormat) {
    const uint32_t halfBlack = 0x80000000;
    RasterTexture texture{&halfBlack, 1, 1, true};
    auto draw = [&](void* bits, int32_t pitch, DestFormat format) {
        TriangleRasterizer rasterizer(RasterTarget{bits, pitch, 2, 1, format}, Rect(0, 0, 2, 1), texture,
                                      RasterStyle{});
        rasterizer.Draw(V(-0.5, -0.5), V(1.5, -0.5), V(1.5, 0.5));
        rasterizer.Draw(V(-0.5, -0.5), V(1.5, 0.5), V(-0.5, 0.5));
    };
    uint32_t argb[2] = {0xFFFFFFFF, 0x00FFFFFF};
    draw(argb, 8, DestFormat::Argb32);
    EXPECT_EQ(argb[0], 0xFF7F7F7Fu) << "half black over opaque white";
    EXPECT_EQ(argb[1], 0x80000000u) << "over nothing, the pixel itself";
    uint32_t rgb[2] = {0x00FFFFFF, 0x00FFFFFF};
    draw(rgb, 8, DestFormat::Rgb24);
    EXPECT_EQ(rgb[0], 0xFF7F7F7Fu) << "alpha bytes of an opaque picture do not count";
    uint16_t wide[2] = {0xFFFF, 0xF800};
    draw(wide, 4, DestFormat::Rgb565);
    EXPECT_EQ(wide[0], (15u << 11) | (31u << 5) | 15u);
    EXPECT_EQ(wide[1], 15u << 11);
    uint16_t narrow[2] = {0x7FFF, 0x001F};
    draw(narrow, 4, DestFormat::Rgb555);
    EXPECT_EQ(narrow[0], (15u << 10) | (15u << 5) | 15u);
    EXPECT_EQ(narrow[1], 15u);
}

TEST(TriangleRasterizerTest, OpaqueWhiteFillsEachFormatAtFullIntensity) {
    uint16_t wide[1] = {0};
    TriangleRasterizer(RasterTarget{wide, 2, 1, 1, DestFormat::Rgb565}, Rect(0, 0, 1, 1), RasterTexture{},
                       RasterStyle{})
        .Draw(V(-1, -1), V(3, -1), V(-1, 3));
    EXPECT_EQ(wide[0], 0xFFFF);
    uint16_t narrow[1] = {0};
    TriangleRasterizer(RasterTarget{narrow, 2, 1, 1, DestFormat::Rgb555}, Rect(0, 0, 1, 1), RasterTexture{},
                       RasterStyle{})
        .Draw(V(-1, -1), V(3, -1), V(-1, 3));
    EXPECT_EQ(narrow[0], 0x7FFF);
}

TEST(TriangleRasterizerTest, TheFillerIndexFollowsTheStyle) {
    uint32_t texel = 0xFFFFFFFF;
    Canvas canvas(1, 1);
    auto index = [&](RasterTexture texture, RasterStyle style, DestFormat format = DestFormat::Argb32) {
        return TriangleRasterizer(canvas.Target(format), Rect(0, 0, 1, 1), texture, style).FillerIndex();
    };
    const RasterTexture opaque{&texel, 1, 1, false};
    const RasterTexture translucent{&texel, 1, 1, true};
    EXPECT_EQ(index(opaque, RasterStyle{}), 16u);
    EXPECT_EQ(index(opaque, RasterStyle{Color::White, true}), 16u | 8 | 1);
    EXPECT_EQ(index(translucent, RasterStyle{}), 16u | 8);
    EXPECT_EQ(index(opaque, RasterStyle{Color(255, 0, 0)}), 16u | 2);
    EXPECT_EQ(index(opaque, RasterStyle{Color(255, 255, 255, 100)}), 16u | 8 | 2);
    EXPECT_EQ(index(opaque, RasterStyle{Color::White, false, true}), 16u | 4);
    EXPECT_EQ(index(RasterTexture{}, RasterStyle{}), 0u);
    EXPECT_EQ(index(opaque, RasterStyle{}, DestFormat::Rgb24), 16u | 0x20);
    EXPECT_EQ(index(opaque, RasterStyle{}, DestFormat::Rgb565), 16u | 0x40);
    EXPECT_EQ(index(opaque, RasterStyle{}, DestFormat::Rgb555), 16u | 0x60);
    TriangleRasterizer withVertices(canvas.Target(), Rect(0, 0, 1, 1), opaque,
                                    RasterStyle{Color::White, false, true});
    withVertices.SetTranslucentVertices(true);
    EXPECT_EQ(withVertices.FillerIndex(), 16u | 8 | 4);
}

TEST(TriangleRasterizerTest, WideTargetsAndFarCornersLeaveNoSeams) {
    // A target wider than 16-bit pixel positions reach.
    const int32_t w = 70000, h = 3;
    Canvas wide(w, h);
    TriangleRasterizer rasterizer(wide.Target(), Rect(0, 0, w, h), RasterTexture{},
                                  RasterStyle{Color(0, 0, 7)});
    rasterizer.Draw(V(65520.3, -0.5), V(65549.5, -0.5), V(65549.5, 2.5));
    rasterizer.Draw(V(65520.3, -0.5), V(65549.5, 2.5), V(65520.3, 2.5));
    for (int y = 0; y < h; ++y)
        for (int x = 65500; x < 65560; ++x)
            ASSERT_EQ(wide.At(x, y), x >= 65521 && x < 65550 ? 0xFF000007u : 0u) << x << "," << y;
    // Corners far beyond the guard band: two halves of a vast quad still cover each pixel once.
    std::vector<int> counts(20 * 20);
    const RasterVertex a = V(-3e8, -1e8), b = V(2e8, -2.5e8), c = V(1e9, 7e8), d = V(-2e8, 3e8);
    Count(counts, Coverage(20, 20, Rect(0, 0, 20, 20), a, b, c));
    Count(counts, Coverage(20, 20, Rect(0, 0, 20, 20), a, c, d));
    EXPECT_EQ(counts, std::vector<int>(20 * 20, 1));
}
