#pragma once

#include "framework/widget/Dialog.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Zorbel {

// A modal dialog of the demo playback controls: a header, one widget below it across the dialog's
// width (the body), and buttons at the bottom. Its buttons answer the dialog itself rather than the
// application, and the first answer asks for the dialog to be closed.
class PlaybackControlDialog : public Dialog {
public:
    using Close = std::function<void()>;

    ~PlaybackControlDialog() override;

    void Resize(int32_t x, int32_t y, int32_t width, int32_t height) override;
    using Dialog::Resize;
    int32_t GetPreferredHeight(int32_t width) override;
    void ButtonPressed(int32_t id) override;
    using Dialog::ButtonPressed;
    // The body takes the keyboard (once the dialog is in the tree and modal).
    void FocusBody();

protected:
    // The host must outlive the dialog.
    PlaybackControlDialog(WidgetHost* host, int32_t id, const std::string& header, const std::string& footer,
                          int32_t buttonMode, Close close);

    // The dialog keeps the body and shows it below the header.
    void SetBody(std::unique_ptr<Widget> body);
    // The body's height in the layout.
    virtual int32_t BodyHeight() = 0;
    // Takes the answer when it is the first; false for a later one, which changes nothing.
    bool Answer(int32_t result);
    // Asks the owner to close the dialog.
    void RequestClose();

private:
    int32_t BodyTop();

    std::unique_ptr<Widget> mBody;
    Close mClose;
};

} // namespace Zorbel
