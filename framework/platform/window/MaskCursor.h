#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Zorbel {

// A monochrome cursor in the classic two-mask form: one bit per pixel, rows top to bottom, the most
// significant bit leftmost, each row padded to whole bytes. AND 0 / XOR 0 is black, AND 0 / XOR 1 white,
// AND 1 / XOR 0 transparent and AND 1 / XOR 1 inverts the screen.
struct MaskCursor {
    int width = 32;
    int height = 32;
    int hotX = 0;
    int hotY = 0;
    std::vector<uint8_t> andMask;
    std::vector<uint8_t> xorMask;

    int BytesPerRow() const { return (width + 7) / 8; }
    bool IsValid() const;
};

// SDL describes the same pixels with a data and a mask bit: data 1 / mask 1 black, 0 / 1 white, 0 / 0
// transparent and 1 / 0 inverted. The conversion is per bit: mask = NOT and, data = NOT (and XOR xor).
void MaskCursorToSdlBits(const MaskCursor& cursor, std::vector<uint8_t>& data, std::vector<uint8_t>& mask);

} // namespace Zorbel
