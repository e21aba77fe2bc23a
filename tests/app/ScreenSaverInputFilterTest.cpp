#include "framework/app/ScreenSaverInputFilter.h"

#include <gtest/gtest.h>

using namespace Zorbel;

namespace {

WindowMessage Message(MessageKind kind, int32_t x = 0, int32_t y = 0, WindowId window = 1) {
    WindowMessage message;
    message.window = window;
    message.kind = kind;
    message.x = x;
    message.y = y;
    return message;
}

} // namespace

TEST(ScreenSaverInputFilterTest, ForAMomentAfterTheMonitorWokeOnlyRealInputCloses) {
    using Verdict = ScreenSaverInputFilter::Verdict;
    ScreenSaverInputFilter filter;
    const uint32_t woke = 5000;
    EXPECT_EQ(filter.Examine(Message(MessageKind::MouseMove, 10, 10), 1, woke + 10, woke), Verdict::Swallow);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(filter.Examine(Message(MessageKind::MouseMove, 10 + i, 10), 1, woke + 20, woke),
                  Verdict::Swallow);
    EXPECT_EQ(filter.Examine(Message(MessageKind::Close), 1, woke + 30, woke), Verdict::Swallow);
    EXPECT_EQ(filter.Examine(Message(MessageKind::Activate), 1, woke + 40, woke), Verdict::Swallow);
    // Input meant for another window never closes the saver.
    EXPECT_EQ(filter.Examine(Message(MessageKind::KeyDown, 0, 0, 2), 1, woke + 50, woke), Verdict::Swallow);
    EXPECT_FALSE(filter.IsClosing());

    EXPECT_EQ(filter.Examine(Message(MessageKind::KeyDown), 1, woke + 60, woke), Verdict::Close);
    EXPECT_TRUE(filter.IsClosing());
    // Once closing, everything passes.
    EXPECT_EQ(filter.Examine(Message(MessageKind::KeyDown), 1, woke + 70, woke), Verdict::Pass);

    ScreenSaverInputFilter later;
    later.Examine(Message(MessageKind::MouseMove, 10, 10), 1, woke + 1000, woke);
    for (int i = 1; i <= 3; ++i)
        later.Examine(Message(MessageKind::MouseMove, 10 + i, 10), 1, woke + 1000, woke);
    EXPECT_EQ(later.Examine(Message(MessageKind::MouseMove, 20, 10), 1, woke + 1000, woke), Verdict::Close);
    EXPECT_EQ(ScreenSaverInputFilter().Examine(Message(MessageKind::Paint), 1, 0, 0), Verdict::Pass);
}
