#pragma once

#include <cstdint>

namespace Zorbel {

// Receives the button clicks of dialogs: the dialog's id and the button's id (1000 for the first
// button, 1001 for the second). Both operations do nothing unless overridden.
class DialogListener {
public:
    virtual ~DialogListener() = default;

    // A mouse button went down on a dialog button.
    virtual void DialogButtonPressed(int32_t dialogId, int32_t buttonId);
    // A dialog button was clicked (released over it).
    virtual void DialogButtonReleased(int32_t dialogId, int32_t buttonId);
};

} // namespace Zorbel
