#include "framework/sound/MixKernels.h"

#include "framework/platform/CpuFeatures.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZORBEL_MIX_X86
#endif

namespace Zorbel::MixKernels {

bool Avx2Enabled() {
    static const bool enabled =
        CpuFeatures::HasAvx2() &&
        !CpuFeatures::DisabledBy(CpuFeatures::DisableSetting(), CpuFeatures::VectorSet::Avx2);
    return enabled;
}

#if defined(ZORBEL_MIX_X86)

// SSE2 multiplies only 16-bit lanes, and a gain runs up to 65536: a gain g of 32768 or more is taken as
// g − 65536, whose product with the sample is the true one less sample × 65536, and the sample is added
// back into the high half. The true product fits in 32 bits, so the sums are the scalar ones exactly.
__attribute__((target("sse2"))) void AddUnresampledStereoSse2(const int16_t* source, const VoiceMix& mix,
                                                              int32_t* sum, size_t count) {
    const auto wrapped = [](int32_t gain) { return static_cast<int16_t>(static_cast<uint16_t>(gain)); };
    const auto high = [](int32_t gain) { return static_cast<int16_t>(gain >= 32768 ? -1 : 0); };
    const int16_t left = wrapped(mix.leftGain), right = wrapped(mix.rightGain);
    const int16_t leftHigh = high(mix.leftGain), rightHigh = high(mix.rightGain);
    const __m128i gains = _mm_setr_epi16(left, right, left, right, left, right, left, right);
    const __m128i highs =
        _mm_setr_epi16(leftHigh, rightHigh, leftHigh, rightHigh, leftHigh, rightHigh, leftHigh, rightHigh);
    const __m128i rounding = _mm_set1_epi32(0x8000);
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i samples = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i * 2));
        __m128i low = _mm_mullo_epi16(samples, gains);
        __m128i upper = _mm_add_epi16(_mm_mulhi_epi16(samples, gains), _mm_and_si128(samples, highs));
        __m128i first = _mm_srai_epi32(_mm_add_epi32(_mm_unpacklo_epi16(low, upper), rounding), 16);
        __m128i second = _mm_srai_epi32(_mm_add_epi32(_mm_unpackhi_epi16(low, upper), rounding), 16);
        auto* out = reinterpret_cast<__m128i*>(sum + i * 2);
        _mm_storeu_si128(out, _mm_add_epi32(_mm_loadu_si128(out), first));
        _mm_storeu_si128(out + 1, _mm_add_epi32(_mm_loadu_si128(out + 1), second));
    }
    AddUnresampledFrames<int16_t, 2>(source + i * 2, mix, sum + i * 2, count - i);
}

// Eight samples widened to 32 bits and multiplied there: the scalar arithmetic lane for lane.
__attribute__((target("avx2"))) void AddUnresampledStereoAvx2(const int16_t* source, const VoiceMix& mix,
                                                              int32_t* sum, size_t count) {
    const int32_t left = mix.leftGain, right = mix.rightGain;
    const __m256i gains = _mm256_setr_epi32(left, right, left, right, left, right, left, right);
    const __m256i rounding = _mm256_set1_epi32(0x8000);
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m256i samples =
            _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i * 2)));
        __m256i scaled =
            _mm256_srai_epi32(_mm256_add_epi32(_mm256_mullo_epi32(samples, gains), rounding), 16);
        auto* out = reinterpret_cast<__m256i*>(sum + i * 2);
        _mm256_storeu_si256(out, _mm256_add_epi32(_mm256_loadu_si256(out), scaled));
    }
    AddUnresampledFrames<int16_t, 2>(source + i * 2, mix, sum + i * 2, count - i);
}

namespace {

// The saturating packs are exactly the clamp to 16 bits.
__attribute__((target("avx2"))) size_t TakeClippedSumsAvx2(int32_t* sum, int16_t* out, size_t count) {
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        auto* sums = reinterpret_cast<__m256i*>(sum + i);
        __m256i low = _mm256_loadu_si256(sums);
        __m256i high = _mm256_loadu_si256(sums + 1);
        _mm256_storeu_si256(sums, _mm256_setzero_si256());
        _mm256_storeu_si256(sums + 1, _mm256_setzero_si256());
        // The packs work within each 128-bit half; the permute puts the quarters back in order.
        __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(low, high), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), packed);
    }
    return i;
}

__attribute__((target("sse2"))) size_t TakeClippedSumsSse2(int32_t* sum, int16_t* out, size_t count) {
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        auto* sums = reinterpret_cast<__m128i*>(sum + i);
        __m128i low = _mm_loadu_si128(sums);
        __m128i high = _mm_loadu_si128(sums + 1);
        _mm_storeu_si128(sums, _mm_setzero_si128());
        _mm_storeu_si128(sums + 1, _mm_setzero_si128());
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(low, high));
    }
    return i;
}

} // namespace

void TakeClippedSums(int32_t* sum, int16_t* out, size_t count) {
    size_t i = Avx2Enabled() ? TakeClippedSumsAvx2(sum, out, count) : 0;
    i += TakeClippedSumsSse2(sum + i, out + i, count - i);
    for (; i < count; ++i) {
        out[i] = static_cast<int16_t>(std::clamp(sum[i], -32768, 32767));
        sum[i] = 0;
    }
}

#else

void AddUnresampledStereoSse2(const int16_t* source, const VoiceMix& mix, int32_t* sum, size_t count) {
    AddUnresampledFrames<int16_t, 2>(source, mix, sum, count);
}

void AddUnresampledStereoAvx2(const int16_t* source, const VoiceMix& mix, int32_t* sum, size_t count) {
    AddUnresampledFrames<int16_t, 2>(source, mix, sum, count);
}

void TakeClippedSums(int32_t* sum, int16_t* out, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        out[i] = static_cast<int16_t>(std::clamp(sum[i], -32768, 32767));
        sum[i] = 0;
    }
}

#endif

} // namespace Zorbel::MixKernels
