#pragma once

// Per-pixel helpers of the span fillers, shared by the generic fillers and the heads and tails of their
// SIMD twins. Pixels travel premultiplied by their alpha, 0xAARRGGBB, between sampling and writing.

#include "framework/graphics/SpanFillers.h"

#include <algorithm>
#include <cstdint>

namespace Zorbel::SpanPixels {

// x / 255 rounded to nearest, exact for 0 <= x <= 65535.
inline uint32_t Div255(uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
}

inline uint32_t Channel(uint32_t p, uint32_t shift) {
    return (p >> shift) & 0xFF;
}

inline uint32_t Pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

inline uint32_t Premultiply(uint32_t p) {
    uint32_t a = p >> 24;
    if (a == 255) return p;
    return Pack(a, Div255(Channel(p, 16) * a), Div255(Channel(p, 8) * a), Div255(Channel(p, 0) * a));
}

// Channel-wise product of two premultiplied pixels, which is again premultiplied.
inline uint32_t Multiply(uint32_t p, uint32_t k) {
    return Pack(Div255(Channel(p, 24) * Channel(k, 24)), Div255(Channel(p, 16) * Channel(k, 16)),
                Div255(Channel(p, 8) * Channel(k, 8)), Div255(Channel(p, 0) * Channel(k, 0)));
}

inline uint32_t ColourByte(int32_t fixed816) {
    return static_cast<uint32_t>(std::clamp(fixed816 >> 16, 0, 255));
}

inline uint32_t VertexColour(const SpanStart& at) {
    return Premultiply(Pack(ColourByte(at.a), ColourByte(at.r), ColourByte(at.g), ColourByte(at.b)));
}

inline int32_t Step(int32_t value, int32_t step) {
    return static_cast<int32_t>(static_cast<uint32_t>(value) + static_cast<uint32_t>(step));
}

inline void Advance(SpanStart& at, const SpanJob& job, bool vertexColours) {
    at.u = Step(at.u, job.du);
    at.v = Step(at.v, job.dv);
    if (vertexColours) {
        at.r = Step(at.r, job.dr);
        at.g = Step(at.g, job.dg);
        at.b = Step(at.b, job.db);
        at.a = Step(at.a, job.da);
    }
}

inline int32_t ClampTexel(int64_t i, int32_t size) {
    return static_cast<int32_t>(std::clamp<int64_t>(i, 0, size - 1));
}

inline uint32_t Texel(const SpanJob& job, int32_t x, int32_t y) {
    return job.texels[static_cast<int64_t>(y) * job.texWidth + x];
}

// The texel whose area holds the position; an unblended filler treats every texel as opaque.
template <bool Blended>
inline uint32_t SampleNearest(const SpanJob& job, int32_t u, int32_t v) {
    uint32_t t = Texel(job, ClampTexel(u >> 16, job.texWidth), ClampTexel(v >> 16, job.texHeight));
    return Blended ? Premultiply(t) : (t | 0xFF000000);
}

// Bilinear between the four texel centres around the position, over premultiplied texels so that
// transparent texels lend no colour. Weights have 7 bits, so a position on a texel centre reproduces
// that texel exactly and every sum fits 32 bits (and the SIMD twin's 16-bit lanes).
template <bool Blended>
inline uint32_t SampleBilinear(const SpanJob& job, int32_t u, int32_t v) {
    int64_t x = static_cast<int64_t>(u) - 0x8000;
    int64_t y = static_cast<int64_t>(v) - 0x8000;
    uint32_t fx = static_cast<uint32_t>(x >> 9) & 0x7F;
    uint32_t fy = static_cast<uint32_t>(y >> 9) & 0x7F;
    int32_t x0 = ClampTexel(x >> 16, job.texWidth), x1 = ClampTexel((x >> 16) + 1, job.texWidth);
    int32_t y0 = ClampTexel(y >> 16, job.texHeight), y1 = ClampTexel((y >> 16) + 1, job.texHeight);
    auto fetch = [&](int32_t tx, int32_t ty) {
        uint32_t t = Texel(job, tx, ty);
        return Blended ? Premultiply(t) : (t | 0xFF000000);
    };
    uint32_t t00 = fetch(x0, y0), t10 = fetch(x1, y0), t01 = fetch(x0, y1), t11 = fetch(x1, y1);
    auto mix = [&](uint32_t shift) {
        uint32_t left = Channel(t00, shift) * (128 - fy) + Channel(t01, shift) * fy;
        uint32_t right = Channel(t10, shift) * (128 - fy) + Channel(t11, shift) * fy;
        return (left * (128 - fx) + right * fx + 8192) >> 14;
    };
    return Pack(mix(24), mix(16), mix(8), mix(0));
}

// 16-bit layouts: channels widen by repeating their top bits, so full intensity stays full.
template <DestFormat Format>
inline uint32_t Widen(uint16_t d) {
    constexpr uint32_t greenBits = Format == DestFormat::Rgb565 ? 6 : 5;
    constexpr uint32_t redShift = Format == DestFormat::Rgb565 ? 11 : 10;
    uint32_t r = (d >> redShift) & 31;
    uint32_t g = (d >> 5) & ((1u << greenBits) - 1);
    uint32_t b = d & 31;
    return Pack(255, (r << 3) | (r >> 2), (g << (8 - greenBits)) | (g >> (2 * greenBits - 8)),
                (b << 3) | (b >> 2));
}

template <DestFormat Format>
inline uint16_t Narrow(uint32_t p) {
    constexpr uint32_t greenBits = Format == DestFormat::Rgb565 ? 6 : 5;
    constexpr uint32_t redShift = Format == DestFormat::Rgb565 ? 11 : 10;
    return static_cast<uint16_t>(((Channel(p, 16) >> 3) << redShift) |
                                 ((Channel(p, 8) >> (8 - greenBits)) << 5) | (Channel(p, 0) >> 3));
}

// Premultiplied p over an opaque destination colour d.
inline uint32_t OverOpaque(uint32_t p, uint32_t d) {
    uint32_t rest = 255 - (p >> 24);
    return Pack(255, Channel(p, 16) + Div255(Channel(d, 16) * rest),
                Channel(p, 8) + Div255(Channel(d, 8) * rest), Channel(p, 0) + Div255(Channel(d, 0) * rest));
}

// Premultiplied p over a destination whose alpha matters; the result is stored unpremultiplied.
inline uint32_t OverTranslucent(uint32_t p, uint32_t d) {
    uint32_t dA = d >> 24;
    uint32_t rest = 255 - (p >> 24);
    uint32_t outA = (p >> 24) + Div255(dA * rest);
    if (outA == 0) return d;
    auto channel = [&](uint32_t shift) {
        uint32_t sum = Channel(p, shift) + Div255(Div255(Channel(d, shift) * dA) * rest);
        return std::min<uint32_t>((sum * 255 + outA / 2) / outA, 255);
    };
    return Pack(outA, channel(16), channel(8), channel(0));
}

template <DestFormat Format>
inline void Store(void* dest, int32_t i, uint32_t p) {
    if constexpr (Format == DestFormat::Argb32 || Format == DestFormat::Rgb24)
        static_cast<uint32_t*>(dest)[i] = p | 0xFF000000;
    else
        static_cast<uint16_t*>(dest)[i] = Narrow<Format>(p);
}

template <DestFormat Format>
inline void Blend(void* dest, int32_t i, uint32_t p) {
    uint32_t a = p >> 24;
    if (a == 0) return;
    if (a == 255) return Store<Format>(dest, i, p);
    if constexpr (Format == DestFormat::Argb32) {
        uint32_t& d = static_cast<uint32_t*>(dest)[i];
        d = (d >> 24) == 255 ? OverOpaque(p, d) : OverTranslucent(p, d);
    } else if constexpr (Format == DestFormat::Rgb24) {
        uint32_t& d = static_cast<uint32_t*>(dest)[i];
        d = OverOpaque(p, d);
    } else {
        uint16_t& d = static_cast<uint16_t*>(dest)[i];
        d = Narrow<Format>(OverOpaque(p, Widen<Format>(d)));
    }
}

// The generic filler, compiled once for every index.
template <uint32_t Index>
void FillSpan(const SpanJob& job, SpanStart at, void* dest, int32_t count) {
    constexpr bool textured = (Index & SPAN_TEXTURED) != 0;
    constexpr bool filtered = textured && (Index & SPAN_FILTERED) != 0;
    constexpr bool modulated = (Index & SPAN_MODULATED) != 0;
    constexpr bool vertexColours = (Index & SPAN_VERTEX_COLOURS) != 0;
    constexpr bool blended = (Index & SPAN_BLENDED) != 0;
    constexpr auto format = static_cast<DestFormat>(Index & SPAN_FORMAT_MASK);
    for (int32_t i = 0; i < count; ++i) {
        uint32_t p = 0xFFFFFFFF;
        if constexpr (filtered)
            p = SampleBilinear<blended>(job, at.u, at.v);
        else if constexpr (textured)
            p = SampleNearest<blended>(job, at.u, at.v);
        if constexpr (modulated) p = Multiply(p, job.modulation);
        if constexpr (vertexColours) p = Multiply(p, VertexColour(at));
        if constexpr (blended)
            Blend<format>(dest, i, p);
        else
            Store<format>(dest, i, p);
        Advance(at, job, vertexColours);
    }
}

} // namespace Zorbel::SpanPixels
