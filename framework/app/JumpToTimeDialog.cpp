#include "framework/app/JumpToTimeDialog.h"

#include "framework/widget/DialogButton.h"
#include "framework/widget/EditWidget.h"

#include <memory>

namespace Zorbel {

JumpToTimeDialog::JumpToTimeDialog(WidgetHost* host, int32_t id, const std::string& time, Jump jump,
                                   Close close)
    : PlaybackControlDialog(host, id, "Jump To Time", "", BUTTONS_OK_CANCEL, std::move(close)),
      mJump(std::move(jump)) {
    GetYesButton()->SetLabel("Ok");
    GetNoButton()->SetLabel("Cancel");
    auto edit = std::make_unique<EditWidget>(EditId, static_cast<EditListener*>(this));
    mEdit = edit.get();
    mEdit->SetFont(GetLinesFont());
    mEdit->SetMaxChars(MaxChars);
    mEdit->SetText(time);
    mEdit->SelectAll();
    SetBody(std::move(edit));
}

JumpToTimeDialog::~JumpToTimeDialog() = default;

int32_t JumpToTimeDialog::BodyHeight() {
    return mEdit->GetPreferredHeight();
}

void JumpToTimeDialog::ButtonReleased(int32_t id) {
    if (id == ID_YES)
        Ok();
    else if (id == ID_NO)
        Cancel();
}

void JumpToTimeDialog::Ok() {
    if (!Answer(ID_YES)) return;
    if (mJump) mJump(mEdit->GetText());
    RequestClose();
}

void JumpToTimeDialog::Cancel() {
    if (Answer(ID_NO)) RequestClose();
}

void JumpToTimeDialog::EditWidgetText(int32_t, const std::string&) {
    Ok();
}

void JumpToTimeDialog::EditWidgetCancelled(int32_t) {
    Cancel();
}

} // namespace Zorbel
