#pragma once

#include "framework/graphics/Color.h"
#include "framework/graphics/DrawMode.h"
#include "framework/graphics/PixelView.h"
#include "framework/graphics/Rect.h"

#include <cstdint>

namespace Zorbel {

// Where a turned blit puts its source rectangle: before turning, the rectangle's top-left corner lands
// on (x, y); it then turns by `angle` radians around (centreX, centreY), measured from that corner.
// With y growing downwards, a positive angle turns the picture counter-clockwise on screen.
struct TurnPlacement {
    float x = 0;
    float y = 0;
    double angle = 0;
    float centreX = 0;
    float centreY = 0;
};

// The kernel of the bilinear rotated blit. Every destination pixel whose centre maps back inside the
// source rectangle samples its four neighbouring source pixels; neighbours outside the rectangle (or
// outside the picture) count as transparent, which smooths the turned edges. Rows are walked in 16.16
// fixed point, and the part of each row that maps inside the rectangle is solved exactly for that walk,
// so no pixel outside it is ever read.
class TurnedBlitter {
public:
    // Draws the srcRect part of `source` turned into `dest`, touching nothing outside clipRect (which is
    // cut to the destination first). `dest` and `source` may not share pixels. Returns false when the
    // placement is not finite, the draw mode is unknown, or the turned box misses the clip.
    static bool Blit(const PixelView& dest, const Rect& clipRect, const ConstPixelView& source,
                     const FRect& srcRect, const TurnPlacement& placement, const Color& colour,
                     int32_t drawMode, const SaturationTable& saturation);
};

} // namespace Zorbel
