#include "framework/app/WebPageOpener.h"

#include <gtest/gtest.h>

using namespace Zorbel;

namespace {

// Ticks every 10 ms from the moment start until end; the last outcome.
WebPageOpener::Outcome TickThrough(WebPageOpener& opener, uint32_t start, uint32_t end, bool active) {
    WebPageOpener::Outcome outcome = WebPageOpener::Outcome::Undecided;
    for (uint32_t now = start; now <= end && outcome == WebPageOpener::Outcome::Undecided; now += 10)
        outcome = opener.Tick(now, active);
    return outcome;
}

} // namespace

TEST(WebPageOpenerTest, OnlySteadilyTickedTimeDecides) {
    WebPageOpener opener;
    opener.Begin("https://example.invalid/", false, 1000);
    EXPECT_TRUE(opener.IsPending("https://example.invalid/"));
    EXPECT_FALSE(opener.IsPending("https://example.invalid/other"));
    // A suspended machine: 20 seconds pass between two ticks, and they do not count.
    EXPECT_EQ(opener.Tick(21000, false), WebPageOpener::Outcome::Undecided);
    // Five steady seconds are needed before anything is decided.
    EXPECT_EQ(TickThrough(opener, 21010, 25990, false), WebPageOpener::Outcome::Undecided);
    EXPECT_EQ(opener.Tick(26000, false), WebPageOpener::Outcome::Succeeded);

    opener.Begin("https://example.invalid/", true, 1000);
    EXPECT_TRUE(opener.QuitsAfter());
    EXPECT_EQ(TickThrough(opener, 1010, 12990, true), WebPageOpener::Outcome::Undecided);
    EXPECT_EQ(opener.Tick(13000, true), WebPageOpener::Outcome::Failed);
    opener.Finish();
    EXPECT_FALSE(opener.IsPending());
    EXPECT_EQ(opener.Tick(14000, false), WebPageOpener::Outcome::Undecided);
}
