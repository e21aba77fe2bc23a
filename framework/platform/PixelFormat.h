#pragma once

#include <bit>
#include <cstdint>

namespace Zorbel {

// The layout of a surface pixel: its size and the masks of the three colour channels. Unused bits (the
// x of x8r8g8b8) carry no meaning.
struct PixelFormat {
    int bitsPerPixel = 32;
    uint32_t redMask = 0xFF0000;
    uint32_t greenMask = 0xFF00;
    uint32_t blueMask = 0xFF;

    static constexpr PixelFormat X8R8G8B8() { return {32, 0xFF0000, 0xFF00, 0xFF}; }
    static constexpr PixelFormat R8G8B8() { return {24, 0xFF0000, 0xFF00, 0xFF}; }
    static constexpr PixelFormat R5G6B5() { return {16, 0xF800, 0x7E0, 0x1F}; }
    static constexpr PixelFormat X1R5G5B5() { return {16, 0x7C00, 0x3E0, 0x1F}; }

    // The usual layout of a display of this depth (16 means 5-6-5).
    static constexpr PixelFormat ForDepth(int bits) {
        return bits == 16 ? R5G6B5() : bits == 24 ? R8G8B8() : X8R8G8B8();
    }

    constexpr int BytesPerPixel() const { return (bitsPerPixel + 7) / 8; }
    constexpr bool IsValid() const {
        return (bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32) && redMask && greenMask &&
               blueMask;
    }
    constexpr uint32_t ColorMask() const { return redMask | greenMask | blueMask; }

    // An opaque 0xAARRGGBB colour in this layout, each channel cut to its width.
    constexpr uint32_t FromArgb(uint32_t argb) const {
        return Pack(redMask, argb >> 16) | Pack(greenMask, argb >> 8) | Pack(blueMask, argb);
    }
    // The 0xFFRRGGBB colour of a pixel; narrow channels are widened by repeating their bits, so full
    // intensity stays 255.
    constexpr uint32_t ToArgb(uint32_t pixel) const {
        return 0xFF000000u | (Widen(redMask, pixel) << 16) | (Widen(greenMask, pixel) << 8) |
               Widen(blueMask, pixel);
    }

    constexpr bool operator==(const PixelFormat&) const = default;

private:
    static constexpr uint32_t Pack(uint32_t mask, uint32_t channel) {
        int bits = std::popcount(mask);
        return ((channel & 0xFF) >> (8 - bits) << std::countr_zero(mask)) & mask;
    }
    static constexpr uint32_t Widen(uint32_t mask, uint32_t pixel) {
        int bits = std::popcount(mask);
        uint32_t value = (pixel & mask) >> std::countr_zero(mask);
        uint32_t wide = value << (8 - bits);
        for (int filled = bits; filled < 8; filled += bits)
            wide |= wide >> bits;
        return wide & 0xFF;
    }
};

} // namespace Zorbel
