#pragma once

#include "framework/graphics/Color.h"
#include "framework/graphics/DrawMode.h"
#include "framework/graphics/Rect.h"

namespace Zorbel {

// What a drawing context hands to the blits that clip for themselves: the clip rectangle in the
// destination's coordinates, the colour that tints the source (opaque white leaves it as it is) and
// the draw mode; smooth asks the hardware path for linear texture filtering.
struct BlitState {
    Rect clip;
    Color color = Color::White;
    DrawMode mode = DRAWMODE_NORMAL;
    bool smooth = false;
};

} // namespace Zorbel
