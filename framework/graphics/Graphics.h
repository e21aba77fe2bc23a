#pragma once

#include "framework/graphics/Color.h"
#include "framework/graphics/DrawMode.h"
#include "framework/graphics/Rect.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Zorbel {

class Font;
class Image;

// The current state of a drawing context: where drawing goes, how coordinates move and what is
// clipped, and the colour, font and switches that drawing uses. The destination and the font are
// borrowed and must outlive the state.
class GraphicsState {
protected:
    // Without a destination, drawing goes into a shared empty picture and touches nothing.
    explicit GraphicsState(Image* destination);

    Image* mDestImage;
    float mTransX = 0;
    float mTransY = 0;
    Rect mClipRect;
    Color mColor;
    Font* mFont = nullptr;
    DrawMode mDrawMode = DRAWMODE_NORMAL;
    bool mTintImages = false;
    bool mQuickScaling = false;
    bool mSmoothBlending = false;
};

// A drawing context bound to one destination image. Every call is given in the caller's
// coordinates; the context translates them (trunc(value + translation), in floating point), clips
// them and hands the destination an already-clipped rectangle. Contexts are cheap: copy one to move
// the origin or narrow the clip for a child and throw the copy away.
class Graphics : public GraphicsState {
public:
    explicit Graphics(Image* destination = nullptr);
    // Copies the current state; the saved states stay behind.
    Graphics(const Graphics& other);
    Graphics& operator=(const Graphics&) = delete;
    virtual ~Graphics();

    std::unique_ptr<Graphics> Clone() const;

    // The state stack.
    void SaveState();
    // Does nothing when nothing was saved.
    void RestoreState();

    // Coordinates and clipping.
    void Offset(int32_t x, int32_t y);
    // The clip becomes its overlap with the translated rectangle: it only ever shrinks.
    void NarrowClip(int32_t x, int32_t y, int32_t width, int32_t height);
    Image* GetDestination() const { return mDestImage; }
    float GetTranslationX() const { return mTransX; }
    float GetTranslationY() const { return mTransY; }
    const Rect& GetClipRect() const { return mClipRect; }

    // Colour, font and switches.
    void SetPaintColor(const Color& color) { mColor = color; }
    const Color& GetPaintColor() const { return mColor; }
    void SetTextFont(Font* font) { mFont = font; }
    Font* GetTextFont() const { return mFont; }
    void SetBlendMode(DrawMode drawMode) { mDrawMode = drawMode; }
    DrawMode GetBlendMode() const { return mDrawMode; }
    // When on, images are drawn modulated by the paint colour; when off, with opaque white.
    void SetTintImages(bool on) { mTintImages = on; }
    bool GetTintImages() const { return mTintImages; }
    // Scaled images sample the nearest pixel instead of averaging.
    void SetQuickScaling(bool on) { mQuickScaling = on; }
    bool GetQuickScaling() const { return mQuickScaling; }
    // Asks the hardware path for linear texture filtering.
    void SetSmoothBlending(bool on) { mSmoothBlending = on; }
    bool GetSmoothBlending() const { return mSmoothBlending; }

    // Drawing. Nothing is drawn for an empty clipped area, a null image or a fill colour of alpha 0.
    void PaintRect(int32_t x, int32_t y, int32_t width, int32_t height);
    // An outline covering width + 1 by height + 1 pixels.
    void PaintFrame(int32_t x, int32_t y, int32_t width, int32_t height);
    void PaintImage(Image* image, int32_t x, int32_t y);
    // Nothing when the source rectangle reaches outside the image.
    void PaintImagePart(Image* image, int32_t x, int32_t y, const Rect& srcRect);
    void PaintImageScaled(Image* image, int32_t x, int32_t y, int32_t width, int32_t height);
    // Nothing for a column or row outside the image's cel grid.
    void PaintCel(Image* image, int32_t x, int32_t y, int32_t column, int32_t row);
    // Cels are numbered row by row.
    void PaintCelIndex(Image* image, int32_t x, int32_t y, int32_t cel);
    // A resizable frame: the picture cut into 3 x 3, corners drawn as they are, edges and centre
    // repeated to fill the destination rectangle.
    void PaintBox(const Rect& destRect, Image* image);
    void PaintBoxPart(const Rect& srcRect, const Rect& destRect, Image* image);
    // Text with its baseline at y, through the current font; nothing without one.
    void PaintText(const std::string& text, int32_t x, int32_t y);

private:
    int32_t TranslateX(int32_t x) const;
    int32_t TranslateY(int32_t y) const;
    Color ImageColor() const { return mTintImages ? mColor : Color::White; }

    std::vector<GraphicsState> mStateStack;
};

} // namespace Zorbel
