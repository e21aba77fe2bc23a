#pragma once

#include <algorithm>
#include <cstdint>

namespace Zorbel {

// A pixel position.
struct PixelPoint {
    int32_t x = 0;
    int32_t y = 0;
    constexpr bool operator==(const PixelPoint&) const = default;
};

// A rectangle of pixels (x, y, width, height) as the platform layer uses it. The layer sits below the
// graphics code, so it keeps its own small type rather than reaching up for the drawing rectangle.
struct PixelRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    constexpr int32_t Right() const { return x + width; }
    constexpr int32_t Bottom() const { return y + height; }
    constexpr bool IsEmpty() const { return width <= 0 || height <= 0; }
    constexpr bool Contains(const PixelRect& inner) const {
        return inner.x >= x && inner.y >= y && inner.Right() <= Right() && inner.Bottom() <= Bottom();
    }
    // The overlap, or an empty rectangle at (0, 0).
    constexpr PixelRect Intersection(const PixelRect& other) const {
        int32_t left = std::max(x, other.x);
        int32_t top = std::max(y, other.y);
        int32_t right = std::min(Right(), other.Right());
        int32_t bottom = std::min(Bottom(), other.Bottom());
        if (right <= left || bottom <= top) return {};
        return {left, top, right - left, bottom - top};
    }
    // The smallest rectangle holding both; an empty rectangle adds nothing.
    constexpr PixelRect Union(const PixelRect& other) const {
        if (other.IsEmpty()) return *this;
        if (IsEmpty()) return other;
        int32_t left = std::min(x, other.x);
        int32_t top = std::min(y, other.y);
        return {left, top, std::max(Right(), other.Right()) - left, std::max(Bottom(), other.Bottom()) - top};
    }
    constexpr PixelRect Offset(int32_t dx, int32_t dy) const { return {x + dx, y + dy, width, height}; }

    constexpr bool operator==(const PixelRect&) const = default;
};

} // namespace Zorbel
