#include "framework/platform/window/HeadlessWindowSystem.h"
#include "framework/platform/time/ManualClock.h"

#include <gtest/gtest.h>

#include <thread>

using namespace Zorbel;

namespace {

WindowDesc Framed(int width, int height) {
    WindowDesc desc;
    desc.title = "Main";
    desc.clientWidth = width;
    desc.clientHeight = height;
    desc.centred = false;
    desc.x = 100;
    desc.y = 50;
    return desc;
}

std::vector<WindowMessage> Drain(WindowSystem& windows) {
    std::vector<WindowMessage> messages;
    windows.DispatchMessages([&](const WindowMessage& message) {
        messages.push_back(message);
        return true;
    });
    return messages;
}

} // namespace

TEST(HeadlessWindowSystemTest, WindowsHaveAFrameAroundTheirClientArea) {
    ManualClock clock;
    HeadlessWindowSystem windows(clock);
    WindowId window = windows.CreateWindow(Framed(800, 600));
    ASSERT_NE(window, 0u);
    EXPECT_EQ(windows.ClientRect(window), (PixelRect{104, 74, 800, 600}));
    EXPECT_EQ(windows.FrameRect(window), (PixelRect{100, 50, 808, 628}));
    windows.MoveWindow(window, 10, 20);
    EXPECT_EQ(windows.FrameRect(window).x, 10);
    EXPECT_EQ(windows.ClientRect(window).y, 44);
    EXPECT_FALSE(windows.IsVisible(window));
    windows.ShowWindow(window, ShowCommand::Minimise);
    EXPECT_TRUE(windows.IsMinimised(window));
    windows.ShowWindow(window, ShowCommand::Restore);
    EXPECT_FALSE(windows.IsMinimised(window));
    EXPECT_TRUE(windows.IsVisible(window));
    EXPECT_EQ(windows.CreateWindow(Framed(0, 10)), 0u);

    WindowDesc logical;
    logical.logical = true;
    WindowId invisible = windows.CreateWindow(logical);
    ASSERT_NE(invisible, 0u);
    EXPECT_TRUE(windows.ClientRect(invisible).IsEmpty());
    windows.ShowWindow(invisible, ShowCommand::Show);
    EXPECT_FALSE(windows.IsVisible(invisible)) << "a logical window never appears";
}

TEST(HeadlessWindowSystemTest, TimersTickFromTheClockAndDoNotPileUp) {
    ManualClock clock(5000);
    HeadlessWindowSystem windows(clock);
    WindowId window = windows.CreateWindow(Framed(64, 64));
    windows.SetTimer(window, 1, 10);
    EXPECT_TRUE(Drain(windows).empty());
    clock.Advance(9);
    EXPECT_TRUE(Drain(windows).empty());
    clock.Advance(1);
    auto ticks = Drain(windows);
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_EQ(ticks[0].kind, MessageKind::Timer);
    EXPECT_EQ(ticks[0].window, window);
    EXPECT_EQ(ticks[0].value, 1);
    clock.Advance(1000);
    EXPECT_EQ(Drain(windows).size(), 1u) << "a late timer ticks once";
    clock.Advance(10);
    EXPECT_EQ(Drain(windows).size(), 1u);
    windows.KillTimer(window, 1);
    clock.Advance(100);
    EXPECT_TRUE(Drain(windows).empty());

    windows.SetTimer(window, 2, 10);
    windows.DestroyWindow(window);
    clock.Advance(100);
    EXPECT_TRUE(Drain(windows).empty()) << "a destroyed window's timers stop";
}

TEST(HeadlessWindowSystemTest, PostedMessagesArriveInOrderFromAnyThread) {
    ManualClock clock;
    HeadlessWindowSystem windows(clock);
    WindowId window = windows.CreateWindow(Framed(64, 64));
    std::thread other([&] {
        for (int key = 65; key < 70; ++key)
            windows.PostMessage({window, MessageKind::KeyDown, key});
    });
    other.join();
    windows.PostMessage({window, MessageKind::Close});
    auto messages = Drain(windows);
    ASSERT_EQ(messages.size(), 6u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(messages[static_cast<size_t>(i)].value, 65 + i);
    EXPECT_EQ(messages[5].kind, MessageKind::Close);
}

TEST(HeadlessWindowSystemTest, AReceiverThatStopsLeavesTheRestForTheNextDispatch) {
    ManualClock clock;
    HeadlessWindowSystem windows(clock);
    WindowId window = windows.CreateWindow(Framed(64, 64));
    windows.SetTimer(window, 1, 10);
    clock.Advance(10);
    for (int key = 65; key < 68; ++key)
        windows.PostMessage({window, MessageKind::KeyDown, key});
    std::vector<int32_t> first;
    windows.DispatchMessages([&](const WindowMessage& message) {
        first.push_back(message.value);
        return first.size() < 2;
    });
    EXPECT_EQ(first, (std::vector<int32_t>{65, 66}));
    // Posted messages come before the timer's tick, which waited meanwhile.
    auto rest = Drain(windows);
    ASSERT_EQ(rest.size(), 2u);
    EXPECT_EQ(rest[0].value, 67);
    EXPECT_EQ(rest[1].kind, MessageKind::Timer);
}

TEST(HeadlessWindowSystemTest, MessageBoxesAreAnsweredAtOnceAndRemembered) {
    ManualClock clock;
    HeadlessWindowSystem windows(clock);
    MessageBoxRequest question{"Keep it?", "Confirmation",
                               MessageBoxStyle::YesNo | MessageBoxStyle::IconQuestion};
    EXPECT_EQ(windows.ShowMessageBox(0, question), MessageBoxAnswer::Yes);
    windows.SetMessageBoxPolicy([](const MessageBoxRequest& request) {
        return request.caption == "Confirmation" ? MessageBoxAnswer::No : MessageBoxAnswer::Ok;
    });
    EXPECT_EQ(windows.ShowMessageBox(0, question), MessageBoxAnswer::No);
    ASSERT_EQ(windows.MessageBoxes().size(), 2u);
    EXPECT_EQ(windows.MessageBoxes()[1].text, "Keep it?");
}

TEST(HeadlessWindowSystemTest, CursorsClipboardAndPagesAreRecorded) {
    ManualClock clock;
    HeadlessWindowSystem windows(clock);
    CursorHandle wait = windows.CreateSystemCursor(SystemCursor::Wait);
    MaskCursor hand;
    hand.hotX = 11;
    hand.hotY = 4;
    hand.andMask.assign(128, 0xFF);
    hand.xorMask.assign(128, 0);
    CursorHandle custom = windows.CreateMaskCursor(hand);
    ASSERT_NE(custom, 0u);
    EXPECT_EQ(windows.CreateMaskCursor(MaskCursor{}), 0u) << "empty masks make no cursor";
    windows.SetCursor(custom);
    EXPECT_EQ(windows.CurrentCursor(), custom);
    ASSERT_NE(windows.CursorMask(custom), nullptr);
    EXPECT_EQ(windows.CursorMask(custom)->hotX, 11);
    EXPECT_EQ(windows.CursorShape(wait), SystemCursor::Wait);
    windows.DestroyCursor(custom);
    EXPECT_EQ(windows.CurrentCursor(), 0u);

    EXPECT_TRUE(windows.SetClipboardText("Caf\xE9"));
    EXPECT_EQ(windows.ClipboardText(), "Caf\xE9");
    EXPECT_FALSE(windows.OpenUrl("https://example.org/")) << "no browser on a headless desktop";
    windows.SetUrlHandler([](const std::string&) { return true; });
    EXPECT_TRUE(windows.OpenUrl("https://example.org/two"));
    EXPECT_EQ(windows.OpenedUrls().size(), 2u);
}
