#pragma once

#include <algorithm>
#include <cstdint>
#include <type_traits>

namespace Zorbel {

// A rectangle (x, y, width, height). A point is inside when x <= px < x + width and
// y <= py < y + height. Integer rectangles compute their edges in 64 bits, so that no
// combination of coordinates overflows.
template <typename T>
struct TRect {
    T x = 0;
    T y = 0;
    T width = 0;
    T height = 0;

    constexpr TRect() = default;
    constexpr TRect(T x_, T y_, T width_, T height_) : x(x_), y(y_), width(width_), height(height_) {}

    constexpr bool Contains(T px, T py) const {
        using W = Wide;
        return W(px) >= W(x) && W(px) < W(x) + W(width) && W(py) >= W(y) && W(py) < W(y) + W(height);
    }

    // The larger left and top and the smaller right and bottom; collapses to (0, 0, 0, 0) when an
    // extent becomes negative. An empty but non-negative overlap keeps its position.
    constexpr TRect Intersection(const TRect& other) const {
        using W = Wide;
        W left = std::max(W(x), W(other.x));
        W top = std::max(W(y), W(other.y));
        W right = std::min(W(x) + W(width), W(other.x) + W(other.width));
        W bottom = std::min(W(y) + W(height), W(other.y) + W(other.height));
        if (right - left < 0 || bottom - top < 0) return TRect();
        return TRect(T(left), T(top), T(right - left), T(bottom - top));
    }

    constexpr bool Intersects(const TRect& other) const {
        TRect overlap = Intersection(other);
        return overlap.width > 0 && overlap.height > 0;
    }

    // The smallest rectangle holding both; an empty one adds nothing.
    constexpr TRect Union(const TRect& other) const {
        if (other.IsEmpty()) return *this;
        if (IsEmpty()) return other;
        using W = Wide;
        W left = std::min(W(x), W(other.x));
        W top = std::min(W(y), W(other.y));
        W right = std::max(W(x) + W(width), W(other.x) + W(other.width));
        W bottom = std::max(W(y) + W(height), W(other.y) + W(other.height));
        return TRect(T(left), T(top), T(right - left), T(bottom - top));
    }

    constexpr TRect Offset(T dx, T dy) const { return TRect(x + dx, y + dy, width, height); }

    constexpr bool IsEmpty() const { return width <= 0 || height <= 0; }
    constexpr bool operator==(const TRect&) const = default;

private:
    using Wide = std::conditional_t<std::is_integral_v<T>, int64_t, T>;
};

using Rect = TRect<int32_t>;
// The double-precision rectangle of the scaled and rotated blits.
using FRect = TRect<double>;

struct Point {
    int32_t x = 0;
    int32_t y = 0;
    constexpr bool operator==(const Point&) const = default;
};

} // namespace Zorbel
