#pragma once

#include "framework/widget/Dialog.h"
#include "framework/widget/EditListener.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Zorbel {

class EditWidget;

// "Jump To Time" of the demo playback controls: an edit field holding a time counted back from the
// end of the recording ("h:m:s", "m:s" or seconds) and the buttons Ok and Cancel. Enter in the field
// is Ok, Escape is Cancel. Ok hands the time to the jump; either answer then asks to be closed.
class JumpToTimeDialog : public Dialog, private EditListener {
public:
    static constexpr int32_t EditId = 100;
    // The longest time text the field takes.
    static constexpr size_t MaxChars = 500;

    using Jump = std::function<void(const std::string& time)>;
    using Close = std::function<void()>;

    // The field shows the time, all of it selected. The host must outlive the dialog.
    JumpToTimeDialog(WidgetHost* host, int32_t id, const std::string& time, Jump jump, Close close);
    ~JumpToTimeDialog() override;

    void Resize(int32_t x, int32_t y, int32_t width, int32_t height) override;
    using Dialog::Resize;
    int32_t GetPreferredHeight(int32_t width) override;
    // The field takes the keyboard (once the dialog is in the tree and modal).
    void FocusField();
    EditWidget* GetEdit() const { return mEdit.get(); }

    void ButtonPressed(int32_t id) override;
    void ButtonReleased(int32_t id) override;
    using Dialog::ButtonPressed;

    void Ok();
    void Cancel();

private:
    void EditWidgetText(int32_t id, const std::string& text) override;
    void EditWidgetCancelled(int32_t id) override;
    // The top of the field, below the header.
    int32_t FieldTop();

    std::unique_ptr<EditWidget> mEdit;
    Jump mJump;
    Close mClose;
};

} // namespace Zorbel
