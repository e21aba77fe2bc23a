#include "framework/platform/window/KeyMap.h"

#include "framework/platform/VirtualKey.h"

#include <SDL.h>

namespace Zorbel {

namespace {

int32_t VirtualKeyFromKeypad(SDL_Scancode scancode, bool numLock) {
    using namespace VirtualKey;
    // With Num Lock off the keypad digits are the navigation keys printed under them.
    static constexpr int32_t navigation[10] = {Insert, End,   Down, PageDown, Left,
                                               Clear,  Right, Home, Up,       PageUp};
    switch (scancode) {
        case SDL_SCANCODE_KP_DIVIDE:
            return Divide;
        case SDL_SCANCODE_KP_MULTIPLY:
            return Multiply;
        case SDL_SCANCODE_KP_MINUS:
            return Subtract;
        case SDL_SCANCODE_KP_PLUS:
            return Add;
        case SDL_SCANCODE_KP_ENTER:
            return Return;
        case SDL_SCANCODE_KP_PERIOD:
            return numLock ? Decimal : Delete;
        case SDL_SCANCODE_KP_0:
            return numLock ? Numpad0 : navigation[0];
        default:
            break;
    }
    if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9) {
        int digit = scancode - SDL_SCANCODE_KP_1 + 1;
        return numLock ? Numpad0 + digit : navigation[digit];
    }
    return None;
}

int32_t VirtualKeyFromAscii(SDL_Keycode keycode) {
    using namespace VirtualKey;
    if (keycode >= 'a' && keycode <= 'z') return keycode - 'a' + 'A';
    if (keycode >= '0' && keycode <= '9') return keycode;
    switch (keycode) {
        case SDLK_BACKSPACE:
            return Back;
        case SDLK_TAB:
            return Tab;
        case SDLK_RETURN:
            return Return;
        case SDLK_ESCAPE:
            return Escape;
        case SDLK_SPACE:
            return Space;
        case SDLK_DELETE:
            return Delete;
        case ';':
            return Semicolon;
        case '=':
            return Plus;
        case ',':
            return Comma;
        case '-':
            return Minus;
        case '.':
            return Period;
        case '/':
            return Slash;
        case '`':
            return Grave;
        case '[':
            return LeftBracket;
        case '\\':
            return Backslash;
        case ']':
            return RightBracket;
        case '\'':
            return Quote;
        default:
            return None;
    }
}

int32_t VirtualKeyFromSpecial(SDL_Keycode keycode) {
    using namespace VirtualKey;
    if (keycode >= SDLK_F1 && keycode <= SDLK_F12) return F1 + (keycode - SDLK_F1);
    if (keycode >= SDLK_F13 && keycode <= SDLK_F24) return Function(13) + (keycode - SDLK_F13);
    switch (keycode) {
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return Shift;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return Control;
        case SDLK_LALT:
        case SDLK_RALT:
            return Alt;
        case SDLK_LGUI:
            return LeftWindows;
        case SDLK_RGUI:
            return RightWindows;
        case SDLK_APPLICATION:
            return Menu;
        case SDLK_PAUSE:
            return Pause;
        case SDLK_CAPSLOCK:
            return CapsLock;
        case SDLK_NUMLOCKCLEAR:
            return NumLock;
        case SDLK_SCROLLLOCK:
            return ScrollLock;
        case SDLK_PRINTSCREEN:
            return PrintScreen;
        case SDLK_INSERT:
            return Insert;
        case SDLK_HOME:
            return Home;
        case SDLK_END:
            return End;
        case SDLK_PAGEUP:
            return PageUp;
        case SDLK_PAGEDOWN:
            return PageDown;
        case SDLK_LEFT:
            return Left;
        case SDLK_RIGHT:
            return Right;
        case SDLK_UP:
            return Up;
        case SDLK_DOWN:
            return Down;
        case SDLK_CLEAR:
            return Clear;
        default:
            return None;
    }
}

// Keys whose layout symbol is not ASCII (an umlaut, a dead key) keep the code of their US position.
int32_t VirtualKeyFromPosition(SDL_Scancode scancode) {
    using namespace VirtualKey;
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
        return LetterA + (scancode - SDL_SCANCODE_A);
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return '1' + (scancode - SDL_SCANCODE_1);
    switch (scancode) {
        case SDL_SCANCODE_0:
            return '0';
        case SDL_SCANCODE_SEMICOLON:
            return Semicolon;
        case SDL_SCANCODE_EQUALS:
            return Plus;
        case SDL_SCANCODE_COMMA:
            return Comma;
        case SDL_SCANCODE_MINUS:
            return Minus;
        case SDL_SCANCODE_PERIOD:
            return Period;
        case SDL_SCANCODE_SLASH:
            return Slash;
        case SDL_SCANCODE_GRAVE:
            return Grave;
        case SDL_SCANCODE_LEFTBRACKET:
            return LeftBracket;
        case SDL_SCANCODE_BACKSLASH:
            return Backslash;
        case SDL_SCANCODE_RIGHTBRACKET:
            return RightBracket;
        case SDL_SCANCODE_APOSTROPHE:
            return Quote;
        case SDL_SCANCODE_NONUSBACKSLASH:
            return NonUsBackslash;
        default:
            return None;
    }
}

} // namespace

int32_t VirtualKeyFromSdl(int32_t sdlKeycode, int32_t sdlScancode, bool numLock) {
    auto scancode = static_cast<SDL_Scancode>(sdlScancode);
    if (int32_t key = VirtualKeyFromKeypad(scancode, numLock)) return key;
    if (int32_t key = VirtualKeyFromAscii(sdlKeycode)) return key;
    if (int32_t key = VirtualKeyFromSpecial(sdlKeycode)) return key;
    return VirtualKeyFromPosition(scancode);
}

int32_t ControlCharacterForKey(int32_t virtualKey, bool ctrl) {
    using namespace VirtualKey;
    switch (virtualKey) {
        case Back:
            return 8;
        case Tab:
            return 9;
        case Return:
            return 13;
        case Escape:
            return 27;
        default:
            break;
    }
    if (ctrl && virtualKey >= LetterA && virtualKey <= LetterA + 25) return virtualKey - LetterA + 1;
    return 0;
}

int32_t AltCharacterForKey(int32_t sdlKeycode, bool shift) {
    if (sdlKeycode >= 'a' && sdlKeycode <= 'z') return shift ? sdlKeycode - 'a' + 'A' : sdlKeycode;
    if (sdlKeycode >= 0x20 && sdlKeycode < 0x7F) return sdlKeycode;
    return 0;
}

std::string Utf8ToLatin1(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out.push_back(static_cast<char>(lead));
            ++i;
            continue;
        }
        int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (length == 1 || lead >= 0xF8 || i + length > utf8.size()) {
            ++i; // a stray continuation byte or a cut sequence
            continue;
        }
        uint32_t code = lead & (0x7F >> length);
        bool valid = true;
        for (int k = 1; k < length; ++k) {
            auto next = static_cast<unsigned char>(utf8[i + k]);
            valid = valid && (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (!valid) {
            ++i;
            continue;
        }
        // Only two-byte sequences can encode 0x80 ... 0xFF (the longer forms would be overlong).
        if (length == 2 && code >= 0x80 && code < 0x100) out.push_back(static_cast<char>(code));
        i += length;
    }
    return out;
}

std::string Latin1ToUtf8(const std::string& latin1) {
    std::string out;
    out.reserve(latin1.size() * 2);
    for (char c : latin1) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return out;
}

} // namespace Zorbel
