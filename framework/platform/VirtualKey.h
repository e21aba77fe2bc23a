#pragma once

#include <cstdint>

namespace Zorbel {

// Key codes as the framework knows them: the classic PC virtual-key numbering. Key messages, the
// widget manager's key-state table and demo files all use these numbers; letters and digits are their
// upper-case ASCII codes ('A' = 65, '0' = 48).
namespace VirtualKey {

constexpr int32_t None = 0;
constexpr int32_t Back = 8;
constexpr int32_t Tab = 9;
constexpr int32_t Clear = 12;
constexpr int32_t Return = 13;
constexpr int32_t Shift = 16;
constexpr int32_t Control = 17;
constexpr int32_t Alt = 18;
constexpr int32_t Pause = 19;
constexpr int32_t CapsLock = 20;
constexpr int32_t Escape = 27;
constexpr int32_t Space = 32;
constexpr int32_t PageUp = 33;
constexpr int32_t PageDown = 34;
constexpr int32_t End = 35;
constexpr int32_t Home = 36;
constexpr int32_t Left = 37;
constexpr int32_t Up = 38;
constexpr int32_t Right = 39;
constexpr int32_t Down = 40;
constexpr int32_t PrintScreen = 44;
constexpr int32_t Insert = 45;
constexpr int32_t Delete = 46;
constexpr int32_t Digit0 = 48;  // '0' ... '9' are 48 ... 57
constexpr int32_t LetterA = 65; // 'A' ... 'Z' are 65 ... 90
constexpr int32_t LeftWindows = 91;
constexpr int32_t RightWindows = 92;
constexpr int32_t Menu = 93;
constexpr int32_t Numpad0 = 96; // ... Numpad9 = 105
constexpr int32_t Multiply = 106;
constexpr int32_t Add = 107;
constexpr int32_t Subtract = 109;
constexpr int32_t Decimal = 110;
constexpr int32_t Divide = 111;
constexpr int32_t F1 = 112; // ... F24 = 135
constexpr int32_t NumLock = 144;
constexpr int32_t ScrollLock = 145;
constexpr int32_t Semicolon = 186; // ';' and ':' on a US keyboard
constexpr int32_t Plus = 187;      // '=' and '+'
constexpr int32_t Comma = 188;
constexpr int32_t Minus = 189;
constexpr int32_t Period = 190;
constexpr int32_t Slash = 191; // '/' and '?'
constexpr int32_t Grave = 192; // '`' and '~'
constexpr int32_t LeftBracket = 219;
constexpr int32_t Backslash = 220;
constexpr int32_t RightBracket = 221;
constexpr int32_t Quote = 222;
constexpr int32_t NonUsBackslash = 226; // the extra key left of Z on ISO keyboards

constexpr int32_t Function(int n) {
    return F1 + n - 1;
}

} // namespace VirtualKey

} // namespace Zorbel
