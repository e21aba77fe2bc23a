#pragma once

#include <cstddef>
#include <cstdint>

namespace Zorbel {

// A borrowed block of 32-bit 0xAARRGGBB pixels: width x height, rows `pitch` words apart. The owner
// of the pixels must keep them alive while the view is in use.
template <typename Word>
struct TPixelView {
    Word* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;

    Word* Row(int32_t y) const { return pixels + static_cast<ptrdiff_t>(y) * pitch; }
    bool IsEmpty() const { return pixels == nullptr || width <= 0 || height <= 0; }
};

using PixelView = TPixelView<uint32_t>;
using ConstPixelView = TPixelView<const uint32_t>;

} // namespace Zorbel
