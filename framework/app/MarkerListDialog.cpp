#include "framework/app/MarkerListDialog.h"

#include "framework/graphics/Font.h"
#include "framework/widget/DialogButton.h"
#include "framework/widget/ListWidget.h"
#include "framework/widget/WidgetManager.h"

#include <algorithm>
#include <cstdio>

namespace Zorbel {

MarkerListDialog::MarkerListDialog(WidgetHost* host, int32_t id, const Playback& playback, Jump jump,
                                   Close close)
    : Dialog(host, nullptr, nullptr, id, true, "Marker List", "", "Close", BUTTONS_FOOTER),
      mList(std::make_unique<ListWidget>(ListId, static_cast<ListListener*>(this))),
      mUpdateCount(playback.updateCount), mJump(std::move(jump)), mClose(std::move(close)) {
    mList->SetFont(GetLinesFont());
    std::vector<std::string> entries;
    for (const DemoMarker& marker : playback.markers) {
        if (marker.step <= playback.updateCount) continue;
        entries.push_back(EntryText(marker.name, marker.step, playback.demoLength, playback.frameTimeMs));
        mSteps.push_back(marker.step);
    }
    mList->SetItems(std::move(entries));
    if (!mSteps.empty()) mList->SetSelectedIndex(0);
    AddChild(mList.get());
}

MarkerListDialog::~MarkerListDialog() {
    RemoveChild(mList.get());
}

std::string MarkerListDialog::EntryText(const std::string& name, int32_t step, int32_t demoLength,
                                        int32_t frameTimeMs) {
    int64_t seconds = std::max<int64_t>(0, (int64_t(demoLength) - step) * frameTimeMs / 1000);
    auto part = [](int64_t value) { return static_cast<int>(std::min<int64_t>(value, 999999)); };
    char time[64];
    std::snprintf(time, sizeof time, " (%02d:%02d:%02d)", part(seconds / 3600), part(seconds / 60 % 60),
                  part(seconds % 60));
    return name.substr(0, name.find('\0')) + time;
}

int32_t MarkerListDialog::ListTop() {
    Font* header = GetHeaderFont();
    int32_t headerHeight = header != nullptr ? header->Height() - header->AscentPadding() : 0;
    return mBackgroundInsets.top + mContentInsets.top + headerHeight + mSpaceAfterHeader;
}

// Room for the markers up to a dozen, and for three at least, so that an empty list still looks
// like one.
int32_t MarkerListDialog::ListHeight() {
    int32_t rows = std::clamp(mList->GetItemCount(), 3, VisibleMarkers);
    return rows * mList->GetItemHeight() + 2 * (1 + ListWidget::Padding);
}

int32_t MarkerListDialog::GetPreferredHeight(int32_t width) {
    return Dialog::GetPreferredHeight(width) + mSpaceAfterHeader + ListHeight();
}

int32_t MarkerListDialog::GetPreferredWidth() {
    return mList->GetPreferredWidth() + mBackgroundInsets.left + mBackgroundInsets.right +
           mContentInsets.left + mContentInsets.right;
}

void MarkerListDialog::Resize(int32_t x, int32_t y, int32_t width, int32_t height) {
    Dialog::Resize(x, y, width, height);
    int32_t left = mBackgroundInsets.left + mContentInsets.left;
    int32_t right = mBackgroundInsets.right + mContentInsets.right;
    mList->Resize(left, ListTop(), width - left - right, ListHeight());
}

void MarkerListDialog::FocusList() {
    if (mManager != nullptr) mManager->GiveFocus(mList.get());
}

// The button answers the dialog itself: these controls are no business of the application's.
void MarkerListDialog::ButtonPressed(int32_t) {}

void MarkerListDialog::ButtonReleased(int32_t id) {
    if (id == ID_YES) Cancel();
}

void MarkerListDialog::Choose(int32_t index) {
    if (mResult != NoResult || index < 0 || index >= static_cast<int32_t>(mSteps.size())) return;
    int32_t step = mSteps[static_cast<size_t>(index)];
    // Only a marker still ahead can be reached: the replay does not run backwards.
    if (step <= mUpdateCount) return;
    mResult = ID_YES;
    if (mJump) mJump(step);
    if (mClose) mClose();
}

void MarkerListDialog::Cancel() {
    if (mResult != NoResult) return;
    mResult = ID_NO;
    if (mClose) mClose();
}

void MarkerListDialog::ListItemActivated(int32_t, int32_t index) {
    Choose(index);
}

void MarkerListDialog::ListCancelled(int32_t) {
    Cancel();
}

} // namespace Zorbel
