#include "framework/sound/MixKernels.h"
#include "framework/platform/CpuFeatures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <vector>

using namespace Zorbel;
using namespace Zorbel::MixKernels;

namespace {

constexpr size_t Frames = 301;
const int32_t Gains[] = {0, 1, 9451, 32767, 32768, 40000, 65535, 65536};

template <typename Sample>
std::vector<Sample> RandomSamples(std::mt19937& random, size_t count) {
    std::uniform_int_distribution<int> value(std::numeric_limits<Sample>::min(),
                                             std::numeric_limits<Sample>::max());
    std::vector<Sample> samples(count);
    for (Sample& sample : samples)
        sample = static_cast<Sample>(value(random));
    return samples;
}

// What the interpolating path makes at a fraction of 0, frame by frame, from `first` on.
template <typename Sample, int Channels>
std::vector<int32_t> Interpolated(const std::vector<Sample>& source, size_t first, const VoiceMix& mix,
                                  std::vector<int32_t> sum) {
    for (size_t i = 0; i < sum.size() / 2; ++i) {
        size_t frame = (first + i) % Frames;
        size_t next = frame + 1 < Frames ? frame + 1 : (mix.loop ? 0 : frame);
        AddFrame<Sample, Channels>(source.data(), frame, next, 0, mix, sum.data() + i * 2);
    }
    return sum;
}

// MixFrames from a whole frame (with bits below the fraction set) at a step of one frame, looping
// over the end, against the interpolating arithmetic.
template <typename Sample, int Channels>
void ExpectUnresampledMatchesInterpolated(std::mt19937& random) {
    const std::vector<Sample> source = RandomSamples<Sample>(random, Frames * Channels);
    for (int32_t left : Gains) {
        for (int32_t right : Gains) {
            VoiceMix mix{left, right, OneFrame, true};
            std::vector<int32_t> sum(2 * 2 * Frames);
            for (int32_t& value : sum)
                value = int32_t(random() % 200001) - 100000;
            const size_t first = Frames - 17;
            const uint64_t start = (uint64_t(first) << 32) | 0x1FFFF;
            uint64_t position = start;
            std::vector<int32_t> expected = Interpolated<Sample, Channels>(source, first, mix, sum);
            ASSERT_EQ(
                (MixFrames<Sample, Channels>(source.data(), Frames, position, mix, sum.data(), 2 * Frames)),
                2 * Frames);
            // Twice round the loop: back where it started.
            EXPECT_EQ(position, start);
            ASSERT_EQ(sum, expected) << left << " " << right;
        }
    }
}

} // namespace

TEST(MixKernelsTest, AVoiceAtTheOutputRateMixesTheInterpolatingPathsSamplesBitForBit) {
    std::mt19937 random(17);
    ExpectUnresampledMatchesInterpolated<int16_t, 2>(random);
    ExpectUnresampledMatchesInterpolated<int16_t, 1>(random);
    ExpectUnresampledMatchesInterpolated<uint8_t, 2>(random);

    // Each vector kernel against the scalar loop, over lengths that leave every kind of tail.
    const std::vector<int16_t> source = RandomSamples<int16_t>(random, Frames * 2);
    for (size_t count : {size_t(0), size_t(3), size_t(9), Frames}) {
        for (int32_t gain : Gains) {
            VoiceMix mix{gain, 65536 - gain, OneFrame, false};
            std::vector<int32_t> scalar(count * 2, 5), sse2(count * 2, 5), avx2(count * 2, 5);
            AddUnresampledFrames<int16_t, 2>(source.data(), mix, scalar.data(), count);
            AddUnresampledStereoSse2(source.data(), mix, sse2.data(), count);
            EXPECT_EQ(sse2, scalar) << count << " " << gain;
            if (!CpuFeatures::HasAvx2()) continue;
            AddUnresampledStereoAvx2(source.data(), mix, avx2.data(), count);
            EXPECT_EQ(avx2, scalar) << count << " " << gain;
        }
    }
}

TEST(MixKernelsTest, TakingTheSumsClipsThemTo16BitsAndClearsThem) {
    std::mt19937 random(4);
    std::vector<int32_t> sums(53);
    for (int32_t& sum : sums)
        sum = int32_t(random() % 200001) - 100000;
    sums[0] = INT32_MIN;
    sums[1] = INT32_MAX;
    std::vector<int16_t> expected;
    for (int32_t sum : sums)
        expected.push_back(static_cast<int16_t>(std::clamp(sum, -32768, 32767)));
    std::vector<int16_t> out(sums.size());
    TakeClippedSums(sums.data(), out.data(), sums.size());
    EXPECT_EQ(out, expected);
    EXPECT_EQ(sums, std::vector<int32_t>(sums.size(), 0));
}
