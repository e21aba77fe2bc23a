#include "framework/graphics/PixelKernels.h"
#include "framework/graphics/AreaResampler.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace Zorbel;

// Every vector kernel must give exactly what its scalar twin gives. The pixels are random, but the
// alphas are laid out so that every alpha value meets opaque, transparent and mixed destinations,
// in rows of every length around the vector widths and at every alignment.

namespace {

// The chains that can run here: SSE2 alone, and AVX2 over SSE2. A chain fills what a set leaves
// out from the set below it.
std::vector<const PixelKernels*> VectorSets() {
    static const PixelKernels sse2 = ChainKernels(Sse2Kernels(), nullptr);
    static const PixelKernels avx2 = ChainKernels(Sse2Kernels(), Avx2Kernels());
    std::vector<const PixelKernels*> sets;
    if (Sse2Kernels() != nullptr) sets.push_back(&sse2);
    if (Avx2Kernels() != nullptr) sets.push_back(&avx2);
    return sets;
}

class PixelKernelsTest : public ::testing::Test {
protected:
    uint32_t Colour() { return random() & 0x00FFFFFF; }

    // Sources: pixel i has alpha (i + shift) mod 256, or 0 / 255 over whole blocks of eight so that
    // the vector paths that skip or copy blocks are taken too.
    std::vector<uint32_t> Sources(size_t n, uint32_t shift) {
        std::vector<uint32_t> pixels(n);
        for (size_t block = 0; block < n; block += 8) {
            const uint32_t kind = random() % 4;
            for (size_t i = block; i < std::min(n, block + 8); ++i) {
                const uint32_t alpha = kind == 0   ? 0
                                       : kind == 1 ? 255
                                                   : (static_cast<uint32_t>(i) + shift) & 0xFF;
                pixels[i] = alpha << 24 | Colour();
            }
        }
        return pixels;
    }

    // Destinations by blocks of four: half of them opaque, so that the vector paths for opaque
    // destinations run often, the others transparent or of random alpha.
    std::vector<uint32_t> Destinations(size_t n) {
        std::vector<uint32_t> pixels(n);
        for (size_t block = 0; block < n; block += 4) {
            const uint32_t kind = random() % 4;
            for (size_t i = block; i < std::min(n, block + 4); ++i) {
                const uint32_t alpha = kind <= 1 ? 255 : kind == 2 ? 0 : random() & 0xFF;
                pixels[i] = alpha << 24 | Colour();
            }
        }
        return pixels;
    }

    // Runs the kernel through the scalar set and the vector set on the same rows, for many lengths
    // and offsets, and compares every destination word (including the words around the row).
    template <typename Run>
    void Compare(const char* what, Run run, bool opaqueSources = false) {
        for (const PixelKernels* set : VectorSets()) {
            for (int32_t length = 1; length <= 70; ++length) {
                for (int32_t offset = 0; offset < 4; ++offset) {
                    for (uint32_t shift = 0; shift < 256; shift += 37) {
                        std::vector<uint32_t> src = Sources(length + 8, shift);
                        if (opaqueSources)
                            for (uint32_t& p : src)
                                if ((p >> 24) == 0) p |= 0x01000000;
                        std::vector<uint32_t> expected = Destinations(length + 8);
                        std::vector<uint32_t> actual = expected;
                        run(ScalarKernels(), expected.data() + offset, src.data() + offset, length);
                        run(*set, actual.data() + offset, src.data() + offset, length);
                        ASSERT_EQ(expected, actual) << what << " " << set->name << " length " << length
                                                    << " offset " << offset << " shift " << shift;
                    }
                }
            }
        }
    }

    std::mt19937 random{20240607};
};

} // namespace

TEST_F(PixelKernelsTest, FillBlendMatchesForEveryAlpha) {
    for (uint32_t alpha = 1; alpha < 255; ++alpha) {
        const uint32_t color = alpha << 24 | Colour();
        for (const PixelKernels* set : VectorSets()) {
            for (int32_t length : {1, 3, 4, 7, 8, 9, 16, 31, 33, 64, 100}) {
                std::vector<uint32_t> expected = Destinations(length + 4);
                std::vector<uint32_t> actual = expected;
                ScalarKernels().fillBlend(expected.data() + 1, length, color);
                set->fillBlend(actual.data() + 1, length, color);
                ASSERT_EQ(expected, actual) << set->name << " alpha " << alpha << " length " << length;
            }
        }
    }
}

TEST_F(PixelKernelsTest, BlendOpaqueDestMatches) {
    Compare(
        "blendOpaqueDest",
        [](const PixelKernels& k, uint32_t* d, const uint32_t* s, int32_t n) { k.blendOpaqueDest(d, s, n); },
        true);
}

TEST_F(PixelKernelsTest, BlendMatches) {
    Compare("blend",
            [](const PixelKernels& k, uint32_t* d, const uint32_t* s, int32_t n) { k.blend(d, s, n); });
}

TEST_F(PixelKernelsTest, BlendSampledMatches) {
    // Columns that repeat, skip and run backwards, as nearest sampling may ask for.
    std::vector<int32_t> columns(80);
    for (size_t j = 0; j < columns.size(); ++j)
        columns[j] = static_cast<int32_t>((j * 5 / 4 + (j % 7 == 3 ? 9 : 0)) % 78);
    for (const PixelKernels* set : VectorSets()) {
        for (int32_t length = 1; length <= 80; ++length) {
            for (uint32_t shift = 0; shift < 256; shift += 29) {
                const std::vector<uint32_t> row = Sources(78, shift);
                std::vector<uint32_t> expected = Destinations(length);
                std::vector<uint32_t> actual = expected;
                ScalarKernels().blendSampled(expected.data(), row.data(), columns.data(), length);
                set->blendSampled(actual.data(), row.data(), columns.data(), length);
                ASSERT_EQ(expected, actual) << set->name << " length " << length << " shift " << shift;
            }
        }
    }
}

TEST_F(PixelKernelsTest, BlendResampledMatches) {
    Compare("blendResampled", [](const PixelKernels& k, uint32_t* d, const uint32_t* s, int32_t n) {
        k.blendResampled(d, s, n);
    });
}

TEST_F(PixelKernelsTest, AdditiveKernelsMatch) {
    const SaturationTable table = MakeSaturationTable();
    Compare("addOpaque", [&](const PixelKernels& k, uint32_t* d, const uint32_t* s, int32_t n) {
        k.addOpaque(d, s, n, table);
    });
    Compare("addAlpha", [&](const PixelKernels& k, uint32_t* d, const uint32_t* s, int32_t n) {
        k.addAlpha(d, s, n, table);
    });
    for (const PixelBlend::Tint tint :
         {PixelBlend::Tint{255, 255, 255, 255}, PixelBlend::Tint{0, 128, 255, 255},
          PixelBlend::Tint{77, 3, 250, 255}}) {
        for (bool useAlpha : {false, true}) {
            Compare("addTinted", [&](const PixelKernels& k, uint32_t* d, const uint32_t* s, int32_t n) {
                k.addTinted(d, s, n, tint, useAlpha, table);
            });
        }
    }
}

TEST_F(PixelKernelsTest, ResamplingPassesMatch) {
    for (const PixelKernels* set : VectorSets()) {
        for (int32_t width : {1, 3, 4, 7, 8, 9, 17, 100, 803}) {
            // Nine rows whose weights add up to the full 256, so the sums reach their largest.
            std::vector<uint16_t> expected(4 * static_cast<size_t>(width)), actual(expected.size());
            const uint16_t weights[9] = {28, 29, 28, 29, 28, 29, 28, 29, 28};
            for (uint16_t weight : weights) {
                const std::vector<uint32_t> row = Sources(width, weight);
                ScalarKernels().accumulateRow(expected.data(), row.data(), weight, width);
                set->accumulateRow(actual.data(), row.data(), weight, width);
            }
            ASSERT_EQ(expected, actual) << set->name << " accumulateRow " << width;
        }
        for (auto [span, dest] : {std::pair{800, 100}, {7, 3}, {640, 800}, {5, 5}, {3, 11}, {1, 4}, {9, 1}}) {
            const AreaResampler::Taps taps = AreaResampler::MakeTaps(span, dest, 257);
            // The widest sums the row pass can produce, and random ones.
            std::vector<uint16_t> sums(4 * static_cast<size_t>(span));
            for (uint16_t& v : sums)
                v = random() % 3 == 0 ? 65280 : static_cast<uint16_t>(random() % 65281);
            std::vector<uint32_t> expected(dest), actual(dest);
            ScalarKernels().sumTaps(expected.data(), sums.data(), taps.first.data(), taps.count.data(),
                                    taps.offset.data(), taps.weights.data(), dest);
            set->sumTaps(actual.data(), sums.data(), taps.first.data(), taps.count.data(), taps.offset.data(),
                         taps.weights.data(), dest);
            ASSERT_EQ(expected, actual) << set->name << " sumTaps " << span << " -> " << dest;
        }
    }
}

TEST(AreaResamplerTest, EveryDestinationPixelGetsTheFullWeight) {
    for (auto [span, dest] : {std::pair{800, 100}, {7, 3}, {640, 800}, {3, 3}, {600, 75}, {2, 9}, {1, 5}}) {
        const AreaResampler::Taps taps = AreaResampler::MakeTaps(span, dest, 257);
        for (int32_t d = 0; d < dest; ++d) {
            uint32_t total = 0;
            for (int32_t t = 0; t < taps.count[d]; ++t) {
                ASSERT_GE(taps.first[d] + t, 0);
                ASSERT_LT(taps.first[d] + t, span);
                total += taps.weights[taps.offset[d] + t];
            }
            ASSERT_EQ(total, 257u) << span << " -> " << dest << " pixel " << d;
        }
    }
    // Shrinking by 8: the cumulative positions 257 * i / 8 = 0, 32.125, 64.25, 96.375, 128.5, ...
    // round to 0, 32, 64, 96, 129, 161, 193, 225, 257.
    const AreaResampler::Taps eighth = AreaResampler::MakeTaps(16, 2, 257);
    EXPECT_EQ(eighth.count[0], 8);
    EXPECT_EQ(std::vector<uint16_t>(eighth.weights.begin(), eighth.weights.begin() + 8),
              (std::vector<uint16_t>{32, 32, 32, 33, 32, 32, 32, 32}));
}

TEST_F(PixelKernelsTest, TheChainFallsBackToScalarWhereASetIsSilent) {
    PixelKernels partial;
    partial.name = "partial";
    partial.addOpaque = ScalarKernels().addOpaque;
    const PixelKernels chain = ChainKernels(&partial, nullptr);
    EXPECT_STREQ(chain.name, "partial");
    EXPECT_EQ(chain.blend, ScalarKernels().blend);
    EXPECT_EQ(chain.sumTaps, ScalarKernels().sumTaps);
    if (Avx2Kernels() != nullptr && Sse2Kernels() != nullptr) {
        const PixelKernels both = ChainKernels(Sse2Kernels(), Avx2Kernels());
        EXPECT_EQ(both.blend, Avx2Kernels()->blend);
        EXPECT_EQ(both.blendTinted, ScalarKernels().blendTinted) << "no vector set has this one";
    }
}

TEST_F(PixelKernelsTest, TheSwitchTurnsVectorSetsOff) {
    EXPECT_STREQ(ChooseKernels("1").name, "scalar");
    EXPECT_STREQ(ChooseKernels("all").name, "scalar");
    EXPECT_STREQ(ChooseKernels("sse2").name, "scalar") << "AVX2 finishes its rows with SSE2";
    EXPECT_EQ(ChooseKernels("avx2").blend,
              Sse2Kernels() != nullptr ? Sse2Kernels()->blend : ScalarKernels().blend);
    const char* best = Avx2Kernels() != nullptr ? "avx2" : Sse2Kernels() != nullptr ? "sse2" : "scalar";
    EXPECT_STREQ(ChooseKernels(nullptr).name, best);
    EXPECT_STREQ(ChooseKernels("").name, best);
}
