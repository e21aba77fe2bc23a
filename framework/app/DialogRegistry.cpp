#include "framework/app/DialogRegistry.h"

#include "framework/app/WidgetLayer.h"
#include "framework/widget/Dialog.h"

#include <algorithm>

namespace Zorbel {

DialogRegistry::~DialogRegistry() {
    for (Dialog* dialog : mOrder) {
        mWidgets.RemoveChild(dialog);
        delete dialog;
    }
}

void DialogRegistry::Add(int32_t id, Dialog* dialog, int32_t screenWidth, int32_t screenHeight) {
    Kill(id);
    if (dialog->GetWidth() == 0) {
        int32_t width = screenWidth / 2;
        int32_t height = dialog->GetPreferredHeight(width);
        dialog->Resize((screenWidth - width) / 2, screenHeight / 5, width, height);
    }
    mById[id] = dialog;
    mOrder.push_back(dialog);
    mWidgets.AddChild(dialog);
    if (dialog->IsModal()) {
        mWidgets.PushModal(dialog);
        mHooks.ModalOpenHook();
    }
}

bool DialogRegistry::Kill(int32_t id) {
    auto found = mById.find(id);
    if (found == mById.end()) return false;
    Dialog* dialog = found->second;
    if (dialog->GetResult() == Dialog::NoResult) dialog->SetResult(0);
    mById.erase(found);
    std::erase(mOrder, dialog);
    mWidgets.RemoveChild(dialog);
    if (dialog->IsModal()) {
        mHooks.ModalCloseHook();
        mWidgets.PopModal(dialog);
    }
    mHooks.SafeDeleteWidget(dialog);
    return true;
}

Dialog* DialogRegistry::Get(int32_t id) const {
    auto found = mById.find(id);
    return found == mById.end() ? nullptr : found->second;
}

} // namespace Zorbel
