#include "framework/graphics/PixelKernels.h"

#if defined(__x86_64__)
#include "framework/graphics/PixelKernelsSse2.h"

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

    ZORBEL_AVX2 static __m256i OverOpaqueHalf(__m256i s, __m256i d, __m256i a) {
        const __m256i ia = _mm256_sub_epi16(_mm256_set1_epi16(256), a);
        const __m256i sa = _mm256_mullo_epi16(s, a);
        const __m256i dia = _mm256_mullo_epi16(d, ia);
        const __m256i joint = _mm256_srli_epi16(_mm256_add_epi16(sa, dia), 8);
        const __m256i apart = _mm256_add_epi16(_mm256_srli_epi16(sa, 8), _mm256_srli_epi16(dia, 8));
        const __m256i blue = _mm256_set1_epi64x(0xFFFF);
        return _mm256_blendv_epi8(joint, apart, blue);
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
        return _mm256_add_epi16(_mm256_srli_epi16(_mm256_mullo_epi16(dw, iu), 8),
                                _mm256_srli_epi16(_mm256_mullo_epi16(u, sw), 8));
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

    ZORBEL_AVX2 static __m256i AddKeepAlpha(__m256i d, __m256i s) {
        return _mm256_adds_epu8(d, _mm256_and_si256(s, _mm256_set1_epi32(0x00FFFFFF)));
    }
};

// The colour's products are the same for every pixel, so only the destination's are computed.
ZORBEL_AVX2 void FillBlendAvx2(uint32_t* dst, int32_t n, uint32_t color) {
    const __m256i zero = _mm256_setzero_si256();
    const auto a = static_cast<int16_t>(Alpha(color));
    const __m256i sa = _mm256_mullo_epi16(
        _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(color)), zero), _mm256_set1_epi16(a));
    const __m256i saShifted = _mm256_srli_epi16(sa, 8);
    const __m256i ia = _mm256_set1_epi16(static_cast<int16_t>(256 - a));
    const __m256i blue = _mm256_set1_epi64x(0xFFFF);
    auto blendEight = [&](uint32_t* p, __m256i d) ZORBEL_AVX2 {
        const __m256i diaLo = _mm256_mullo_epi16(_mm256_unpacklo_epi8(d, zero), ia);
        const __m256i diaHi = _mm256_mullo_epi16(_mm256_unpackhi_epi8(d, zero), ia);
        const __m256i lo = _mm256_blendv_epi8(_mm256_srli_epi16(_mm256_add_epi16(sa, diaLo), 8),
                                              _mm256_add_epi16(saShifted, _mm256_srli_epi16(diaLo, 8)), blue);
        const __m256i hi = _mm256_blendv_epi8(_mm256_srli_epi16(_mm256_add_epi16(sa, diaHi), 8),
                                              _mm256_add_epi16(saShifted, _mm256_srli_epi16(diaHi, 8)), blue);
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
    const __m256i zero = _mm256_setzero_si256();
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i s = Avx2::Load(src + i);
        // Transparent pixels add nothing.
        if (Avx2::AllAlpha(s, 0)) continue;
        const __m256i sLo = _mm256_unpacklo_epi8(s, zero), sHi = _mm256_unpackhi_epi8(s, zero);
        const __m256i scaled = _mm256_packus_epi16(Avx2::ScaleHalf(sLo, Avx2::SpreadAlpha(sLo)),
                                                   Avx2::ScaleHalf(sHi, Avx2::SpreadAlpha(sHi)));
        Avx2::Store(dst + i, Avx2::AddKeepAlpha(Avx2::Load(dst + i), scaled));
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

// Four taps at a time: four pixels widened to sixteen 16-bit channels, each group of four
// multiplied by its tap's weight; the rest of a pixel's taps go two and one at a time as in SSE2.
ZORBEL_AVX2 void WeighRowAvx2(uint16_t* out, const uint32_t* src, const int32_t* first, const int32_t* count,
                              const int32_t* offset, const uint16_t* weights, int32_t n) {
    const __m128i zero = _mm_setzero_si128();
    // Spreads weight k of four to the four channels of pixel k.
    const __m256i spread = _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 2, 3, 2, 3, 2, 3, 2, 3, 4, 5, 4, 5, 4, 5,
                                            4, 5, 6, 7, 6, 7, 6, 7, 6, 7);
    for (int32_t d = 0; d < n; ++d) {
        const uint32_t* p = src + first[d];
        const uint16_t* w = weights + offset[d];
        const int32_t taps = count[d];
        __m256i wide = _mm256_setzero_si256();
        int32_t k = 0;
        for (; k + 4 <= taps; k += 4) {
            const __m256i pixels =
                _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k)));
            long long four = 0;
            std::memcpy(&four, w + k, sizeof four);
            const __m256i weight = _mm256_shuffle_epi8(_mm256_set1_epi64x(four), spread);
            wide = _mm256_add_epi16(wide, _mm256_mullo_epi16(pixels, weight));
        }
        __m128i sum = _mm_add_epi16(_mm256_castsi256_si128(wide), _mm256_extracti128_si256(wide, 1));
        for (; k + 2 <= taps; k += 2) {
            const __m128i pixels =
                _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + k)), zero);
            const __m128i weight = _mm_unpacklo_epi64(_mm_set1_epi16(static_cast<int16_t>(w[k])),
                                                      _mm_set1_epi16(static_cast<int16_t>(w[k + 1])));
            sum = _mm_add_epi16(sum, _mm_mullo_epi16(pixels, weight));
        }
        if (k < taps) {
            const __m128i pixel = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(p[k])), zero);
            sum = _mm_add_epi16(sum, _mm_mullo_epi16(pixel, _mm_set1_epi16(static_cast<int16_t>(w[k]))));
        }
        sum = _mm_add_epi16(sum, _mm_srli_si128(sum, 8));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 4 * static_cast<size_t>(d)), sum);
    }
}

// Four pixels (sixteen 16-bit channels) at a time, widened to 32-bit products.
ZORBEL_AVX2 void SumRowsAvx2(uint32_t* out, const uint16_t* const* rows, const uint16_t* weights, int32_t n,
                             int32_t width) {
    int32_t d = 0;
    for (; d + 4 <= width; d += 4) {
        __m256i lo = _mm256_setzero_si256(), hi = _mm256_setzero_si256();
        for (int32_t k = 0; k < n; ++k) {
            const __m256i v =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[k] + 4 * static_cast<size_t>(d)));
            const __m256i w = _mm256_set1_epi16(static_cast<int16_t>(weights[k]));
            const __m256i productLo = _mm256_mullo_epi16(v, w), productHi = _mm256_mulhi_epu16(v, w);
            lo = _mm256_add_epi32(lo, _mm256_unpacklo_epi16(productLo, productHi));
            hi = _mm256_add_epi32(hi, _mm256_unpackhi_epi16(productLo, productHi));
        }
        // Per 128-bit half: lo holds that half's first pixel, hi its second; the packs restore order.
        const __m256i channels = _mm256_packs_epi32(_mm256_srli_epi32(lo, 16), _mm256_srli_epi32(hi, 16));
        const __m256i bytes = _mm256_packus_epi16(channels, channels);
        const __m256i ordered = _mm256_permute4x64_epi64(bytes, _MM_SHUFFLE(3, 1, 2, 0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + d), _mm256_castsi256_si128(ordered));
    }
    for (; d < width; ++d)
        out[d] = X86::SumRowsPixel(rows, weights, n, d);
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
        k.weighRow = WeighRowAvx2;
        k.sumRows = SumRowsAvx2;
        return k;
    }();
    return __builtin_cpu_supports("avx2") ? &kernels : nullptr;
}

} // namespace Zorbel

#else

namespace Zorbel {

const PixelKernels* Avx2Kernels() {
    return nullptr;
}

} // namespace Zorbel

#endif
