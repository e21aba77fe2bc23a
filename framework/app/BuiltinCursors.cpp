#include "framework/app/BuiltinCursors.h"

namespace Zorbel {

namespace {

using CursorArt = std::array<const char*, 32>;

// "B" black, "W" white, "." transparent.
constexpr CursorArt HandArt = {
    "................................", "................................",
    "................................", "................................",
    "...........BB...................", "..........BWWB..................",
    "..........BWWB..................", "..........BWWB..................",
    "..........BWWB..................", "..........BWWBBB................",
    "..........BWWBWWBBB.............", "..........BWWBWWBWWBB...........",
    "..........BWWBWWBWWBWB..........", "......BBB.BWWBWWBWWBWWB.........",
    "......BWWBBWWWWWWWWBWWB.........", "......BWWWBWWWWWWWWWWWB.........",
    "......BBWWBWWWWWWWWWWWB.........", "........BWBWWWWWWWWWWWB.........",
    "........BWWWWWWWWWWWWWB.........", ".........BWWWWWWWWWWWWB.........",
    ".........BWWWWWWWWWWWB..........", "..........BWWWWWWWWWWB..........",
    "..........BWWWWWWWWWWB..........", "...........BWWWWWWWWB...........",
    "...........BWWWWWWWWB...........", "...........BBBBBBBBBB...........",
    "................................", "................................",
    "................................", "................................",
    "................................", "................................",
};

constexpr CursorArt DraggingHandArt = {
    "................................", "................................",
    "................................", "................................",
    "...............BB...............", "..............BWWBBB............",
    "............BBBWWBWWB...........", "...........BWWBWWBWWBBB.........",
    "...........BWWBWWBWWBWWB........", "...........BWWBWWBWWBWWB........",
    "...........BWWBWWBWWBWWB........", "...........BWWBWWBWWBWWB........",
    ".......BB..BWWBWWBWWBWWB........", "......BWWB.BWWBWWBWWBWWB........",
    "......BWWWBBWWWWWWWWWWWB........", ".......BWWWBWWWWWWWWWWWB........",
    ".......BWWWWWWWWWWWWWWWB........", "........BWWWWWWWWWWWWWWB........",
    ".........BWWWWWWWWWWWWWB........", ".........BWWWWWWWWWWWWB.........",
    "..........BWWWWWWWWWWWB.........", "...........BWWWWWWWWWWB.........",
    "............BWWWWWWWWB..........", ".............BWWWWWWWB..........",
    ".............BWWWWWWWB..........", ".............BBBBBBBBB..........",
    "................................", "................................",
    "................................", "................................",
    "................................", "................................",
};

CursorMasks MakeMasks(const CursorArt& art, int hotX, int hotY) {
    CursorMasks masks;
    masks.hotX = hotX;
    masks.hotY = hotY;
    for (int row = 0; row < 32; ++row) {
        for (int column = 0; column < 32; ++column) {
            size_t byte = static_cast<size_t>(row * 4 + column / 8);
            auto bit = static_cast<uint8_t>(0x80 >> (column % 8));
            char pixel = art[static_cast<size_t>(row)][column];
            if (pixel == '.') masks.andMask[byte] |= bit;
            if (pixel == 'W') masks.xorMask[byte] |= bit;
        }
    }
    return masks;
}

} // namespace

const CursorMasks& HandCursorMasks() {
    static const CursorMasks masks = MakeMasks(HandArt, 11, 4);
    return masks;
}

const CursorMasks& DraggingHandCursorMasks() {
    static const CursorMasks masks = MakeMasks(DraggingHandArt, 15, 10);
    return masks;
}

} // namespace Zorbel
