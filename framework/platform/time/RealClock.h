#pragma once

#include "framework/platform/Clock.h"

namespace Zorbel {

// The monotonic system clock with 1 ms resolution. Safe to use from any thread.
class RealClock : public Clock {
public:
    uint32_t Milliseconds() override;
    void Sleep(uint32_t ms) override;
};

} // namespace Zorbel
