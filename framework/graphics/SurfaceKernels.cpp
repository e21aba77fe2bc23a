#include "framework/graphics/SurfaceKernels.h"

#include "framework/graphics/LineWalk.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/PixelBlend.h"
#include "framework/platform/CpuFeatures.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Zorbel {

using namespace PixelBlend;

namespace {

struct ChannelInfo {
    uint32_t mask;
    int32_t bits;
    int32_t shift;
    int32_t max;
    const int32_t* add;

    uint32_t Field(uint32_t pixel) const { return (pixel & mask) >> shift; }
    uint32_t Place(uint32_t field) const { return (field << shift) & mask; }
    // An 8-bit channel cut to this channel's width.
    uint32_t Narrow(uint32_t c8) const { return c8 >> (8 - bits); }
    uint32_t Add(uint32_t field, uint32_t amount) const {
        return static_cast<uint32_t>(add[std::min<uint32_t>(field + amount, static_cast<uint32_t>(2 * max))]);
    }
};

struct Layout {
    ChannelInfo channels[3];
    uint32_t colourMask;
    bool sixteen;

    explicit Layout(const NativeTarget& t) {
        const NativeDisplay& d = *t.display;
        const uint32_t masks[3] = {d.redMask, d.greenMask, d.blueMask};
        const int32_t bits[3] = {d.redBits, d.greenBits, d.blueBits};
        const int32_t shifts[3] = {d.redShift, d.greenShift, d.blueShift};
        for (int i = 0; i < 3; ++i) {
            channels[i] = {masks[i], std::clamp(bits[i], 1, 8), shifts[i],
                           (1 << std::clamp(bits[i], 1, 8)) - 1, t.addTables[i]};
        }
        colourMask = masks[0] | masks[1] | masks[2];
        sixteen = d.bitDepth == 16;
    }
};

uint32_t ChannelOf(const Color& c, int i) {
    return static_cast<uint32_t>(std::clamp(i == 0 ? c.red : i == 1 ? c.green : c.blue, 0, 255));
}

uint32_t AlphaOf(const Color& c) {
    return static_cast<uint32_t>(std::clamp(c.alpha, 0, 255));
}

bool IsOpaqueWhite(const Color& c) {
    return c.red >= 255 && c.green >= 255 && c.blue >= 255 && c.alpha >= 255;
}

template <typename P>
inline uint32_t Load(const uint8_t* row, int32_t x) {
    P v;
    std::memcpy(&v, row + static_cast<size_t>(x) * sizeof(P), sizeof(P));
    return v;
}

template <typename P>
inline void Store(uint8_t* row, int32_t x, uint32_t value) {
    const P v = static_cast<P>(value);
    std::memcpy(row + static_cast<size_t>(x) * sizeof(P), &v, sizeof(P));
}

inline uint8_t* RowOf(const NativeTarget& t, int32_t y) {
    return t.pixels + static_cast<size_t>(y) * static_cast<size_t>(t.pitch);
}

// d with each channel weighted by (256 - a) / 256, as the translucent fill and blit formulas add it.
inline uint32_t Dimmed(const Layout& l, uint32_t d, uint32_t a) {
    uint32_t sum = 0;
    for (const ChannelInfo& ch : l.channels)
        sum += (((d & ch.mask) * (256 - a)) >> 8) & ch.mask;
    return sum;
}

// --- Fills ---

template <typename P>
void FillRows(const NativeTarget& t, const Rect& area, const Layout& l, const Color& c) {
    const uint32_t a = AlphaOf(c);
    if (a == 0) return;
    uint32_t value = 0;
    for (int i = 0; i < 3; ++i) {
        const uint64_t m = l.channels[i].mask;
        uint32_t k = ChannelOf(c, i);
        if (a == 255) {
            value += static_cast<uint32_t>(((m * (l.sixteen ? k + 1 : k)) >> 8) & m);
        } else {
            uint32_t premultiplied = l.sixteen ? (a * k + 128) >> 8 : (a * k + 127) >> 8;
            value += static_cast<uint32_t>(((m * (premultiplied + 1)) >> 8) & m);
        }
    }
    for (int32_t y = area.y; y < area.y + area.height; ++y) {
        uint8_t* row = RowOf(t, y);
        if (a == 255) {
            for (int32_t x = area.x; x < area.x + area.width; ++x)
                Store<P>(row, x, value);
        } else {
            for (int32_t x = area.x; x < area.x + area.width; ++x)
                Store<P>(row, x, value + Dimmed(l, Load<P>(row, x), a));
        }
    }
}

template <typename P>
void AdditiveFillRows(const NativeTarget& t, const Rect& area, const Layout& l, const Color& c) {
    const uint32_t a = AlphaOf(c);
    uint32_t amount[3];
    for (int i = 0; i < 3; ++i)
        amount[i] = (ChannelOf(c, i) * a / 255) >> (8 - l.channels[i].bits);
    for (int32_t y = area.y; y < area.y + area.height; ++y) {
        uint8_t* row = RowOf(t, y);
        for (int32_t x = area.x; x < area.x + area.width; ++x) {
            const uint32_t d = Load<P>(row, x);
            uint32_t out = 0;
            for (int i = 0; i < 3; ++i) {
                const ChannelInfo& ch = l.channels[i];
                out |= ch.Place(ch.Add(ch.Field(d), amount[i]));
            }
            Store<P>(row, x, out);
        }
    }
}

// --- Blits ---

enum class PlotMode { NormalWhite, NormalTinted, AdditiveWhite, AdditiveTinted };

// Where a blit reads: premultiplied words in the target's layout, the straight 32-bit pixels (for
// tinted normal drawing) and, for a palettised picture, the indices into both.
struct SourceView {
    const uint32_t* premultiplied = nullptr;
    const uint32_t* straight = nullptr;
    const uint8_t* indices = nullptr;
    int32_t width = 0;

    uint32_t Premultiplied(size_t i) const { return premultiplied[indices ? indices[i] : i]; }
    uint32_t Straight(size_t i) const { return straight[indices ? indices[i] : i]; }
};

struct Plotter {
    const Layout& layout;
    PlotMode mode;
    uint32_t tint[3]; // the colour's channels (normal) or channel x alpha / 255 (additive)
    uint32_t tintAlpha;

    Plotter(const Layout& l, const Color& color, DrawMode drawMode) : layout(l) {
        const bool white = IsOpaqueWhite(color);
        tintAlpha = AlphaOf(color);
        for (int i = 0; i < 3; ++i) {
            tint[i] =
                drawMode == DRAWMODE_ADDITIVE ? ChannelOf(color, i) * tintAlpha / 255 : ChannelOf(color, i);
        }
        if (drawMode == DRAWMODE_ADDITIVE)
            mode = white ? PlotMode::AdditiveWhite : PlotMode::AdditiveTinted;
        else
            mode = white ? PlotMode::NormalWhite : PlotMode::NormalTinted;
    }

    bool NeedsStraight() const { return mode == PlotMode::NormalTinted; }

    // The new destination pixel; d when the source leaves it alone.
    uint32_t Plot(uint32_t d, const SourceView& s, size_t i) const {
        switch (mode) {
            case PlotMode::NormalWhite: {
                const uint32_t p = s.Premultiplied(i);
                const uint32_t a = Alpha(p);
                if (a == 255) return p & layout.colourMask;
                if (a == 0) return d;
                return (p & layout.colourMask) + Dimmed(layout, d, a);
            }
            case PlotMode::NormalTinted: {
                const uint32_t pixel = s.Straight(i);
                const uint32_t w = Alpha(pixel) * tintAlpha / 255;
                if (w == 0) return d;
                const uint32_t iw = 256 - w;
                const uint32_t c8[3] = {Red(pixel), Green(pixel), Blue(pixel)};
                uint32_t out = 0;
                for (int k = 0; k < 3; ++k) {
                    const ChannelInfo& ch = layout.channels[k];
                    const uint32_t sw = ch.Narrow(c8[k]) * w * tint[k];
                    const uint32_t dd = ch.Field(d);
                    // The three rounding forms of the software renderer's tinted blit.
                    uint32_t v = k == 0   ? (sw + dd * iw * 256) >> 16
                                 : k == 1 ? ((sw >> 8) + dd * iw) >> 8
                                          : (sw >> 16) + ((dd * iw) >> 8);
                    out |= ch.Place(std::min<uint32_t>(v, static_cast<uint32_t>(ch.max)));
                }
                return out;
            }
            case PlotMode::AdditiveWhite:
            case PlotMode::AdditiveTinted: {
                const uint32_t p = s.Premultiplied(i);
                if ((p & layout.colourMask) == 0) return d;
                uint32_t out = 0;
                for (int k = 0; k < 3; ++k) {
                    const ChannelInfo& ch = layout.channels[k];
                    uint32_t amount = ch.Field(p);
                    if (mode == PlotMode::AdditiveTinted) amount = tint[k] * amount / 256;
                    out |= ch.Place(ch.Add(ch.Field(d), amount));
                }
                return out;
            }
        }
        return d;
    }
};

// A run of partly transparent pixels over the surface: P + d x (256 - A) / 256 per channel. The
// x8r8g8b8 layout weighs red and blue in one product, as the channels cannot carry into each other.
bool IsX8R8G8B8(const Layout& l) {
    return l.channels[0].mask == 0xFF0000 && l.channels[1].mask == 0xFF00 && l.channels[2].mask == 0xFF;
}

template <typename P>
void BlendRun(uint8_t* out, int32_t x, const SourceView& s, size_t i, int32_t n, const Layout& l) {
    const bool x8r8g8b8 = IsX8R8G8B8(l);
    for (int32_t k = 0; k < n; ++k) {
        const uint32_t p = s.Premultiplied(i + static_cast<size_t>(k));
        const uint32_t a = Alpha(p);
        const uint32_t d = Load<P>(out, x + k);
        uint32_t dimmed;
        if (x8r8g8b8) {
            const uint32_t ia = 256 - a;
            dimmed = ((((d & 0xFF00FF) * ia) >> 8) & 0xFF00FF) | ((((d & 0xFF00) * ia) >> 8) & 0xFF00);
        } else {
            dimmed = Dimmed(l, d, a);
        }
        Store<P>(out, x + k, (p & l.colourMask) + dimmed);
    }
}

// Straight rows in the common cases: opaque runs copied and transparent runs skipped (normal), black
// runs skipped (additive); everything else pixel by pixel.
// A run of the source tinted by the colour over an x8r8g8b8 surface: Plot's NormalTinted arithmetic
// with the channel positions known. runs, when given, are the source's alpha runs from i on: a
// transparent stretch is passed in one step.
inline uint32_t TintOverX8(uint32_t d, uint32_t pixel, uint32_t w, const uint32_t* tint) {
    const uint32_t iw = 256 - w;
    const uint32_t r =
        std::min<uint32_t>((Red(pixel) * w * tint[0] + ((d >> 16) & 0xFF) * iw * 256) >> 16, 255);
    const uint32_t g =
        std::min<uint32_t>((((Green(pixel) * w * tint[1]) >> 8) + ((d >> 8) & 0xFF) * iw) >> 8, 255);
    const uint32_t b =
        std::min<uint32_t>(((Blue(pixel) * w * tint[2]) >> 16) + (((d & 0xFF) * iw) >> 8), 255);
    return r << 16 | g << 8 | b;
}

#if defined(__SSE2__)
// a x b for 32-bit lanes whose values fit in 16 bits, the product in 32.
inline __m128i Product16(__m128i a, __m128i b) {
    return _mm_or_si128(_mm_mullo_epi16(a, b), _mm_slli_epi32(_mm_mulhi_epu16(a, b), 16));
}

// TintOverX8 for four pixels, one channel per 32-bit lane: w is the source alpha, weighed by the
// colour's alpha when that is not opaque; pixels of weight 0 keep the destination word whole.
template <bool OpaqueTint>
inline __m128i TintOverX8Sse2(__m128i d, __m128i pixel, const uint32_t* tint, uint32_t tintAlpha) {
    const __m128i byte = _mm_set1_epi32(0xFF);
    __m128i w = _mm_srli_epi32(pixel, 24);
    if constexpr (!OpaqueTint) {
        // a x tintAlpha / 255 for a product up to 255 x 255: x / 255 is (x x 32897) >> 23 there.
        const __m128i product = _mm_mullo_epi16(w, _mm_set1_epi32(int(tintAlpha)));
        w = _mm_srli_epi32(Product16(product, _mm_set1_epi32(32897)), 23);
    }
    const __m128i iw = _mm_sub_epi32(_mm_set1_epi32(256), w);
    auto channel = [&](__m128i v, int shift) { return _mm_and_si128(_mm_srli_epi32(v, shift), byte); };
    auto weighed = [&](int shift, uint32_t k) {
        return Product16(_mm_mullo_epi16(channel(pixel, shift), w), _mm_set1_epi32(int(k)));
    };
    const __m128i r = _mm_srli_epi32(
        _mm_add_epi32(weighed(16, tint[0]), _mm_slli_epi32(_mm_mullo_epi16(channel(d, 16), iw), 8)), 16);
    const __m128i g = _mm_srli_epi32(
        _mm_add_epi32(_mm_srli_epi32(weighed(8, tint[1]), 8), _mm_mullo_epi16(channel(d, 8), iw)), 8);
    const __m128i b = _mm_add_epi32(_mm_srli_epi32(weighed(0, tint[2]), 16),
                                    _mm_srli_epi32(_mm_mullo_epi16(channel(d, 0), iw), 8));
    const __m128i tinted = _mm_or_si128(
        _mm_or_si128(_mm_slli_epi32(_mm_min_epi16(r, byte), 16), _mm_slli_epi32(_mm_min_epi16(g, byte), 8)),
        _mm_min_epi16(b, byte));
    const __m128i clear = _mm_cmpeq_epi32(w, _mm_setzero_si128());
    return _mm_or_si128(_mm_and_si128(clear, d), _mm_andnot_si128(clear, tinted));
}
#endif

// The walk of the glyph-sized rows: transparent stretches are passed by their runs (when given), the
// rest goes four pixels at a time through four() where the processor allows, else through one().
template <typename Fetch, typename Four, typename One>
void GlyphRow(uint8_t* out, int32_t x, size_t i, int32_t n, const uint8_t* runs, [[maybe_unused]] bool vector,
              Fetch fetch, [[maybe_unused]] Four four, One one) {
    auto* d = reinterpret_cast<uint32_t*>(out) + x;
    for (int32_t k = 0; k < n;) {
        const size_t at = i + static_cast<size_t>(k);
        const uint32_t pixel = fetch(at);
        if (runs != nullptr && Alpha(pixel) == 0) {
            k += std::max<int32_t>(runs[k], 1);
            continue;
        }
#if defined(__SSE2__)
        if (vector && k + 4 <= n) {
            const __m128i source =
                _mm_set_epi32(int(fetch(at + 3)), int(fetch(at + 2)), int(fetch(at + 1)), int(pixel));
            __m128i* target = reinterpret_cast<__m128i*>(d + k);
            _mm_storeu_si128(target, four(_mm_loadu_si128(target), source));
            k += 4;
            continue;
        }
#endif
        d[k] = one(d[k], pixel);
        ++k;
    }
}

template <bool OpaqueTint>
void TintRun(uint8_t* out, int32_t x, const SourceView& s, size_t i, int32_t n, const Plotter& plotter,
             const uint8_t* runs) {
    const uint32_t* tint = plotter.tint;
    const uint32_t tintAlpha = plotter.tintAlpha;
    GlyphRow(
        out, x, i, n, runs, CpuFeatures::SimdEnabled(), [&](size_t at) { return s.Straight(at); },
#if defined(__SSE2__)
        [&](__m128i d, __m128i p) { return TintOverX8Sse2<OpaqueTint>(d, p, tint, tintAlpha); },
#else
        nullptr,
#endif
        [&](uint32_t d, uint32_t pixel) {
            const uint32_t w = OpaqueTint ? Alpha(pixel) : Alpha(pixel) * tintAlpha / 255;
            return w != 0 ? TintOverX8(d, pixel, w, tint) : d;
        });
}

// The tinted run for the plotter's colour: an opaque one spares weighing each pixel by its alpha.
void TintRunFor(uint8_t* out, int32_t x, const SourceView& s, size_t i, int32_t n, const Plotter& plotter,
                const uint8_t* runs) {
    if (plotter.tintAlpha == 255)
        TintRun<true>(out, x, s, i, n, plotter, runs);
    else
        TintRun<false>(out, x, s, i, n, plotter, runs);
}

// Plot's NormalWhite over an x8r8g8b8 surface for a pixel that is not transparent: red and blue are
// dimmed in one product, since the channels cannot carry into each other.
inline uint32_t WhiteOverX8(uint32_t d, uint32_t p) {
    const uint32_t a = Alpha(p), ia = 256 - a;
    return a == 255 ? p & 0xFFFFFF
                    : (p & 0xFFFFFF) + ((((d & 0xFF00FF) * ia) >> 8) & 0xFF00FF) +
                          ((((d & 0xFF00) * ia) >> 8) & 0xFF00);
}

#if defined(__SSE2__)
// WhiteOverX8 for four pixels, channel by channel in 16-bit lanes (255 x 256 still fits); transparent
// pixels keep the destination word whole, as the scalar code leaves them.
inline __m128i WhiteOverX8Sse2(__m128i d, __m128i p) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i alpha = _mm_srli_epi32(p, 24);
    const __m128i inverse = _mm_sub_epi32(_mm_set1_epi32(256), alpha);
    const __m128i inverse16 = _mm_packs_epi32(inverse, inverse);
    const __m128i pairs = _mm_unpacklo_epi16(inverse16, inverse16);
    const __m128i low =
        _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi32(pairs, pairs)), 8);
    const __m128i high =
        _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi32(pairs, pairs)), 8);
    const __m128i colour = _mm_set1_epi32(0xFFFFFF);
    const __m128i blended =
        _mm_add_epi32(_mm_and_si128(p, colour), _mm_and_si128(_mm_packus_epi16(low, high), colour));
    const __m128i clear = _mm_cmpeq_epi32(alpha, zero);
    return _mm_or_si128(_mm_and_si128(clear, d), _mm_andnot_si128(clear, blended));
}
#endif

// A glyph-sized row drawn in white.
void WhiteRun(uint8_t* out, int32_t x, const SourceView& s, size_t i, int32_t n, const uint8_t* runs) {
    GlyphRow(
        out, x, i, n, runs, CpuFeatures::SimdEnabled(), [&](size_t at) { return s.Premultiplied(at); },
#if defined(__SSE2__)
        [](__m128i d, __m128i p) { return WhiteOverX8Sse2(d, p); },
#else
        nullptr,
#endif
        [](uint32_t d, uint32_t p) { return Alpha(p) != 0 ? WhiteOverX8(d, p) : d; });
}

// In pictures as narrow as a glyph the runs are a few pixels each, and looking at every pixel costs
// less than walking them.
constexpr int32_t kNarrowestRunWalk = 48;

template <typename P>
void BlitRows(const NativeTarget& t, int32_t x, int32_t y, const SourceView& s, const uint8_t* runs,
              const Rect& from, const Plotter& plotter, bool mirror) {
    const bool byRuns = runs != nullptr && !mirror && from.width >= kNarrowestRunWalk;
    const bool narrowRows =
        sizeof(P) == 4 && runs != nullptr && !byRuns && !mirror && IsX8R8G8B8(plotter.layout);
    const bool tintedRows = narrowRows && plotter.mode == PlotMode::NormalTinted;
    const bool whiteRows = narrowRows && plotter.mode == PlotMode::NormalWhite;
    for (int32_t row = 0; row < from.height; ++row) {
        uint8_t* out = RowOf(t, y + row);
        const size_t base = static_cast<size_t>(from.y + row) * static_cast<size_t>(s.width);
        if (tintedRows || whiteRows) {
            const size_t first = base + static_cast<size_t>(from.x);
            const uint8_t* rowRuns = runs + first;
            if (tintedRows)
                TintRunFor(out, x, s, first, from.width, plotter, rowRuns);
            else
                WhiteRun(out, x, s, first, from.width, rowRuns);
            continue;
        }
        if (!byRuns) {
            for (int32_t j = 0; j < from.width; ++j) {
                const int32_t column = mirror ? from.x + from.width - 1 - j : from.x + j;
                const size_t i = base + static_cast<size_t>(column);
                Store<P>(out, x + j, plotter.Plot(Load<P>(out, x + j), s, i));
            }
            continue;
        }
        for (int32_t j = 0; j < from.width;) {
            const size_t i = base + static_cast<size_t>(from.x + j);
            const int32_t n = std::clamp<int32_t>(runs[i], 1, from.width - j);
            const uint32_t first = s.Premultiplied(i);
            const bool normal =
                plotter.mode == PlotMode::NormalWhite || plotter.mode == PlotMode::NormalTinted;
            const bool skip = normal ? Alpha(first) == 0 : (first & plotter.layout.colourMask) == 0;
            if (skip) {
                j += n;
                continue;
            }
            if (plotter.mode == PlotMode::NormalWhite && Alpha(first) == 255) {
                // A 32-bit opaque run is the premultiplied words themselves (the unused byte keeps the
                // alpha).
                if constexpr (sizeof(P) == 4) {
                    if (s.indices == nullptr) {
                        std::memcpy(out + static_cast<size_t>(x + j) * 4, s.premultiplied + i,
                                    static_cast<size_t>(n) * 4);
                        j += n;
                        continue;
                    }
                }
                for (int32_t k = 0; k < n; ++k)
                    Store<P>(out, x + j + k,
                             s.Premultiplied(i + static_cast<size_t>(k)) & plotter.layout.colourMask);
            } else if (plotter.mode == PlotMode::NormalWhite) {
                BlendRun<P>(out, x + j, s, i, n, plotter.layout);
            } else if (sizeof(P) == 4 && plotter.mode == PlotMode::NormalTinted &&
                       IsX8R8G8B8(plotter.layout)) {
                TintRunFor(out, x + j, s, i, n, plotter, nullptr);
            } else {
                for (int32_t k = 0; k < n; ++k)
                    Store<P>(out, x + j + k,
                             plotter.Plot(Load<P>(out, x + j + k), s, i + static_cast<size_t>(k)));
            }
            j += n;
        }
    }
}

SourceView ViewOf(MemoryImage& source, const NativeDisplay& display, const Plotter& plotter) {
    SourceView view;
    view.width = source.GetWidth();
    view.premultiplied = source.GetPremultipliedPixels(display);
    if (source.ColorTable() != nullptr && source.ColorIndices() != nullptr)
        view.indices = source.ColorIndices();
    if (plotter.NeedsStraight()) {
        view.straight = view.indices ? source.ColorTable() : source.Bits();
        if (view.straight == nullptr) {
            view.indices = nullptr;
            view.straight = source.GetPixels();
            // Rebuilding the pixels may have replaced the palettised form.
            view.premultiplied = source.GetPremultipliedPixels(display);
        }
    }
    return view;
}

// --- Lines ---

uint32_t ConvertLine(uint32_t v) {
    return (v * 255 + 127) >> 8;
}

template <typename P>
void LinePixels(const NativeTarget& t, const Layout& l, double x1, double y1, double x2, double y2,
                const Color& c, DrawMode drawMode) {
    const uint32_t a = AlphaOf(c);
    uint32_t amount[3], opaque[3], tinted[3];
    for (int i = 0; i < 3; ++i) {
        const ChannelInfo& ch = l.channels[i];
        const uint32_t k = ChannelOf(c, i);
        amount[i] = (k * a / 255) >> (8 - ch.bits);
        opaque[i] = ch.Narrow(ConvertLine(k));
        tinted[i] = ch.Narrow(ConvertLine((k * a + 128) >> 8));
    }
    auto plot = [&](int64_t px, int64_t py) {
        if (px < 0 || py < 0 || px >= t.width || py >= t.height) return;
        uint8_t* row = RowOf(t, static_cast<int32_t>(py));
        const int32_t x = static_cast<int32_t>(px);
        const uint32_t d = Load<P>(row, x);
        uint32_t out = 0;
        for (int i = 0; i < 3; ++i) {
            const ChannelInfo& ch = l.channels[i];
            uint32_t field;
            if (drawMode == DRAWMODE_ADDITIVE)
                field = ch.Add(ch.Field(d), amount[i]);
            else if (a == 255)
                field = opaque[i];
            else
                field = std::min<uint32_t>(tinted[i] + ((ch.Field(d) * (256 - a) + 127) >> 8),
                                           static_cast<uint32_t>(ch.max));
            out |= ch.Place(field);
        }
        Store<P>(row, x, out);
    };

    WalkLine(x1, y1, x2, y2, t.width, t.height, plot);
}

} // namespace

namespace SurfaceKernels {

uint32_t ToNative(const NativeDisplay& d, uint32_t argb) {
    auto place = [](uint32_t c8, int32_t bits, int32_t shift, uint32_t mask) {
        return ((c8 >> (8 - std::clamp(bits, 1, 8))) << shift) & mask;
    };
    return place(Red(argb), d.redBits, d.redShift, d.redMask) |
           place(Green(argb), d.greenBits, d.greenShift, d.greenMask) |
           place(Blue(argb), d.blueBits, d.blueShift, d.blueMask);
}

uint32_t FromNative(const NativeDisplay& d, uint32_t pixel) {
    auto take = [pixel](int32_t bits, int32_t shift, uint32_t mask) {
        return (((pixel & mask) >> shift) << (8 - std::clamp(bits, 1, 8))) & 0xFF;
    };
    return Pack(255, take(d.redBits, d.redShift, d.redMask), take(d.greenBits, d.greenShift, d.greenMask),
                take(d.blueBits, d.blueShift, d.blueMask));
}

void FillRect(const NativeTarget& target, const Rect& area, const Color& color) {
    const Rect r = area.Intersection(target.Bounds());
    if (r.IsEmpty()) return;
    Layout layout(target);
    if (layout.sixteen)
        FillRows<uint16_t>(target, r, layout, color);
    else
        FillRows<uint32_t>(target, r, layout, color);
}

void AdditiveFillRect(const NativeTarget& target, const Rect& area, const Color& color) {
    const Rect r = area.Intersection(target.Bounds());
    if (r.IsEmpty()) return;
    Layout layout(target);
    if (layout.sixteen)
        AdditiveFillRows<uint16_t>(target, r, layout, color);
    else
        AdditiveFillRows<uint32_t>(target, r, layout, color);
}

void Blit(const NativeTarget& target, int32_t x, int32_t y, MemoryImage& source, const Rect& srcRect,
          const Color& color, DrawMode drawMode, bool mirror) {
    if (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE) return;
    // Clip both ways; a mirrored blit keeps the columns it loses on one side off the other.
    const Rect inSource = srcRect.Intersection(source.GetBounds());
    if (inSource.IsEmpty()) return;
    int64_t destX = int64_t(x) + (mirror ? (srcRect.x + srcRect.width) - (inSource.x + inSource.width)
                                         : inSource.x - srcRect.x);
    int64_t destY = int64_t(y) + inSource.y - srcRect.y;
    const int64_t left = std::max<int64_t>(destX, 0), top = std::max<int64_t>(destY, 0);
    const int64_t right = std::min<int64_t>(destX + inSource.width, target.width);
    const int64_t bottom = std::min<int64_t>(destY + inSource.height, target.height);
    if (right <= left || bottom <= top) return;
    Rect from(inSource.x + static_cast<int32_t>(mirror ? (destX + inSource.width) - right : left - destX),
              inSource.y + static_cast<int32_t>(top - destY), static_cast<int32_t>(right - left),
              static_cast<int32_t>(bottom - top));

    Layout layout(target);
    Plotter plotter(layout, color, drawMode);
    if (plotter.mode == PlotMode::NormalTinted && plotter.tintAlpha == 0) return;
    SourceView view = ViewOf(source, *target.display, plotter);
    const uint8_t* runs = nullptr;
    // Transparent runs are skipped whole, which is most of a glyph or sprite.
    if (plotter.mode == PlotMode::NormalWhite || plotter.mode == PlotMode::NormalTinted)
        runs = source.GetAlphaRuns();
    if (plotter.mode == PlotMode::AdditiveWhite || plotter.mode == PlotMode::AdditiveTinted)
        runs = source.GetAdditiveRuns(*target.display);
    if (layout.sixteen)
        BlitRows<uint16_t>(target, int32_t(left), int32_t(top), view, runs, from, plotter, mirror);
    else
        BlitRows<uint32_t>(target, int32_t(left), int32_t(top), view, runs, from, plotter, mirror);
}

void BlitScaledNearest(const NativeTarget& target, const Rect& dest, MemoryImage& source, double srcX,
                       double srcY, double scaleX, double scaleY, const Rect& srcBounds, const Color& color,
                       DrawMode drawMode, bool mirror) {
    if (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE) return;
    const Rect d = dest.Intersection(target.Bounds());
    const Rect bounds = srcBounds.Intersection(source.GetBounds());
    if (d.IsEmpty() || bounds.IsEmpty()) return;
    Layout layout(target);
    Plotter plotter(layout, color, drawMode);
    if (plotter.mode == PlotMode::NormalTinted && plotter.tintAlpha == 0) return;
    SourceView view = ViewOf(source, *target.display, plotter);

    // 16.16 positions and steps.
    const auto fixed = [](double v) { return static_cast<int64_t>(std::llround(v * 65536.0)); };
    const int64_t stepX = fixed(scaleX), stepY = fixed(scaleY);
    const int64_t startX = fixed(srcX + (d.x - dest.x + 1) * scaleX);
    const int64_t startY = fixed(srcY + (d.y - dest.y) * scaleY);
    const int32_t lastColumn = bounds.x + bounds.width - 1, lastRow = bounds.y + bounds.height - 1;
    std::vector<int32_t> columns(static_cast<size_t>(d.width));
    for (int32_t j = 0; j < d.width; ++j) {
        const int32_t c = std::clamp(static_cast<int32_t>((startX + j * stepX) >> 16), bounds.x, lastColumn);
        // A mirrored picture reads its columns from the far side of the source rectangle.
        columns[static_cast<size_t>(j)] = mirror ? lastColumn - (c - bounds.x) : c;
    }
    for (int32_t i = 0; i < d.height; ++i) {
        const int32_t sourceRow =
            std::clamp(static_cast<int32_t>((startY + i * stepY) >> 16), bounds.y, lastRow);
        const size_t base = static_cast<size_t>(sourceRow) * static_cast<size_t>(view.width);
        uint8_t* out = RowOf(target, d.y + i);
        for (int32_t j = 0; j < d.width; ++j) {
            const size_t index = base + static_cast<size_t>(columns[static_cast<size_t>(j)]);
            if (layout.sixteen)
                Store<uint16_t>(out, d.x + j, plotter.Plot(Load<uint16_t>(out, d.x + j), view, index));
            else
                Store<uint32_t>(out, d.x + j, plotter.Plot(Load<uint32_t>(out, d.x + j), view, index));
        }
    }
}

void Line(const NativeTarget& target, double x1, double y1, double x2, double y2, const Color& color,
          DrawMode drawMode) {
    if (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE) return;
    if (!LineInRange(x1, y1, x2, y2)) return;
    if (y1 == y2 || x1 == x2) {
        const Rect area = StraightLineArea(x1, y1, x2, y2, target.width, target.height);
        if (area.IsEmpty()) return;
        if (drawMode == DRAWMODE_ADDITIVE)
            AdditiveFillRect(target, area, color);
        else
            FillRect(target, area, color);
        return;
    }
    if (AlphaOf(color) == 0) return;
    Layout layout(target);
    if (layout.sixteen)
        LinePixels<uint16_t>(target, layout, x1, y1, x2, y2, color, drawMode);
    else
        LinePixels<uint32_t>(target, layout, x1, y1, x2, y2, color, drawMode);
}

} // namespace SurfaceKernels

} // namespace Zorbel
