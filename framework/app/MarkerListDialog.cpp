#include "framework/app/MarkerListDialog.h"

#include "framework/widget/ListWidget.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace Zorbel {

MarkerListDialog::MarkerListDialog(WidgetHost* host, int32_t id, const Playback& playback, Jump jump,
                                   Close close)
    : PlaybackControlDialog(host, id, "Marker List", "Close", BUTTONS_FOOTER, std::move(close)),
      mUpdateCount(playback.updateCount), mJump(std::move(jump)) {
    auto list = std::make_unique<ListWidget>(ListId, static_cast<ListListener*>(this));
    mList = list.get();
    mList->SetFont(GetLinesFont());
    std::vector<std::string> entries;
    for (const DemoMarker& marker : playback.markers) {
        if (marker.step <= playback.updateCount) continue;
        entries.push_back(EntryText(marker.name, marker.step, playback.demoLength, playback.frameTimeMs));
        mSteps.push_back(marker.step);
    }
    mList->SetItems(std::move(entries));
    if (!mSteps.empty()) mList->SetSelectedIndex(0);
    SetBody(std::move(list));
}

MarkerListDialog::~MarkerListDialog() = default;

std::string MarkerListDialog::EntryText(const std::string& name, int32_t step, int32_t demoLength,
                                        int32_t frameTimeMs) {
    int64_t seconds = std::max<int64_t>(0, (int64_t(demoLength) - step) * frameTimeMs / 1000);
    auto part = [](int64_t value) { return static_cast<int>(std::min<int64_t>(value, 999999)); };
    char time[64];
    std::snprintf(time, sizeof time, " (%02d:%02d:%02d)", part(seconds / 3600), part(seconds / 60 % 60),
                  part(seconds % 60));
    return name.substr(0, name.find('\0')) + time;
}

int32_t MarkerListDialog::BodyHeight() {
    int32_t rows = std::clamp(mList->GetItemCount(), 3, VisibleMarkers);
    return rows * mList->GetItemHeight() + 2 * ListWidget::Inset;
}

int32_t MarkerListDialog::GetPreferredWidth() {
    return mList->GetPreferredWidth() + mBackgroundInsets.left + mBackgroundInsets.right +
           mContentInsets.left + mContentInsets.right;
}

void MarkerListDialog::ButtonReleased(int32_t id) {
    if (id == ID_YES) Cancel();
}

void MarkerListDialog::Choose(int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(mSteps.size())) return;
    int32_t step = mSteps[static_cast<size_t>(index)];
    // Only a marker still ahead can be reached: the replay does not run backwards.
    if (step <= mUpdateCount || !Answer(ID_YES)) return;
    if (mJump) mJump(step);
    RequestClose();
}

void MarkerListDialog::Cancel() {
    if (Answer(ID_NO)) RequestClose();
}

void MarkerListDialog::ListItemActivated(int32_t, int32_t index) {
    Choose(index);
}

void MarkerListDialog::ListCancelled(int32_t) {
    Cancel();
}

} // namespace Zorbel
