#include "framework/app/JumpToTimeDialog.h"

#include "framework/graphics/Font.h"
#include "framework/widget/DialogButton.h"
#include "framework/widget/EditWidget.h"
#include "framework/widget/WidgetManager.h"

namespace Zorbel {

JumpToTimeDialog::JumpToTimeDialog(WidgetHost* host, int32_t id, const std::string& time, Jump jump,
                                   Close close)
    : Dialog(host, nullptr, nullptr, id, true, "Jump To Time", "", "", BUTTONS_OK_CANCEL),
      mEdit(std::make_unique<EditWidget>(EditId, static_cast<EditListener*>(this))), mJump(std::move(jump)),
      mClose(std::move(close)) {
    GetYesButton()->SetLabel("Ok");
    GetNoButton()->SetLabel("Cancel");
    mEdit->SetFont(GetLinesFont());
    mEdit->SetMaxChars(MaxChars);
    mEdit->SetText(time);
    mEdit->SelectAll();
    AddChild(mEdit.get());
}

JumpToTimeDialog::~JumpToTimeDialog() {
    RemoveChild(mEdit.get());
}

int32_t JumpToTimeDialog::FieldTop() {
    Font* header = GetHeaderFont();
    int32_t headerHeight = header != nullptr ? header->Height() - header->AscentPadding() : 0;
    return mBackgroundInsets.top + mContentInsets.top + headerHeight + mSpaceAfterHeader;
}

int32_t JumpToTimeDialog::GetPreferredHeight(int32_t width) {
    return Dialog::GetPreferredHeight(width) + mSpaceAfterHeader + mEdit->GetPreferredHeight();
}

void JumpToTimeDialog::Resize(int32_t x, int32_t y, int32_t width, int32_t height) {
    Dialog::Resize(x, y, width, height);
    int32_t left = mBackgroundInsets.left + mContentInsets.left;
    int32_t right = mBackgroundInsets.right + mContentInsets.right;
    mEdit->Resize(left, FieldTop(), width - left - right, mEdit->GetPreferredHeight());
}

void JumpToTimeDialog::FocusField() {
    if (mManager != nullptr) mManager->GiveFocus(mEdit.get());
}

// The buttons answer the dialog itself: these controls are no business of the application's.
void JumpToTimeDialog::ButtonPressed(int32_t) {}

void JumpToTimeDialog::ButtonReleased(int32_t id) {
    if (id == ID_YES)
        Ok();
    else if (id == ID_NO)
        Cancel();
}

void JumpToTimeDialog::Ok() {
    if (mResult != NoResult) return;
    mResult = ID_YES;
    if (mJump) mJump(mEdit->GetText());
    if (mClose) mClose();
}

void JumpToTimeDialog::Cancel() {
    if (mResult != NoResult) return;
    mResult = ID_NO;
    if (mClose) mClose();
}

void JumpToTimeDialog::EditWidgetText(int32_t, const std::string&) {
    Ok();
}

void JumpToTimeDialog::EditWidgetCancelled(int32_t) {
    Cancel();
}

} // namespace Zorbel
