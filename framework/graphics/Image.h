#pragma once

#include "framework/graphics/BlitState.h"
#include "framework/graphics/Color.h"
#include "framework/graphics/DrawMode.h"
#include "framework/graphics/Matrix3.h"
#include "framework/graphics/Rect.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Zorbel {

// The optional animation record of a picture: the delay of each frame and the cel each frame shows.
struct AnimInfo {
    std::vector<int32_t> frameDelays;
    std::vector<int32_t> frameMap;
    bool operator==(const AnimInfo&) const = default;
};

// One horizontal run of pixels for FillSpans.
struct Span {
    int32_t y = 0;
    int32_t x = 0;
    int32_t width = 0;
};

// A vertex of a textured triangle: position, texture coordinates (0 ... 1 across the texture) and a
// packed 0xAARRGGBB colour, 0 meaning "no vertex colour".
struct TriVertex {
    float x = 0;
    float y = 0;
    float u = 0;
    float v = 0;
    uint32_t color = 0;
};

struct TexturedTriangle {
    TriVertex vertices[3];
};

struct TextCoverage;

// The abstract picture that everything draws onto and draws from. It knows its size and its cel
// grid; every drawing operation is virtual and does nothing here. Rectangles passed to the drawing
// operations are already clipped by the caller (normally a Graphics context), except where an
// operation takes a clip rectangle of its own.
class Image {
public:
    Image() = default;
    Image(const Image& other);
    Image& operator=(const Image&) = delete;
    virtual ~Image();

    int32_t GetWidth() const { return mWidth; }
    int32_t GetHeight() const { return mHeight; }
    Rect GetBounds() const { return Rect(0, 0, mWidth, mHeight); }

    // The cel grid: a cel is (column * width / columns, row * height / rows, width / columns,
    // height / rows). Counts below 1 are taken as 1.
    int32_t GetRowCount() const { return mNumRows; }
    int32_t GetColumnCount() const { return mNumCols; }
    void SetCelGrid(int32_t columns, int32_t rows);
    int32_t GetCelWidth() const { return mWidth / mNumCols; }
    int32_t GetCelHeight() const { return mHeight / mNumRows; }
    Rect GetCelRect(int32_t column, int32_t row) const;

    const AnimInfo* GetAnimInfo() const { return mAnimInfo.get(); }
    void SetAnimInfo(std::unique_ptr<AnimInfo> info) { mAnimInfo = std::move(info); }

    // Drawing, in this order. The base draws nothing, except that DrawOutline and FillSpans are
    // expressed through FillArea.
    virtual bool FillPolygon(const Point* points, int32_t count, const Rect& clipRect, const Color& color,
                             DrawMode drawMode, int32_t offsetX, int32_t offsetY);
    virtual void FillArea(const Rect& rect, const Color& color, DrawMode drawMode);
    // Covers width + 1 by height + 1 pixels.
    virtual void DrawOutline(const Rect& rect, const Color& color, DrawMode drawMode);
    virtual void ClearArea(const Rect& rect);
    virtual void DrawSegment(double x1, double y1, double x2, double y2, const Color& color,
                             DrawMode drawMode);
    virtual void FillSpans(const Span* spans, int32_t count, const Color& color, DrawMode drawMode);
    virtual void BlitImage(Image* source, int32_t x, int32_t y, const Rect& srcRect, const Color& color,
                           DrawMode drawMode);
    virtual void BlitImageAtFraction(Image* source, float x, float y, const FRect& srcRect,
                                     const BlitState& state);
    // Rotates by angle radians (counter-clockwise on screen) about (centreX, centreY), measured from
    // the source rectangle's top-left.
    virtual void BlitImageTurned(Image* source, float x, float y, const FRect& srcRect,
                                 const BlitState& state, double angle, float centreX, float centreY);
    virtual void BlitImageScaled(Image* source, const FRect& destRect, const FRect& srcRect,
                                 const BlitState& state, bool fastStretch);
    virtual void BlitImageTransformed(Image* source, float x, float y, const Matrix3& matrix,
                                      const BlitState& state, const Rect& srcRect, bool filtered);
    virtual void BlitTexturedTriangles(Image* texture, const TexturedTriangle* triangles, int32_t count,
                                       const BlitState& state, float offsetX, float offsetY, bool filtered);
    virtual void BlitImageFlipped(Image* source, int32_t x, int32_t y, const Rect& srcRect,
                                  const Color& color, DrawMode drawMode);
    virtual void BlitImageScaledFlipped(Image* source, const FRect& destRect, const FRect& srcRect,
                                        const BlitState& state, bool fastStretch);

    // Puts anti-aliased text into the picture: each covered pixel moves toward the colour by its
    // coverage, the coverage's top-left corner at (left, top), only inside clipRect. Text goes only
    // into display pictures, the way the window system draws it; the others ignore it.
    virtual void DrawTextCoverage(const TextCoverage& coverage, int32_t left, int32_t top,
                                  const Rect& clipRect, const Color& color);

    // Many drawing calls in a row (a frame): a picture that must be locked for drawing takes the lock
    // once for all of them. True when it did; EndDrawingBatch then gives the lock back.
    virtual bool BeginDrawingBatch() { return false; }
    virtual void EndDrawingBatch() {}

protected:
    int32_t mWidth = 0;
    int32_t mHeight = 0;
    int32_t mNumRows = 1;
    int32_t mNumCols = 1;
    std::unique_ptr<AnimInfo> mAnimInfo;
};

} // namespace Zorbel
