#include "framework/graphics/TriangleRasterizer.h"

#include "framework/graphics/SpanFillerPixels.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace Zorbel {

namespace {

// Clip rectangles larger than this are drawn tile by tile, which keeps every 16.16 coordinate below
// 2^30 and every edge product within 64 bits.
constexpr int32_t MaxTile = 16384;
// A clipped triangle has at most one corner more per clip edge.
constexpr int MaxCorners = 3 + 4;

int64_t FloorDiv(int64_t a, int64_t b) { // b > 0
    int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

int64_t CeilDiv(int64_t a, int64_t b) {
    return -FloorDiv(-a, b);
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

// A triangle edge from its upper end down, in 16.16 tile coordinates.
struct Edge {
    int64_t x0;
    int64_t y0;
    int64_t dx;
    int64_t dy;

    // Edges always run downwards, so the shared edge of two triangles is the same in both.
    static Edge Down(int64_t ax, int64_t ay, int64_t bx, int64_t by) {
        return Edge{ax, ay, bx - ax, by - ay};
    }

    // The first column whose pixel centre lies on or right of the edge on this row: the exact ceiling
    // of the crossing. A left edge starts its span there and a right edge ends it there.
    int64_t Column(int64_t row) const { return CeilDiv(x0 * dy + ((row << 16) - y0) * dx, dy << 16); }
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

// A corner in 16.16 tile coordinates.
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
    bool drawn = false;
    for (int32_t y = 0; y < mClip.height; y += MaxTile) {
        for (int32_t x = 0; x < mClip.width; x += MaxTile) {
            Rect tile(mClip.x + x, mClip.y + y, std::min(MaxTile, mClip.width - x),
                      std::min(MaxTile, mClip.height - y));
            drawn |= DrawInTile(corners, plane, tile);
        }
    }
    return drawn;
}

// Clips to the tile's pixel area (its edges run between pixel centres, so clipping never decides
// coverage itself) and draws the result as a fan.
bool TriangleRasterizer::DrawInTile(const RasterVertex (&corners)[3], const Plane& plane, const Rect& tile) {
    Point2 polygon[2][MaxCorners + 1];
    int n = 3;
    for (int i = 0; i < 3; ++i)
        polygon[0][i] = Point2{corners[i].x, corners[i].y};
    const double left = tile.x - 0.5, top = tile.y - 0.5;
    const double right = left + tile.width, bottom = top + tile.height;
    n = ClipPolygon(polygon[0], n, polygon[1], true, left, false);
    n = ClipPolygon(polygon[1], n, polygon[0], true, right, true);
    n = ClipPolygon(polygon[0], n, polygon[1], false, top, false);
    n = ClipPolygon(polygon[1], n, polygon[0], false, bottom, true);
    if (n < 3) return false;
    Fixed fixed[MaxCorners + 1];
    for (int i = 0; i < n; ++i) {
        fixed[i] = Fixed{std::llround((polygon[0][i].x - tile.x) * 65536.0),
                         std::llround((polygon[0][i].y - tile.y) * 65536.0)};
    }
    bool drawn = false;
    for (int i = 1; i + 1 < n; ++i)
        drawn |= DrawFixedTriangle(fixed[0], fixed[i], fixed[i + 1], plane, tile);
    return drawn;
}

bool TriangleRasterizer::DrawFixedTriangle(const Fixed& a, const Fixed& b, const Fixed& c, const Plane& plane,
                                           const Rect& tile) {
    Fixed v[3] = {a, b, c};
    std::sort(v, v + 3,
              [](const Fixed& p, const Fixed& q) { return p.y < q.y || (p.y == q.y && p.x < q.x); });
    const Fixed& top = v[0];
    const Fixed& mid = v[1];
    const Fixed& bottom = v[2];
    int64_t det = (mid.x - top.x) * (bottom.y - top.y) - (bottom.x - top.x) * (mid.y - top.y);
    if (det == 0) return false;
    // With y growing downwards, a positive det puts the middle corner right of the long edge.
    const bool longEdgeLeft = det > 0;
    const Edge longEdge = Edge::Down(top.x, top.y, bottom.x, bottom.y);
    auto rows = [&](int64_t fromY, int64_t toY) {
        return std::pair<int64_t, int64_t>{std::max<int64_t>(CeilDiv(fromY, 65536), 0),
                                           std::min<int64_t>(CeilDiv(toY, 65536), tile.height)};
    };
    bool drawn = false;
    auto half = [&](const Edge& shortEdge, std::pair<int64_t, int64_t> range) {
        const Edge& leftEdge = longEdgeLeft ? longEdge : shortEdge;
        const Edge& rightEdge = longEdgeLeft ? shortEdge : longEdge;
        for (int64_t row = range.first; row < range.second; ++row) {
            int64_t first = std::max<int64_t>(leftEdge.Column(row), 0);
            int64_t end = std::min<int64_t>(rightEdge.Column(row), tile.width);
            if (first >= end) continue;
            FillRow(row, first, end, plane, tile);
            drawn = true;
        }
    };
    if (mid.y > top.y) half(Edge::Down(top.x, top.y, mid.x, mid.y), rows(top.y, mid.y));
    if (bottom.y > mid.y) half(Edge::Down(mid.x, mid.y, bottom.x, bottom.y), rows(mid.y, bottom.y));
    return drawn;
}

void TriangleRasterizer::FillRow(int64_t row, int64_t first, int64_t end, const Plane& plane,
                                 const Rect& tile) {
    const int32_t y = tile.y + static_cast<int32_t>(row);
    const int32_t x = tile.x + static_cast<int32_t>(first);
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
    mFiller(mJob, start, dest, static_cast<int32_t>(end - first));
}

} // namespace Zorbel
