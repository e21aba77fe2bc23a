#include "framework/widget/DialogButton.h"

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"

namespace Zorbel {

DialogButton::DialogButton(Image* componentImage, int32_t id, ButtonListener* listener)
    : ButtonWidget(id, listener), mComponentImage(componentImage) {
    mHandCursor = true;
    mColors.assign(2, Color(255, 255, 255));
}

DialogButton::~DialogButton() = default;

void DialogButton::Draw(Graphics* g) {
    if (mNoDraw) return;
    if (mComponentImage == nullptr) {
        ButtonWidget::Draw(g);
        return;
    }
    EnsureFont(12, 1);
    bool down = IsButtonDown();
    Rect bounds(0, 0, mWidth, mHeight);
    if (mNormalRect.width == 0) {
        // One picture for every state: the pressed look moves the whole button.
        if (down) g->Offset(mTranslateX, mTranslateY);
        g->PaintBox(bounds, mComponentImage);
    } else {
        const Rect* source = &mNormalRect;
        if (mDisabled && mDisabledRect.width >= 1 && mDisabledRect.height >= 1)
            source = &mDisabledRect;
        else if (down)
            source = &mDownRect;
        else if (mIsOver)
            source = &mOverRect;
        g->PaintBoxPart(*source, bounds, mComponentImage);
        // The pressed part is a picture of its own; only the label moves.
        if (down) g->Offset(mTranslateX, mTranslateY);
    }
    g->SetTintImages(true);
    g->SetPaintColor(mIsOver ? GetColor(COLOR_LABEL_HILITE) : GetColor(COLOR_LABEL));
    if (mFont != nullptr) {
        int32_t ascent = mFont->Ascent();
        int32_t x = (mWidth - mFont->StringWidth(mLabel)) / 2 + mTextOffsetX;
        int32_t y = (mHeight - ascent / 6 - mFont->AscentPadding() - 1 + ascent) / 2 + mTextOffsetY;
        g->SetTextFont(mFont.get());
        g->PaintText(mLabel, x, y);
    }
    g->SetTintImages(false);
    if (down) g->Offset(-mTranslateX, -mTranslateY);
}

} // namespace Zorbel
