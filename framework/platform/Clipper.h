#pragma once

#include "framework/platform/WindowMessage.h"

namespace Zorbel {

// Binds a primary surface to a window: blits into a surface with a clipper are clipped to the surface
// instead of being refused when they reach past its edges.
class Clipper {
public:
    // Always succeeds; the window is only remembered.
    uint32_t SetWindow(WindowId window) {
        mWindow = window;
        return 0;
    }
    WindowId Window() const { return mWindow; }

private:
    WindowId mWindow = 0;
};

} // namespace Zorbel
