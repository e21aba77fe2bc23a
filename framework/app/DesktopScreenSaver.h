#pragma once

#include <cstdint>

namespace Zorbel {

class WindowSystem;

// The desktop's own screen saver, as seen from a game in a window: the game pauses (no updates, no
// drawing) while the saver would be showing, and resumes as soon as there is input again. The saver's
// settings are read every 10 seconds and the idle time at every check; the threshold is the saver's
// timeout less 2 seconds (1 second for timeouts under 3 seconds). The idle time counts from the later
// of the game's own last input and the desktop's.
//
// It also tells the desktop whether it may blank the screen at all: a saver may start only in a window
// once loading is over, and the monitor may power off only when the game allows it.
class DesktopScreenSaver {
public:
    // The checks run at most once a second; this starts the count.
    void Restart(uint32_t now) { mCheckMs = now; }
    // True once a second has passed since the last check (which then counts as made).
    bool CheckDue(uint32_t now);
    // Looks at the desktop (only in a window and not in screen-saver mode). True when the game
    // resumes now, so everything must be drawn again.
    bool Check(WindowSystem& windows, uint32_t now, uint32_t lastInputMs, bool physicallyWindowed,
               bool screenSaverMode);
    // The saver is considered running: the game neither updates nor draws.
    bool IsRunning() const { return mRunning; }

    // Tells the desktop whether it may blank the screen, when that changed.
    void AllowBlanking(WindowSystem& windows, bool screenSaverAllowed, bool monitorPowerOffAllowed);

private:
    bool mRunning = false;
    uint32_t mCheckMs = 0;
    uint32_t mReadMs = 0;
    int32_t mThresholdMs = 0;
    bool mEnabled = false;
    bool mReadOnce = false;
    int mBlankingAllowed = -1; // unknown until first told
};

} // namespace Zorbel
