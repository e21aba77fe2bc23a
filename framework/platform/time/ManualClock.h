#pragma once

#include "framework/platform/Clock.h"

#include <atomic>

namespace Zorbel {

// A clock that only moves when told to: Sleep advances it by the time slept, so code that waits for a
// moment to arrive reaches it at once and deterministically. Safe to read from several threads.
class ManualClock : public Clock {
public:
    explicit ManualClock(uint32_t startMs = 0) : mNow(startMs) {}

    uint32_t Milliseconds() override { return mNow.load(); }
    void Sleep(uint32_t ms) override;

    void Advance(uint32_t ms) { mNow.fetch_add(ms); }
    void Set(uint32_t ms) { mNow.store(ms); }

    // What the code under test asked for: number of Sleep calls and their total.
    int SleepCount() const { return mSleepCount.load(); }
    uint64_t TotalSleptMs() const { return mTotalSlept.load(); }

private:
    std::atomic<uint32_t> mNow;
    std::atomic<int> mSleepCount{0};
    std::atomic<uint64_t> mTotalSlept{0};
};

} // namespace Zorbel
