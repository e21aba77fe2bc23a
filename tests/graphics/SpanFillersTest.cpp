#include "framework/graphics/SpanFillers.h"

#include "framework/app/MTRand.h"
#include "framework/graphics/SpanFillerPixels.h"
#include "framework/platform/CpuFeatures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace Zorbel;

namespace {

struct RandomSpan {
    std::vector<uint32_t> texels;
    SpanJob job;
    SpanStart start;
    std::vector<uint32_t> dest; // 16-bit formats use the low halves as 16-bit words
    int32_t count;
};

uint32_t RandomPixel(MTRand& random) {
    uint32_t value = random.Next() ^ (random.Next() << 1);
    switch (random.Next() % 4) { // many fully transparent and fully opaque pixels
        case 0:
            return value & 0x00FFFFFF;
        case 1:
            return value | 0xFF000000;
        default:
            return value;
    }
}

RandomSpan MakeSpan(MTRand& random) {
    RandomSpan s;
    s.job.texWidth = 1 + int32_t(random.Next() % 40);
    s.job.texHeight = 1 + int32_t(random.Next() % 40);
    s.texels.resize(size_t(s.job.texWidth) * size_t(s.job.texHeight));
    for (uint32_t& t : s.texels)
        t = RandomPixel(random);
    s.job.texels = s.texels.data();
    s.job.modulation = SpanPixels::Premultiply(RandomPixel(random));
    // Positions start anywhere around the texture, some far outside it, and step in any direction.
    auto position = [&](int32_t size) {
        return int32_t(random.Next() % uint32_t(size * 3 << 16)) - (size << 16);
    };
    s.start.u = position(s.job.texWidth);
    s.start.v = position(s.job.texHeight);
    s.job.du = int32_t(random.Next() % (6 << 16)) - (3 << 16);
    s.job.dv = int32_t(random.Next() % (6 << 16)) - (3 << 16);
    auto colour = [&] { return int32_t(random.Next() % (300 << 16)) - (20 << 16); };
    s.start.r = colour();
    s.start.g = colour();
    s.start.b = colour();
    s.start.a = colour();
    auto step = [&] { return int32_t(random.Next() % (8 << 16)) - (4 << 16); };
    s.job.dr = step();
    s.job.dg = step();
    s.job.db = step();
    s.job.da = step();
    s.count = 1 + int32_t(random.Next() % 70);
    s.dest.resize(size_t(s.count));
    // Half the spans go over an opaque destination, where the fast paths do most of their work.
    const bool opaque = random.Next() % 2 == 0;
    for (uint32_t& d : s.dest)
        d = opaque ? RandomPixel(random) | 0xFF000000 : RandomPixel(random);
    return s;
}

} // namespace

TEST(SpanFillersTest, Div255RoundsToNearestOverItsWholeRange) {
    for (uint32_t x = 0; x <= 65535; ++x)
        ASSERT_EQ(SpanPixels::Div255(x), (x * 2 + 255) / 510) << x;
}

TEST(SpanFillersTest, FastFillersMatchTheGenericOnesBitForBit) {
    if (!CpuFeatures::HasSse2()) GTEST_SKIP() << "no SSE2";
    MTRand random(31337);
    CpuFeatures::SetSimdEnabled(true);
    int compared = 0;
    for (uint32_t index = 0; index < SPAN_FILLER_COUNT; ++index) {
        SpanFiller fast = SpanFillers::Select(index);
        SpanFiller generic = SpanFillers::Generic(index);
        if (fast == generic) continue;
        ++compared;
        for (int round = 0; round < 300; ++round) {
            RandomSpan s = MakeSpan(random);
            std::vector<uint32_t> expected = s.dest;
            fast(s.job, s.start, s.dest.data(), s.count);
            generic(s.job, s.start, expected.data(), s.count);
            ASSERT_EQ(s.dest, expected) << "index " << index << " round " << round;
        }
    }
    EXPECT_EQ(size_t(compared), SpanFillers::Sse2Rows().size());
    CpuFeatures::SetSimdEnabled(false);
    for (uint32_t index = 0; index < SPAN_FILLER_COUNT; ++index)
        EXPECT_EQ(SpanFillers::Select(index), SpanFillers::Generic(index)) << index;
    CpuFeatures::SetSimdEnabled(true);
}

TEST(SpanFillersTest, FilteringWeighsColoursByTheirAlpha) {
    // Opaque red beside fully transparent green: halfway between them is red at half alpha, with no
    // trace of the green that nobody can see.
    const uint32_t texels[2] = {0xFFFF0000, 0x0000FF00};
    SpanJob job;
    job.texels = texels;
    job.texWidth = 2;
    job.texHeight = 1;
    SpanStart at;
    at.u = 1 << 16; // the boundary between the two texel centres
    at.v = 1 << 15;
    uint32_t dest = 0x00000000;
    SpanFillers::Generic(SPAN_TEXTURED | SPAN_FILTERED | SPAN_BLENDED)(job, at, &dest, 1);
    EXPECT_EQ(dest, 0x80FF0000u);
    // On a texel centre the texel comes out whole.
    at.u = 1 << 15;
    uint32_t over = 0xFF0000FF;
    SpanFillers::Generic(SPAN_TEXTURED | SPAN_FILTERED | SPAN_BLENDED)(job, at, &over, 1);
    EXPECT_EQ(over, 0xFFFF0000u);
}

TEST(SpanFillersTest, UnblendedFillersTreatEveryTexelAsOpaque) {
    const uint32_t texel = 0x10204080;
    SpanJob job;
    job.texels = &texel;
    job.texWidth = 1;
    job.texHeight = 1;
    uint32_t dest[3] = {1, 2, 3};
    SpanFillers::Generic(SPAN_TEXTURED)(job, SpanStart{}, dest, 3);
    EXPECT_EQ(dest[0], 0xFF204080u);
    EXPECT_EQ(dest[2], 0xFF204080u);
    uint16_t wide[2] = {0, 0};
    SpanFillers::Generic(SPAN_TEXTURED | static_cast<uint32_t>(DestFormat::Rgb565))(job, SpanStart{}, wide,
                                                                                    2);
    EXPECT_EQ(wide[1], (0x20 >> 3) << 11 | (0x40 >> 2) << 5 | (0x80 >> 3));
}
