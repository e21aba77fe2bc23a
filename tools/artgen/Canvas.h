#pragma once

#include "framework/graphics/Color.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/FontEngine.h"

#include <functional>
#include <memory>
#include <vector>

namespace ArtGen {

using Zorbel::Color;

struct Pt {
    float x = 0;
    float y = 0;
};

// A picture drawn at several times its final size and averaged down at the end, which gives every
// shape smooth edges. Coordinates are those of the final picture; shapes are filled through the
// framework's span and area fills, so translucent colours blend as they do in the game.
class Canvas {
public:
    Canvas(Zorbel::ImageContext& context, int width, int height, int scale = 3);

    int Width() const { return mWidth; }
    int Height() const { return mHeight; }
    int Scale() const { return mScale; }
    // The large picture, for drawing that needs its pixels.
    Zorbel::MemoryImage& Large() { return *mLarge; }

    void Fill(const Color& color);
    void Clear();
    void Rectangle(float x, float y, float w, float h, const Color& color);
    // Top to bottom, one colour per row of the large picture.
    void VerticalGradient(float x, float y, float w, float h, const Color& top, const Color& bottom);
    // Even-odd filled; any number of corners.
    void Polygon(const std::vector<Pt>& points, const Color& color);
    void Ellipse(float cx, float cy, float rx, float ry, const Color& color);
    void Circle(float cx, float cy, float r, const Color& color) { Ellipse(cx, cy, r, r, color); }
    void EllipseRing(float cx, float cy, float rx, float ry, float thickness, const Color& color);
    // A stroke of the given width with round ends.
    void Line(float x1, float y1, float x2, float y2, float width, const Color& color);
    void Polyline(const std::vector<Pt>& points, float width, const Color& color);
    void RoundRect(float x, float y, float w, float h, float radius, const Color& color);
    void RoundRectRing(float x, float y, float w, float h, float radius, float thickness, const Color& color);
    // Every pixel of the rectangle gets shade(x, y) blended over it, x and y in final coordinates.
    void Shade(float x, float y, float w, float h, const std::function<Color(float, float)>& shade);
    // Soft light, strongest at the centre and fading to nothing at radius r.
    void Glow(float cx, float cy, float r, const Color& color);
    // Pastes a finished picture of final size at (x, y).
    void Paste(Zorbel::MemoryImage& picture, float x, float y);

    // Text centred on cx with its baseline at y, in a system font of the given pixel height. Layers
    // from the bottom: shadow, outline, fill; a layer of alpha 0 is left out. fill may vary over the
    // picture (x, y in final coordinates).
    struct TextStyle {
        const char* face = "SansSerif";
        float pixelHeight = 24;
        bool bold = true;
        std::function<Color(float, float)> fill = [](float, float) { return Color(255, 255, 255); };
        Color outline = Color(0, 0, 0, 0);
        float outlineWidth = 0;
        Color shadow = Color(0, 0, 0, 0);
        float shadowOffset = 0;
    };
    void Text(Zorbel::FontEngine& fonts, const std::string& text, float cx, float y, const TextStyle& style);
    float TextWidth(Zorbel::FontEngine& fonts, const std::string& text, const TextStyle& style);

    // The final picture, averaged down from the large one.
    std::unique_ptr<Zorbel::MemoryImage> Resolve();

private:
    // Blends colour(x, y) over the large picture wherever coverage (placed at left, top) is set.
    void Composite(const Zorbel::TextCoverage& coverage, int left, int top,
                   const std::function<Color(float, float)>& color);
    void FillRows(const std::vector<Zorbel::Span>& spans, const Color& color);

    Zorbel::ImageContext& mContext;
    int mWidth;
    int mHeight;
    int mScale;
    std::unique_ptr<Zorbel::MemoryImage> mLarge;
};

// Colour helpers.
Color Hsv(float hueDegrees, float saturation, float value, int alpha = 255);
Color Mix(const Color& a, const Color& b, float t);
Color WithAlpha(const Color& c, int alpha);
Color Lighter(const Color& c, float amount);
Color Darker(const Color& c, float amount);

// Repeatable pseudo-random numbers for scenery.
class Dice {
public:
    explicit Dice(uint32_t seed) : mState(seed ? seed : 1) {}
    uint32_t Next();
    // Uniform in [low, high).
    float Range(float low, float high);

private:
    uint32_t mState;
};

} // namespace ArtGen
