#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Zorbel {

// The 3D tester's plain picture: what a test scene left in its target, as 0xAARRGGBB pixels.
struct D3DTestImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int32_t x, int32_t y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

} // namespace Zorbel
