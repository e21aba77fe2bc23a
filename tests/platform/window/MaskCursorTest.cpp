#include "framework/platform/window/MaskCursor.h"

#include <gtest/gtest.h>

using namespace Zorbel;

TEST(MaskCursorTest, EachMaskPairBecomesTheSameLookInSdlBits) {
    // Bits from the left: black (AND 0, XOR 0), white (0, 1), transparent (1, 0), inverting (1, 1).
    MaskCursor cursor;
    cursor.width = 8;
    cursor.height = 1;
    cursor.andMask = {0b00111100};
    cursor.xorMask = {0b01010101};
    ASSERT_TRUE(cursor.IsValid());
    std::vector<uint8_t> data, mask;
    MaskCursorToSdlBits(cursor, data, mask);
    // SDL: data 1 / mask 1 black, 0 / 1 white, 0 / 0 transparent, 1 / 0 inverted.
    EXPECT_EQ(mask[0], 0b11000011);
    EXPECT_EQ(data[0], 0b10010110);
}

TEST(MaskCursorTest, MasksMustCoverTheCursorAndTheHotSpotMustLieInIt) {
    MaskCursor cursor;
    cursor.hotX = 11;
    cursor.hotY = 4;
    cursor.andMask.assign(128, 0xFF);
    cursor.xorMask.assign(128, 0);
    EXPECT_TRUE(cursor.IsValid());
    cursor.xorMask.pop_back();
    EXPECT_FALSE(cursor.IsValid());
    cursor.xorMask.push_back(0);
    cursor.hotX = 32;
    EXPECT_FALSE(cursor.IsValid());
}
