#pragma once

#include "framework/graphics/Rect.h"

#include <array>
#include <memory>

namespace Zorbel {

struct FontLayer;
class MemoryImage;

// A layer as one font uses it: the factor its size and scale ask for, and the picture and glyph
// rectangles to draw from. Unscaled, that is the layer's own picture; scaled, a copy drawn once at
// the new size, which the entry owns (and copies with itself).
class ActiveFontLayer {
public:
    // Larger scaled pictures are not built; their glyphs advance but are not drawn.
    static constexpr int32_t MaxScaledSide = 32768;
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    static constexpr int64_t MaxScaledPixels = int64_t(1) << 20;
#else
    static constexpr int64_t MaxScaledPixels = int64_t(1) << 24;
#endif

    ActiveFontLayer(const FontLayer& layer, double factor, bool scaled);
    ActiveFontLayer(const ActiveFontLayer& other);
    ActiveFontLayer(ActiveFontLayer&& other) noexcept = default;
    ActiveFontLayer& operator=(const ActiveFontLayer&) = delete;
    ActiveFontLayer& operator=(ActiveFontLayer&&) = delete;
    virtual ~ActiveFontLayer();

    const FontLayer& BaseLayer() const {
        return *mBaseLayer;
    }
    // Font size x scale / layer size, or the scale alone for a layer without a size.
    double Factor() const {
        return mFactor;
    }
    bool IsScaled() const {
        return mScaled;
    }
    // The picture to draw from; null for a scaled entry whose picture is not built (or too large).
    MemoryImage* Image() const;
    const Rect& GlyphRect(uint8_t c) const {
        return mGlyphRects[c];
    }
    // Draws the scaled picture, glyph by glyph, from the layer's picture. Nothing for an unscaled entry.
    void BuildScaledImage();

    // value x factor, truncated and kept within 32 bits.
    static int32_t Scaled(double factor, int64_t value);

private:
    const FontLayer* mBaseLayer;
    double mFactor;
    bool mScaled;
    std::unique_ptr<MemoryImage> mOwnedImage;
    std::array<Rect, 256> mGlyphRects;
};

} // namespace Zorbel
