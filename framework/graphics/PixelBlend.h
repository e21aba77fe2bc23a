#pragma once

// The per-pixel formulas of the software renderer, one inline function each. The scalar row kernels
// are loops over these, and the vector kernels use them for the pixels before and after their
// vector body, so every kernel rounds exactly alike.

#include "framework/graphics/DrawMode.h"

#include <cstddef>
#include <cstdint>

namespace Zorbel::PixelBlend {

constexpr uint32_t Alpha(uint32_t p) {
    return p >> 24;
}
constexpr uint32_t Red(uint32_t p) {
    return (p >> 16) & 0xFF;
}
constexpr uint32_t Green(uint32_t p) {
    return (p >> 8) & 0xFF;
}
constexpr uint32_t Blue(uint32_t p) {
    return p & 0xFF;
}
constexpr uint32_t Pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

// Source of alpha a (1 ... 255) over a destination that stays opaque. Red and green round once,
// blue rounds each product on its own; both are what the formula has always given.
constexpr uint32_t OverOpaque(uint32_t d, uint32_t s, uint32_t a) {
    const uint32_t ia = 256 - a;
    return Pack(255, (Red(s) * a + Red(d) * ia) >> 8, (Green(s) * a + Green(d) * ia) >> 8,
                ((Blue(s) * a) >> 8) + ((Blue(d) * ia) >> 8));
}

constexpr uint32_t OverOpaque(uint32_t d, uint32_t s) {
    return OverOpaque(d, s, Alpha(s));
}

// Colour c (its own alpha ignored) of alpha a (1 ... 255) over d, keeping the destination's alpha
// meaningful: the result alpha is the union of both coverages and the colour weight w is the
// source's share of it.
constexpr uint32_t OverDestAlpha(uint32_t d, uint32_t c, uint32_t a) {
    const uint32_t dA = Alpha(d);
    const uint32_t outA = dA + (255 - dA) * a / 255;
    const uint32_t w = a * 255 / outA;
    const uint32_t iw = 256 - w;
    return Pack(outA, (Red(c) * w + Red(d) * iw) >> 8, (Green(c) * w + Green(d) * iw) >> 8,
                ((Blue(c) * w) >> 8) + ((Blue(d) * iw) >> 8));
}

// A resampled pixel s of alpha A' (1 ... 255) over d. Each product is rounded on its own; the
// weight u is the source's share of the union of both coverages, as in OverDestAlpha.
constexpr uint32_t OverResampled(uint32_t d, uint32_t s) {
    const uint32_t a = Alpha(s);
    const uint32_t dA = Alpha(d);
    const uint32_t outA = dA + (255 - dA) * a / 255;
    const uint32_t u = a * 255 / outA;
    const uint32_t iu = 256 - u;
    return Pack(outA, ((Red(d) * iu) >> 8) + ((u * Red(s)) >> 8),
                ((Green(d) * iu) >> 8) + ((u * Green(s)) >> 8), ((Blue(d) * iu) >> 8) + ((u * Blue(s)) >> 8));
}

// One destination pixel of the second resampling pass: the taps' 16-bit channel sums (blue, green,
// red, alpha from sums[4 * first]) weighted and added, each channel's high 16 bits kept.
inline uint32_t SumTapsPixel(const uint16_t* sums, int32_t first, int32_t count, const uint16_t* weights) {
    uint32_t total[4] = {0, 0, 0, 0};
    for (int32_t t = 0; t < count; ++t)
        for (int c = 0; c < 4; ++c)
            total[c] += uint32_t(sums[4 * static_cast<size_t>(first + t) + c]) * weights[t];
    return Pack(total[3] >> 16, total[2] >> 16, total[1] >> 16, total[0] >> 16);
}

// A source pixel weighted by a colour: k* are the colour's channels, kA its alpha.
struct Tint {
    uint32_t r = 255;
    uint32_t g = 255;
    uint32_t b = 255;
    uint32_t a = 255;
};

constexpr uint32_t OverTinted(uint32_t d, uint32_t s, const Tint& k) {
    const uint32_t a = Alpha(s) * k.a / 255;
    if (a == 0) return d;
    const uint32_t dA = Alpha(d);
    const uint32_t outA = dA + (255 - dA) * a / 255;
    const uint32_t w = a * 255 / outA;
    const uint32_t iw = 256 - w;
    const uint32_t r = (Red(s) * w * k.r + Red(d) * iw * 256) >> 16;
    const uint32_t g = (((Green(s) * w * k.g) >> 8) + Green(d) * iw) >> 8;
    const uint32_t b = ((Blue(s) * w * k.b) >> 16) + ((Blue(d) * iw) >> 8);
    return Pack(outA, r, g, b);
}

// Additive drawing keeps the destination's alpha and saturates each channel through the table.
constexpr uint32_t AddChannels(uint32_t d, uint32_t r, uint32_t g, uint32_t b, const SaturationTable& t) {
    return (d & 0xFF000000) | (uint32_t(t[Red(d) + r]) << 16) | (uint32_t(t[Green(d) + g]) << 8) |
           uint32_t(t[Blue(d) + b]);
}

constexpr uint32_t AddOpaque(uint32_t d, uint32_t s, const SaturationTable& t) {
    return AddChannels(d, Red(s), Green(s), Blue(s), t);
}

constexpr uint32_t AddAlpha(uint32_t d, uint32_t s, const SaturationTable& t) {
    const uint32_t a = Alpha(s);
    return AddChannels(d, (Red(s) * a) >> 8, (Green(s) * a) >> 8, Blue(s) * a / 256, t);
}

// k is the colour already weighted by its alpha: channel * colourAlpha / 255.
constexpr uint32_t AddTinted(uint32_t d, uint32_t s, const Tint& k, bool useAlpha, const SaturationTable& t) {
    uint32_t r = Red(s) * k.r / 256;
    uint32_t g = Green(s) * k.g / 256;
    uint32_t b = Blue(s) * k.b / 256;
    if (useAlpha) {
        const uint32_t a = Alpha(s);
        r = r * a / 256;
        g = g * a / 256;
        b = b * a / 256;
    }
    return AddChannels(d, r, g, b, t);
}

} // namespace Zorbel::PixelBlend
