#include "framework/graphics/TurnedBlitter.h"

#include "framework/platform/CpuFeatures.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Zorbel {

namespace {

// Corners further out than this are pulled in before the bounding box meets the clip.
constexpr double CoordinateLimit = 10000000.0;
// A filtered alpha at least this high is drawn as opaque.
constexpr uint32_t OpaqueShare = 251;

// One destination pixel's filtered value: each colour channel is the sum of c * h over the four
// neighbours, `alpha` the sum S of the shares h (0 ... 255).
struct Filtered {
    uint32_t red;
    uint32_t green;
    uint32_t blue;
    uint32_t alpha;
};

// A neighbour's share of the pixel: its bilinear weight q (0 ... 65535 standing for 0 ... 1) times its
// alpha, scaled to 0 ... 255. Both factors fit 16 bits, so the product fits 32.
inline uint32_t AlphaShare(uint32_t q, uint32_t pixel) {
    return (q * ((pixel >> 24) * 257)) >> 24;
}

inline void Accumulate(Filtered& f, uint32_t pixel, uint32_t share) {
    f.red += ((pixel >> 16) & 0xFF) * share;
    f.green += ((pixel >> 8) & 0xFF) * share;
    f.blue += (pixel & 0xFF) * share;
    f.alpha += share;
}

// fx and fy are the odd 16-bit fractions: 65536 - f then fits 16 bits as well, and no weight is 0.
inline Filtered Filter(uint32_t p00, uint32_t p10, uint32_t p01, uint32_t p11, uint32_t fx, uint32_t fy) {
    uint32_t gx = 65536 - fx;
    uint32_t gy = 65536 - fy;
    Filtered f{0, 0, 0, 0};
    Accumulate(f, p00, AlphaShare((gx * gy) >> 16, p00));
    Accumulate(f, p10, AlphaShare((fx * gy) >> 16, p10));
    Accumulate(f, p01, AlphaShare((gx * fy) >> 16, p01));
    Accumulate(f, p11, AlphaShare((fx * fy) >> 16, p11));
    return f;
}

// The colour's factors for the filtered value, in units of 1/65536: the colour channel times its alpha
// for the colour channels, the alpha alone for S. Opaque white gives exactly 65536 everywhere.
struct Tint {
    uint32_t red;
    uint32_t green;
    uint32_t blue;
    uint32_t alpha;

    static Tint From(const Color& colour) {
        auto clamp = [](int32_t c) { return static_cast<uint32_t>(std::clamp(c, 0, 255)); };
        uint32_t a = clamp(colour.alpha);
        auto factor = [a](uint32_t k) { return (k * a * 65536 + 65025 / 2) / 65025; };
        return Tint{factor(clamp(colour.red)), factor(clamp(colour.green)), factor(clamp(colour.blue)),
                    (a * 65536 + 127) / 255};
    }

    // Colour sums are at most 255 x 255 and factors at most 65536, so the products fit 32 bits.
    void Apply(Filtered& f) const {
        f.red = (f.red * red) >> 16;
        f.green = (f.green * green) >> 16;
        f.blue = (f.blue * blue) >> 16;
        f.alpha = (f.alpha * alpha) >> 16;
    }
};

inline uint32_t Byte(uint32_t value) {
    return std::min<uint32_t>(value, 255);
}

// Normal mode: S = 0 leaves the pixel, S >= 251 replaces it, anything between is laid over it with the
// destination's alpha taken into account.
inline void PutNormal(uint32_t& d, const Filtered& f) {
    if (f.alpha == 0) return;
    if (f.alpha >= OpaqueShare) {
        d = 0xFF000000 | (Byte(f.red >> 8) << 16) | (Byte(f.green >> 8) << 8) | Byte(f.blue >> 8);
        return;
    }
    uint32_t dA = d >> 24;
    uint32_t rest = 256 - f.alpha;
    auto channel = [&](uint32_t filtered, uint32_t shift) {
        uint32_t dc = (d >> shift) & 0xFF;
        return filtered + ((dc * dA) >> 8) * rest;
    };
    if (dA == 255) { // n = 256
        d = 0xFF000000 | (Byte(channel(f.red, 16) >> 8) << 16) | (Byte(channel(f.green, 8) >> 8) << 8) |
            Byte(channel(f.blue, 0) >> 8);
        return;
    }
    uint32_t n = 256 - (((256 - dA) * rest) >> 8);
    d = ((n - 1) << 24) | (Byte(channel(f.red, 16) / n) << 16) | (Byte(channel(f.green, 8) / n) << 8) |
        Byte(channel(f.blue, 0) / n);
}

inline void PutAdditive(uint32_t& d, const Filtered& f, const SaturationTable& table) {
    auto add = [&](uint32_t filtered, uint32_t shift) {
        return static_cast<uint32_t>(table[((d >> shift) & 0xFF) + Byte(filtered >> 8)]) << shift;
    };
    d = (d & 0xFF000000) | add(f.red, 16) | add(f.green, 8) | add(f.blue, 0);
}

// The readable source, in picture coordinates: the pixels that the source rectangle touches, cut to
// the picture. Neighbours outside them read as transparent black.
struct Texels {
    const uint32_t* pixels;
    int64_t pitch;
    int64_t left, top, right, bottom;

    const uint32_t* At(int64_t i, int64_t j) const { return pixels + (j * pitch + i); }
    uint32_t Checked(int64_t i, int64_t j) const {
        return i >= left && i < right && j >= top && j < bottom ? *At(i, j) : 0;
    }
};

// A walk along one destination row: the sample position of its first pixel in the picture's texel
// space (pixel centres at integers), 16.16, and the step per pixel.
struct Walk {
    int64_t u;
    int64_t v;
    int64_t du;
    int64_t dv;

    void Advance(int64_t k) {
        u += k * du;
        v += k * dv;
    }
    uint32_t FractionX() const { return static_cast<uint32_t>(u & 0xFFFF) | 1; }
    uint32_t FractionY() const { return static_cast<uint32_t>(v & 0xFFFF) | 1; }
};

inline int64_t FloorDiv(int64_t a, int64_t b) { // b > 0
    int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

inline int64_t CeilDiv(int64_t a, int64_t b) {
    return -FloorDiv(-a, b);
}

struct Range {
    int64_t first;
    int64_t end;

    Range Meet(const Range& other) const {
        int64_t f = std::max(first, other.first);
        return Range{f, std::max(f, std::min(end, other.end))};
    }
};

// The k of `within` for which lo <= a + k * b < hi.
Range Solve(int64_t a, int64_t b, int64_t lo, int64_t hi, Range within) {
    if (b == 0) return (a >= lo && a < hi) ? within : Range{within.first, within.first};
    Range r{};
    if (b > 0) {
        r = Range{CeilDiv(lo - a, b), CeilDiv(hi - a, b)};
    } else {
        r = Range{FloorDiv(a - hi, -b) + 1, FloorDiv(a - lo, -b) + 1};
    }
    return within.Meet(r);
}

// The checked walk for the row ends, where some neighbours may lie outside the readable source.
template <typename Put>
void WalkEdge(uint32_t* d, int64_t count, Walk w, const Texels& t, const Put& put) {
    for (int64_t k = 0; k < count; ++k, w.Advance(1)) {
        int64_t i = w.u >> 16;
        int64_t j = w.v >> 16;
        put(d[k], Filter(t.Checked(i, j), t.Checked(i + 1, j), t.Checked(i, j + 1), t.Checked(i + 1, j + 1),
                         w.FractionX(), w.FractionY()));
    }
}

// The interior walk, where all four neighbours are known to be readable.
template <typename Put>
void WalkInterior(uint32_t* d, int64_t count, Walk w, const Texels& t, const Put& put) {
    for (int64_t k = 0; k < count; ++k, w.Advance(1)) {
        const uint32_t* p = t.At(w.u >> 16, w.v >> 16);
        put(d[k], Filter(p[0], p[1], p[t.pitch], p[t.pitch + 1], w.FractionX(), w.FractionY()));
    }
}

#if defined(__SSE2__)
// The SSE2 twin of WalkInterior for normal mode with opaque white, the common case. Every lane holds
// 16 bits: shares and products stay within them because S <= 255 and each channel sum <= 255 x 255.
void WalkInteriorNormalSse2(uint32_t* d, int64_t count, Walk w, const Texels& t) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i ff = _mm_set1_epi16(255);
    for (int64_t k = 0; k < count; ++k, w.Advance(1)) {
        const uint32_t* p = t.At(w.u >> 16, w.v >> 16);
        auto fx = static_cast<int16_t>(w.FractionX());
        auto gx = static_cast<int16_t>(65536 - w.FractionX());
        __m128i top = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
        __m128i bottom =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + t.pitch)), zero);
        __m128i wx = _mm_set_epi16(fx, fx, fx, fx, gx, gx, gx, gx);
        __m128i qTop = _mm_mulhi_epu16(wx, _mm_set1_epi16(static_cast<int16_t>(65536 - w.FractionY())));
        __m128i qBottom = _mm_mulhi_epu16(wx, _mm_set1_epi16(static_cast<int16_t>(w.FractionY())));
        __m128i aTop = _mm_shufflehi_epi16(_mm_shufflelo_epi16(top, 0xFF), 0xFF);
        __m128i aBottom = _mm_shufflehi_epi16(_mm_shufflelo_epi16(bottom, 0xFF), 0xFF);
        __m128i hTop = _mm_srli_epi16(_mm_mulhi_epu16(qTop, _mm_or_si128(aTop, _mm_slli_epi16(aTop, 8))), 8);
        __m128i hBottom =
            _mm_srli_epi16(_mm_mulhi_epu16(qBottom, _mm_or_si128(aBottom, _mm_slli_epi16(aBottom, 8))), 8);
        __m128i shares = _mm_add_epi16(hTop, hBottom);
        shares = _mm_add_epi16(shares, _mm_srli_si128(shares, 8));
        auto s = static_cast<uint32_t>(_mm_cvtsi128_si32(shares)) & 0xFFFF;
        if (s == 0) continue;
        __m128i sums = _mm_add_epi16(_mm_mullo_epi16(top, hTop), _mm_mullo_epi16(bottom, hBottom));
        sums = _mm_add_epi16(sums, _mm_srli_si128(sums, 8));
        if (s >= OpaqueShare) {
            __m128i out = _mm_srli_epi16(sums, 8);
            d[k] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(out, out))) | 0xFF000000;
        } else if ((d[k] >> 24) == 255) {
            __m128i dest = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int32_t>(d[k])), zero);
            __m128i faded = _mm_srli_epi16(_mm_mullo_epi16(dest, ff), 8);
            __m128i mixed =
                _mm_add_epi16(sums, _mm_mullo_epi16(faded, _mm_set1_epi16(static_cast<int16_t>(256 - s))));
            __m128i out = _mm_srli_epi16(mixed, 8);
            d[k] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(out, out))) | 0xFF000000;
        } else {
            alignas(16) uint16_t lanes[8];
            _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sums);
            PutNormal(d[k], Filtered{lanes[2], lanes[1], lanes[0], s});
        }
    }
}
#endif

// Everything one blit needs for its rows.
struct TurnJob {
    PixelView dest;
    Texels texels;
    // Where sample points may lie, 16.16 and shifted like them: the source rectangle cut to the picture.
    int64_t spanLeft, spanTop, spanRight, spanBottom;
    int64_t rowFirst, rowEnd, columnFirst, columnEnd;
    double cosine, sine;
    double pivotX, pivotY;   // the turning centre in destination coordinates
    double centreX, centreY; // the same centre in picture coordinates
    Walk step;               // du and dv only
};

// The row's walk from its first column, computed afresh in doubles so that errors never pile up
// from row to row.
Walk RowWalk(const TurnJob& job, int64_t row) {
    double dx = static_cast<double>(job.columnFirst) + 0.5 - job.pivotX;
    double dy = static_cast<double>(row) + 0.5 - job.pivotY;
    double u = job.cosine * dx - job.sine * dy + job.centreX - 0.5;
    double v = job.sine * dx + job.cosine * dy + job.centreY - 0.5;
    return Walk{std::llround(u * 65536.0), std::llround(v * 65536.0), job.step.du, job.step.dv};
}

// Draws every row: the pixels whose centres map inside the readable source are found exactly for the
// fixed-point walk; of those, the ones with all four neighbours readable take the unchecked path.
template <typename Put, typename Interior>
void DrawRows(const TurnJob& job, const Put& put, const Interior& interior) {
    const Texels& t = job.texels;
    const int64_t half = 0x8000;
    for (int64_t row = job.rowFirst; row < job.rowEnd; ++row) {
        Walk w = RowWalk(job, row);
        Range all{0, job.columnEnd - job.columnFirst};
        Range inside = Solve(w.v, w.dv, job.spanTop - half, job.spanBottom - half,
                             Solve(w.u, w.du, job.spanLeft - half, job.spanRight - half, all));
        if (inside.end <= inside.first) continue;
        Range clean = Solve(w.v, w.dv, t.top << 16, (t.bottom - 1) << 16,
                            Solve(w.u, w.du, t.left << 16, (t.right - 1) << 16, inside));
        if (clean.end <= clean.first) clean = Range{inside.end, inside.end};
        uint32_t* d = job.dest.Row(static_cast<int32_t>(row)) + job.columnFirst;
        Walk at = w;
        at.Advance(inside.first);
        WalkEdge(d + inside.first, clean.first - inside.first, at, t, put);
        at = w;
        at.Advance(clean.first);
        interior(d + clean.first, clean.end - clean.first, at);
        at = w;
        at.Advance(clean.end);
        WalkEdge(d + clean.end, inside.end - clean.end, at, t, put);
    }
}

template <typename Put>
void DrawRows(const TurnJob& job, const Put& put) {
    DrawRows(job, put,
             [&](uint32_t* d, int64_t count, const Walk& w) { WalkInterior(d, count, w, job.texels, put); });
}

bool IsOpaqueWhite(const Color& c) {
    return c == Color::White;
}

} // namespace

bool TurnedBlitter::Blit(const PixelView& dest, const Rect& clipRect, const ConstPixelView& source,
                         const FRect& srcRect, const TurnPlacement& placement, const Color& colour,
                         int32_t drawMode, const SaturationTable& saturation) {
    if (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE) return false;
    if (dest.IsEmpty() || source.IsEmpty()) return false;
    for (double value : {double(placement.x), double(placement.y), placement.angle, double(placement.centreX),
                         double(placement.centreY), srcRect.x, srcRect.y, srcRect.width, srcRect.height})
        if (!std::isfinite(value)) return false;
    FRect within = srcRect.Intersection(FRect(0, 0, source.width, source.height));
    if (within.IsEmpty()) return false;
    Rect clip = clipRect.Intersection(Rect(0, 0, dest.width, dest.height));
    if (clip.IsEmpty()) return false;

    // 1. The corners, relative to the centre, turned and moved into place.
    const double c = std::cos(placement.angle);
    const double s = std::sin(placement.angle);
    const double cx = placement.centreX;
    const double cy = placement.centreY;
    const double pivotX = static_cast<double>(placement.x) + cx;
    const double pivotY = static_cast<double>(placement.y) + cy;
    double left = CoordinateLimit, top = CoordinateLimit, right = -CoordinateLimit, bottom = -CoordinateLimit;
    for (int corner = 0; corner < 4; ++corner) {
        double X = ((corner & 1) ? srcRect.width : 0) - cx;
        double Y = ((corner & 2) ? srcRect.height : 0) - cy;
        double px = std::clamp(X * c + Y * s + pivotX, -CoordinateLimit, CoordinateLimit);
        double py = std::clamp(Y * c - X * s + pivotY, -CoordinateLimit, CoordinateLimit);
        left = std::min(left, px);
        right = std::max(right, px);
        top = std::min(top, py);
        bottom = std::max(bottom, py);
    }

    // 2. The bounding box against the clip.
    FRect box = FRect(left, top, right - left, bottom - top)
                    .Intersection(FRect(clip.x, clip.y, clip.width, clip.height));
    if (box.IsEmpty()) return false;

    TurnJob job;
    job.dest = dest;
    auto fixed = [](double value) { return std::llround(value * 65536.0); };
    job.texels = Texels{source.pixels,
                        source.pitch,
                        static_cast<int64_t>(std::floor(within.x)),
                        static_cast<int64_t>(std::floor(within.y)),
                        static_cast<int64_t>(std::ceil(within.x + within.width)),
                        static_cast<int64_t>(std::ceil(within.y + within.height))};
    job.spanLeft = fixed(within.x);
    job.spanTop = fixed(within.y);
    job.spanRight = fixed(within.x + within.width);
    job.spanBottom = fixed(within.y + within.height);
    job.rowFirst = static_cast<int64_t>(std::floor(box.y));
    job.rowEnd = static_cast<int64_t>(std::ceil(box.y + box.height));
    job.columnFirst = static_cast<int64_t>(std::floor(box.x));
    job.columnEnd = static_cast<int64_t>(std::ceil(box.x + box.width));
    job.cosine = c;
    job.sine = s;
    job.pivotX = pivotX;
    job.pivotY = pivotY;
    job.centreX = srcRect.x + cx;
    job.centreY = srcRect.y + cy;
    job.step = Walk{0, 0, std::llround(c * 65536.0), std::llround(s * 65536.0)};

    // 3. and 4. The rows, with the colour and the mode chosen once, outside the loops.
    const bool tinted = !IsOpaqueWhite(colour);
    const Tint tint = Tint::From(colour);
    if (tinted && tint.alpha == 0) return false;
    if (drawMode == DRAWMODE_ADDITIVE) {
        if (tinted)
            DrawRows(job, [&](uint32_t& d, Filtered f) {
                tint.Apply(f);
                PutAdditive(d, f, saturation);
            });
        else
            DrawRows(job, [&](uint32_t& d, const Filtered& f) { PutAdditive(d, f, saturation); });
    } else if (tinted) {
        DrawRows(job, [&](uint32_t& d, Filtered f) {
            tint.Apply(f);
            PutNormal(d, f);
        });
    } else {
        auto put = [](uint32_t& d, const Filtered& f) { PutNormal(d, f); };
#if defined(__SSE2__)
        if (CpuFeatures::SimdEnabled()) {
            DrawRows(job, put, [&](uint32_t* d, int64_t count, const Walk& w) {
                WalkInteriorNormalSse2(d, count, w, job.texels);
            });
            return true;
        }
#endif
        DrawRows(job, put);
    }
    return true;
}

} // namespace Zorbel
