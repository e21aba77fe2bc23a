#include "framework/widget/ButtonListener.h"

namespace Zorbel {

void ButtonListener::ButtonPressed(int32_t id, int32_t) {
    ButtonPressed(id);
}
void ButtonListener::ButtonPressed(int32_t) {}
void ButtonListener::ButtonReleased(int32_t) {}
void ButtonListener::ButtonHeld(int32_t) {}
void ButtonListener::ButtonEntered(int32_t) {}
void ButtonListener::ButtonExited(int32_t) {}
void ButtonListener::ButtonPointerMoved(int32_t, int32_t, int32_t) {}

} // namespace Zorbel
