#include "framework/platform/time/ManualClock.h"

namespace Zorbel {

void ManualClock::Sleep(uint32_t ms) {
    mSleepCount.fetch_add(1);
    mTotalSlept.fetch_add(ms);
    mNow.fetch_add(ms);
}

} // namespace Zorbel
