#include "framework/widget/ListListener.h"

namespace Zorbel {

void ListListener::ListSelectionChanged(int32_t, int32_t) {}
void ListListener::ListItemActivated(int32_t, int32_t) {}
void ListListener::ListCancelled(int32_t) {}

} // namespace Zorbel
