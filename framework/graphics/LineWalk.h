#pragma once

// The line geometry shared by the software renderer and the native-surface kernels, so that both
// light exactly the same pixels.

#include "framework/graphics/Rect.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace Zorbel {

// False when a coordinate is beyond the range that converts to integers (or not a number): such a
// line draws nothing.
inline bool LineInRange(double x1, double y1, double x2, double y2) {
    constexpr double Far = 1e15;
    for (double v : {x1, y1, x2, y2})
        if (!(std::fabs(v) < Far)) return false;
    return true;
}

// A straight line (x1 == x2 or y1 == y2) is a fill: truncated coordinates, both end points included.
// The part of it on a width x height picture, empty when none.
inline Rect StraightLineArea(double x1, double y1, double x2, double y2, int64_t width, int64_t height) {
    const auto left = static_cast<int64_t>(std::min(x1, x2));
    const auto top = static_cast<int64_t>(std::min(y1, y2));
    const int64_t w = y1 == y2 ? static_cast<int64_t>(std::fabs(x2 - x1)) + 1 : 1;
    const int64_t h = y1 == y2 ? 1 : static_cast<int64_t>(std::fabs(y2 - y1)) + 1;
    const int64_t l = std::max<int64_t>(left, 0), t = std::max<int64_t>(top, 0);
    const int64_t r = std::min<int64_t>(left + w, width);
    const int64_t b = std::min<int64_t>(top + h, height);
    if (r <= l || b <= t) return Rect();
    return Rect(int32_t(l), int32_t(t), int32_t(r - l), int32_t(b - t));
}

// Calls plot(x, y) for each pixel of the line from (x1, y1) to (x2, y2) on a width x height picture.
// The walk goes along the major axis from the end with the smaller major coordinate; the minor
// coordinate moves by one pixel whenever the accumulated error reaches half a pixel. The walk ends
// when it leaves the bounding box of the end points or the picture along the major axis. Pixels
// outside the picture across the minor axis are still passed on: plot must skip them. The caller
// keeps the coordinates within the range that converts to integers and the line not straight.
template <typename Plot>
void WalkLine(double x1, double y1, double x2, double y2, int64_t width, int64_t height, Plot&& plot) {
    const bool xMajor = std::fabs(x2 - x1) >= std::fabs(y2 - y1);
    double major1 = xMajor ? x1 : y1, minor1 = xMajor ? y1 : x1;
    double major2 = xMajor ? x2 : y2, minor2 = xMajor ? y2 : x2;
    if (major2 < major1) {
        std::swap(major1, major2);
        std::swap(minor1, minor2);
    }
    const double slope = std::fabs((minor2 - minor1) / (major2 - major1));
    const int64_t minorStep = minor2 > minor1 ? 1 : -1;
    const auto minorLow = static_cast<int64_t>(std::min(minor1, minor2));
    const auto minorHigh = static_cast<int64_t>(std::max(minor1, minor2));
    auto major = static_cast<int64_t>(major1);
    auto minor = static_cast<int64_t>(minor1);
    double error = 0.0;
    if (major < 0) {
        // Steps left of the picture are taken at once.
        const double skipped = static_cast<double>(-major) * slope;
        const double moved = std::floor(skipped + 0.5);
        minor += static_cast<int64_t>(moved) * minorStep;
        error = skipped - moved;
        major = 0;
    }
    const int64_t majorEnd = std::min<int64_t>(static_cast<int64_t>(major2), (xMajor ? width : height) - 1);
    for (; major <= majorEnd && minor >= minorLow && minor <= minorHigh; ++major) {
        if (xMajor)
            plot(major, minor);
        else
            plot(minor, major);
        error += slope;
        if (error >= 0.5) {
            minor += minorStep;
            error -= 1.0;
        }
    }
}

} // namespace Zorbel
