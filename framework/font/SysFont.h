#pragma once

#include "framework/graphics/Font.h"
#include "framework/platform/FontFace.h"

#include <memory>
#include <string>

namespace Zorbel {

class FontEngine;

// A font of the system, rasterised by the platform's font engine. Text from it is drawn only onto
// display-surface images (DDImage); on any other image nothing is drawn. The size is given in
// points at 96 pixels per inch; ascent and height are the engine's metrics in pixels.
class SysFont : public Font {
public:
    static constexpr int32_t PixelsPerInch = 96;

    // The engine must outlive the font and its clones.
    SysFont(FontEngine* engine, const std::string& face, int32_t pointSize, int32_t characterSet, bool bold,
            bool italic, bool underline);
    // A font of its own describing the same font.
    SysFont(const SysFont& other);
    SysFont& operator=(const SysFont&) = delete;
    ~SysFont() override;

    int32_t StringWidth(const std::string& text) const override;
    void DrawText(Graphics& g, int32_t x, int32_t y, const std::string& text, const Color& color,
                  const Rect& clipRect) override;
    std::unique_ptr<Font> Clone() const override;

    // What was asked of the engine; the pixel height is the point size at 96 dpi, rounded.
    const FontRequest& Request() const { return mRequest; }
    // False when the engine could not open any face: the font then measures and draws nothing.
    bool IsOpen() const { return mFace != nullptr; }

    // pointSize x 96 / 72, rounded to the nearest pixel.
    static int32_t PixelHeightFor(int32_t pointSize);

private:
    void Open();

    FontEngine* mEngine;
    FontRequest mRequest;
    std::unique_ptr<FontFace> mFace;
};

} // namespace Zorbel
