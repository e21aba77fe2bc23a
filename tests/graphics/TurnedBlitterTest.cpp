#include "framework/graphics/TurnedBlitter.h"

#include "framework/app/MTRand.h"
#include "framework/platform/CpuFeatures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

using namespace Zorbel;

namespace {

constexpr SaturationTable Saturation = MakeSaturationTable();

struct Picture {
    int32_t width;
    int32_t height;
    std::vector<uint32_t> pixels;

    Picture(int32_t w, int32_t h, uint32_t fill = 0)
        : width(w), height(h), pixels(size_t(w) * size_t(h), fill) {}
    uint32_t& At(int32_t x, int32_t y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    PixelView View() { return PixelView{pixels.data(), width, height, width}; }
    ConstPixelView ConstView() const { return ConstPixelView{pixels.data(), width, height, width}; }
};

Picture RandomPicture(int32_t w, int32_t h, uint32_t seed, bool opaque) {
    MTRand random(seed);
    Picture p(w, h);
    for (uint32_t& px : p.pixels) {
        uint32_t value = random.Next() ^ (random.Next() << 1);
        if (opaque) {
            value |= 0xFF000000;
        } else {
            uint32_t kind = random.Next() % 4; // plenty of fully transparent and opaque pixels
            if (kind == 0) value &= 0x00FFFFFF;
            if (kind == 1) value |= 0xFF000000;
        }
        px = value;
    }
    return p;
}

// What the filter makes of an opaque channel sampled right on its pixel centre: the odd fractions leave
// the pixel a share of 255 out of 256.
uint32_t OnCentre(uint32_t pixel) {
    auto c = [&](int shift) { return ((((pixel >> shift) & 0xFF) * 255) >> 8) << shift; };
    return 0xFF000000 | c(16) | c(8) | c(0);
}

bool Blit(Picture& dest, const Rect& clip, const Picture& source, const FRect& srcRect, TurnPlacement at,
          Color colour = Color::White, int32_t mode = DRAWMODE_NORMAL) {
    return TurnedBlitter::Blit(dest.View(), clip, source.ConstView(), srcRect, at, colour, mode, Saturation);
}

bool Blit(Picture& dest, const Rect& clip, const Picture& source, const Rect& srcRect, TurnPlacement at,
          Color colour = Color::White, int32_t mode = DRAWMODE_NORMAL) {
    return Blit(dest, clip, source, FRect(srcRect.x, srcRect.y, srcRect.width, srcRect.height), at, colour,
                mode);
}

TurnPlacement At(float x, float y, double angle = 0, float cx = 0, float cy = 0) {
    return TurnPlacement{x, y, angle, cx, cy};
}

} // namespace

TEST(TurnedBlitterTest, NoTurnMatchesAPlainBlitWithinTheFilterRounding) {
    Picture source = RandomPicture(16, 12, 7, true);
    Picture dest(32, 24, 0xFF204060);
    ASSERT_TRUE(Blit(dest, Rect(0, 0, 32, 24), source, Rect(0, 0, 16, 12), At(5, 3)));
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 32; ++x) {
            bool inside = x >= 5 && x < 21 && y >= 3 && y < 15;
            uint32_t expected = inside ? OnCentre(source.At(x - 5, y - 3)) : 0xFF204060;
            ASSERT_EQ(dest.At(x, y), expected) << x << "," << y;
        }
    }
}

TEST(TurnedBlitterTest, FractionalPositionCallsItAtFraction) {
    // A quarter pixel to the right: each pixel mixes a quarter of its left neighbour into itself, and
    // the first column, whose left neighbour lies outside the rectangle, turns three quarters opaque.
    Picture source(4, 1, 0xFFC80000);
    Picture dest(8, 1, 0xFF000000);
    ASSERT_TRUE(Blit(dest, Rect(0, 0, 8, 1), source, Rect(0, 0, 4, 1), At(2.25f, 0)));
    EXPECT_EQ(dest.At(1, 0), 0xFF000000u);
    uint32_t firstRed = (dest.At(2, 0) >> 16) & 0xFF;
    EXPECT_NEAR(firstRed, 200 * 3 / 4, 2);
    EXPECT_NEAR((dest.At(3, 0) >> 16) & 0xFF, 200, 2) << "both neighbours are the same red";
    EXPECT_EQ(dest.At(3, 0) >> 24, 255u);
    EXPECT_EQ(dest.At(6, 0), 0xFF000000u) << "the pixel whose centre falls past the rectangle stays";
}

TEST(TurnedBlitterTest, QuarterTurnLandsWhereTheRotationFormulaPutsIt) {
    // Turning by +pi/2 about the rectangle's top-left corner, placed at (10, 10): the point (X, Y)
    // goes to (10 + Y, 10 - X), so source pixel (i, j) lands on (10 + j, 9 - i). The top-right
    // corner comes up to the top-left: the picture turns counter-clockwise on screen.
    Picture source(4, 2);
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 4; ++i)
            source.At(i, j) = 0xFF000000 | uint32_t(40 * i + 1) << 16 | uint32_t(100 * j + 1) << 8 | 0x33;
    Picture dest(20, 20, 0xFF000000);
    ASSERT_TRUE(Blit(dest, Rect(0, 0, 20, 20), source, Rect(0, 0, 4, 2), At(10, 10, std::numbers::pi / 2)));
    int drawn = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            if (dest.At(x, y) == 0xFF000000) continue;
            ++drawn;
            int i = 9 - y, j = x - 10;
            ASSERT_TRUE(i >= 0 && i < 4 && j >= 0 && j < 2) << x << "," << y;
            EXPECT_EQ(dest.At(x, y), OnCentre(source.At(i, j))) << x << "," << y;
        }
    }
    EXPECT_EQ(drawn, 8);
}

TEST(TurnedBlitterTest, TurnsAroundTheGivenCentre) {
    // Half a turn around the centre of a 4 x 2 rectangle keeps its box and mirrors both ways.
    Picture source(4, 2);
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 4; ++i)
            source.At(i, j) = 0xFF000000 | uint32_t(50 * i) << 16 | uint32_t(200 * j) << 8;
    Picture dest(10, 10, 0xFF0000FF);
    ASSERT_TRUE(Blit(dest, Rect(0, 0, 10, 10), source, Rect(0, 0, 4, 2), At(3, 4, std::numbers::pi, 2, 1)));
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(dest.At(3 + 3 - i, 4 + 1 - j), OnCentre(source.At(i, j))) << i << "," << j;
    EXPECT_EQ(dest.At(2, 4), 0xFF0000FFu);
    EXPECT_EQ(dest.At(7, 4), 0xFF0000FFu);
}

TEST(TurnedBlitterTest, NeverWritesOutsideTheClipNorReadsOutsideThePicture) {
    // The source rectangle reaches past every edge of the picture; the sanitizers watch the reads.
    Picture source = RandomPicture(24, 20, 3, false);
    const Rect clip(5, 7, 17, 9);
    for (double angle : {0.0, 0.3, 1.9, -2.5, 3.0}) {
        Picture dest(40, 30, 0x12345678);
        Blit(dest, clip, source, Rect(-6, -5, 36, 30), At(2.5f, -3.25f, angle, 18, 15));
        int changed = 0;
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 40; ++x) {
                if (clip.Contains(x, y))
                    changed += dest.At(x, y) != 0x12345678;
                else
                    ASSERT_EQ(dest.At(x, y), 0x12345678u) << "angle " << angle << " at " << x << "," << y;
            }
        }
        EXPECT_GT(changed, 0) << "angle " << angle;
    }
}

TEST(TurnedBlitterTest, OutsideThePictureCountsAsTransparent) {
    // A rectangle twice the picture's width: its right half has nothing to show.
    Picture source(4, 4, 0xFFFFFFFF);
    Picture dest(12, 4, 0xFF000000);
    ASSERT_TRUE(Blit(dest, Rect(0, 0, 12, 4), source, Rect(0, 0, 8, 4), At(0, 0)));
    EXPECT_EQ(dest.At(3, 2), OnCentre(0xFFFFFFFF));
    EXPECT_EQ(dest.At(4, 2), 0xFF000000u);
}

TEST(TurnedBlitterTest, TheSourceRectangleMaySitAnywhereInThePicture) {
    Picture source(4, 1);
    for (int i = 0; i < 4; ++i)
        source.At(i, 0) = 0xFF000000 | uint32_t(60 * i) << 16;
    // A whole-pixel offset picks its pixels; the turn is about the rectangle's own corner.
    Picture dest(6, 3, 0xFF000000);
    ASSERT_TRUE(Blit(dest, Rect(0, 0, 6, 3), source, Rect(1, 0, 2, 1), At(2, 1)));
    EXPECT_EQ(dest.At(2, 1), OnCentre(source.At(1, 0)));
    EXPECT_EQ(dest.At(3, 1), OnCentre(source.At(2, 0)));
    EXPECT_EQ(dest.At(1, 1), 0xFF000000u);
    EXPECT_EQ(dest.At(4, 1), 0xFF000000u);
    // Half a pixel in, every sample falls halfway between two pixels (the shares, truncated twice,
    // lose up to two units).
    Picture half(6, 1, 0xFF000000);
    ASSERT_TRUE(Blit(half, Rect(0, 0, 6, 1), source, FRect(0.5, 0, 3, 1), At(0, 0)));
    for (int x = 0; x < 3; ++x)
        EXPECT_NEAR((half.At(x, 0) >> 16) & 0xFF, 60 * x + 30, 2) << x;
    EXPECT_EQ(half.At(3, 0), 0xFF000000u);
}

TEST(TurnedBlitterTest, TranslucentPixelsHonourTheDestinationAlpha) {
    // Alpha 128 on the pixel centre is a share of S = 128.
    Picture source(2, 2, 0x80C86432);
    // Onto an opaque destination: n = 256 and each channel (c * 128 + (d * 255 / 256) * 128) / 256.
    Picture opaque(2, 2, 0xFF646464);
    Blit(opaque, Rect(0, 0, 2, 2), source, Rect(0, 0, 2, 2), At(0, 0));
    auto mixOpaque = [](uint32_t c) { return (c * 128 + ((100 * 255) >> 8) * 128) >> 8; };
    EXPECT_EQ(opaque.At(0, 0), 0xFF000000 | mixOpaque(200) << 16 | mixOpaque(100) << 8 | mixOpaque(50));
    // Onto a transparent destination: n = S, the colour survives whole and the alpha is n - 1.
    Picture clear(2, 2, 0x00000000);
    Blit(clear, Rect(0, 0, 2, 2), source, Rect(0, 0, 2, 2), At(0, 0));
    EXPECT_EQ(clear.At(0, 0), 0x7FC86432u);
    // Half-covered destination alpha 128: n = 256 - 128 * 128 / 256 = 192.
    Picture half(2, 2, 0x80000000);
    Blit(half, Rect(0, 0, 2, 2), source, Rect(0, 0, 2, 2), At(0, 0));
    EXPECT_EQ(half.At(0, 0),
              0xBF000000 | (200 * 128 / 192) << 16 | (100 * 128 / 192) << 8 | (50 * 128 / 192));
    // A fully transparent source leaves everything as it was.
    Picture empty(2, 2, 0x00FFFFFF);
    Picture untouched(2, 2, 0x80808080);
    Blit(untouched, Rect(0, 0, 2, 2), empty, Rect(0, 0, 2, 2), At(0, 0, 0.4));
    EXPECT_EQ(untouched.pixels, std::vector<uint32_t>(4, 0x80808080));
}

TEST(TurnedBlitterTest, AdditiveModeSaturatesAndKeepsTheDestinationAlpha) {
    Picture white(3, 3, 0xFFFFFFFF);
    Picture dest(3, 3, 0x4DFFFFFF);
    Blit(dest, Rect(0, 0, 3, 3), white, Rect(0, 0, 3, 3), At(0, 0), Color::White, DRAWMODE_ADDITIVE);
    EXPECT_EQ(dest.At(1, 1), 0x4DFFFFFFu);
    Picture source(3, 3, 0xFF643200);
    Picture other(3, 3, 0x4DC80A05);
    Blit(other, Rect(0, 0, 3, 3), source, Rect(0, 0, 3, 3), At(0, 0), Color::White, DRAWMODE_ADDITIVE);
    EXPECT_EQ(other.At(1, 1), 0x4D000000u | 255u << 16 | (10 + 49) << 8 | 5);
}

TEST(TurnedBlitterTest, TheColourMultipliesTheFilteredValue) {
    Picture source(3, 3, 0xFFC8C8C8);
    Picture dest(3, 3, 0xFF000000);
    Blit(dest, Rect(0, 0, 3, 3), source, Rect(0, 0, 3, 3), At(0, 0), Color(255, 0, 128));
    EXPECT_EQ(dest.At(1, 1) >> 16 & 0xFF, (200 * 255) >> 8);
    EXPECT_EQ(dest.At(1, 1) >> 8 & 0xFF, 0u);
    EXPECT_NEAR(dest.At(1, 1) & 0xFF, 100, 1);
    // Half the colour's alpha halves the share: laid over black, the picture shows at half strength.
    Picture faded(3, 3, 0xFF000000);
    Blit(faded, Rect(0, 0, 3, 3), source, Rect(0, 0, 3, 3), At(0, 0), Color(255, 255, 255, 128));
    EXPECT_NEAR(faded.At(1, 1) & 0xFF, 100, 1);
    EXPECT_EQ(faded.At(1, 1) >> 24, 255u);
    // A colour without alpha draws nothing, in both modes.
    Picture kept(3, 3, 0xFF102030);
    for (int32_t mode : {DRAWMODE_NORMAL, DRAWMODE_ADDITIVE})
        Blit(kept, Rect(0, 0, 3, 3), source, Rect(0, 0, 3, 3), At(0, 0, 0.5), Color(255, 255, 255, 0), mode);
    EXPECT_EQ(kept.pixels, std::vector<uint32_t>(9, 0xFF102030));
}

TEST(TurnedBlitterTest, RejectsWhatCannotBeDrawn) {
    Picture source(4, 4, 0xFFFFFFFF);
    Picture dest(8, 8, 0xFF000000);
    const Rect all(0, 0, 8, 8);
    EXPECT_FALSE(Blit(dest, all, source, Rect(0, 0, 4, 4), At(0, 0, std::nan(""))));
    EXPECT_FALSE(Blit(dest, all, source, Rect(0, 0, 4, 4), At(INFINITY, 0)));
    EXPECT_FALSE(Blit(dest, all, source, Rect(0, 0, 4, 4), At(1e9f, 1e9f, 0.3)));
    EXPECT_FALSE(Blit(dest, all, source, Rect(0, 0, 4, 4), At(0, 0), Color::White, 2));
    EXPECT_FALSE(Blit(dest, all, source, Rect(10, 10, 4, 4), At(0, 0)));
    EXPECT_FALSE(Blit(dest, Rect(8, 0, 5, 5), source, Rect(0, 0, 4, 4), At(0, 0)));
    EXPECT_EQ(dest.pixels, std::vector<uint32_t>(64, 0xFF000000));
    // A rectangle reaching far beyond the coordinate limit: the box is pulled in to the limit rather
    // than overflowing, and the picture inside it still lands where it belongs.
    Picture small(2, 2, 0xFFFFFFFF);
    EXPECT_TRUE(Blit(dest, all, small, Rect(-30000000, 0, 60000000, 2), At(-3e7f, 4)));
    EXPECT_EQ(dest.At(0, 4), OnCentre(0xFFFFFFFF));
    EXPECT_EQ(dest.At(1, 5), OnCentre(0xFFFFFFFF));
    EXPECT_EQ(dest.At(2, 4), 0xFF000000u);
}

TEST(TurnedBlitterTest, Sse2WalkMatchesTheScalarWalkBitForBit) {
    if (!CpuFeatures::HasSse2()) GTEST_SKIP() << "no SSE2";
    MTRand random(99);
    int changedRounds = 0;
    for (int round = 0; round < 40; ++round) {
        Picture source = RandomPicture(9 + int(random.Next() % 30), 7 + int(random.Next() % 30),
                                       random.Next(), round % 3 == 0);
        Picture dest = RandomPicture(48, 40, random.Next(), round % 2 == 0);
        Picture scalar = dest;
        const std::vector<uint32_t> before = dest.pixels;
        TurnPlacement at = At(float(random.Next() % 4000) / 100.f - 10,
                              float(random.Next() % 4000) / 100.f - 10, double(random.Next() % 6284) / 1000.0,
                              float(random.Next() % 800) / 100.f, float(random.Next() % 800) / 100.f);
        Rect srcRect(int(random.Next() % 4), int(random.Next() % 4), source.width - 4, source.height - 4);
        CpuFeatures::SetSimdEnabled(true);
        Blit(dest, Rect(0, 0, 48, 40), source, srcRect, at);
        CpuFeatures::SetSimdEnabled(false);
        Blit(scalar, Rect(0, 0, 48, 40), source, srcRect, at);
        CpuFeatures::SetSimdEnabled(true);
        ASSERT_EQ(dest.pixels, scalar.pixels) << "round " << round;
        changedRounds += dest.pixels != before;
    }
    EXPECT_GT(changedRounds, 30);
}
