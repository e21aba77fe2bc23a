#pragma once

#include <cstdint>
#include <string>

namespace Zorbel {

// Translation of SDL's key identification into the framework's virtual-key codes (VirtualKey.h) and of
// text between UTF-8 and the 8-bit Latin-1 the framework uses for characters. The SDL values are passed
// as plain integers so that this header does not pull SDL in.

// The virtual key of a key event, or VirtualKey::None for keys the framework has no code for. Letters and
// digits follow the keyboard layout (the key labelled A gives 65); keys whose layout symbol is not ASCII
// fall back to their position on a US keyboard. The keypad gives digits with Num Lock on and the
// navigation keys with it off.
int32_t VirtualKeyFromSdl(int32_t sdlKeycode, int32_t sdlScancode, bool numLock);

// The control character a key produces when pressed (Backspace 8, Tab 9, Enter 13, Escape 27, and
// Ctrl + letter 1 ... 26), or 0. Printable characters come from text input instead.
int32_t ControlCharacterForKey(int32_t virtualKey, bool ctrl);

// The character a key stands for when pressed with Alt held (lower-case letters unless Shift is held,
// digits and the ASCII punctuation of the layout), or 0.
int32_t AltCharacterForKey(int32_t sdlKeycode, bool shift);

// Every code point below 256 becomes one byte; others, and malformed sequences, are dropped.
std::string Utf8ToLatin1(const std::string& utf8);
std::string Latin1ToUtf8(const std::string& latin1);

} // namespace Zorbel
