#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Zorbel {

// What a system font is asked for: a face name (resolved to the system's substitute when the
// system does not have it), the character height in pixels (the em size, not the cell height),
// and the styles. The character set is kept for copies; every face draws 8-bit Latin-1 text.
struct FontRequest {
    std::string face;
    int32_t pixelHeight = 0;
    int32_t characterSet = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool operator==(const FontRequest&) const = default;
};

// Anti-aliased text as coverage: one byte per pixel, 0 untouched ... 255 fully covered, rows top to
// bottom. The top row is the top of the text cell (ascent above the baseline).
struct TextCoverage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> alpha;

    uint8_t At(int32_t x, int32_t y) const {
        return alpha[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

// One opened system font.
class FontFace {
public:
    virtual ~FontFace() = default;

    virtual const FontRequest& Request() const = 0;
    // Pixels from the top of the cell to the baseline, and the whole cell height.
    virtual int32_t Ascent() const = 0;
    virtual int32_t Height() const = 0;
    // Advance width of the text in pixels.
    virtual int32_t TextWidth(const std::string& text) = 0;
    // The text's coverage, empty for empty text.
    virtual TextCoverage Render(const std::string& text) = 0;
};

} // namespace Zorbel
