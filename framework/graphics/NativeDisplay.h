#pragma once

#include <cstdint>

namespace Zorbel {

// The pixel layout of the screen: images convert their premultiplied caches to it. The display
// device fills it from the primary surface; until one exists the default describes a 32-bit
// x8r8g8b8 screen.
struct NativeDisplay {
    int32_t bitDepth = 32;
    uint32_t redMask = 0x00FF0000;
    uint32_t greenMask = 0x0000FF00;
    uint32_t blueMask = 0x000000FF;
    int32_t redBits = 8;
    int32_t greenBits = 8;
    int32_t blueBits = 8;
    int32_t redShift = 16;
    int32_t greenShift = 8;
    int32_t blueShift = 0;

    // The description of a screen with the given depth and channel masks: each shift is the position
    // of the mask's lowest set bit and each bit count the width of its run of bits.
    static NativeDisplay FromMasks(int32_t depth, uint32_t red, uint32_t green, uint32_t blue);

    static NativeDisplay X8R8G8B8() { return NativeDisplay(); }
    static NativeDisplay R5G6B5() { return FromMasks(16, 0xF800, 0x07E0, 0x001F); }
    static NativeDisplay X1R5G5B5() { return FromMasks(16, 0x7C00, 0x03E0, 0x001F); }

    bool operator==(const NativeDisplay&) const = default;
};

} // namespace Zorbel
