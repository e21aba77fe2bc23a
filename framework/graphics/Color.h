#pragma once

#include <cstdint>

namespace Zorbel {

// A colour with four signed 32-bit channels, each meant to hold 0 ... 255.
struct Color {
    int32_t red = 0;
    int32_t green = 0;
    int32_t blue = 0;
    int32_t alpha = 255;

    // Opaque black: the default colour of a graphics context and of a widget colour table.
    constexpr Color() = default;
    constexpr Color(int32_t r, int32_t g, int32_t b) : red(r), green(g), blue(b), alpha(255) {}
    constexpr Color(int32_t r, int32_t g, int32_t b, int32_t a) : red(r), green(g), blue(b), alpha(a) {}

    // From a packed 0xAARRGGBB value. An alpha byte of 0 means opaque, so that 0xRRGGBB literals
    // written without an alpha byte describe solid colours.
    static constexpr Color FromPacked(uint32_t argb) {
        uint32_t a = argb >> 24;
        return Color(static_cast<int32_t>((argb >> 16) & 0xFF), static_cast<int32_t>((argb >> 8) & 0xFF),
                     static_cast<int32_t>(argb & 0xFF), a == 0 ? 255 : static_cast<int32_t>(a));
    }

    // Packs the channels, each taken modulo 256, into 0xAARRGGBB.
    constexpr uint32_t ToPacked() const {
        return (static_cast<uint32_t>(alpha & 0xFF) << 24) | (static_cast<uint32_t>(red & 0xFF) << 16) |
               (static_cast<uint32_t>(green & 0xFF) << 8) | static_cast<uint32_t>(blue & 0xFF);
    }

    constexpr bool operator==(const Color&) const = default;

    static const Color White;
    static const Color Black;
};

inline constexpr Color Color::White{255, 255, 255, 255};
inline constexpr Color Color::Black{0, 0, 0, 255};

} // namespace Zorbel
