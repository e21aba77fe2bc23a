#pragma once

#include <cstdint>
#include <span>

namespace Zorbel {

// The destination pixel layouts of the triangle rasteriser. The values are the format bits of a span
// filler's index.
enum class DestFormat : uint32_t {
    Argb32 = 0x00, // 0xAARRGGBB with a meaningful alpha
    Rgb24 = 0x20,  // 0xXXRRGGBB in 32-bit words, always opaque; the top byte is written as 255
    Rgb565 = 0x40, // 16-bit words
    Rgb555 = 0x60, // 16-bit words, top bit written as 0
};

// The other bits of a span filler's index.
enum SpanFlag : uint32_t {
    SPAN_FILTERED = 1,       // bilinear texture sampling instead of nearest
    SPAN_MODULATED = 2,      // the job's colour multiplies every pixel
    SPAN_VERTEX_COLOURS = 4, // the interpolated vertex colour multiplies every pixel
    SPAN_BLENDED = 8,        // pixels are laid over the destination by their alpha
    SPAN_TEXTURED = 16,      // pixels come from the texture (otherwise they start as opaque white)
};

constexpr uint32_t SPAN_FLAG_MASK = 0x1F;
constexpr uint32_t SPAN_FORMAT_MASK = 0x60;
constexpr uint32_t SPAN_FILLER_COUNT = 128;

constexpr uint32_t SpanFillerIndex(uint32_t flags, DestFormat format) {
    return (flags & SPAN_FLAG_MASK) | static_cast<uint32_t>(format);
}

// What stays the same over every span of one triangle.
struct SpanJob {
    const uint32_t* texels = nullptr; // the texture, rows texWidth words apart; borrowed
    int32_t texWidth = 0;
    int32_t texHeight = 0;
    uint32_t modulation = 0xFFFFFFFF; // the colour, premultiplied by its alpha, 0xAARRGGBB
    int32_t du = 0;                   // texel position steps per pixel, 16.16
    int32_t dv = 0;
    int32_t dr = 0; // vertex colour steps per pixel, 8.16
    int32_t dg = 0;
    int32_t db = 0;
    int32_t da = 0;
};

// The state at a span's first pixel: texel position (texel centres at n + 0.5), 16.16, and vertex
// colour channels, 8.16. Steps wrap rather than overflow; texel fetches clamp to the texture's edge.
struct SpanStart {
    int32_t u = 0;
    int32_t v = 0;
    int32_t r = 0;
    int32_t g = 0;
    int32_t b = 0;
    int32_t a = 0;
};

// Fills `count` pixels of one row, starting at `dest` (a 32- or 16-bit word as the format says).
using SpanFiller = void (*)(const SpanJob& job, SpanStart start, void* dest, int32_t count);

// One row of a fast-path list: the filler for one index.
struct SpanFillerRow {
    DestFormat format;
    uint32_t flags;
    SpanFiller fill;
};

// The table of 128 span fillers. Each entry is the first matching row of the fast-path lists (the SIMD
// ones, when enabled) or else the generic filler compiled for exactly that index.
class SpanFillers {
public:
    // The filler to use now; follows CpuFeatures::SimdEnabled().
    static SpanFiller Select(uint32_t index);
    // The portable filler, which every fast path must match bit for bit.
    static SpanFiller Generic(uint32_t index);
    // The SSE2 rows (empty where SSE2 is not compiled in).
    static std::span<const SpanFillerRow> Sse2Rows();
};

} // namespace Zorbel
