#pragma once

#include <cstdint>

namespace Zorbel {

// Receives what happens to buttons. A listener serves many buttons and tells them apart by the id
// each button was created with. Every operation does nothing unless overridden.
class ButtonListener {
public:
    virtual ~ButtonListener() = default;

    // A mouse button went down on the button; clickCount is the press code (1 left, 2 left double,
    // -1 right, -2 right double, 3 middle). Forwards to ButtonPressed(id).
    virtual void ButtonPressed(int32_t id, int32_t clickCount);
    virtual void ButtonPressed(int32_t id);
    // A mouse button was released over the button while the window had the focus: a click.
    virtual void ButtonReleased(int32_t id);
    // Once per update step while a mouse button is held on the button with the pointer over it.
    virtual void ButtonHeld(int32_t id);
    virtual void ButtonEntered(int32_t id);
    virtual void ButtonExited(int32_t id);
    // The pointer moved over the button; x and y are in the button's coordinates.
    virtual void ButtonPointerMoved(int32_t id, int32_t x, int32_t y);
};

} // namespace Zorbel
