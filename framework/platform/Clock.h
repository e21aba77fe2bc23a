#pragma once

#include <cstdint>

namespace Zorbel {

// The framework's sense of time: a millisecond tick count and a way to wait. Everything that paces
// itself (the update clock, timers, vertical-blank emulation) goes through this, so tests can drive time
// by hand with a ManualClock.
class Clock {
public:
    virtual ~Clock() = default;

    // Milliseconds since an arbitrary fixed start, wrapping at 2^32 like a tick count.
    virtual uint32_t Milliseconds() = 0;
    // Waits about ms milliseconds (0 gives up the rest of the time slice).
    virtual void Sleep(uint32_t ms) = 0;
};

} // namespace Zorbel
