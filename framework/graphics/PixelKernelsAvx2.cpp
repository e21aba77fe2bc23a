#include "framework/graphics/PixelKernels.h"

#if defined(__x86_64__)
#include "framework/graphics/PixelKernelsSse2.h"
#include "framework/platform/CpuFeatures.h"

#include <cstring>
#include <immintrin.h>

namespace Zorbel {

using namespace PixelBlend;

// The SSE2 kernels at twice the width: eight pixels at a time, the same arithmetic lane by lane.
// Every unpack and pack works within 128-bit halves, so pixel order survives the round trip. What
// is left of a row after the last eight goes to the SSE2 kernel.
namespace {

#define ZORBEL_AVX2 __attribute__((target("avx2")))

struct Avx2 {
    ZORBEL_AVX2 static __m256i Load(const uint32_t* p) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    }
    ZORBEL_AVX2 static void Store(uint32_t* p, __m256i v) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
    }

    ZORBEL_AVX2 static __m256i SpreadAlpha(__m256i wide) {
        return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(wide, _MM_SHUFFLE(3, 3, 3, 3)),
                                      _MM_SHUFFLE(3, 3, 3, 3));
    }

    ZORBEL_AVX2 static bool AllAlpha(__m256i v, int alpha) {
        const __m256i alphaMask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
        const __m256i wanted = _mm256_set1_epi32(static_cast<int>(static_cast<uint32_t>(alpha) << 24));
        return _mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_and_si256(v, alphaMask), wanted)) == -1;
    }

    ZORBEL_AVX2 static __m256i Opaque() { return _mm256_set1_epi32(static_cast<int>(0xFF000000u)); }

    // As in SSE2: blue's own rounding comes from clearing the low byte of its s * a.
    ZORBEL_AVX2 static __m256i OverOpaqueHalf(__m256i s, __m256i d, __m256i a) {
        const __m256i ia = _mm256_sub_epi16(_mm256_set1_epi16(256), a);
        return _mm256_srli_epi16(_mm256_add_epi16(_mm256_and_si256(_mm256_mullo_epi16(s, a), BlueApart()),
                                                  _mm256_mullo_epi16(d, ia)),
                                 8);
    }

    ZORBEL_AVX2 static __m256i BlueApart() {
        return _mm256_set1_epi64x(static_cast<long long>(0xFFFFFFFFFFFFFF00ull));
    }

    ZORBEL_AVX2 static __m256i OverOpaque8(__m256i s, __m256i d) {
        const __m256i zero = _mm256_setzero_si256();
        const __m256i sLo = _mm256_unpacklo_epi8(s, zero), sHi = _mm256_unpackhi_epi8(s, zero);
        const __m256i lo = OverOpaqueHalf(sLo, _mm256_unpacklo_epi8(d, zero), SpreadAlpha(sLo));
        const __m256i hi = OverOpaqueHalf(sHi, _mm256_unpackhi_epi8(d, zero), SpreadAlpha(sHi));
        return _mm256_or_si256(_mm256_packus_epi16(lo, hi), Opaque());
    }

    ZORBEL_AVX2 static __m256i OverResampledHalf(__m256i sw, __m256i dw) {
        const __m256i u = SpreadAlpha(sw);
        const __m256i iu = _mm256_sub_epi16(_mm256_set1_epi16(256), u);
        const __m256i high = _mm256_set1_epi16(-256);
        return _mm256_srli_epi16(
            _mm256_add_epi16(_mm256_mullo_epi16(dw, iu), _mm256_and_si256(_mm256_mullo_epi16(u, sw), high)),
            8);
    }

    ZORBEL_AVX2 static __m256i OverResampled8(__m256i s, __m256i d) {
        const __m256i zero = _mm256_setzero_si256();
        const __m256i lo = OverResampledHalf(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero));
        const __m256i hi = OverResampledHalf(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero));
        return _mm256_or_si256(_mm256_packus_epi16(lo, hi), Opaque());
    }

    ZORBEL_AVX2 static __m256i ScaleHalf(__m256i sw, __m256i k) {
        return _mm256_srli_epi16(_mm256_mullo_epi16(sw, k), 8);
    }

    // Each channel times its pixel's alpha, >> 8 (the alpha byte too, which AddKeepAlpha drops).
    ZORBEL_AVX2 static __m256i ScaleByAlpha(__m256i s) {
        const __m256i zero = _mm256_setzero_si256();
        const __m256i sLo = _mm256_unpacklo_epi8(s, zero), sHi = _mm256_unpackhi_epi8(s, zero);
        return _mm256_packus_epi16(ScaleHalf(sLo, SpreadAlpha(sLo)), ScaleHalf(sHi, SpreadAlpha(sHi)));
    }

    ZORBEL_AVX2 static __m256i AddKeepAlpha(__m256i d, __m256i s) {
        return _mm256_adds_epu8(d, _mm256_and_si256(s, _mm256_set1_epi32(0x00FFFFFF)));
    }
};

// The colour's products are the same for every pixel, so only the destination's are computed.
ZORBEL_AVX2 void FillBlendAvx2(uint32_t* dst, int32_t n, uint32_t color) {
    const __m256i zero = _mm256_setzero_si256();
    const auto a = static_cast<int16_t>(Alpha(color));
    const __m256i sa = _mm256_and_si256(
        _mm256_mullo_epi16(_mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(color)), zero),
                           _mm256_set1_epi16(a)),
        Avx2::BlueApart());
    const __m256i ia = _mm256_set1_epi16(static_cast<int16_t>(256 - a));
    auto blendEight = [&](uint32_t* p, __m256i d) ZORBEL_AVX2 {
        const __m256i lo =
            _mm256_srli_epi16(_mm256_add_epi16(sa, _mm256_mullo_epi16(_mm256_unpacklo_epi8(d, zero), ia)), 8);
        const __m256i hi =
            _mm256_srli_epi16(_mm256_add_epi16(sa, _mm256_mullo_epi16(_mm256_unpackhi_epi8(d, zero), ia)), 8);
        Avx2::Store(p, _mm256_or_si256(_mm256_packus_epi16(lo, hi), Avx2::Opaque()));
    };
    int32_t i = 0;
    // Sixteen pixels a turn: one test covers both halves of an opaque destination.
    for (; i + 16 <= n; i += 16) {
        const __m256i d0 = Avx2::Load(dst + i), d1 = Avx2::Load(dst + i + 8);
        if (!Avx2::AllAlpha(_mm256_and_si256(d0, d1), 255)) {
            X86::FillBlendSse2(dst + i, 16, color);
            continue;
        }
        blendEight(dst + i, d0);
        blendEight(dst + i + 8, d1);
    }
    if (i < n) X86::FillBlendSse2(dst + i, n - i, color);
}

ZORBEL_AVX2 void BlendOpaqueDestAvx2(uint32_t* dst, const uint32_t* src, int32_t n) {
    int32_t i = 0;
    for (; i + 8 <= n; i += 8)
        Avx2::Store(dst + i, Avx2::OverOpaque8(Avx2::Load(src + i), Avx2::Load(dst + i)));
    if (i < n) X86::BlendOpaqueDestSse2(dst + i, src + i, n - i);
}

ZORBEL_AVX2 void BlendAvx2(uint32_t* dst, const uint32_t* src, int32_t n) {
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i s = Avx2::Load(src + i);
        if (Avx2::AllAlpha(s, 0)) continue;
        const __m256i d = Avx2::Load(dst + i);
        if (Avx2::AllAlpha(d, 255))
            Avx2::Store(dst + i, Avx2::OverOpaque8(s, d));
        else
            X86::BlendSse2(dst + i, src + i, 8);
    }
    if (i < n) X86::BlendSse2(dst + i, src + i, n - i);
}

ZORBEL_AVX2 void BlendSampledAvx2(uint32_t* dst, const uint32_t* srcRow, const int32_t* columns, int32_t n) {
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i index = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(columns + i));
        const __m256i s = _mm256_i32gather_epi32(reinterpret_cast<const int*>(srcRow), index, 4);
        if (Avx2::AllAlpha(s, 0)) continue;
        const __m256i d = Avx2::Load(dst + i);
        if (Avx2::AllAlpha(d, 255))
            Avx2::Store(dst + i, Avx2::OverOpaque8(s, d));
        else
            X86::BlendSampledSse2(dst + i, srcRow, columns + i, 8);
    }
    if (i < n) X86::BlendSampledSse2(dst + i, srcRow, columns + i, n - i);
}

ZORBEL_AVX2 void BlendResampledAvx2(uint32_t* dst, const uint32_t* src, int32_t n) {
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i s = Avx2::Load(src + i);
        if (Avx2::AllAlpha(s, 0)) continue;
        const __m256i d = Avx2::Load(dst + i);
        if (Avx2::AllAlpha(d, 255))
            Avx2::Store(dst + i, Avx2::OverResampled8(s, d));
        else
            X86::BlendResampledSse2(dst + i, src + i, 8);
    }
    if (i < n) X86::BlendResampledSse2(dst + i, src + i, n - i);
}

ZORBEL_AVX2 void AddOpaqueAvx2(uint32_t* dst, const uint32_t* src, int32_t n, const SaturationTable& t) {
    int32_t i = 0;
    for (; i + 8 <= n; i += 8)
        Avx2::Store(dst + i, Avx2::AddKeepAlpha(Avx2::Load(dst + i), Avx2::Load(src + i)));
    if (i < n) X86::AddOpaqueSse2(dst + i, src + i, n - i, t);
}

ZORBEL_AVX2 void AddAlphaAvx2(uint32_t* dst, const uint32_t* src, int32_t n, const SaturationTable& t) {
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i s = Avx2::Load(src + i);
        // Transparent pixels add nothing.
        if (Avx2::AllAlpha(s, 0)) continue;
        Avx2::Store(dst + i, Avx2::AddKeepAlpha(Avx2::Load(dst + i), Avx2::ScaleByAlpha(s)));
    }
    if (i < n) X86::AddAlphaSse2(dst + i, src + i, n - i, t);
}

ZORBEL_AVX2 void AddTintedAvx2(uint32_t* dst, const uint32_t* src, int32_t n, const Tint& tint, bool useAlpha,
                               const SaturationTable& t) {
    const __m256i zero = _mm256_setzero_si256();
    const auto kb = static_cast<int16_t>(tint.b), kg = static_cast<int16_t>(tint.g),
               kr = static_cast<int16_t>(tint.r);
    const __m256i k = _mm256_setr_epi16(kb, kg, kr, 0, kb, kg, kr, 0, kb, kg, kr, 0, kb, kg, kr, 0);
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i s = Avx2::Load(src + i);
        __m256i lo = _mm256_unpacklo_epi8(s, zero), hi = _mm256_unpackhi_epi8(s, zero);
        const __m256i aLo = Avx2::SpreadAlpha(lo), aHi = Avx2::SpreadAlpha(hi);
        lo = Avx2::ScaleHalf(lo, k);
        hi = Avx2::ScaleHalf(hi, k);
        if (useAlpha) {
            lo = Avx2::ScaleHalf(lo, aLo);
            hi = Avx2::ScaleHalf(hi, aHi);
        }
        Avx2::Store(dst + i, Avx2::AddKeepAlpha(Avx2::Load(dst + i), _mm256_packus_epi16(lo, hi)));
    }
    if (i < n) X86::AddTintedSse2(dst + i, src + i, n - i, tint, useAlpha, t);
}

// Eight pixels at a time, their thirty-two channels widened to 16 bits in two halves.
ZORBEL_AVX2 void AccumulateRowAvx2(uint16_t* sums, const uint32_t* row, uint16_t weight, int32_t width) {
    const __m256i w = _mm256_set1_epi16(static_cast<int16_t>(weight));
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        auto* s = reinterpret_cast<__m256i*>(sums + 4 * static_cast<size_t>(x));
        const __m256i lo = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x)));
        const __m256i hi =
            _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x + 4)));
        _mm256_storeu_si256(s, _mm256_add_epi16(_mm256_loadu_si256(s), _mm256_mullo_epi16(lo, w)));
        _mm256_storeu_si256(s + 1, _mm256_add_epi16(_mm256_loadu_si256(s + 1), _mm256_mullo_epi16(hi, w)));
    }
    if (x < width) X86::AccumulateRowSse2(sums + 4 * static_cast<size_t>(x), row + x, weight, width - x);
}

// Four taps at a time: sixteen 16-bit sums, each group of four times its tap's weight, widened to
// 32-bit products; the rest of the taps go as in SSE2.
ZORBEL_AVX2 void SumTapsAvx2(uint32_t* out, const uint16_t* sums, const int32_t* first, const int32_t* count,
                             const int32_t* offset, const uint16_t* weights, int32_t n) {
    // Spreads weight k of four to the four channels of tap k.
    const __m256i spread = _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 2, 3, 2, 3, 2, 3, 2, 3, 4, 5, 4, 5, 4, 5,
                                            4, 5, 6, 7, 6, 7, 6, 7, 6, 7);
    for (int32_t d = 0; d < n; ++d) {
        const uint16_t* s = sums + 4 * static_cast<size_t>(first[d]);
        const uint16_t* w = weights + offset[d];
        const int32_t taps = count[d];
        __m256i wide = _mm256_setzero_si256();
        int32_t t = 0;
        for (; t + 4 <= taps; t += 4) {
            const __m256i v =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * static_cast<size_t>(t)));
            long long four = 0;
            std::memcpy(&four, w + t, sizeof four);
            const __m256i weight = _mm256_shuffle_epi8(_mm256_set1_epi64x(four), spread);
            const __m256i lo = _mm256_mullo_epi16(v, weight), hi = _mm256_mulhi_epu16(v, weight);
            wide = _mm256_add_epi32(
                wide, _mm256_add_epi32(_mm256_unpacklo_epi16(lo, hi), _mm256_unpackhi_epi16(lo, hi)));
        }
        __m128i total = _mm_add_epi32(_mm256_castsi256_si128(wide), _mm256_extracti128_si256(wide, 1));
        for (; t < taps; ++t) {
            const __m128i v =
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + 4 * static_cast<size_t>(t)));
            const __m128i weight = _mm_set1_epi16(static_cast<int16_t>(w[t]));
            total = _mm_add_epi32(total,
                                  _mm_unpacklo_epi16(_mm_mullo_epi16(v, weight), _mm_mulhi_epu16(v, weight)));
        }
        const __m128i channels = _mm_srli_epi32(total, 16);
        const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(channels, channels), _mm_setzero_si128());
        out[d] = static_cast<uint32_t>(_mm_cvtsi128_si32(packed));
    }
}

} // namespace

const PixelKernels* Avx2Kernels() {
    static const PixelKernels kernels = [] {
        PixelKernels k;
        k.name = "avx2";
        k.fillBlend = FillBlendAvx2;
        k.blendOpaqueDest = BlendOpaqueDestAvx2;
        k.blend = BlendAvx2;
        k.blendSampled = BlendSampledAvx2;
        k.blendResampled = BlendResampledAvx2;
        k.addOpaque = AddOpaqueAvx2;
        k.addAlpha = AddAlphaAvx2;
        k.addTinted = AddTintedAvx2;
        k.accumulateRow = AccumulateRowAvx2;
        k.sumTaps = SumTapsAvx2;
        return k;
    }();
    return CpuFeatures::HasAvx2() ? &kernels : nullptr;
}

} // namespace Zorbel

#else

namespace Zorbel {

const PixelKernels* Avx2Kernels() {
    return nullptr;
}

} // namespace Zorbel

#endif
