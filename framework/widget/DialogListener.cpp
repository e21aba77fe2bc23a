#include "framework/widget/DialogListener.h"

namespace Zorbel {

void DialogListener::DialogButtonPressed(int32_t, int32_t) {}
void DialogListener::DialogButtonReleased(int32_t, int32_t) {}

} // namespace Zorbel
