#include "framework/graphics/Graphics.h"

#include "framework/graphics/Font.h"
#include "framework/graphics/Image.h"

#include <algorithm>
#include <cmath>

namespace Zorbel {

namespace {

// The destination of a context made without one: 0 x 0, so every draw clips to nothing.
Image& SharedEmptyImage() {
    static Image empty;
    return empty;
}

int32_t Translate(int32_t v, float translation) {
    const float sum = static_cast<float>(v) + translation;
    // Out-of-range floats do not convert; such coordinates are far outside any clip anyway.
    if (!(sum > -2147483648.0f)) return INT32_MIN;
    if (!(sum < 2147483648.0f)) return INT32_MAX;
    return static_cast<int32_t>(sum);
}

int32_t CeilDiv(int32_t n, int32_t d) {
    return n <= 0 || d <= 0 ? 0 : (n + d - 1) / d;
}

} // namespace

GraphicsState::GraphicsState(Image* destination)
    : mDestImage(destination != nullptr ? destination : &SharedEmptyImage()),
      mClipRect(0, 0, mDestImage->GetWidth(), mDestImage->GetHeight()) {}

Graphics::Graphics(Image* destination) : GraphicsState(destination) {}

Graphics::Graphics(const Graphics& other) : GraphicsState(other) {}

Graphics::~Graphics() = default;

std::unique_ptr<Graphics> Graphics::Clone() const {
    return std::make_unique<Graphics>(*this);
}

void Graphics::SaveState() {
    mStateStack.push_back(*this);
}

void Graphics::RestoreState() {
    if (mStateStack.empty()) return;
    static_cast<GraphicsState&>(*this) = mStateStack.back();
    mStateStack.pop_back();
}

int32_t Graphics::TranslateX(int32_t x) const {
    return Translate(x, mTransX);
}

int32_t Graphics::TranslateY(int32_t y) const {
    return Translate(y, mTransY);
}

void Graphics::Offset(int32_t x, int32_t y) {
    mTransX += static_cast<float>(x);
    mTransY += static_cast<float>(y);
}

void Graphics::NarrowClip(int32_t x, int32_t y, int32_t width, int32_t height) {
    mClipRect = mClipRect.Intersection(Rect(TranslateX(x), TranslateY(y), width, height));
}

void Graphics::PaintRect(int32_t x, int32_t y, int32_t width, int32_t height) {
    if (mColor.alpha == 0) return;
    const Rect r = Rect(TranslateX(x), TranslateY(y), width, height).Intersection(mClipRect);
    if (r.width < 1 || r.height < 1) return;
    mDestImage->FillArea(r, mColor, mDrawMode);
}

void Graphics::PaintFrame(int32_t x, int32_t y, int32_t width, int32_t height) {
    if (mColor.alpha == 0) return;
    const Rect covered(TranslateX(x), TranslateY(y), width + 1, height + 1);
    if (covered.Intersection(mClipRect) == covered) {
        mDestImage->DrawOutline(Rect(covered.x, covered.y, width, height), mColor, mDrawMode);
        return;
    }
    PaintRect(x, y, width + 1, 1);
    PaintRect(x, y + height, width + 1, 1);
    PaintRect(x, y + 1, 1, height - 1);
    PaintRect(x + width, y + 1, 1, height - 1);
}

void Graphics::PaintImage(Image* image, int32_t x, int32_t y) {
    if (image == nullptr) return;
    PaintImagePart(image, x, y, image->GetBounds());
}

void Graphics::PaintImagePart(Image* image, int32_t x, int32_t y, const Rect& srcRect) {
    if (image == nullptr) return;
    const Rect& s = srcRect;
    if (s.x < 0 || s.y < 0 || int64_t(s.x) + s.width > image->GetWidth() ||
        int64_t(s.y) + s.height > image->GetHeight())
        return;
    const int32_t tx = TranslateX(x), ty = TranslateY(y);
    const Rect r = Rect(tx, ty, s.width, s.height).Intersection(mClipRect);
    if (r.width < 1 || r.height < 1) return;
    const Rect from(s.x + (r.x - tx), s.y + (r.y - ty), r.width, r.height);
    mDestImage->BlitImage(image, r.x, r.y, from, ImageColor(), mDrawMode);
}

void Graphics::PaintImageScaled(Image* image, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (image == nullptr) return;
    const FRect dest(TranslateX(x), TranslateY(y), width, height);
    const FRect source(0, 0, image->GetWidth(), image->GetHeight());
    mDestImage->BlitImageScaled(
        image, dest, source, BlitState{mClipRect, ImageColor(), mDrawMode, mSmoothBlending}, mQuickScaling);
}

void Graphics::PaintCel(Image* image, int32_t x, int32_t y, int32_t column, int32_t row) {
    if (image == nullptr) return;
    if (column < 0 || row < 0 || column >= image->GetColumnCount() || row >= image->GetRowCount()) return;
    PaintImagePart(image, x, y, image->GetCelRect(column, row));
}

void Graphics::PaintCelIndex(Image* image, int32_t x, int32_t y, int32_t cel) {
    if (image == nullptr) return;
    const int32_t columns = image->GetColumnCount();
    PaintCel(image, x, y, cel % columns, cel / columns);
}

void Graphics::PaintBox(const Rect& destRect, Image* image) {
    if (image == nullptr) return;
    PaintBoxPart(image->GetBounds(), destRect, image);
}

void Graphics::PaintBoxPart(const Rect& s, const Rect& d, Image* image) {
    if (image == nullptr) return;
    const int32_t cw = s.width / 3, ch = s.height / 3;
    const int32_t mw = s.width - 2 * cw, mh = s.height - 2 * ch;
    const int32_t rightX = d.x + d.width - cw, bottomY = d.y + d.height - ch;
    const int32_t midSrcX = s.x + cw, rightSrcX = s.x + cw + mw;
    const int32_t midSrcY = s.y + ch, bottomSrcY = s.y + ch + mh;

    PaintImagePart(image, d.x, d.y, Rect(s.x, s.y, cw, ch));
    PaintImagePart(image, rightX, d.y, Rect(rightSrcX, s.y, cw, ch));
    PaintImagePart(image, d.x, bottomY, Rect(s.x, bottomSrcY, cw, ch));
    PaintImagePart(image, rightX, bottomY, Rect(rightSrcX, bottomSrcY, cw, ch));

    const int32_t across = CeilDiv(d.width - 2 * cw, mw);
    const int32_t down = CeilDiv(d.height - 2 * ch, mh);
    {
        Graphics edges(*this);
        edges.NarrowClip(d.x + cw, d.y, d.width - 2 * cw, d.height);
        for (int32_t i = 0; i < across; ++i) {
            edges.PaintImagePart(image, d.x + cw + i * mw, d.y, Rect(midSrcX, s.y, mw, ch));
            edges.PaintImagePart(image, d.x + cw + i * mw, bottomY, Rect(midSrcX, bottomSrcY, mw, ch));
        }
    }
    {
        Graphics edges(*this);
        edges.NarrowClip(d.x, d.y + ch, d.width, d.height - 2 * ch);
        for (int32_t i = 0; i < down; ++i) {
            edges.PaintImagePart(image, d.x, d.y + ch + i * mh, Rect(s.x, midSrcY, cw, mh));
            edges.PaintImagePart(image, rightX, d.y + ch + i * mh, Rect(rightSrcX, midSrcY, cw, mh));
        }
    }
    Graphics centre(*this);
    centre.NarrowClip(d.x + cw, d.y + ch, d.width - 2 * cw, d.height - 2 * ch);
    for (int32_t row = 0; row < down; ++row)
        for (int32_t column = 0; column < across; ++column)
            centre.PaintImagePart(image, d.x + cw + column * mw, d.y + ch + row * mh,
                                  Rect(midSrcX, midSrcY, mw, mh));
}

void Graphics::PaintText(const std::string& text, int32_t x, int32_t y) {
    if (mFont == nullptr) return;
    mFont->DrawText(*this, x, y, text, mColor, mClipRect);
}

} // namespace Zorbel
