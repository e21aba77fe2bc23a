// SSE2 twins of the busiest span fillers: blended texturing into 32-bit pixels, bilinear or nearest,
// with and without a colour. Pixels are worked in 16-bit lanes with exactly the generic fillers'
// arithmetic; pixels whose four texels are not all inside the texture, and pixels laid over a
// translucent destination, take the generic per-pixel helpers.
#include "framework/graphics/SpanFillers.h"

#include "framework/graphics/SpanFillerPixels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Zorbel {

#if defined(__SSE2__)

namespace {

using namespace SpanPixels;

// x / 255 rounded, lane by lane, for x <= 65535: the generic Div255.
inline __m128i Div255Lanes(__m128i x) {
    x = _mm_add_epi16(x, _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
}

inline __m128i Widen(uint32_t p) {
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int32_t>(p)), _mm_setzero_si128());
}

inline uint32_t Narrow(__m128i lanes) {
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(lanes, lanes)));
}

// Two texels in 16-bit lanes, premultiplied by their alphas; each alpha lane stays itself.
inline __m128i PremultiplyPair(__m128i t) {
    const __m128i colourLanes = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
    const __m128i alphaLanes = _mm_set_epi16(255, 0, 0, 0, 255, 0, 0, 0);
    __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(t, 0xFF), 0xFF);
    a = _mm_or_si128(_mm_and_si128(a, colourLanes), alphaLanes);
    return Div255Lanes(_mm_mullo_epi16(t, a));
}

// The generic SampleBilinear for a position whose four texels lie inside the texture; the result is
// premultiplied, one channel per 16-bit lane in the low half.
inline __m128i SampleInside(const SpanJob& job, int64_t x, int64_t y) {
    const __m128i zero = _mm_setzero_si128();
    const uint32_t* t = job.texels + ((y >> 16) * job.texWidth + (x >> 16));
    const auto fx = static_cast<int32_t>((x >> 9) & 0x7F);
    const auto fy = static_cast<int16_t>((y >> 9) & 0x7F);
    __m128i top =
        PremultiplyPair(_mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(t)), zero));
    __m128i bottom = PremultiplyPair(
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(t + job.texWidth)), zero));
    // Columns first, each at most 255 x 128: [left | right], four channels each.
    __m128i columns = _mm_add_epi16(_mm_mullo_epi16(top, _mm_set1_epi16(static_cast<int16_t>(128 - fy))),
                                    _mm_mullo_epi16(bottom, _mm_set1_epi16(fy)));
    __m128i pairs = _mm_unpacklo_epi16(columns, _mm_srli_si128(columns, 8));
    __m128i sums = _mm_madd_epi16(pairs, _mm_set1_epi32((fx << 16) | (128 - fx)));
    sums = _mm_srli_epi32(_mm_add_epi32(sums, _mm_set1_epi32(8192)), 14);
    return _mm_packs_epi32(sums, sums);
}

template <DestFormat Format, bool Modulated>
void FillFilteredSse2(const SpanJob& job, SpanStart at, void* dest, int32_t count) {
    static_assert(Format == DestFormat::Argb32 || Format == DestFormat::Rgb24);
    auto* d = static_cast<uint32_t*>(dest);
    const __m128i modulation = Widen(job.modulation);
    const auto lastColumn = static_cast<uint64_t>(job.texWidth - 1);
    const auto lastRow = static_cast<uint64_t>(job.texHeight - 1);
    for (int32_t i = 0; i < count; ++i, Advance(at, job, false)) {
        const int64_t x = static_cast<int64_t>(at.u) - 0x8000;
        const int64_t y = static_cast<int64_t>(at.v) - 0x8000;
        __m128i p = static_cast<uint64_t>(x >> 16) < lastColumn && static_cast<uint64_t>(y >> 16) < lastRow
                        ? SampleInside(job, x, y)
                        : Widen(SampleBilinear<true>(job, at.u, at.v));
        if constexpr (Modulated) p = Div255Lanes(_mm_mullo_epi16(p, modulation));
        const auto alpha = static_cast<uint32_t>(_mm_extract_epi16(p, 3));
        if (alpha == 0) continue;
        if (alpha == 255) {
            d[i] = Narrow(p) | 0xFF000000;
        } else if (Format == DestFormat::Rgb24 || (d[i] >> 24) == 255) {
            __m128i rest = _mm_set1_epi16(static_cast<int16_t>(255 - alpha));
            d[i] = Narrow(_mm_add_epi16(p, Div255Lanes(_mm_mullo_epi16(Widen(d[i]), rest)))) | 0xFF000000;
        } else {
            d[i] = OverTranslucent(Narrow(p), d[i]);
        }
    }
}

// Four premultiplied pixels, each laid over its destination pixel, which must be opaque (or not count,
// for Rgb24); where a pixel's alpha is 0 the destination stays exactly as it was.
inline __m128i OverOpaqueFour(__m128i lo, __m128i hi, __m128i dest) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i all = _mm_set1_epi16(255);
    auto rest = [&](__m128i p) {
        return _mm_sub_epi16(all, _mm_shufflehi_epi16(_mm_shufflelo_epi16(p, 0xFF), 0xFF));
    };
    __m128i outLo = _mm_add_epi16(lo, Div255Lanes(_mm_mullo_epi16(_mm_unpacklo_epi8(dest, zero), rest(lo))));
    __m128i outHi = _mm_add_epi16(hi, Div255Lanes(_mm_mullo_epi16(_mm_unpackhi_epi8(dest, zero), rest(hi))));
    __m128i out =
        _mm_or_si128(_mm_packus_epi16(outLo, outHi), _mm_set1_epi32(static_cast<int32_t>(0xFF000000)));
    __m128i clear = _mm_cmpeq_epi32(_mm_srli_epi32(_mm_packus_epi16(lo, hi), 24), zero);
    return _mm_or_si128(_mm_and_si128(clear, dest), _mm_andnot_si128(clear, out));
}

// Nearest sampling of a texture with alpha, four pixels at a time: the texels are fetched one by one,
// then premultiplied, tinted and laid over the destination together.
template <DestFormat Format, bool Modulated>
void FillNearestSse2(const SpanJob& job, SpanStart at, void* dest, int32_t count) {
    static_assert(Format == DestFormat::Argb32 || Format == DestFormat::Rgb24);
    const __m128i zero = _mm_setzero_si128();
    const __m128i modulation = _mm_unpacklo_epi64(Widen(job.modulation), Widen(job.modulation));
    auto* d = static_cast<uint32_t*>(dest);
    auto texel = [&] {
        uint32_t t = Texel(job, ClampTexel(at.u >> 16, job.texWidth), ClampTexel(at.v >> 16, job.texHeight));
        Advance(at, job, false);
        return t;
    };
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        alignas(16) uint32_t t[4];
        for (uint32_t& each : t)
            each = texel();
        __m128i destFour = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i destAlpha = _mm_srli_epi32(destFour, 24);
        if (Format == DestFormat::Argb32 &&
            _mm_movemask_epi8(_mm_cmpeq_epi32(destAlpha, _mm_set1_epi32(255))) != 0xFFFF) {
            for (int k = 0; k < 4; ++k) {
                uint32_t p = Premultiply(t[k]);
                if constexpr (Modulated) p = Multiply(p, job.modulation);
                Blend<Format>(d, i + k, p);
            }
            continue;
        }
        __m128i texels = _mm_load_si128(reinterpret_cast<const __m128i*>(t));
        __m128i lo = PremultiplyPair(_mm_unpacklo_epi8(texels, zero));
        __m128i hi = PremultiplyPair(_mm_unpackhi_epi8(texels, zero));
        if constexpr (Modulated) {
            lo = Div255Lanes(_mm_mullo_epi16(lo, modulation));
            hi = Div255Lanes(_mm_mullo_epi16(hi, modulation));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), OverOpaqueFour(lo, hi, destFour));
    }
    for (; i < count; ++i) {
        uint32_t p = Premultiply(texel());
        if constexpr (Modulated) p = Multiply(p, job.modulation);
        Blend<Format>(d, i, p);
    }
}

constexpr uint32_t FilteredTexture = SPAN_TEXTURED | SPAN_FILTERED | SPAN_BLENDED;
constexpr uint32_t BlendedTexture = SPAN_TEXTURED | SPAN_BLENDED;

constexpr SpanFillerRow Rows[] = {
    {DestFormat::Argb32, FilteredTexture, &FillFilteredSse2<DestFormat::Argb32, false>},
    {DestFormat::Rgb24, FilteredTexture, &FillFilteredSse2<DestFormat::Rgb24, false>},
    {DestFormat::Argb32, FilteredTexture | SPAN_MODULATED, &FillFilteredSse2<DestFormat::Argb32, true>},
    {DestFormat::Rgb24, FilteredTexture | SPAN_MODULATED, &FillFilteredSse2<DestFormat::Rgb24, true>},
    {DestFormat::Argb32, BlendedTexture, &FillNearestSse2<DestFormat::Argb32, false>},
    {DestFormat::Rgb24, BlendedTexture, &FillNearestSse2<DestFormat::Rgb24, false>},
    {DestFormat::Argb32, BlendedTexture | SPAN_MODULATED, &FillNearestSse2<DestFormat::Argb32, true>},
    {DestFormat::Rgb24, BlendedTexture | SPAN_MODULATED, &FillNearestSse2<DestFormat::Rgb24, true>},
};

} // namespace

std::span<const SpanFillerRow> SpanFillers::Sse2Rows() {
    return Rows;
}

#else

std::span<const SpanFillerRow> SpanFillers::Sse2Rows() {
    return {};
}

#endif

} // namespace Zorbel
