#pragma once

#include "framework/sound/Voice.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>

// The inner loops of the mixer: a stretch of PCM frames resampled by linear interpolation at a 32.32
// fixed-point position, scaled by the voice's gains and added into a stereo sum. Every voice that has
// its samples in memory, whole or in part (a stream's window), mixes through MixFrames, which skips the
// interpolation for a voice at the output's rate on a whole frame (music, mostly); its vector kernels
// live in MixKernels.cpp beside their scalar twin here.
namespace Zorbel::MixKernels {

inline int32_t SampleValue(int16_t sample) {
    return sample;
}
inline int32_t SampleValue(uint8_t sample) {
    return (int32_t(sample) - 128) * 256;
}

// a + (b − a) × fraction, the fraction in 1/32768.
inline int32_t Interpolate(int32_t a, int32_t b, int32_t fraction) {
    return a + (((b - a) * fraction) >> 15);
}

// The sample times a gain in 1/65536, rounded.
inline int32_t Scale(int32_t sample, int32_t gain) {
    return (sample * gain + 0x8000) >> 16;
}

// A step of one source frame per output frame.
constexpr uint64_t OneFrame = uint64_t(1) << 32;

inline int32_t FractionOf(uint64_t position) {
    return static_cast<int32_t>((position >> 17) & 0x7FFF);
}

// Adds one output frame made from source frames `at` and `next`.
template <typename Sample, int Channels>
inline void AddFrame(const Sample* source, size_t at, size_t next, int32_t fraction, const VoiceMix& mix,
                     int32_t* sum) {
    const Sample* a = source + at * Channels;
    const Sample* b = source + next * Channels;
    int32_t left = Interpolate(SampleValue(a[0]), SampleValue(b[0]), fraction);
    int32_t right = Channels == 2
                        ? Interpolate(SampleValue(a[Channels - 1]), SampleValue(b[Channels - 1]), fraction)
                        : left;
    sum[0] += Scale(left, mix.leftGain);
    sum[1] += Scale(right, mix.rightGain);
}

// count frames whose right-hand neighbour lies inside the source: no edge to watch.
template <typename Sample, int Channels>
inline void AddInnerFrames(const Sample* source, uint64_t& position, const VoiceMix& mix, int32_t* sum,
                           size_t count) {
    uint64_t at = position;
    for (size_t i = 0; i < count; ++i) {
        size_t frame = static_cast<size_t>(at >> 32);
        AddFrame<Sample, Channels>(source, frame, frame + 1, FractionOf(at), mix, sum + i * 2);
        at += mix.step;
    }
    position = at;
}

// count frames of a voice played at its own rate from a whole frame on: every output frame is one
// source frame, exactly what AddFrame makes at a fraction of 0, so nothing is interpolated. The loop
// runs straight through its frames so that the compiler can vectorise it.
template <typename Sample, int Channels>
inline void AddUnresampledFrames(const Sample* source, const VoiceMix& mix, int32_t* sum, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        int32_t left = SampleValue(source[i * Channels]);
        int32_t right = SampleValue(source[i * Channels + Channels - 1]);
        sum[i * 2] += Scale(left, mix.leftGain);
        sum[i * 2 + 1] += Scale(right, mix.rightGain);
    }
}

// AddUnresampledFrames<int16_t, 2> in vectors, each bit for bit the scalar loop: SSE2 (the scalar loop
// where there is none) and AVX2, which only runs where Avx2Enabled says so.
void AddUnresampledStereoSse2(const int16_t* source, const VoiceMix& mix, int32_t* sum, size_t count);
void AddUnresampledStereoAvx2(const int16_t* source, const VoiceMix& mix, int32_t* sum, size_t count);
// The processor has AVX2 and ZORBEL_DISABLE_SIMD does not turn it off; decided once.
bool Avx2Enabled();

// The sums clipped to 16 bits into out, leaving the sums 0 for the next turn (cheaper than clearing them
// in a pass of their own), in vectors where there are any.
void TakeClippedSums(int32_t* sum, int16_t* out, size_t count);

// MixFrames for a voice that moves on by exactly one frame per output frame and stands on a whole
// frame (its fraction 0), as music at the output's rate does: the same samples without interpolating.
template <typename Sample, int Channels>
size_t MixUnresampledFrames(const Sample* source, size_t frameCount, uint64_t& position, const VoiceMix& mix,
                            int32_t* sum, size_t count) {
    const uint64_t end = uint64_t(frameCount) << 32;
    const bool avx2 = Avx2Enabled();
    size_t done = 0;
    while (done < count) {
        if (position >= end) {
            if (!mix.loop) break;
            position %= end;
        }
        size_t frame = static_cast<size_t>(position >> 32);
        size_t run = std::min(frameCount - frame, count - done);
        if constexpr (std::is_same_v<Sample, int16_t> && Channels == 2) {
            if (avx2)
                AddUnresampledStereoAvx2(source + frame * 2, mix, sum + done * 2, run);
            else
                AddUnresampledStereoSse2(source + frame * 2, mix, sum + done * 2, run);
        } else {
            AddUnresampledFrames<Sample, Channels>(source + frame * Channels, mix, sum + done * 2, run);
        }
        position += uint64_t(run) << 32;
        done += run;
    }
    return done;
}

// Adds up to count output frames of the source (frameCount frames) from position on, which moves
// along. At the end a looping voice starts again at frame 0 (and interpolates across the seam); any
// other stops there. Returns the frames made.
template <typename Sample, int Channels>
size_t MixFrames(const Sample* source, size_t frameCount, uint64_t& position, const VoiceMix& mix,
                 int32_t* sum, size_t count) {
    if (frameCount == 0) return 0;
    if (mix.step == OneFrame && FractionOf(position) == 0)
        return MixUnresampledFrames<Sample, Channels>(source, frameCount, position, mix, sum, count);
    const uint64_t end = uint64_t(frameCount) << 32;
    const uint64_t lastFrame = uint64_t(frameCount - 1) << 32;
    size_t done = 0;
    while (done < count) {
        if (position >= end) {
            if (!mix.loop) break;
            position %= end;
        }
        if (position < lastFrame) {
            uint64_t reach = (lastFrame - position + mix.step - 1) / mix.step;
            size_t run = static_cast<size_t>(std::min<uint64_t>(reach, count - done));
            AddInnerFrames<Sample, Channels>(source, position, mix, sum + done * 2, run);
            done += run;
            continue;
        }
        size_t frame = static_cast<size_t>(position >> 32);
        AddFrame<Sample, Channels>(source, frame, mix.loop ? 0 : frame, FractionOf(position), mix,
                                   sum + done * 2);
        position += mix.step;
        ++done;
    }
    return done;
}

// Moves a silent voice on as if it had been mixed; returns the frames it would have made.
inline size_t SkipFrames(size_t frameCount, uint64_t& position, const VoiceMix& mix, size_t count) {
    const uint64_t end = uint64_t(frameCount) << 32;
    if (end == 0) return 0;
    if (mix.loop) {
        position = (position % end + (mix.step * count) % end) % end;
        return count;
    }
    if (position >= end) return 0;
    uint64_t reach = (end - position + mix.step - 1) / mix.step;
    size_t done = static_cast<size_t>(std::min<uint64_t>(reach, count));
    position += mix.step * done;
    return done;
}

} // namespace Zorbel::MixKernels
