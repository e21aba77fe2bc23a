#include "framework/graphics/CoverageBlit.h"

#include "framework/platform/display/Surface.h"

#include <algorithm>
#include <cstring>

namespace Zorbel {

namespace {

// The part of the coverage that lands inside the clip and the target: coverage coordinates
// [x0, x1) x [y0, y1).
struct Span {
    int32_t x0 = 0;
    int32_t y0 = 0;
    int32_t x1 = 0;
    int32_t y1 = 0;
};

Span Visible(const TextCoverage& coverage, int32_t left, int32_t top, const Rect& clip, int32_t width,
             int32_t height) {
    Rect area = clip.Intersection(Rect(0, 0, width, height))
                    .Intersection(Rect(left, top, coverage.width, coverage.height));
    if (area.IsEmpty()) return {};
    return {area.x - left, area.y - top, area.x - left + area.width, area.y - top + area.height};
}

uint32_t Channel(uint32_t argb, int shift) {
    return (argb >> shift) & 0xFF;
}

uint32_t BlendArgb(uint32_t pixel, const Color& color, uint32_t a) {
    auto channel = [&](int32_t text, int shift) {
        return CoverageBlit::Blend(static_cast<uint32_t>(std::clamp(text, 0, 255)), Channel(pixel, shift), a)
               << shift;
    };
    return channel(255, 24) | channel(color.red, 16) | channel(color.green, 8) | channel(color.blue, 0);
}

uint32_t ReadNative(const uint8_t* at, int bytes) {
    uint32_t value = 0;
    std::memcpy(&value, at, static_cast<size_t>(bytes));
    return value;
}

void WriteNative(uint8_t* at, int bytes, uint32_t value) {
    std::memcpy(at, &value, static_cast<size_t>(bytes));
}

} // namespace

void CoverageBlit::ToSurface(const SurfaceLock& lock, const TextCoverage& coverage, int32_t left, int32_t top,
                             const Rect& clip, const Color& color) {
    if (lock.pixels == nullptr || !lock.format.IsValid()) return;
    Span span = Visible(coverage, left, top, clip, lock.width, lock.height);
    const int bytes = lock.format.BytesPerPixel();
    // Bits outside the colour masks (the x of x8r8g8b8) are kept as they are.
    const uint32_t keep = ~lock.format.ColorMask() & (bytes == 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1);
    for (int32_t y = span.y0; y < span.y1; ++y) {
        uint8_t* row = lock.pixels + static_cast<ptrdiff_t>(top + y) * lock.pitch;
        for (int32_t x = span.x0; x < span.x1; ++x) {
            uint32_t a = coverage.At(x, y);
            if (a == 0) continue;
            uint8_t* at = row + static_cast<ptrdiff_t>(left + x) * bytes;
            uint32_t pixel = ReadNative(at, bytes);
            uint32_t blended = BlendArgb(lock.format.ToArgb(pixel), color, a);
            WriteNative(at, bytes, (pixel & keep) | lock.format.FromArgb(blended));
        }
    }
}

void CoverageBlit::ToPixels(uint32_t* pixels, int32_t width, int32_t height, const TextCoverage& coverage,
                            int32_t left, int32_t top, const Rect& clip, const Color& color) {
    if (pixels == nullptr) return;
    Span span = Visible(coverage, left, top, clip, width, height);
    for (int32_t y = span.y0; y < span.y1; ++y) {
        uint32_t* row = pixels + static_cast<ptrdiff_t>(top + y) * width;
        for (int32_t x = span.x0; x < span.x1; ++x) {
            uint32_t a = coverage.At(x, y);
            if (a != 0) row[left + x] = BlendArgb(row[left + x], color, a);
        }
    }
}

} // namespace Zorbel
