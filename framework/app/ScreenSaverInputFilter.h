#pragma once

#include "framework/platform/WindowMessage.h"

#include <cstdint>

namespace Zorbel {

// Input in screen-saver mode: any key, button, close request or lost activation ends the saver, and so
// does the pointer once it really moves (the first report only says where it rests, the next three
// moves are forgiven). Monitor power changes shake the pointer and the activation, so for a second
// after one those messages do not count.
class ScreenSaverInputFilter {
public:
    // What the filter decided about one message.
    enum class Verdict { Pass, Swallow, Close };

    // mainWindow: only input to the main window can close the saver; lastMonitorPowerMs: when the
    // monitor's power last changed (0 never).
    Verdict Examine(const WindowMessage& message, WindowId mainWindow, uint32_t now,
                    uint32_t lastMonitorPowerMs);
    bool IsClosing() const { return mClosing; }

private:
    bool mClosing = false;
    int32_t mPointerX = -1;
    int32_t mPointerY = -1;
    int32_t mMoveCount = 0;
};

} // namespace Zorbel
