#pragma once

#include "framework/app/DemoFile.h"
#include "framework/app/PlaybackControlDialog.h"
#include "framework/widget/ListListener.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Zorbel {

class ListWidget;

// "Marker List" of the demo playback controls: the markers of the recording still ahead, each with
// the time from it to the end of the recording, in a list box. Double-clicking a marker (or Enter on
// it) jumps there; the Close button and Escape close the dialog without a jump.
class MarkerListDialog : public PlaybackControlDialog, private ListListener {
public:
    static constexpr int32_t ListId = 100;
    // The list shows at most this many markers at once and scrolls the others.
    static constexpr int32_t VisibleMarkers = 12;

    using Jump = std::function<void(int32_t step)>;

    // What the list is made of: the markers, the update step the replay has reached, the length of the
    // recording in steps and the length of a step.
    struct Playback {
        std::vector<DemoMarker> markers;
        int32_t updateCount = 0;
        int32_t demoLength = 0;
        int32_t frameTimeMs = 10;
    };

    // The host must outlive the dialog.
    MarkerListDialog(WidgetHost* host, int32_t id, const Playback& playback, Jump jump, Close close);
    ~MarkerListDialog() override;

    // "name (hh:mm:ss)": the marker's name and the time from it to the end of the recording.
    static std::string EntryText(const std::string& name, int32_t step, int32_t demoLength,
                                 int32_t frameTimeMs);

    // The width that shows the longest entry whole.
    int32_t GetPreferredWidth();
    ListWidget* GetList() const { return mList; }
    // The update step of each entry, in the list's order.
    const std::vector<int32_t>& GetSteps() const { return mSteps; }

    void ButtonReleased(int32_t id) override;
    // Jumps to the entry when its marker is still ahead, and closes the dialog.
    void Choose(int32_t index);
    void Cancel();

private:
    // Room for the markers up to VisibleMarkers, and for three at least, so that an empty list still
    // looks like one.
    int32_t BodyHeight() override;
    void ListItemActivated(int32_t id, int32_t index) override;
    void ListCancelled(int32_t id) override;

    ListWidget* mList;
    std::vector<int32_t> mSteps;
    int32_t mUpdateCount;
    Jump mJump;
};

} // namespace Zorbel
