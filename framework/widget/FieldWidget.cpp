#include "framework/widget/FieldWidget.h"

#include "framework/font/SysFont.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/widget/WidgetHost.h"
#include "framework/widget/WidgetManager.h"

#include <algorithm>

namespace Zorbel {

FieldWidget::FieldWidget() {
    mAcceptsFocus = true;
    mColors = {Color(255, 255, 255), Color(132, 132, 132), Color(0, 0, 0), Color(0, 0, 128),
               Color(255, 255, 255)};
}

FieldWidget::~FieldWidget() = default;

void FieldWidget::FocusGained() {
    Widget::FocusGained();
    Invalidate();
}

void FieldWidget::FocusLost() {
    Widget::FocusLost();
    Invalidate();
}

void FieldWidget::SetFont(Font* font) {
    mFont = font != nullptr ? font->Clone() : nullptr;
    FontChanged();
    Invalidate();
}

void FieldWidget::EnsureFont() {
    if (mFont != nullptr) return;
    WidgetHost* host = mManager != nullptr ? mManager->GetHost() : nullptr;
    if (host == nullptr || host->GetFontEngine() == nullptr) return;
    mFont = std::make_unique<SysFont>(host->GetFontEngine(), "SansSerif", 12, 0, false, false, false);
}

Font* FieldWidget::GetFont() {
    EnsureFont();
    return mFont.get();
}

Rect FieldWidget::InnerArea() const {
    return Rect(Inset, Inset, std::max(0, mWidth - 2 * Inset), std::max(0, mHeight - 2 * Inset));
}

void FieldWidget::DrawFrame(Graphics* g) {
    g->SetPaintColor(GetColor(COLOR_BKG));
    g->PaintRect(0, 0, mWidth, mHeight);
    g->SetPaintColor(GetColor(COLOR_OUTLINE));
    g->PaintFrame(0, 0, mWidth - 1, mHeight - 1);
}

} // namespace Zorbel
