#pragma once

#include "framework/graphics/MemoryImage.h"

#include <cstdint>
#include <vector>

namespace Zorbel::Testing {

// A picture of the given size with every pixel set to one value; commit recomputes the alpha flags.
inline void Fill(MemoryImage& image, int32_t width, int32_t height, uint32_t pixel, bool commit = true) {
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, pixel);
    image.SetPixels(pixels.data(), width, height, commit);
}

inline uint32_t PixelAt(MemoryImage& image, int32_t x, int32_t y) {
    return image.GetPixels()[static_cast<size_t>(y) * image.GetWidth() + x];
}

inline void SetPixelAt(MemoryImage& image, int32_t x, int32_t y, uint32_t pixel) {
    image.GetPixels()[static_cast<size_t>(y) * image.GetWidth() + x] = pixel;
    image.NotifyPixelsChanged();
}

// Counts the pixels that differ from value.
inline int CountNot(MemoryImage& image, uint32_t value) {
    int n = 0;
    const uint32_t* p = image.GetPixels();
    for (size_t i = 0; i < image.PixelCount(); ++i)
        n += p[i] != value ? 1 : 0;
    return n;
}

} // namespace Zorbel::Testing
