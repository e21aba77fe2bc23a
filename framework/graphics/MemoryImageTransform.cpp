// The rotated, matrix and triangle blits of MemoryImage: the public halves, which find the pixels and
// hand them to the turned blitter or the triangle rasteriser.
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/TriangleRasterizer.h"
#include "framework/graphics/TurnedBlitter.h"

#include <vector>

namespace Zorbel {

namespace {

bool IsKnownMode(DrawMode mode) {
    return mode == DRAWMODE_NORMAL || mode == DRAWMODE_ADDITIVE;
}

// A source's pixels for the length of one draw. A palettised picture stays palettised: its pixels are
// expanded for this draw only. A picture drawn onto itself is read from a copy, so that no pixel is read
// after it was written.
class SourcePixels {
public:
    SourcePixels(MemoryImage& source, const MemoryImage& dest) {
        const size_t n = source.PixelCount();
        const uint32_t* bits = source.Bits();
        if (bits == nullptr && source.ColorTable() != nullptr && source.ColorIndices() != nullptr) {
            mCopy.resize(n);
            for (size_t i = 0; i < n; ++i)
                mCopy[i] = source.ColorTable()[source.ColorIndices()[i]];
            bits = mCopy.data();
        } else {
            if (bits == nullptr) bits = source.GetPixels();
            if (bits == nullptr) return;
            if (&source == &dest) {
                mCopy.assign(bits, bits + n);
                bits = mCopy.data();
            }
        }
        mView = ConstPixelView{bits, source.GetWidth(), source.GetHeight(), source.GetWidth()};
    }

    const ConstPixelView& View() const { return mView; }
    bool IsEmpty() const { return mView.IsEmpty(); }

private:
    std::vector<uint32_t> mCopy;
    ConstPixelView mView;
};

// A picture in forced mode without HasAlpha and HasTrans is drawn as opaque RGB; any other keeps its
// alpha meaningful.
DestFormat FormatOf(const MemoryImage& image) {
    return image.IsForced() && !image.HasAlpha() && !image.HasTrans() ? DestFormat::Rgb24
                                                                      : DestFormat::Argb32;
}

RasterTexture TextureOf(MemoryImage& texture, const SourcePixels& pixels) {
    texture.RecomputeAlphaFlags();
    return RasterTexture{pixels.View().pixels, pixels.View().width, pixels.View().height,
                         texture.HasAlpha() || texture.HasTrans()};
}

} // namespace

void MemoryImage::BlitImageTurned(Image* source, float x, float y, const FRect& srcRect,
                                  const BlitState& state, double angle, float centreX, float centreY) {
    auto* src = dynamic_cast<MemoryImage*>(source);
    if (src == nullptr || !IsKnownMode(state.mode)) return;
    uint32_t* bits = GetPixels();
    SourcePixels pixels(*src, *this);
    if (bits == nullptr || pixels.IsEmpty()) return;
    const TurnPlacement placement{x, y, angle, centreX, centreY};
    if (TurnedBlitter::Blit(PixelView{bits, mWidth, mHeight, mWidth}, state.clip, pixels.View(), srcRect,
                            placement, state.color, state.mode, mContext->Saturation()))
        NotifyPixelsChanged();
}

// The source rectangle as a quad centred on the origin, through the matrix, then moved so that the
// picture's pixel centres fall on the rasteriser's whole-number pixel centres.
void MemoryImage::BlitImageTransformed(Image* source, float x, float y, const Matrix3& matrix,
                                       const BlitState& state, const Rect& srcRect, bool filtered) {
    auto* src = dynamic_cast<MemoryImage*>(source);
    if (src == nullptr || !IsKnownMode(state.mode) || srcRect.IsEmpty()) return;
    uint32_t* bits = GetPixels();
    SourcePixels pixels(*src, *this);
    if (bits == nullptr || pixels.IsEmpty()) return;
    const double halfW = srcRect.width / 2.0;
    const double halfH = srcRect.height / 2.0;
    const double u0 = double(srcRect.x) / src->GetWidth();
    const double v0 = double(srcRect.y) / src->GetHeight();
    const double u1 = (double(srcRect.x) + srcRect.width) / src->GetWidth();
    const double v1 = (double(srcRect.y) + srcRect.height) / src->GetHeight();
    auto corner = [&](double cx, double cy, double u, double v) {
        const auto& m = matrix.m;
        return RasterVertex{m[0][0] * cx + m[0][1] * cy + m[0][2] + x - 0.5,
                            m[1][0] * cx + m[1][1] * cy + m[1][2] + y - 0.5, u, v, 0};
    };
    const RasterVertex quad[4] = {corner(-halfW, -halfH, u0, v0), corner(halfW, -halfH, u1, v0),
                                  corner(halfW, halfH, u1, v1), corner(-halfW, halfH, u0, v1)};
    const RasterTarget target{bits, mWidth * 4, mWidth, mHeight, FormatOf(*this)};
    TriangleRasterizer rasterizer(target, state.clip, TextureOf(*src, pixels),
                                  RasterStyle{state.color, filtered, false});
    bool drawn = rasterizer.Draw(quad[0], quad[1], quad[2]);
    drawn |= rasterizer.Draw(quad[0], quad[2], quad[3]);
    if (drawn) NotifyPixelsChanged();
}

void MemoryImage::BlitTexturedTriangles(Image* texture, const TexturedTriangle* triangles, int32_t count,
                                        const BlitState& state, float offsetX, float offsetY, bool filtered) {
    auto* src = dynamic_cast<MemoryImage*>(texture);
    if (src == nullptr || !IsKnownMode(state.mode) || triangles == nullptr || count <= 0) return;
    uint32_t* bits = GetPixels();
    SourcePixels pixels(*src, *this);
    if (bits == nullptr || pixels.IsEmpty()) return;
    // Vertex colours take part only when some vertex has one; then every vertex's colour counts.
    bool vertexColours = false;
    bool translucentVertices = false;
    for (int32_t i = 0; i < count; ++i) {
        for (const TriVertex& v : triangles[i].vertices) {
            vertexColours |= v.color != 0;
            translucentVertices |= (v.color >> 24) != 255;
        }
    }
    const RasterTarget target{bits, mWidth * 4, mWidth, mHeight, FormatOf(*this)};
    TriangleRasterizer rasterizer(target, state.clip, TextureOf(*src, pixels),
                                  RasterStyle{state.color, filtered, vertexColours});
    rasterizer.SetTranslucentVertices(vertexColours && translucentVertices);
    bool drawn = false;
    for (int32_t i = 0; i < count; ++i) {
        RasterVertex corners[3];
        for (int k = 0; k < 3; ++k) {
            const TriVertex& v = triangles[i].vertices[k];
            corners[k] = RasterVertex{double(v.x) + offsetX, double(v.y) + offsetY, v.u, v.v, v.color};
        }
        drawn |= rasterizer.Draw(corners[0], corners[1], corners[2]);
    }
    if (drawn) NotifyPixelsChanged();
}

} // namespace Zorbel
