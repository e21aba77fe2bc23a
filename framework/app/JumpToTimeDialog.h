#pragma once

#include "framework/app/PlaybackControlDialog.h"
#include "framework/widget/EditListener.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace Zorbel {

class EditWidget;

// "Jump To Time" of the demo playback controls: an edit field holding a time counted back from the
// end of the recording ("h:m:s", "m:s" or seconds) and the buttons Ok and Cancel. Enter in the field
// is Ok, Escape is Cancel. Ok hands the time to the jump; either answer then asks to be closed.
class JumpToTimeDialog : public PlaybackControlDialog, private EditListener {
public:
    static constexpr int32_t EditId = 100;
    // The longest time text the field takes.
    static constexpr size_t MaxChars = 500;

    using Jump = std::function<void(const std::string& time)>;

    // The field shows the time, all of it selected. The host must outlive the dialog.
    JumpToTimeDialog(WidgetHost* host, int32_t id, const std::string& time, Jump jump, Close close);
    ~JumpToTimeDialog() override;

    EditWidget* GetEdit() const { return mEdit; }
    void ButtonReleased(int32_t id) override;
    void Ok();
    void Cancel();

private:
    int32_t BodyHeight() override;
    void EditWidgetText(int32_t id, const std::string& text) override;
    void EditWidgetCancelled(int32_t id) override;

    EditWidget* mEdit;
    Jump mJump;
};

} // namespace Zorbel
