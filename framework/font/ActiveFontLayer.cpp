#include "framework/font/ActiveFontLayer.h"

#include "framework/font/FontLayer.h"
#include "framework/graphics/MemoryImage.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Zorbel {

int32_t ActiveFontLayer::Scaled(double factor, int64_t value) {
    const double product = factor * static_cast<double>(value);
    if (std::isnan(product)) return 0;
    constexpr double low = std::numeric_limits<int32_t>::min();
    constexpr double high = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::trunc(std::clamp(product, low, high)));
}

ActiveFontLayer::ActiveFontLayer(const FontLayer& layer, double factor, bool scaled)
    : mBaseLayer(&layer), mFactor(factor), mScaled(scaled) {
    if (!scaled) {
        for (size_t c = 0; c < mGlyphRects.size(); ++c)
            mGlyphRects[c] = layer.charData[c].imageRect;
        return;
    }
    // Glyphs side by side in code order, each cut to its scaled size.
    int64_t x = 0;
    for (size_t c = 0; c < mGlyphRects.size(); ++c) {
        const Rect& source = layer.charData[c].imageRect;
        const int32_t width = std::max(0, Scaled(factor, source.width));
        const int32_t height = std::max(0, Scaled(factor, source.height));
        mGlyphRects[c] = Rect(static_cast<int32_t>(std::min<int64_t>(x, INT32_MAX)), 0, width, height);
        x += width;
    }
}

ActiveFontLayer::ActiveFontLayer(const ActiveFontLayer& other)
    : mBaseLayer(other.mBaseLayer), mFactor(other.mFactor), mScaled(other.mScaled),
      mOwnedImage(other.mOwnedImage ? std::make_unique<MemoryImage>(*other.mOwnedImage) : nullptr),
      mGlyphRects(other.mGlyphRects) {}

ActiveFontLayer::~ActiveFontLayer() = default;

MemoryImage* ActiveFontLayer::Image() const {
    return mScaled ? mOwnedImage.get() : mBaseLayer->image.get();
}

void ActiveFontLayer::BuildScaledImage() {
    if (!mScaled || mOwnedImage) return;
    int64_t width = 0;
    int64_t height = 0;
    for (const Rect& rect : mGlyphRects) {
        width += rect.width;
        height = std::max<int64_t>(height, rect.height);
    }
    MemoryImage* source = mBaseLayer->image.get();
    if (source == nullptr || width > MaxScaledSide || height > MaxScaledSide ||
        width * height > MaxScaledPixels)
        return;
    mOwnedImage = std::make_unique<MemoryImage>(source->GetContext());
    mOwnedImage->SetSize(static_cast<int32_t>(width), static_cast<int32_t>(height));
    (void)mOwnedImage->ClearAll();
    const Rect bounds = mOwnedImage->GetBounds();
    for (size_t c = 0; c < mGlyphRects.size(); ++c) {
        const Rect& from = mBaseLayer->charData[c].imageRect;
        const Rect& to = mGlyphRects[c];
        if (from.IsEmpty() || to.IsEmpty()) continue;
        mOwnedImage->BlitImageScaled(source, FRect(to.x, to.y, to.width, to.height),
                                     FRect(from.x, from.y, from.width, from.height),
                                     BlitState{bounds, Color::White, DRAWMODE_NORMAL}, false);
    }
    (void)mOwnedImage->ConvertToPalette();
}

} // namespace Zorbel
