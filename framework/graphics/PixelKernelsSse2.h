#pragma once

// The SSE2 row kernels, in a header so that the AVX2 kernels can finish their rows with them.

#include "framework/graphics/PixelKernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>

namespace Zorbel::X86 {

using namespace PixelBlend;

// Four pixels at a time, each channel widened to 16 bits; the products of 8-bit channels and
// weights up to 256 fit in 16 bits, so the vector arithmetic is the scalar arithmetic exactly.
// Pixels the vector body cannot take go through the scalar helpers.

// SSE2 is part of every x86-64 processor; 32-bit builds enable it per function.
#if defined(__SSE2__)
#define ZORBEL_SSE2
#else
#define ZORBEL_SSE2 __attribute__((target("sse2")))
#endif

struct Sse2 {
    ZORBEL_SSE2 static __m128i Load(const uint32_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    }
    ZORBEL_SSE2 static void Store(uint32_t* p, __m128i v) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
    }

    // Lanes [b g r a b g r a] of 16-bit alpha copies for the two pixels of a widened half.
    ZORBEL_SSE2 static __m128i SpreadAlpha(__m128i wide) {
        return _mm_shufflehi_epi16(_mm_shufflelo_epi16(wide, _MM_SHUFFLE(3, 3, 3, 3)),
                                   _MM_SHUFFLE(3, 3, 3, 3));
    }

    // True when the top byte of every pixel is 255 (mask 0xFF000000 compared).
    ZORBEL_SSE2 static bool AllAlpha(__m128i v, int alpha) {
        const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
        const __m128i wanted = _mm_set1_epi32(static_cast<int>(static_cast<uint32_t>(alpha) << 24));
        return _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(v, alphaMask), wanted)) == 0xFFFF;
    }

    // Red and green round (s * a + d * (256 - a)) >> 8, blue adds the two products rounded apart;
    // the result is opaque. s, d, a are widened halves; a spread over the channels. Clearing the
    // low byte of blue's s * a makes the one sum round like two: nothing can carry out of it.
    ZORBEL_SSE2 static __m128i OverOpaqueHalf(__m128i s, __m128i d, __m128i a) {
        const __m128i ia = _mm_sub_epi16(_mm_set1_epi16(256), a);
        return _mm_srli_epi16(
            _mm_add_epi16(_mm_and_si128(_mm_mullo_epi16(s, a), BlueApart()), _mm_mullo_epi16(d, ia)), 8);
    }

    // All ones but the low byte of each blue lane.
    ZORBEL_SSE2 static __m128i BlueApart() { return _mm_set_epi16(-1, -1, -1, -256, -1, -1, -1, -256); }

    ZORBEL_SSE2 static __m128i OverOpaque4(__m128i s, __m128i d) {
        const __m128i zero = _mm_setzero_si128();
        const __m128i sLo = _mm_unpacklo_epi8(s, zero), sHi = _mm_unpackhi_epi8(s, zero);
        const __m128i lo = OverOpaqueHalf(sLo, _mm_unpacklo_epi8(d, zero), SpreadAlpha(sLo));
        const __m128i hi = OverOpaqueHalf(sHi, _mm_unpackhi_epi8(d, zero), SpreadAlpha(sHi));
        return _mm_or_si128(_mm_packus_epi16(lo, hi), _mm_set1_epi32(static_cast<int>(0xFF000000u)));
    }

    // Every channel (d * (256 - u) >> 8) + (u * s >> 8), with u the alpha of s: the low byte of
    // u * s cleared, the sum rounds like the two parts.
    ZORBEL_SSE2 static __m128i OverResampledHalf(__m128i sw, __m128i dw) {
        const __m128i u = SpreadAlpha(sw);
        const __m128i iu = _mm_sub_epi16(_mm_set1_epi16(256), u);
        const __m128i high = _mm_set1_epi16(-256);
        return _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(dw, iu), _mm_and_si128(_mm_mullo_epi16(u, sw), high)), 8);
    }

    ZORBEL_SSE2 static __m128i OverResampled4(__m128i s, __m128i d) {
        const __m128i zero = _mm_setzero_si128();
        const __m128i lo = OverResampledHalf(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero));
        const __m128i hi = OverResampledHalf(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero));
        return _mm_or_si128(_mm_packus_epi16(lo, hi), _mm_set1_epi32(static_cast<int>(0xFF000000u)));
    }

    // Each colour channel of s scaled by the matching 16-bit lane of k, >> 8; alpha lanes of k are 0.
    ZORBEL_SSE2 static __m128i ScaleHalf(__m128i sw, __m128i k) {
        return _mm_srli_epi16(_mm_mullo_epi16(sw, k), 8);
    }

    ZORBEL_SSE2 static __m128i AddKeepAlpha(__m128i d, __m128i s) {
        const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
        return _mm_adds_epu8(d, _mm_and_si128(s, colour));
    }
};

ZORBEL_SSE2 inline void FillBlendSse2(uint32_t* dst, int32_t n, uint32_t color) {
    const uint32_t a = Alpha(color);
    const __m128i c = _mm_set1_epi32(static_cast<int>(color));
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i d = Sse2::Load(dst + i);
        if (Sse2::AllAlpha(d, 255)) {
            Sse2::Store(dst + i, Sse2::OverOpaque4(c, d));
        } else {
            for (int32_t k = i; k < i + 4; ++k)
                dst[k] = OverDestAlpha(dst[k], color, a);
        }
    }
    for (; i < n; ++i)
        dst[i] = OverDestAlpha(dst[i], color, a);
}

ZORBEL_SSE2 inline void BlendOpaqueDestSse2(uint32_t* dst, const uint32_t* src, int32_t n) {
    int32_t i = 0;
    for (; i + 4 <= n; i += 4)
        Sse2::Store(dst + i, Sse2::OverOpaque4(Sse2::Load(src + i), Sse2::Load(dst + i)));
    for (; i < n; ++i)
        dst[i] = OverOpaque(dst[i], src[i]);
}

inline void BlendPixel(uint32_t& d, uint32_t s) {
    const uint32_t a = Alpha(s);
    if (a != 0) d = OverDestAlpha(d, s, a);
}

// Over an opaque destination the destination-alpha rule reduces to the opaque one (outA = 255,
// w = a), and alpha-0 pixels come out unchanged from it; only other destinations need the divisions.
ZORBEL_SSE2 inline void BlendSse2(uint32_t* dst, const uint32_t* src, int32_t n) {
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = Sse2::Load(src + i);
        if (Sse2::AllAlpha(s, 0)) continue;
        const __m128i d = Sse2::Load(dst + i);
        if (Sse2::AllAlpha(d, 255)) {
            Sse2::Store(dst + i, Sse2::OverOpaque4(s, d));
        } else {
            for (int32_t k = i; k < i + 4; ++k)
                BlendPixel(dst[k], src[k]);
        }
    }
    for (; i < n; ++i)
        BlendPixel(dst[i], src[i]);
}

ZORBEL_SSE2 inline void BlendSampledSse2(uint32_t* dst, const uint32_t* srcRow, const int32_t* columns,
                                         int32_t n) {
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = _mm_setr_epi32(
            static_cast<int>(srcRow[columns[i]]), static_cast<int>(srcRow[columns[i + 1]]),
            static_cast<int>(srcRow[columns[i + 2]]), static_cast<int>(srcRow[columns[i + 3]]));
        if (Sse2::AllAlpha(s, 0)) continue;
        const __m128i d = Sse2::Load(dst + i);
        if (Sse2::AllAlpha(d, 255)) {
            Sse2::Store(dst + i, Sse2::OverOpaque4(s, d));
        } else {
            for (int32_t k = i; k < i + 4; ++k)
                BlendPixel(dst[k], srcRow[columns[k]]);
        }
    }
    for (; i < n; ++i)
        BlendPixel(dst[i], srcRow[columns[i]]);
}

inline void BlendResampledPixel(uint32_t& d, uint32_t s) {
    if (Alpha(s) != 0) d = OverResampled(d, s);
}

ZORBEL_SSE2 inline void BlendResampledSse2(uint32_t* dst, const uint32_t* src, int32_t n) {
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = Sse2::Load(src + i);
        if (Sse2::AllAlpha(s, 0)) continue;
        const __m128i d = Sse2::Load(dst + i);
        if (Sse2::AllAlpha(d, 255)) {
            Sse2::Store(dst + i, Sse2::OverResampled4(s, d));
        } else {
            for (int32_t k = i; k < i + 4; ++k)
                BlendResampledPixel(dst[k], src[k]);
        }
    }
    for (; i < n; ++i)
        BlendResampledPixel(dst[i], src[i]);
}

// The table is min(i, 255), which is what unsigned saturating addition computes.
ZORBEL_SSE2 inline void AddOpaqueSse2(uint32_t* dst, const uint32_t* src, int32_t n,
                                      const SaturationTable& t) {
    int32_t i = 0;
    for (; i + 4 <= n; i += 4)
        Sse2::Store(dst + i, Sse2::AddKeepAlpha(Sse2::Load(dst + i), Sse2::Load(src + i)));
    for (; i < n; ++i)
        dst[i] = AddOpaque(dst[i], src[i], t);
}

ZORBEL_SSE2 inline void AddAlphaSse2(uint32_t* dst, const uint32_t* src, int32_t n,
                                     const SaturationTable& t) {
    const __m128i zero = _mm_setzero_si128();
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = Sse2::Load(src + i);
        const __m128i sLo = _mm_unpacklo_epi8(s, zero), sHi = _mm_unpackhi_epi8(s, zero);
        const __m128i scaled = _mm_packus_epi16(Sse2::ScaleHalf(sLo, Sse2::SpreadAlpha(sLo)),
                                                Sse2::ScaleHalf(sHi, Sse2::SpreadAlpha(sHi)));
        Sse2::Store(dst + i, Sse2::AddKeepAlpha(Sse2::Load(dst + i), scaled));
    }
    for (; i < n; ++i)
        dst[i] = AddAlpha(dst[i], src[i], t);
}

ZORBEL_SSE2 inline void AddTintedSse2(uint32_t* dst, const uint32_t* src, int32_t n, const Tint& tint,
                                      bool useAlpha, const SaturationTable& t) {
    const __m128i zero = _mm_setzero_si128();
    const auto kb = static_cast<int16_t>(tint.b), kg = static_cast<int16_t>(tint.g),
               kr = static_cast<int16_t>(tint.r);
    const __m128i k = _mm_set_epi16(0, kr, kg, kb, 0, kr, kg, kb);
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = Sse2::Load(src + i);
        __m128i lo = _mm_unpacklo_epi8(s, zero), hi = _mm_unpackhi_epi8(s, zero);
        const __m128i aLo = Sse2::SpreadAlpha(lo), aHi = Sse2::SpreadAlpha(hi);
        lo = Sse2::ScaleHalf(lo, k);
        hi = Sse2::ScaleHalf(hi, k);
        if (useAlpha) {
            lo = Sse2::ScaleHalf(lo, aLo);
            hi = Sse2::ScaleHalf(hi, aHi);
        }
        Sse2::Store(dst + i, Sse2::AddKeepAlpha(Sse2::Load(dst + i), _mm_packus_epi16(lo, hi)));
    }
    for (; i < n; ++i)
        dst[i] = AddTinted(dst[i], src[i], tint, useAlpha, t);
}

// Four pixels at a time, their sixteen channels widened to 16 bits.
ZORBEL_SSE2 inline void AccumulateRowSse2(uint16_t* sums, const uint32_t* row, uint16_t weight,
                                          int32_t width) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i w = _mm_set1_epi16(static_cast<int16_t>(weight));
    int32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i pixels = Sse2::Load(row + x);
        auto* s = reinterpret_cast<__m128i*>(sums + 4 * static_cast<size_t>(x));
        _mm_storeu_si128(
            s, _mm_add_epi16(_mm_loadu_si128(s), _mm_mullo_epi16(_mm_unpacklo_epi8(pixels, zero), w)));
        _mm_storeu_si128(s + 1, _mm_add_epi16(_mm_loadu_si128(s + 1),
                                              _mm_mullo_epi16(_mm_unpackhi_epi8(pixels, zero), w)));
    }
    for (; x < width; ++x) {
        const __m128i pixel = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(row[x])), zero);
        auto* s = reinterpret_cast<__m128i*>(sums + 4 * static_cast<size_t>(x));
        _mm_storel_epi64(s, _mm_add_epi16(_mm_loadl_epi64(s), _mm_mullo_epi16(pixel, w)));
    }
}

// Two taps at a time: their eight 16-bit sums times the two weights, widened to 32-bit products.
ZORBEL_SSE2 inline void SumTapsSse2(uint32_t* out, const uint16_t* sums, const int32_t* first,
                                    const int32_t* count, const int32_t* offset, const uint16_t* weights,
                                    int32_t n) {
    for (int32_t d = 0; d < n; ++d) {
        const uint16_t* s = sums + 4 * static_cast<size_t>(first[d]);
        const uint16_t* w = weights + offset[d];
        const int32_t taps = count[d];
        __m128i total = _mm_setzero_si128();
        int32_t t = 0;
        for (; t + 2 <= taps; t += 2) {
            const __m128i v =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * static_cast<size_t>(t)));
            const __m128i weight = _mm_unpacklo_epi64(_mm_set1_epi16(static_cast<int16_t>(w[t])),
                                                      _mm_set1_epi16(static_cast<int16_t>(w[t + 1])));
            const __m128i lo = _mm_mullo_epi16(v, weight), hi = _mm_mulhi_epu16(v, weight);
            total =
                _mm_add_epi32(total, _mm_add_epi32(_mm_unpacklo_epi16(lo, hi), _mm_unpackhi_epi16(lo, hi)));
        }
        if (t < taps) {
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

} // namespace Zorbel::X86

#endif
