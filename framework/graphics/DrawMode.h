#pragma once

#include <array>
#include <cstdint>

namespace Zorbel {

// The draw mode argument of every drawing operation. Any other value draws nothing.
enum DrawMode : int32_t {
    DRAWMODE_NORMAL = 0,   // blending by alpha
    DRAWMODE_ADDITIVE = 1, // saturating channel addition
};

// Channel sums of additive drawing are looked up here instead of compared: entry i = min(i, 255).
using SaturationTable = std::array<uint8_t, 512>;

constexpr SaturationTable MakeSaturationTable() {
    SaturationTable table{};
    for (int i = 0; i < 512; ++i)
        table[i] = static_cast<uint8_t>(i < 256 ? i : 255);
    return table;
}

} // namespace Zorbel
