#pragma once

#include "framework/graphics/Color.h"
#include "framework/platform/PixelFormat.h"

#include <bit>
#include <cstdint>

namespace ZorbelTest {

// The native value an opaque fill writes into a display surface, channel by channel with mask M:
// (M x c) >> 8 on 32-bit surfaces (255 becomes 254) and (M x (c + 1)) >> 8 on 16-bit ones.
inline uint32_t OpaqueFill(const Zorbel::PixelFormat& format, const Zorbel::Color& color) {
    const uint32_t bump = format.bitsPerPixel == 16 ? 1 : 0;
    auto channel = [&](uint32_t mask, int32_t c) {
        return static_cast<uint32_t>((static_cast<uint64_t>(mask) * (static_cast<uint32_t>(c) + bump)) >> 8) &
               mask;
    };
    return channel(format.redMask, color.red) | channel(format.greenMask, color.green) |
           channel(format.blueMask, color.blue);
}

// What a fill of black at alpha 128 leaves of a native pixel: each channel d & M becomes
// (d & M) x 128 >> 8, masked.
inline uint32_t HalfBlackFill(const Zorbel::PixelFormat& format, uint32_t pixel) {
    auto channel = [&](uint32_t mask) { return (((pixel & mask) * 128) >> 8) & mask; };
    return channel(format.redMask) | channel(format.greenMask) | channel(format.blueMask);
}

} // namespace ZorbelTest
