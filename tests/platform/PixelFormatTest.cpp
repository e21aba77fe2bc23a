#include "framework/platform/PixelFormat.h"

#include <gtest/gtest.h>

using namespace Zorbel;

TEST(PixelFormatTest, ColoursPackIntoEachNativeLayoutByCuttingLowBits) {
    PixelFormat rgb565 = PixelFormat::R5G6B5();
    EXPECT_EQ(rgb565.FromArgb(0xFFFFFFFF), 0xFFFFu);
    EXPECT_EQ(rgb565.FromArgb(0x00FF0000), 0xF800u);
    EXPECT_EQ(rgb565.FromArgb(0x00008000), 0x0400u);
    EXPECT_EQ(rgb565.FromArgb(0x00000080), 0x0010u);
    PixelFormat rgb555 = PixelFormat::X1R5G5B5();
    EXPECT_EQ(rgb555.FromArgb(0x00FFFFFF), 0x7FFFu);
    EXPECT_EQ(rgb555.FromArgb(0x0000FF00), 0x03E0u);
    EXPECT_EQ(PixelFormat::X8R8G8B8().FromArgb(0x80123456), 0x123456u);
}

TEST(PixelFormatTest, NarrowChannelsWidenByRepeatingTheirBits) {
    PixelFormat rgb565 = PixelFormat::R5G6B5();
    EXPECT_EQ(rgb565.ToArgb(0xFFFF), 0xFFFFFFFFu);
    EXPECT_EQ(rgb565.ToArgb(0x0000), 0xFF000000u);
    EXPECT_EQ(rgb565.ToArgb(0x8410), 0xFF848284u); // 10000 -> 10000100, 100000 -> 10000010
    EXPECT_EQ(PixelFormat::X1R5G5B5().ToArgb(0x7C00), 0xFFFF0000u);
    EXPECT_EQ(PixelFormat::X8R8G8B8().ToArgb(0xAB123456), 0xFF123456u);
}

TEST(PixelFormatTest, DepthsAndValidity) {
    EXPECT_EQ(PixelFormat::ForDepth(16), PixelFormat::R5G6B5());
    EXPECT_EQ(PixelFormat::ForDepth(32), PixelFormat::X8R8G8B8());
    EXPECT_EQ(PixelFormat::R8G8B8().BytesPerPixel(), 3);
    EXPECT_TRUE(PixelFormat::X1R5G5B5().IsValid());
    EXPECT_FALSE((PixelFormat{8, 0xE0, 0x1C, 0x3}).IsValid());
}
