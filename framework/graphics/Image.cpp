#include "framework/graphics/Image.h"

#include <algorithm>

namespace Zorbel {

Image::Image(const Image& other)
    : mWidth(other.mWidth), mHeight(other.mHeight), mNumRows(other.mNumRows), mNumCols(other.mNumCols),
      mAnimInfo(other.mAnimInfo ? std::make_unique<AnimInfo>(*other.mAnimInfo) : nullptr) {}

Image::~Image() = default;

void Image::SetCelGrid(int32_t columns, int32_t rows) {
    // A zero count would divide by zero in every cel computation.
    mNumCols = std::max(columns, 1);
    mNumRows = std::max(rows, 1);
}

Rect Image::GetCelRect(int32_t column, int32_t row) const {
    int32_t w = GetCelWidth();
    int32_t h = GetCelHeight();
    return Rect(column * w, row * h, w, h);
}

bool Image::FillPolygon(const Point*, int32_t, const Rect&, const Color&, DrawMode, int32_t, int32_t) {
    return false;
}

void Image::FillArea(const Rect&, const Color&, DrawMode) {}

void Image::DrawOutline(const Rect& rect, const Color& color, DrawMode drawMode) {
    const int32_t x = rect.x, y = rect.y, w = rect.width, h = rect.height;
    FillArea(Rect(x, y, w + 1, 1), color, drawMode);
    FillArea(Rect(x, y + h, w + 1, 1), color, drawMode);
    FillArea(Rect(x, y + 1, 1, h - 1), color, drawMode);
    FillArea(Rect(x + w, y + 1, 1, h - 1), color, drawMode);
}

void Image::ClearArea(const Rect&) {}

void Image::DrawSegment(double, double, double, double, const Color&, DrawMode) {}

void Image::FillSpans(const Span* spans, int32_t count, const Color& color, DrawMode drawMode) {
    for (int32_t i = 0; i < count; ++i)
        FillArea(Rect(spans[i].x, spans[i].y, spans[i].width, 1), color, drawMode);
}

void Image::BlitImage(Image*, int32_t, int32_t, const Rect&, const Color&, DrawMode) {}

void Image::BlitImageAtFraction(Image*, float, float, const FRect&, const BlitState&) {}

void Image::BlitImageTurned(Image*, float, float, const FRect&, const BlitState&, double, float, float) {}

void Image::BlitImageScaled(Image*, const FRect&, const FRect&, const BlitState&, bool) {}

void Image::BlitImageTransformed(Image*, float, float, const Matrix3&, const BlitState&, const Rect&, bool) {}

void Image::BlitTexturedTriangles(Image*, const TexturedTriangle*, int32_t, const BlitState&, float, float,
                                  bool) {}

void Image::BlitImageFlipped(Image*, int32_t, int32_t, const Rect&, const Color&, DrawMode) {}

void Image::DrawTextCoverage(const TextCoverage&, int32_t, int32_t, const Rect&, const Color&) {}

void Image::BlitImageScaledFlipped(Image*, const FRect&, const FRect&, const BlitState&, bool) {}

} // namespace Zorbel
