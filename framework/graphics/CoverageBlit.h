#pragma once

#include "framework/graphics/Color.h"
#include "framework/graphics/Rect.h"
#include "framework/platform/FontFace.h"

#include <cstdint>

namespace Zorbel {

struct SurfaceLock;

// Puts anti-aliased text coverage into pixels: each covered pixel moves toward the text colour by
// its coverage, (colour x a + pixel x (255 - a) + 127) / 255 per channel, in 8-bit channels. The
// colour's alpha is not used: text is as opaque as its coverage. The coverage's top-left corner
// goes to (left, top); only pixels inside clip are touched.
class CoverageBlit {
public:
    CoverageBlit() = delete;

    // Into a locked surface in its native layout (16, 24 or 32 bits).
    static void ToSurface(const SurfaceLock& lock, const TextCoverage& coverage, int32_t left, int32_t top,
                          const Rect& clip, const Color& color);
    // Into 32-bit 0xAARRGGBB pixels, rows of width words; the alpha moves toward opaque likewise.
    static void ToPixels(uint32_t* pixels, int32_t width, int32_t height, const TextCoverage& coverage,
                         int32_t left, int32_t top, const Rect& clip, const Color& color);

    // One channel of the blend.
    static constexpr uint32_t Blend(uint32_t text, uint32_t pixel, uint32_t coverage) {
        return (text * coverage + pixel * (255 - coverage) + 127) / 255;
    }
};

} // namespace Zorbel
