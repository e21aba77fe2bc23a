#include "framework/app/PlaybackControlDialog.h"

#include "framework/graphics/Font.h"
#include "framework/widget/WidgetManager.h"

namespace Zorbel {

PlaybackControlDialog::PlaybackControlDialog(WidgetHost* host, int32_t id, const std::string& header,
                                             const std::string& footer, int32_t buttonMode, Close close)
    : Dialog(host, nullptr, nullptr, id, true, header, "", footer, buttonMode), mClose(std::move(close)) {}

PlaybackControlDialog::~PlaybackControlDialog() {
    if (mBody != nullptr) RemoveChild(mBody.get());
}

void PlaybackControlDialog::SetBody(std::unique_ptr<Widget> body) {
    if (mBody != nullptr) RemoveChild(mBody.get());
    mBody = std::move(body);
    if (mBody != nullptr) AddChild(mBody.get());
}

int32_t PlaybackControlDialog::BodyTop() {
    Font* header = GetHeaderFont();
    int32_t headerHeight = header != nullptr ? header->Height() - header->AscentPadding() : 0;
    return mBackgroundInsets.top + mContentInsets.top + headerHeight + mSpaceAfterHeader;
}

int32_t PlaybackControlDialog::GetPreferredHeight(int32_t width) {
    return Dialog::GetPreferredHeight(width) + mSpaceAfterHeader + BodyHeight();
}

void PlaybackControlDialog::Resize(int32_t x, int32_t y, int32_t width, int32_t height) {
    Dialog::Resize(x, y, width, height);
    if (mBody == nullptr) return;
    int32_t left = mBackgroundInsets.left + mContentInsets.left;
    int32_t right = mBackgroundInsets.right + mContentInsets.right;
    mBody->Resize(left, BodyTop(), width - left - right, BodyHeight());
}

void PlaybackControlDialog::FocusBody() {
    if (mManager != nullptr && mBody != nullptr) mManager->GiveFocus(mBody.get());
}

// A press reports nothing: only the click that answers counts.
void PlaybackControlDialog::ButtonPressed(int32_t) {}

bool PlaybackControlDialog::Answer(int32_t result) {
    if (mResult != NoResult) return false;
    mResult = result;
    return true;
}

void PlaybackControlDialog::RequestClose() {
    if (mClose) mClose();
}

} // namespace Zorbel
