#pragma once

#include "framework/font/ActiveFontLayer.h"
#include "framework/graphics/Font.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Zorbel {

class FontData;
class FontHost;
class MemoryImage;

// A bitmap font whose glyphs are rectangles cut from pictures, in layers (fill, outline, shadow...)
// that a descriptor file defines. Fonts made from one another share that data; each keeps its own
// point size, scale and tags, which choose the layers it uses and how far they are scaled.
//
// Which layers are active, and the metrics, follow every change of size, scale or tags at once; the
// scaled pictures are drawn when the font next draws. Drawing in all image fonts shares one lock and
// one pool of glyph draws, so it allocates nothing.
class ImageFont : public Font {
public:
    // Glyph draws (characters x active layers) in one call; characters past it are neither drawn
    // nor advanced.
    static constexpr int32_t MaxGlyphDraws = 4096;

    // Loads the descriptor, reporting its errors through host, which must outlive the font and its
    // copies. A descriptor that fails leaves the font uninitialized: it measures 0 and draws nothing.
    ImageFont(FontHost* host, const std::string& descriptorPath);
    // The older form: one layer, the glyphs side by side in image as a widths file lists them.
    ImageFont(std::shared_ptr<MemoryImage> image, const std::string& widthsPath);
    // Shares the data; the scaled pictures are copied.
    ImageFont(const ImageFont& other);
    ImageFont& operator=(const ImageFont&) = delete;
    ~ImageFont() override;

    int32_t StringWidth(const std::string& text) const override;
    int32_t CharWidth(char c) const override;
    // The advance of c, with the kerning and spacing that follow previous (0 for none).
    int32_t CharWidthKerned(char c, char previous) const override;
    void DrawText(Graphics& g, int32_t x, int32_t y, const std::string& text, const Color& color,
                  const Rect& clipRect) override;
    std::unique_ptr<Font> Clone() const override;

    // Rebuilds the active layers, their scaled pictures and the metrics.
    virtual void GenerateActiveLayers();
    // Draws text with its baseline at y. The context's own clip applies (clipRect is not used).
    // outGlyphRects, when given, receives each glyph's rectangle in the caller's coordinates; outWidth
    // the total advance.
    virtual void DrawTextEx(Graphics& g, int32_t x, int32_t y, const std::string& text, const Color& color,
                            const Rect& clipRect, std::vector<Rect>* outGlyphRects, int32_t* outWidth);
    virtual void SetPointSize(int32_t pointSize);
    virtual int32_t GetPointSize() const { return mPointSize; }
    virtual void SetScale(double scale);
    virtual int32_t GetDefaultPointSize() const;
    // Tags match in any case. AddTag is false when the tag is already there, RemoveTag when it is not.
    virtual bool AddTag(const std::string& tag);
    virtual bool RemoveTag(const std::string& tag);
    virtual bool HasTag(const std::string& tag) const;
    // The descriptor's definition of name as text, or empty.
    virtual std::string GetDefinedString(const std::string& name) const;
    // Draws the scaled pictures when a change asked for them.
    virtual void Prepare();

    bool IsInitialized() const;
    double GetScale() const { return mScale; }
    const FontData& Data() const { return *mFontData; }
    const std::vector<ActiveFontLayer>& ActiveLayers() const { return mActiveLayers; }

private:
    // Chooses the active layers for the size, scale and tags, and computes the metrics.
    void SelectActiveLayers();

    std::shared_ptr<FontData> mFontData;
    int32_t mPointSize = 0;
    std::vector<std::string> mTags;
    // Whether the scaled pictures of the active layers are drawn.
    bool mActiveValid = false;
    std::vector<ActiveFontLayer> mActiveLayers;
    double mScale = 1.0;
};

} // namespace Zorbel
