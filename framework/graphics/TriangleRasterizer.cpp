#include "framework/graphics/TriangleRasterizer.h"

#include "framework/graphics/SpanFillerPixels.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace Zorbel {

namespace {

__extension__ using Int128 = __int128;

// Corners further out are cut geometrically. Inside the band every 16.16 coordinate stays below 2^39,
// so edge steps fit 64 bits and only an edge's starting point needs 128.
constexpr double GuardBand = 4194304.0;
// A triangle cut by the guard band has at most one corner more per side of the band.
constexpr int MaxCorners = 3 + 4;

int64_t FloorDiv(int64_t a, int64_t b) { // b > 0
    int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

int64_t CeilDiv(int64_t a, int64_t b) {
    return -FloorDiv(-a, b);
}

Int128 CeilDiv(Int128 a, Int128 b) { // b > 0
    Int128 q = a / b;
    return (a % b != 0 && a > 0) ? q + 1 : q;
}

int32_t Saturate(double value) {
    if (!(value == value)) return 0;
    constexpr double limit = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::llround(std::clamp(value, -limit, limit)));
}

struct Point2 {
    double x;
    double y;
};

// The canonical order of a segment's ends, so that both triangles sharing an edge cut it at the very
// same point.
bool Before(const Point2& p, const Point2& q) {
    return p.x < q.x || (p.x == q.x && p.y < q.y);
}

Point2 Cut(Point2 p, Point2 q, bool vertical, double bound) {
    if (Before(q, p)) std::swap(p, q);
    if (vertical) {
        double t = (bound - p.x) / (q.x - p.x);
        return Point2{bound, p.y + t * (q.y - p.y)};
    }
    double t = (bound - p.y) / (q.y - p.y);
    return Point2{p.x + t * (q.x - p.x), bound};
}

// One step of polygon clipping: keeps the part on the inner side of x = bound (vertical) or y = bound;
// `below` keeps coordinates up to the bound, otherwise from the bound on.
int ClipPolygon(const Point2* in, int count, Point2* out, bool vertical, double bound, bool below) {
    auto inside = [&](const Point2& p) {
        double c = vertical ? p.x : p.y;
        return below ? c <= bound : c >= bound;
    };
    int n = 0;
    for (int i = 0; i < count; ++i) {
        const Point2& p = in[i];
        const Point2& q = in[(i + 1) % count];
        bool pIn = inside(p);
        bool qIn = inside(q);
        if (pIn) out[n++] = p;
        if (pIn != qIn) out[n++] = Cut(p, q, vertical, bound);
    }
    return n;
}

// Walks a triangle edge down row by row, giving on each row the first column whose pixel centre lies
// on or right of the edge: the exact ceiling of the crossing, kept as a column and a remainder. A left
// edge starts its span there and a right edge ends it there. The column on a row depends only on the
// edge's two ends and the row, so two triangles sharing an edge agree on every row.
class EdgeWalk {
public:
    // The edge from (topX, topY) down to (bottomX, bottomY), 16.16 with bottomY > topY, starting on
    // pixel row `row`.
    EdgeWalk(int64_t topX, int64_t topY, int64_t bottomX, int64_t bottomY, int64_t row) {
        const int64_t dx = bottomX - topX;
        const int64_t dy = bottomY - topY;
        mDenominator = dy * 65536;
        // The crossing on row r, in columns, is N(r) / D with N(r) = topX dy + (r 65536 - topY) dx.
        const Int128 n = Int128(topX) * dy + (Int128(row) * 65536 - topY) * dx;
        const Int128 column = CeilDiv(n, Int128(mDenominator));
        mColumn = static_cast<int64_t>(column);
        mRemainder = static_cast<int64_t>(column * mDenominator - n);
        const int64_t step = dx * 65536;
        mStepColumns = FloorDiv(step, mDenominator);
        mStepRemainder = step - mStepColumns * mDenominator;
    }

    int64_t Column() const { return mColumn; }

    void NextRow() {
        mColumn += mStepColumns;
        mRemainder -= mStepRemainder;
        if (mRemainder < 0) {
            mRemainder += mDenominator;
            ++mColumn;
        }
    }

private:
    int64_t mColumn;
    int64_t mRemainder; // column D - N, in [0, D)
    int64_t mDenominator;
    int64_t mStepColumns;
    int64_t mStepRemainder;
};

} // namespace

// An attribute plane of the unclipped triangle: value(x, y) = at + dx (x - x0) + dy (y - y0).
struct TriangleRasterizer::Plane {
    static constexpr int Count = 6; // u, v in texels, then r, g, b, a in 0 ... 255
    double x0 = 0;
    double y0 = 0;
    double at[Count] = {};
    double dx[Count] = {};
    double dy[Count] = {};

    bool Build(const RasterVertex (&c)[3], double texWidth, double texHeight) {
        auto values = [&](const RasterVertex& v, double(&out)[Count]) {
            out[0] = v.u * texWidth;
            out[1] = v.v * texHeight;
            out[2] = (v.colour >> 16) & 0xFF;
            out[3] = (v.colour >> 8) & 0xFF;
            out[4] = v.colour & 0xFF;
            out[5] = v.colour >> 24;
        };
        double a[Count], b[Count], d[Count];
        values(c[0], a);
        values(c[1], b);
        values(c[2], d);
        x0 = c[0].x;
        y0 = c[0].y;
        double x1 = c[1].x - x0, y1 = c[1].y - y0, x2 = c[2].x - x0, y2 = c[2].y - y0;
        double det = x1 * y2 - x2 * y1;
        if (det == 0 || !std::isfinite(det)) return false;
        for (int i = 0; i < Count; ++i) {
            at[i] = a[i];
            dx[i] = ((b[i] - a[i]) * y2 - (d[i] - a[i]) * y1) / det;
            dy[i] = (x1 * (d[i] - a[i]) - x2 * (b[i] - a[i])) / det;
        }
        return true;
    }

    double At(int i, double x, double y) const { return at[i] + dx[i] * (x - x0) + dy[i] * (y - y0); }
};

// A corner in 16.16 fixed point.
struct TriangleRasterizer::Fixed {
    int64_t x;
    int64_t y;
};

TriangleRasterizer::TriangleRasterizer(const RasterTarget& target, const Rect& clipRect,
                                       const RasterTexture& texture, const RasterStyle& style)
    : mTarget(target), mClip(clipRect.Intersection(Rect(0, 0, target.width, target.height))),
      mTexture(texture), mStyle(style) {
    if (mTexture.pixels == nullptr || mTexture.width <= 0 || mTexture.height <= 0) mTexture = RasterTexture{};
    ChooseFiller();
}

void TriangleRasterizer::SetTranslucentVertices(bool translucent) {
    mTranslucentVertices = translucent;
    ChooseFiller();
}

void TriangleRasterizer::ChooseFiller() {
    const Color& c = mStyle.colour;
    auto byte = [](int32_t v) { return static_cast<uint32_t>(std::clamp(v, 0, 255)); };
    bool textured = mTexture.pixels != nullptr;
    uint32_t flags = 0;
    if (mStyle.filtered) flags |= SPAN_FILTERED;
    if (c != Color::White) flags |= SPAN_MODULATED;
    if (mStyle.vertexColours) flags |= SPAN_VERTEX_COLOURS;
    if (textured) flags |= SPAN_TEXTURED;
    // Besides a translucent texture and filtering, a translucent colour or vertex colour also needs
    // blending: drawn without it, a half-transparent tint would come out opaque.
    if ((textured && mTexture.translucent) || mStyle.filtered || byte(c.alpha) < 255 ||
        (mStyle.vertexColours && mTranslucentVertices))
        flags |= SPAN_BLENDED;
    mIndex = SpanFillerIndex(flags, mTarget.format);
    mFiller = SpanFillers::Select(mIndex);
    mJob.texels = mTexture.pixels;
    mJob.texWidth = mTexture.width;
    mJob.texHeight = mTexture.height;
    mJob.modulation =
        SpanPixels::Premultiply(SpanPixels::Pack(byte(c.alpha), byte(c.red), byte(c.green), byte(c.blue)));
}

bool TriangleRasterizer::Draw(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c) {
    if (mClip.IsEmpty() || mTarget.bits == nullptr || mStyle.colour.alpha <= 0) return false;
    const RasterVertex corners[3] = {a, b, c};
    for (const RasterVertex& v : corners)
        if (!std::isfinite(v.x) || !std::isfinite(v.y)) return false;
    Plane plane;
    if (!plane.Build(corners, mTexture.width, mTexture.height)) return false;
    mJob.du = Saturate(plane.dx[0] * 65536);
    mJob.dv = Saturate(plane.dx[1] * 65536);
    mJob.dr = Saturate(plane.dx[2] * 65536);
    mJob.dg = Saturate(plane.dx[3] * 65536);
    mJob.db = Saturate(plane.dx[4] * 65536);
    mJob.da = Saturate(plane.dx[5] * 65536);
    Point2 polygon[2][MaxCorners + 1];
    for (int i = 0; i < 3; ++i)
        polygon[0][i] = Point2{corners[i].x, corners[i].y};
    int n = 3;
    n = ClipPolygon(polygon[0], n, polygon[1], true, -GuardBand, false);
    n = ClipPolygon(polygon[1], n, polygon[0], true, GuardBand, true);
    n = ClipPolygon(polygon[0], n, polygon[1], false, -GuardBand, false);
    n = ClipPolygon(polygon[1], n, polygon[0], false, GuardBand, true);
    if (n < 3) return false;
    Fixed fixed[MaxCorners + 1];
    for (int i = 0; i < n; ++i)
        fixed[i] = Fixed{std::llround(polygon[0][i].x * 65536.0), std::llround(polygon[0][i].y * 65536.0)};
    bool drawn = false;
    for (int i = 1; i + 1 < n; ++i)
        drawn |= DrawFixedTriangle(fixed[0], fixed[i], fixed[i + 1], plane);
    return drawn;
}

bool TriangleRasterizer::DrawFixedTriangle(const Fixed& a, const Fixed& b, const Fixed& c,
                                           const Plane& plane) {
    Fixed v[3] = {a, b, c};
    std::sort(v, v + 3,
              [](const Fixed& p, const Fixed& q) { return p.y < q.y || (p.y == q.y && p.x < q.x); });
    const Fixed& top = v[0];
    const Fixed& mid = v[1];
    const Fixed& bottom = v[2];
    const Int128 det =
        Int128(mid.x - top.x) * (bottom.y - top.y) - Int128(bottom.x - top.x) * (mid.y - top.y);
    if (det == 0) return false;
    // With y growing downwards, a positive det puts the middle corner right of the long edge.
    const bool longEdgeLeft = det > 0;
    const int64_t clipTop = mClip.y, clipBottom = int64_t(mClip.y) + mClip.height;
    const int64_t clipLeft = mClip.x, clipRight = int64_t(mClip.x) + mClip.width;
    bool drawn = false;
    // The rows whose pixel centres lie in [upper.y, lower.y), cut to the clip, between the short edge
    // from upper to lower and the long edge.
    auto half = [&](const Fixed& upper, const Fixed& lower) {
        const int64_t first = std::max(CeilDiv(upper.y, int64_t(65536)), clipTop);
        const int64_t end = std::min(CeilDiv(lower.y, int64_t(65536)), clipBottom);
        if (first >= end) return;
        EdgeWalk shortEdge(upper.x, upper.y, lower.x, lower.y, first);
        EdgeWalk longEdge(top.x, top.y, bottom.x, bottom.y, first);
        EdgeWalk& left = longEdgeLeft ? longEdge : shortEdge;
        EdgeWalk& right = longEdgeLeft ? shortEdge : longEdge;
        for (int64_t row = first; row < end; ++row, left.NextRow(), right.NextRow()) {
            const int64_t from = std::max(left.Column(), clipLeft);
            const int64_t to = std::min(right.Column(), clipRight);
            if (from >= to) continue;
            FillRow(int32_t(row), int32_t(from), int32_t(to), plane);
            drawn = true;
        }
    };
    if (mid.y > top.y) half(top, mid);
    if (bottom.y > mid.y) half(mid, bottom);
    return drawn;
}

void TriangleRasterizer::FillRow(int32_t y, int32_t x, int32_t end, const Plane& plane) {
    SpanStart start;
    auto fixed = [&](int i) { return Saturate(plane.At(i, x, y) * 65536); };
    start.u = fixed(0);
    start.v = fixed(1);
    if (mStyle.vertexColours) {
        start.r = fixed(2);
        start.g = fixed(3);
        start.b = fixed(4);
        start.a = fixed(5);
    }
    const int32_t bytesPerPixel =
        (mTarget.format == DestFormat::Rgb565 || mTarget.format == DestFormat::Rgb555) ? 2 : 4;
    auto* dest = static_cast<uint8_t*>(mTarget.bits) + static_cast<int64_t>(y) * mTarget.pitchBytes +
                 static_cast<int64_t>(x) * bytesPerPixel;
    mFiller(mJob, start, dest, end - x);
}

} // namespace Zorbel
