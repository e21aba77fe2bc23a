#include "framework/widget/EditListener.h"

namespace Zorbel {

void EditListener::EditWidgetText(int32_t, const std::string&) {}
void EditListener::EditWidgetChanged(int32_t, const std::string&) {}
void EditListener::EditWidgetCancelled(int32_t) {}

} // namespace Zorbel
