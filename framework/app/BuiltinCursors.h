#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace Zorbel {

// A 32 x 32 monochrome cursor: one bit per pixel, rows top to bottom, the most significant bit of
// each byte leftmost. AND 1 / XOR 0 is transparent, AND 0 / XOR 0 black, AND 0 / XOR 1 white.
struct CursorMasks {
    std::array<uint8_t, 128> andMask{};
    std::array<uint8_t, 128> xorMask{};
    int hotX = 0;
    int hotY = 0;
};

// Cursor 1: a pointing hand with the index finger up, hot spot at the finger tip (11, 4).
const CursorMasks& HandCursorMasks();
// Cursor 2: an open hand with spread fingers, hot spot (15, 10).
const CursorMasks& DraggingHandCursorMasks();

} // namespace Zorbel
