#include "framework/platform/time/RealClock.h"

#include <chrono>
#include <thread>

namespace Zorbel {

uint32_t RealClock::Milliseconds() {
    // The steady clock never jumps with the wall clock; truncating to 32 bits gives the wrap-around of a
    // tick count, which every user of the clock compares with unsigned differences.
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void RealClock::Sleep(uint32_t ms) {
    if (ms == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace Zorbel
