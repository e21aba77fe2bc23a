#pragma once

#include "framework/graphics/Color.h"
#include "framework/graphics/Rect.h"
#include "framework/graphics/SpanFillers.h"

#include <cstdint>

namespace Zorbel {

// One corner of a textured triangle: the position in destination pixels, with pixel centres at whole
// numbers; the texture position, 0 ... 1 across the texture; and a colour 0xAARRGGBB. Doubles, so that
// callers can place texel centres on pixel centres exactly.
struct RasterVertex {
    double x = 0;
    double y = 0;
    double u = 0;
    double v = 0;
    uint32_t colour = 0;
};

// Where triangles are drawn: `width` x `height` pixels of `format`, rows `pitchBytes` apart. Borrowed.
struct RasterTarget {
    void* bits = nullptr;
    int32_t pitchBytes = 0;
    int32_t width = 0;
    int32_t height = 0;
    DestFormat format = DestFormat::Argb32;
};

// A texture in 0xAARRGGBB pixels, rows `width` words apart. Borrowed; null pixels mean untextured.
struct RasterTexture {
    const uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    bool translucent = false; // some texel has an alpha below 255
};

// How the texels are drawn.
struct RasterStyle {
    Color colour = Color::White; // multiplies every texel unless it is opaque white
    bool filtered = false;       // bilinear sampling
    bool vertexColours = false;  // the interpolated vertex colours multiply every texel
};

// The software triangle rasteriser. Corners go to 16.16 fixed point and each row of the triangle goes to
// the span filler chosen once for the style. Coverage follows the top-left rule in exact integer
// arithmetic: a pixel centre on an edge shared by two triangles belongs to exactly one of them, so
// triangles that share edges never leave gaps nor draw a pixel twice. The clip rectangle cuts rows and
// spans without moving any edge, so a triangle covers the same pixels whatever the clip; only corners
// beyond a guard band of 4,194,304 pixels are cut geometrically, and the polygon left over is drawn as
// a fan. Texture positions and colours are interpolated from the triangle's own corners.
class TriangleRasterizer {
public:
    TriangleRasterizer(const RasterTarget& target, const Rect& clipRect, const RasterTexture& texture,
                       const RasterStyle& style);

    // Draws one triangle; true when it covered at least one pixel.
    bool Draw(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c);

    // The span filler index the style chose.
    uint32_t FillerIndex() const { return mIndex; }

    // Whether vertex colours with an alpha below 255 make blending necessary, for callers that know
    // it before drawing. Set before the first Draw.
    void SetTranslucentVertices(bool translucent);

private:
    struct Plane;
    struct Fixed;

    void ChooseFiller();
    bool DrawFixedTriangle(const Fixed& a, const Fixed& b, const Fixed& c, const Plane& plane);
    void FillRow(int32_t y, int32_t x, int32_t end, const Plane& plane);

    RasterTarget mTarget;
    Rect mClip;
    RasterTexture mTexture;
    RasterStyle mStyle;
    bool mTranslucentVertices = false;
    uint32_t mIndex = 0;
    SpanFiller mFiller = nullptr;
    SpanJob mJob;
};

} // namespace Zorbel
