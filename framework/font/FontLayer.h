#pragma once

#include "framework/graphics/Color.h"
#include "framework/graphics/Rect.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Zorbel {

class FontData;
class MemoryImage;

// One layer of an image font (a fill, an outline, a shadow...): a picture, where each character's
// glyph sits in it, how far each one advances and how it is placed, coloured and ordered. Layers are
// filled by the descriptor's commands and read by ImageFont; copies share the picture.
struct FontLayer {
    static constexpr int32_t KEEP_DRAW_MODE = -1;

    struct CharData {
        Rect imageRect;
        int32_t offsetX = 0;
        int32_t offsetY = 0;
        // Indexed by the character that follows.
        std::array<int8_t, 256> kerningOffsets{};
        int32_t width = 0;
        int32_t order = 0;
    };

    explicit FontLayer(FontData* owner) : fontData(owner) {}

    FontData* fontData;
    std::vector<std::string> requiredTags;
    std::vector<std::string> excludedTags;
    std::array<CharData, 256> charData{};
    Color colorMult = Color::White;
    Color colorAdd = Color(0, 0, 0, 0);
    std::shared_ptr<MemoryImage> image;
    int32_t drawMode = KEEP_DRAW_MODE;
    int32_t offsetX = 0;
    int32_t offsetY = 0;
    int32_t spacing = 0;
    // The layer is used for font sizes in this range; -1 as maximum means no upper bound.
    int32_t minPointSize = -1;
    int32_t maxPointSize = -1;
    // The size the layer was drawn for; 0 means it is never scaled for size.
    int32_t pointSize = 0;
    int32_t ascent = 0;
    int32_t ascentPadding = 0;
    int32_t height = 0;
    int32_t lineSpacingOffset = 0;
    int32_t baseOrder = 0;

    const CharData& Char(uint8_t c) const { return charData[c]; }
    CharData& Char(uint8_t c) { return charData[c]; }
    // Whether a font of this size and these (upper-cased) tags uses the layer.
    bool IsActiveFor(int32_t pointSize, const std::vector<std::string>& tags) const;
    // The largest glyph height plus its vertical offset.
    void ComputeHeight();
};

} // namespace Zorbel
