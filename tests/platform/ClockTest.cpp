#include "framework/platform/time/ManualClock.h"
#include "framework/platform/time/RealClock.h"

#include <gtest/gtest.h>

using namespace Zorbel;

TEST(ClockTest, ManualClockMovesOnlyWhenToldOrWhenSleeping) {
    ManualClock clock(1000);
    EXPECT_EQ(clock.Milliseconds(), 1000u);
    EXPECT_EQ(clock.Milliseconds(), 1000u);
    clock.Sleep(16);
    EXPECT_EQ(clock.Milliseconds(), 1016u);
    clock.Advance(4);
    EXPECT_EQ(clock.Milliseconds(), 1020u);
    clock.Sleep(0);
    EXPECT_EQ(clock.SleepCount(), 2);
    EXPECT_EQ(clock.TotalSleptMs(), 16u);
    clock.Set(0xFFFFFFF0u);
    clock.Advance(0x20);
    EXPECT_EQ(clock.Milliseconds(), 0x10u) << "the tick count wraps like a 32-bit counter";
}

TEST(ClockTest, RealClockSleepsAtLeastTheTimeAskedAndNeverGoesBack) {
    RealClock clock;
    uint32_t before = clock.Milliseconds();
    clock.Sleep(20);
    uint32_t after = clock.Milliseconds();
    EXPECT_GE(after - before, 19u);
    EXPECT_LT(after - before, 2000u);
}
