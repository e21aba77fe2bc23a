#include "framework/widget/ButtonWidget.h"

#include "framework/font/SysFont.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/widget/ButtonListener.h"
#include "framework/widget/WidgetHost.h"
#include "framework/widget/WidgetManager.h"

#include <algorithm>

namespace Zorbel {

namespace {

// Stands in for a missing listener, so that a button never has to check.
ButtonListener& SilentListener() {
    static ButtonListener listener;
    return listener;
}

const Color kFace(212, 212, 212);
const Color kShade(132, 132, 132);
const Color kWhite(255, 255, 255);
const Color kBlack(0, 0, 0);

} // namespace

ButtonWidget::ButtonWidget(int32_t id, ButtonListener* listener)
    : mId(id), mListener(listener != nullptr ? listener : &SilentListener()) {
    mHasAlpha = true;
    mColors.assign(2, kBlack);
}

ButtonWidget::~ButtonWidget() = default;

void ButtonWidget::SetLabel(const std::string& label) {
    if (mLabel == label) return;
    mLabel = label;
    Invalidate();
}

void ButtonWidget::SetFont(Font* font) {
    mFont = font != nullptr ? font->Clone() : nullptr;
}

bool ButtonWidget::IsButtonDown() {
    return mIsDown && mIsOver && !mDisabled;
}

bool ButtonWidget::HaveButtonImage(const Image* image, const Rect& rect) const {
    return image != nullptr || rect.width != 0;
}

void ButtonWidget::SetDisabled(bool disabled) {
    Widget::SetDisabled(disabled);
    if (HaveButtonImage(mDisabledImage, mDisabledRect)) Invalidate();
}

// Input -------------------------------------------------------------------------------------------------

void ButtonWidget::MouseDown(int32_t x, int32_t y, int32_t clickCount) {
    Widget::MouseDown(x, y, clickCount);
    mListener->ButtonPressed(mId, clickCount);
    Invalidate();
}

// A release is a click only when the pointer is still over the button.
void ButtonWidget::MouseUp(int32_t, int32_t) {
    if (mIsOver && mManager != nullptr && mManager->WindowHasFocus()) mListener->ButtonReleased(mId);
    Invalidate();
}

void ButtonWidget::MouseMove(int32_t x, int32_t y) {
    mListener->ButtonPointerMoved(mId, x, y);
}

bool ButtonWidget::HoverChangesLook() const {
    return mIsDown || HaveButtonImage(mOverImage, mOverRect) ||
           GetColor(COLOR_LABEL) != GetColor(COLOR_LABEL_HILITE);
}

void ButtonWidget::MouseEnter() {
    if (mOverAlphaFadeInSpeed == 0 && mOverAlpha > 0) mOverAlpha = 0;
    if (HoverChangesLook()) Invalidate();
    mListener->ButtonEntered(mId);
}

void ButtonWidget::MouseLeave() {
    if (mOverAlphaFadeOutSpeed == 0 && mOverAlpha > 0)
        mOverAlpha = 0;
    else if (mOverAlphaFadeOutSpeed > 0 && mOverAlpha == 0)
        mOverAlpha = 1; // the fade-out starts from full strength
    if (HoverChangesLook()) Invalidate();
    mListener->ButtonExited(mId);
}

// Update -------------------------------------------------------------------------------------------------

void ButtonWidget::Update() {
    Widget::Update();
    if (mIsDown) {
        // Held off the button: no hold reports and no fading until the pointer is back.
        if (!mIsOver) return;
        mListener->ButtonHeld(mId);
    } else if (!mIsOver) {
        if (mOverAlpha > 0) {
            mOverAlpha =
                mOverAlphaFadeOutSpeed > 0 ? std::max(0.0, mOverAlpha - mOverAlphaFadeOutSpeed) : 0.0;
            Invalidate();
        }
        return;
    }
    if (mOverAlphaFadeInSpeed > 0 && mOverAlpha < 1) {
        mOverAlpha = std::min(1.0, mOverAlpha + mOverAlphaFadeInSpeed);
        Invalidate();
    }
}

// Drawing ----------------------------------------------------------------------------------------------

void ButtonWidget::EnsureFont(int32_t pointSize, int32_t characterSet) {
    if (mFont != nullptr || mLabel.empty()) return;
    WidgetHost* host = mManager != nullptr ? mManager->GetHost() : nullptr;
    if (host == nullptr || host->GetFontEngine() == nullptr) return;
    mFont = std::make_unique<SysFont>(host->GetFontEngine(), "SansSerif", pointSize, characterSet, false,
                                      false, false);
}

void ButtonWidget::DrawButtonImage(Graphics* g, Image* image, const Rect& rect, int32_t x, int32_t y) {
    if (rect.width != 0) {
        if (mButtonImage != nullptr) g->PaintImagePart(mButtonImage, x, y, rect);
    } else if (image != nullptr) {
        g->PaintImage(image, x, y);
    }
}

void ButtonWidget::DrawLabel(Graphics* g, const Color& color, int32_t x, int32_t y) {
    if (mFont == nullptr) return;
    g->SetTextFont(mFont.get());
    g->SetPaintColor(color);
    g->PaintText(mLabel, x, y);
}

void ButtonWidget::Draw(Graphics* g) {
    if (mNoDraw) return;
    EnsureFont(10, 0);
    bool pressed = IsButtonDown() != mInverted;
    int32_t labelX = 0;
    int32_t labelY = 0;
    if (mFont != nullptr) {
        int32_t labelWidth = mFont->StringWidth(mLabel);
        if (mLabelJustify == JUSTIFY_CENTER)
            labelX = (mWidth - labelWidth) / 2;
        else if (mLabelJustify == JUSTIFY_RIGHT)
            labelX = mWidth - labelWidth;
        int32_t ascent = mFont->Ascent();
        labelY = (mHeight - ascent / 6 + ascent - 1) / 2;
    }
    if (mButtonImage == nullptr && mDownImage == nullptr)
        DrawBuiltInLook(g, pressed, labelX, labelY);
    else
        DrawPictureLook(g, pressed, labelX, labelY);
}

void ButtonWidget::DrawBuiltInLook(Graphics* g, bool pressed, int32_t labelX, int32_t labelY) {
    const int32_t w = mWidth;
    const int32_t h = mHeight;
    if (!mFrameNoDraw) {
        g->SetPaintColor(kFace);
        g->PaintRect(0, 0, w, h);
    }
    if (!pressed) {
        if (!mFrameNoDraw) {
            g->SetPaintColor(kWhite);
            g->PaintRect(0, 0, w - 1, 1);
            g->PaintRect(0, 0, 1, h - 1);
            g->SetPaintColor(kBlack);
            g->PaintRect(0, h - 1, w, 1);
            g->PaintRect(w - 1, 0, 1, h);
            g->SetPaintColor(kShade);
            g->PaintRect(1, h - 2, w - 2, 1);
            g->PaintRect(w - 2, 1, 1, h - 2);
        }
        DrawLabel(g, mIsOver ? GetColor(COLOR_LABEL_HILITE) : GetColor(COLOR_LABEL), labelX, labelY);
        return;
    }
    if (!mFrameNoDraw) {
        g->SetPaintColor(kBlack);
        g->PaintRect(0, 0, w - 1, 1);
        g->PaintRect(0, 0, 1, h - 1);
        g->SetPaintColor(kWhite);
        g->PaintRect(0, h - 1, w, 1);
        g->PaintRect(w - 1, 0, 1, h);
        g->SetPaintColor(kShade);
        g->PaintRect(1, 1, w - 3, 1);
        g->PaintRect(1, 1, 1, h - 3);
    }
    DrawLabel(g, kBlack, labelX + 1, labelY + 1);
}

void ButtonWidget::DrawPictureLook(Graphics* g, bool pressed, int32_t labelX, int32_t labelY) {
    if (pressed) {
        if (HaveButtonImage(mDownImage, mDownRect))
            DrawButtonImage(g, mDownImage, mDownRect, 0, 0);
        else if (HaveButtonImage(mOverImage, mOverRect))
            DrawButtonImage(g, mOverImage, mOverRect, 1, 1);
        else
            DrawButtonImage(g, mButtonImage, mNormalRect, 1, 1);
        DrawLabel(g, GetColor(COLOR_LABEL_HILITE), labelX + 1, labelY + 1);
        return;
    }
    if (mDisabled && HaveButtonImage(mDisabledImage, mDisabledRect)) {
        DrawButtonImage(g, mDisabledImage, mDisabledRect, 0, 0);
    } else if (mOverAlpha > 0 && HaveButtonImage(mOverImage, mOverRect)) {
        // The hover picture is blended over the normal one with the fade's strength.
        if (HaveButtonImage(mButtonImage, mNormalRect)) DrawButtonImage(g, mButtonImage, mNormalRect, 0, 0);
        g->SetTintImages(true);
        g->SetPaintColor(Color(255, 255, 255, static_cast<int32_t>(mOverAlpha * 255)));
        DrawButtonImage(g, mOverImage, mOverRect, 0, 0);
        g->SetTintImages(false);
    } else if ((mIsOver || mIsDown) && HaveButtonImage(mOverImage, mOverRect)) {
        DrawButtonImage(g, mOverImage, mOverRect, 0, 0);
    } else if (HaveButtonImage(mButtonImage, mNormalRect)) {
        DrawButtonImage(g, mButtonImage, mNormalRect, 0, 0);
    }
    DrawLabel(g, mIsOver ? GetColor(COLOR_LABEL_HILITE) : GetColor(COLOR_LABEL), labelX, labelY);
}

} // namespace Zorbel
