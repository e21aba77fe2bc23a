#pragma once

#include <cstdint>

namespace Zorbel {

// The developer keys. Ctrl + Alt + D switches them on and off; while they are on, and during demo
// playback, every key press is offered to them before the widgets see it.
//
// FIXME: the keys themselves (F2 profiler, F3 overlays, F8 3D switch and video statistics, F10 single
// steps, F11 screenshot and image dump, Alt + R value reload) arrive with the developer reports;
// until then no key is taken.
class DebugKeys {
public:
    bool IsOn() const { return mOn; }
    void Toggle() { mOn = !mOn; }

    // Carries out the key's developer action; true when the key was taken and goes no further.
    bool KeyDown(int32_t keyCode);

private:
    bool mOn = false;
};

} // namespace Zorbel
