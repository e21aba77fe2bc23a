// The application's registry of open dialogs, and its part as host of the widget tree.
#include "framework/app/ZorbelAppBase.h"

#include "framework/app/WidgetLayer.h"
#include "framework/platform/font/TtfFontEngine.h"
#include "framework/widget/Dialog.h"

namespace Zorbel {

Dialog* ZorbelAppBase::NewDialog(int32_t id, bool modal, const std::string& header, const std::string& lines,
                                 const std::string& footer, int32_t buttonMode) {
    return new Dialog(this, nullptr, nullptr, id, modal, header, lines, footer, buttonMode);
}

Dialog* ZorbelAppBase::DoDialog(int32_t id, bool modal, const std::string& header, const std::string& lines,
                                const std::string& footer, int32_t buttonMode) {
    KillDialog(id);
    Dialog* dialog = NewDialog(id, modal, header, lines, footer, buttonMode);
    AddDialog(id, dialog);
    return dialog;
}

Dialog* ZorbelAppBase::GetDialog(int32_t id) {
    auto found = mDialogMap.find(id);
    return found == mDialogMap.end() ? nullptr : found->second;
}

void ZorbelAppBase::AddDialog(Dialog* dialog) {
    AddDialog(dialog->GetId(), dialog);
}

void ZorbelAppBase::AddDialog(int32_t id, Dialog* dialog) {
    KillDialog(id);
    if (dialog->GetWidth() == 0) {
        int32_t width = mWidth / 2;
        int32_t height = dialog->GetPreferredHeight(width);
        dialog->Resize((mWidth - width) / 2, mHeight / 5, width, height);
    }
    mDialogMap[id] = dialog;
    mDialogList.push_back(dialog);
    mWidgetManager->AddChild(dialog);
    if (dialog->IsModal()) {
        mWidgetManager->PushModal(dialog);
        ModalOpenHook();
    }
}

void ZorbelAppBase::KillDialog(Dialog* dialog) {
    KillDialog(dialog->GetId());
}

bool ZorbelAppBase::KillDialog(int32_t id) {
    auto found = mDialogMap.find(id);
    if (found == mDialogMap.end()) return false;
    Dialog* dialog = found->second;
    if (dialog->GetResult() == Dialog::NoResult) dialog->SetResult(0);
    mDialogMap.erase(found);
    std::erase(mDialogList, dialog);
    mWidgetManager->RemoveChild(dialog);
    if (dialog->IsModal()) {
        ModalCloseHook();
        mWidgetManager->PopModal(dialog);
    }
    SafeDeleteWidget(dialog);
    return true;
}

void ZorbelAppBase::DialogButtonPressed(int32_t dialogId, int32_t buttonId) {
    if (buttonId == 1000)
        ButtonPressed(dialogId + 2000);
    else if (buttonId == 1001)
        ButtonPressed(dialogId + 3000);
}

void ZorbelAppBase::DialogButtonReleased(int32_t dialogId, int32_t buttonId) {
    if (buttonId == 1000)
        ButtonReleased(dialogId + 2000);
    else if (buttonId == 1001)
        ButtonReleased(dialogId + 3000);
}

FontEngine* ZorbelAppBase::GetFontEngine() {
    if (!mFontEngine) mFontEngine = std::make_unique<TtfFontEngine>();
    return mFontEngine.get();
}

WidgetManager* ZorbelAppBase::GetWidgetManager() {
    return mWidgetManager ? mWidgetManager->GetManager() : nullptr;
}

} // namespace Zorbel
