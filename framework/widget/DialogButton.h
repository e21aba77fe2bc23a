#pragma once

#include "framework/widget/ButtonWidget.h"

namespace Zorbel {

// The button of a dialog: drawn from one stretchable frame picture (or parts of it, one for each
// state) with a centred label in white. Without a frame picture it looks like a plain button.
class DialogButton : public ButtonWidget {
public:
    // The frame picture (may be null) and the listener must outlive the button.
    DialogButton(Image* componentImage, int32_t id, ButtonListener* listener);
    ~DialogButton() override;

    void Draw(Graphics* g) override;

    Image* mComponentImage;
    // How far the pressed look moves.
    int32_t mTranslateX = 1;
    int32_t mTranslateY = 1;
    // Added to the label position.
    int32_t mTextOffsetX = 0;
    int32_t mTextOffsetY = 0;
};

} // namespace Zorbel
