#include "framework/app/BuiltinCursors.h"

#include <gtest/gtest.h>

using namespace Zorbel;

namespace {

// 0 transparent, 1 black, 2 white, 3 inverting.
int PixelAt(const CursorMasks& masks, int x, int y) {
    size_t byte = static_cast<size_t>(y * 4 + x / 8);
    int bit = 0x80 >> (x % 8);
    bool andBit = masks.andMask[byte] & bit;
    bool xorBit = masks.xorMask[byte] & bit;
    return andBit ? (xorBit ? 3 : 0) : (xorBit ? 2 : 1);
}

} // namespace

TEST(BuiltinCursorsTest, HotSpotsSitOnTheOutlineAndNothingInverts) {
    const CursorMasks& hand = HandCursorMasks();
    const CursorMasks& dragging = DraggingHandCursorMasks();
    EXPECT_EQ(hand.hotX, 11);
    EXPECT_EQ(hand.hotY, 4);
    EXPECT_EQ(dragging.hotX, 15);
    EXPECT_EQ(dragging.hotY, 10);
    // The finger tip of cursor A: "...........BB" on row 4.
    EXPECT_EQ(PixelAt(hand, 11, 4), 1);
    EXPECT_EQ(PixelAt(hand, 12, 4), 1);
    EXPECT_EQ(PixelAt(hand, 10, 4), 0);
    EXPECT_EQ(PixelAt(hand, 11, 5), 2) << "row 5: ..........BWWB";
    EXPECT_EQ(PixelAt(dragging, 15, 4), 1);
    EXPECT_EQ(PixelAt(dragging, 16, 5), 2);
    for (const CursorMasks* masks : {&hand, &dragging}) {
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                EXPECT_NE(PixelAt(*masks, x, y), 3);
                if (y < 4 || y > 25) {
                    EXPECT_EQ(PixelAt(*masks, x, y), 0) << x << "," << y;
                }
            }
        }
    }
    // The bottom edge of cursor B: ".............BBBBBBBBB" on row 25.
    for (int x = 13; x < 22; ++x)
        EXPECT_EQ(PixelAt(dragging, x, 25), 1);
}
