#include "framework/platform/window/KeyMap.h"
#include "framework/platform/VirtualKey.h"

#include <SDL.h>
#include <gtest/gtest.h>

using namespace Zorbel;

namespace {
int32_t Key(SDL_Keycode key, SDL_Scancode scancode, bool numLock = false) {
    return VirtualKeyFromSdl(key, scancode, numLock);
}
} // namespace

TEST(KeyMapTest, LettersDigitsAndCommonKeysGetTheirVirtualKeyNumbers) {
    EXPECT_EQ(Key(SDLK_a, SDL_SCANCODE_A), 65);
    EXPECT_EQ(Key(SDLK_z, SDL_SCANCODE_Z), 90);
    EXPECT_EQ(Key(SDLK_0, SDL_SCANCODE_0), 48);
    EXPECT_EQ(Key(SDLK_9, SDL_SCANCODE_9), 57);
    EXPECT_EQ(Key(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE), 27);
    EXPECT_EQ(Key(SDLK_RETURN, SDL_SCANCODE_RETURN), 13);
    EXPECT_EQ(Key(SDLK_TAB, SDL_SCANCODE_TAB), 9);
    EXPECT_EQ(Key(SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE), 8);
    EXPECT_EQ(Key(SDLK_SPACE, SDL_SCANCODE_SPACE), 32);
    EXPECT_EQ(Key(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT), 16);
    EXPECT_EQ(Key(SDLK_RSHIFT, SDL_SCANCODE_RSHIFT), 16);
    EXPECT_EQ(Key(SDLK_LCTRL, SDL_SCANCODE_LCTRL), 17);
    EXPECT_EQ(Key(SDLK_RALT, SDL_SCANCODE_RALT), 18);
    EXPECT_EQ(Key(SDLK_F1, SDL_SCANCODE_F1), 112);
    EXPECT_EQ(Key(SDLK_F4, SDL_SCANCODE_F4), 115);
    EXPECT_EQ(Key(SDLK_F12, SDL_SCANCODE_F12), 123);
    EXPECT_EQ(Key(SDLK_LEFT, SDL_SCANCODE_LEFT), 37);
    EXPECT_EQ(Key(SDLK_UP, SDL_SCANCODE_UP), 38);
    EXPECT_EQ(Key(SDLK_RIGHT, SDL_SCANCODE_RIGHT), 39);
    EXPECT_EQ(Key(SDLK_DOWN, SDL_SCANCODE_DOWN), 40);
    EXPECT_EQ(Key(SDLK_DELETE, SDL_SCANCODE_DELETE), 46);
    EXPECT_EQ(Key(SDLK_MINUS, SDL_SCANCODE_MINUS), 189);
    EXPECT_EQ(Key(SDLK_EQUALS, SDL_SCANCODE_EQUALS), 187);
}

TEST(KeyMapTest, TheLayoutDecidesLettersAndNonAsciiSymbolsFallBackToTheirPosition) {
    // A French keyboard: the key in the US "Q" place is labelled A.
    EXPECT_EQ(Key(SDLK_a, SDL_SCANCODE_Q), 65);
    // A German keyboard: the key in the US ";" place is labelled with an umlaut.
    EXPECT_EQ(Key(0xF6, SDL_SCANCODE_SEMICOLON), VirtualKey::Semicolon);
    EXPECT_EQ(Key(SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN), VirtualKey::None);
}

TEST(KeyMapTest, TheKeypadFollowsNumLock) {
    EXPECT_EQ(Key(SDLK_KP_8, SDL_SCANCODE_KP_8, true), 104);
    EXPECT_EQ(Key(SDLK_KP_8, SDL_SCANCODE_KP_8, false), VirtualKey::Up);
    EXPECT_EQ(Key(SDLK_KP_0, SDL_SCANCODE_KP_0, false), VirtualKey::Insert);
    EXPECT_EQ(Key(SDLK_KP_5, SDL_SCANCODE_KP_5, false), VirtualKey::Clear);
    EXPECT_EQ(Key(SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, true), VirtualKey::Decimal);
    EXPECT_EQ(Key(SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, true), VirtualKey::Return);
    EXPECT_EQ(Key(SDLK_KP_PLUS, SDL_SCANCODE_KP_PLUS, false), VirtualKey::Add);
}

TEST(KeyMapTest, ControlAndAltCharacters) {
    EXPECT_EQ(ControlCharacterForKey(VirtualKey::Back, false), 8);
    EXPECT_EQ(ControlCharacterForKey(VirtualKey::Return, true), 13);
    EXPECT_EQ(ControlCharacterForKey(VirtualKey::Escape, false), 27);
    EXPECT_EQ(ControlCharacterForKey('C', true), 3);
    EXPECT_EQ(ControlCharacterForKey('C', false), 0) << "printable characters come from text input";
    EXPECT_EQ(ControlCharacterForKey(VirtualKey::F1, true), 0);
    EXPECT_EQ(AltCharacterForKey(SDLK_r, false), 'r');
    EXPECT_EQ(AltCharacterForKey(SDLK_r, true), 'R');
    EXPECT_EQ(AltCharacterForKey(SDLK_1, false), '1');
    EXPECT_EQ(AltCharacterForKey(SDLK_F4, false), 0);
}

TEST(KeyMapTest, TextConvertsBetweenUtf8AndLatin1) {
    EXPECT_EQ(Utf8ToLatin1("Caf\xC3\xA9 \xC3\xBF"), "Caf\xE9 \xFF");
    EXPECT_EQ(Utf8ToLatin1("\xE2\x82\xAC"
                           "5"),
              "5")
        << "the euro sign has no Latin-1 byte";
    EXPECT_EQ(Utf8ToLatin1("\xF0\x9F\x98\x80!"), "!");
    EXPECT_EQ(Utf8ToLatin1("a\x80"
                           "b\xC3"),
              "ab")
        << "stray and cut sequences are dropped";
    EXPECT_EQ(Utf8ToLatin1("\xC1\x81"), "") << "an overlong 'A' is not an A";
    EXPECT_EQ(Latin1ToUtf8("Caf\xE9"), "Caf\xC3\xA9");
    std::string all;
    for (int c = 1; c < 256; ++c)
        all.push_back(static_cast<char>(c));
    EXPECT_EQ(Utf8ToLatin1(Latin1ToUtf8(all)), all);
}
