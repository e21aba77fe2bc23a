#pragma once

#include <cstdint>

namespace Zorbel {

// Identifies a window of the window system. 0 is "no window".
using WindowId = uint32_t;

// What happened to a window. The kinds are those the application's window procedure handles; the
// platform layer translates its own events into them.
enum class MessageKind : uint8_t {
    Activate,     // value: 1 when the application became active, 0 when it lost the activation
    Size,         // value: a SizeState; x, y: the new client width and height
    Move,         // x, y: the client area's new position on the screen
    Close,        // the user asked to close the window
    EndSession,   // the session ends (log-off, or the process was asked to terminate)
    Paint,        // the window's contents were lost and should be presented again
    KeyDown,      // value: virtual-key code; repeat: auto-repeat of a held key
    KeyUp,        // value: virtual-key code
    SysKeyDown,   // a key pressed while Alt is held (Alt itself included); value: virtual-key code
    SysKeyUp,     // a key released while Alt is held; value: virtual-key code
    Char,         // value: the typed character, 8-bit Latin-1 (control characters included)
    SysChar,      // value: a character typed while Alt is held
    Timer,        // the window's timer ticked; value: the timer id
    MouseMove,    // x, y: client coordinates; buttons: the buttons held
    LeftDown,     // x, y, buttons as for MouseMove
    LeftUp,       //
    LeftDouble,   // the second press of a double click
    RightDown,    //
    RightUp,      //
    RightDouble,  //
    MiddleDown,   //
    MiddleUp,     //
    MiddleDouble, //
    Wheel,        // value: rotation, 120 per notch, positive away from the user; x, y: pointer
    Notify,       // another copy of the program asks this one to come to the front
};

enum SizeState : int32_t { SizeRestored = 0, SizeMinimised = 1, SizeMaximised = 2 };

// Bits of WindowMessage::buttons.
enum MouseButtonBits : uint8_t { ButtonLeft = 1, ButtonRight = 2, ButtonMiddle = 4 };

enum class MouseButton : uint8_t { Left, Right, Middle };

// One window message: plain data, so messages can be queued, copied, compared and recorded freely.
struct WindowMessage {
    WindowId window = 0;
    MessageKind kind = MessageKind::Timer;
    int32_t value = 0;
    int32_t x = 0;
    int32_t y = 0;
    uint8_t buttons = 0;
    bool repeat = false;

    constexpr bool operator==(const WindowMessage&) const = default;

    constexpr bool IsMouse() const {
        return kind >= MessageKind::MouseMove && kind <= MessageKind::MiddleDouble;
    }
    constexpr bool IsButtonPress() const {
        return kind == MessageKind::LeftDown || kind == MessageKind::LeftDouble ||
               kind == MessageKind::RightDown || kind == MessageKind::RightDouble ||
               kind == MessageKind::MiddleDown || kind == MessageKind::MiddleDouble;
    }
    constexpr bool IsButtonRelease() const {
        return kind == MessageKind::LeftUp || kind == MessageKind::RightUp || kind == MessageKind::MiddleUp;
    }
    // The button of a press or release.
    constexpr MouseButton Button() const {
        switch (kind) {
            case MessageKind::RightDown:
            case MessageKind::RightUp:
            case MessageKind::RightDouble:
                return MouseButton::Right;
            case MessageKind::MiddleDown:
            case MessageKind::MiddleUp:
            case MessageKind::MiddleDouble:
                return MouseButton::Middle;
            default:
                return MouseButton::Left;
        }
    }
    // Presses count 2 for the second press of a double click, else 1.
    constexpr int32_t ClickCount() const {
        return kind == MessageKind::LeftDouble || kind == MessageKind::RightDouble ||
                       kind == MessageKind::MiddleDouble
                   ? 2
                   : 1;
    }
};

} // namespace Zorbel
