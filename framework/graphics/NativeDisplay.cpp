#include "framework/graphics/NativeDisplay.h"

#include <bit>

namespace Zorbel {

namespace {

int32_t ShiftOf(uint32_t mask) {
    return mask == 0 ? 0 : std::countr_zero(mask);
}

int32_t BitsOf(uint32_t mask) {
    return mask == 0 ? 0 : 32 - std::countl_zero(mask) - ShiftOf(mask);
}

} // namespace

NativeDisplay NativeDisplay::FromMasks(int32_t depth, uint32_t red, uint32_t green, uint32_t blue) {
    NativeDisplay d;
    d.bitDepth = depth;
    d.redMask = red;
    d.greenMask = green;
    d.blueMask = blue;
    d.redBits = BitsOf(red);
    d.greenBits = BitsOf(green);
    d.blueBits = BitsOf(blue);
    d.redShift = ShiftOf(red);
    d.greenShift = ShiftOf(green);
    d.blueShift = ShiftOf(blue);
    return d;
}

} // namespace Zorbel
