#include "framework/platform/window/SdlWindowSystem.h"
#include "framework/platform/VirtualKey.h"
#include "framework/platform/time/ManualClock.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>

using namespace Zorbel;

namespace {

class SdlWindowSystemTest : public testing::Test {
protected:
    void SetUp() override {
        std::string error;
        windows = SdlWindowSystem::Create(clock, {}, &error);
        ASSERT_NE(windows, nullptr) << error;
        WindowDesc desc;
        desc.title = "Test";
        desc.clientWidth = 64;
        desc.clientHeight = 48;
        window = windows->CreateWindow(desc);
        ASSERT_NE(window, 0u);
        sdlId = SDL_GetWindowID(windows->NativeWindow(window));
        Drain(); // whatever creating the window caused
    }

    std::vector<WindowMessage> Drain() {
        std::vector<WindowMessage> messages;
        windows->DispatchMessages([&](const WindowMessage& message) {
            messages.push_back(message);
            return true;
        });
        return messages;
    }

    void PushKey(bool down, SDL_Keycode key, SDL_Scancode scancode, uint16_t mod, bool repeat = false) {
        SDL_Event event{};
        event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.windowID = sdlId;
        event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat ? 1 : 0;
        event.key.keysym.sym = key;
        event.key.keysym.scancode = scancode;
        event.key.keysym.mod = mod;
        SDL_PushEvent(&event);
    }

    void PushButton(bool down, uint8_t button, uint8_t clicks, int x, int y) {
        SDL_Event event{};
        event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        event.button.windowID = sdlId;
        event.button.button = button;
        event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        event.button.clicks = clicks;
        event.button.x = x;
        event.button.y = y;
        SDL_PushEvent(&event);
    }

    void PushWindowEvent(uint8_t what, int a = 0, int b = 0) {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = sdlId;
        event.window.event = what;
        event.window.data1 = a;
        event.window.data2 = b;
        SDL_PushEvent(&event);
    }

    ManualClock clock{1000};
    std::unique_ptr<SdlWindowSystem> windows;
    WindowId window = 0;
    uint32_t sdlId = 0;
};

} // namespace

TEST_F(SdlWindowSystemTest, RunsHeadlessOnTheDummyDriver) {
    EXPECT_TRUE(windows->IsHeadless());
    EXPECT_EQ(windows->ClientRect(window).width, 64);
    EXPECT_EQ(windows->ClientRect(window).height, 48);
    EXPECT_FALSE(windows->IsVisible(window));
    windows->ShowWindow(window, ShowCommand::Show);
    EXPECT_TRUE(windows->IsVisible(window));
    DisplayMode desktop = windows->DesktopMode();
    EXPECT_GT(desktop.width, 0);
    EXPECT_EQ(desktop.bitsPerPixel, 32);
    EXPECT_FALSE(windows->WorkArea().IsEmpty());
}

TEST_F(SdlWindowSystemTest, KeysBecomeVirtualKeyMessagesWithTheirCharacters) {
    PushKey(true, SDLK_a, SDL_SCANCODE_A, KMOD_NONE);
    PushKey(true, SDLK_a, SDL_SCANCODE_A, KMOD_NONE, true);
    PushKey(false, SDLK_a, SDL_SCANCODE_A, KMOD_NONE);
    PushKey(true, SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_NONE);
    PushKey(true, SDLK_c, SDL_SCANCODE_C, KMOD_LCTRL);
    PushKey(true, SDLK_F1, SDL_SCANCODE_F1, KMOD_NONE);
    auto messages = Drain();
    std::vector<std::tuple<MessageKind, int32_t, bool>> expected = {
        {MessageKind::KeyDown, 'A', false}, {MessageKind::KeyDown, 'A', true},
        {MessageKind::KeyUp, 'A', false},   {MessageKind::KeyDown, 13, false},
        {MessageKind::Char, 13, false},     {MessageKind::KeyDown, 'C', false},
        {MessageKind::Char, 3, false},      {MessageKind::KeyDown, 112, false}};
    ASSERT_EQ(messages.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(messages[i].kind, std::get<0>(expected[i])) << i;
        EXPECT_EQ(messages[i].value, std::get<1>(expected[i])) << i;
        EXPECT_EQ(messages[i].repeat, std::get<2>(expected[i])) << i;
        EXPECT_EQ(messages[i].window, window);
    }
}

TEST_F(SdlWindowSystemTest, KeysWithAltHeldAreSystemKeys) {
    PushKey(true, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT);
    PushKey(true, SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_LALT);
    PushKey(true, SDLK_r, SDL_SCANCODE_R, KMOD_LALT);
    PushKey(false, SDLK_r, SDL_SCANCODE_R, KMOD_LALT);
    PushKey(true, SDLK_F4, SDL_SCANCODE_F4, KMOD_RALT);
    PushKey(false, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_NONE);
    PushKey(true, SDLK_d, SDL_SCANCODE_D, KMOD_LCTRL | KMOD_LALT);
    auto messages = Drain();
    std::vector<std::pair<MessageKind, int32_t>> expected = {{MessageKind::SysKeyDown, VirtualKey::Alt},
                                                             {MessageKind::SysKeyDown, 13},
                                                             {MessageKind::SysKeyDown, 'R'},
                                                             {MessageKind::SysChar, 'r'},
                                                             {MessageKind::SysKeyUp, 'R'},
                                                             {MessageKind::SysKeyDown, 115},
                                                             {MessageKind::SysKeyUp, VirtualKey::Alt},
                                                             {MessageKind::KeyDown, 'D'},
                                                             {MessageKind::Char, 4}};
    ASSERT_EQ(messages.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(messages[i].kind, expected[i].first) << i;
        EXPECT_EQ(messages[i].value, expected[i].second) << i;
    }
}

TEST_F(SdlWindowSystemTest, TypedTextArrivesAsLatin1Characters) {
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = sdlId;
    std::strcpy(event.text.text, "d\xC3\xA9\xE2\x82\xAC!");
    SDL_PushEvent(&event);
    auto messages = Drain();
    ASSERT_EQ(messages.size(), 3u) << "the euro sign has no Latin-1 character";
    EXPECT_EQ(messages[0].value, 'd');
    EXPECT_EQ(messages[1].value, 0xE9);
    EXPECT_EQ(messages[2].value, '!');
    for (const auto& message : messages)
        EXPECT_EQ(message.kind, MessageKind::Char);
}

TEST_F(SdlWindowSystemTest, MouseButtonsMovesAndTheWheel) {
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.windowID = sdlId;
    motion.motion.x = 10;
    motion.motion.y = 20;
    SDL_PushEvent(&motion);
    PushButton(true, SDL_BUTTON_LEFT, 1, 10, 20);
    PushButton(false, SDL_BUTTON_LEFT, 1, 10, 20);
    PushButton(true, SDL_BUTTON_LEFT, 2, 10, 20);
    PushButton(true, SDL_BUTTON_RIGHT, 3, 11, 21);
    PushButton(true, SDL_BUTTON_RIGHT, 4, 11, 21);
    PushButton(false, SDL_BUTTON_LEFT, 2, 12, 22);
    PushButton(true, SDL_BUTTON_MIDDLE, 1, 12, 22);
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.windowID = sdlId;
    wheel.wheel.y = -2;
    wheel.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    SDL_PushEvent(&wheel);
    wheel.wheel.y = 1;
    wheel.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    SDL_PushEvent(&wheel);
    auto messages = Drain();
    std::vector<std::pair<MessageKind, uint8_t>> expected = {
        {MessageKind::MouseMove, 0},
        {MessageKind::LeftDown, ButtonLeft},
        {MessageKind::LeftUp, 0},
        {MessageKind::LeftDouble, ButtonLeft},
        {MessageKind::RightDown, ButtonLeft | ButtonRight},
        {MessageKind::RightDouble, ButtonLeft | ButtonRight},
        {MessageKind::LeftUp, ButtonRight},
        {MessageKind::MiddleDown, ButtonRight | ButtonMiddle},
        {MessageKind::Wheel, ButtonRight | ButtonMiddle},
        {MessageKind::Wheel, ButtonRight | ButtonMiddle}};
    ASSERT_EQ(messages.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(messages[i].kind, expected[i].first) << i;
        EXPECT_EQ(messages[i].buttons, expected[i].second) << i;
    }
    EXPECT_EQ(messages[0].x, 10);
    EXPECT_EQ(messages[0].y, 20);
    EXPECT_EQ(messages[4].x, 11);
    EXPECT_EQ(messages[8].value, -240);
    EXPECT_EQ(messages[9].value, -120);
    EXPECT_EQ(messages[9].x, 12) << "the wheel reports where the pointer is";
}

TEST_F(SdlWindowSystemTest, WindowEventsBecomeActivationSizeMoveAndClose) {
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    PushWindowEvent(SDL_WINDOWEVENT_MOVED, 30, 40);
    PushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
    PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    auto messages = Drain();
    std::vector<std::pair<MessageKind, int32_t>> expected = {
        {MessageKind::Activate, 1}, {MessageKind::Size, SizeMinimised},
        {MessageKind::Activate, 0}, {MessageKind::Move, 0},
        {MessageKind::Paint, 0},    {MessageKind::Close, 0}};
    ASSERT_EQ(messages.size(), expected.size()) << "the quit that follows a close request adds nothing";
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(messages[i].kind, expected[i].first) << i;
        EXPECT_EQ(messages[i].value, expected[i].second) << i;
    }
    EXPECT_EQ(messages[3].x, 30);
    EXPECT_EQ(messages[3].y, 40);

    SDL_PushEvent(&quit);
    messages = Drain();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, MessageKind::EndSession) << "a quit on its own ends the session";
}

TEST_F(SdlWindowSystemTest, TimersAndPostedMessagesFollowTheSdlEvents) {
    windows->SetTimer(window, 7, 10);
    windows->PostMessage({window, MessageKind::Notify});
    PushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
    clock.Advance(10);
    auto messages = Drain();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].kind, MessageKind::Paint);
    EXPECT_EQ(messages[1].kind, MessageKind::Notify);
    EXPECT_EQ(messages[2].kind, MessageKind::Timer);
    EXPECT_EQ(messages[2].value, 7);
}

TEST_F(SdlWindowSystemTest, MessageBoxesNeverWaitOnAHeadlessDesktop) {
    MessageBoxRequest request{"Failed to initialize", "FATAL ERROR",
                              MessageBoxStyle::Ok | MessageBoxStyle::IconError};
    EXPECT_EQ(windows->ShowMessageBox(window, request), MessageBoxAnswer::Ok);
    int asked = 0;
    windows->SetMessageBoxPolicy([&asked](const MessageBoxRequest&) {
        ++asked;
        return MessageBoxAnswer::No;
    });
    request.style = MessageBoxStyle::YesNo;
    EXPECT_EQ(windows->ShowMessageBox(window, request), MessageBoxAnswer::No);
    EXPECT_EQ(asked, 1);
}

TEST_F(SdlWindowSystemTest, ClipboardCursorsAndPages) {
    EXPECT_TRUE(windows->SetClipboardText("Stra\xDF"
                                          "e"));
    EXPECT_EQ(windows->ClipboardText(), "Stra\xDF"
                                        "e");
    char* raw = SDL_GetClipboardText();
    EXPECT_STREQ(raw, "Stra\xC3\x9F"
                      "e")
        << "the desktop gets UTF-8";
    SDL_free(raw);

    MaskCursor cursor;
    cursor.hotX = 15;
    cursor.hotY = 10;
    cursor.andMask.assign(128, 0xFF);
    cursor.xorMask.assign(128, 0);
    CursorHandle custom = windows->CreateMaskCursor(cursor);
    CursorHandle arrow = windows->CreateSystemCursor(SystemCursor::Arrow);
    ASSERT_NE(custom, 0u);
    ASSERT_NE(arrow, 0u);
    windows->SetCursor(custom);
    EXPECT_EQ(windows->CurrentCursor(), custom);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    windows->SetCursor(0);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE) << "cursor 0 hides the pointer";
    windows->SetCursor(arrow);
    windows->ShowSystemCursor(false);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    windows->ShowSystemCursor(true);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    windows->DestroyCursor(custom);
    windows->DestroyCursor(arrow);
    EXPECT_EQ(windows->CurrentCursor(), 0u);

    EXPECT_FALSE(windows->OpenUrl("https://example.org/")) << "no browser is started headless";
    std::string opened;
    windows->SetUrlHandler([&opened](const std::string& url) {
        opened = url;
        return true;
    });
    EXPECT_TRUE(windows->OpenUrl("https://example.org/page"));
    EXPECT_EQ(opened, "https://example.org/page");
}

TEST_F(SdlWindowSystemTest, DestroyingAWindowDropsItsPendingMessages) {
    PushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
    windows->PostMessage({window, MessageKind::Close});
    windows->DestroyWindow(window);
    EXPECT_EQ(windows->NativeWindow(window), nullptr);
    for (const auto& message : Drain())
        EXPECT_NE(message.kind, MessageKind::Close);
}
