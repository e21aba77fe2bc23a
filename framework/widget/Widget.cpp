#include "framework/widget/Widget.h"

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/TextLayout.h"
#include "framework/widget/WidgetHost.h"
#include "framework/widget/WidgetManager.h"

#include <algorithm>
#include <cstdlib>

namespace Zorbel {

namespace {

constexpr int32_t KEY_TAB = 9;
constexpr int32_t KEY_SHIFT = 16;

const Color kOpaqueBlack(0, 0, 0, 255);

} // namespace

Widget::~Widget() {
    // Deleting a widget that is still in the tree would leave the tree and the manager pointing at
    // freed memory, so it leaves the tree first.
    if (mParent != nullptr) mParent->RemoveChild(this);
}

void Widget::ZOrderChanged() {}

// State -------------------------------------------------------------------------------------------------

void Widget::SetVisible(bool visible) {
    if (mVisible == visible) return;
    mVisible = visible;
    if (visible)
        Invalidate();
    else
        InvalidateWithBelow();
    if (mManager != nullptr) mManager->RefreshMouseOver();
}

void Widget::SetDisabled(bool disabled) {
    if (mDisabled == disabled) return;
    mDisabled = disabled;
    if (disabled && mManager != nullptr) mManager->ForgetWidget(this);
    Invalidate();
    if (!disabled && mManager != nullptr) {
        // The manager's mouse point is on the screen; Contains works in the parent's coordinates.
        Point mouse = mManager->GetLastMousePosition();
        Point parent = mParent != nullptr ? mParent->GetAbsolutePosition() : Point{};
        if (Contains(mouse.x - parent.x, mouse.y - parent.y)) mManager->SetMouseOver(mouse.x, mouse.y);
    }
}

void Widget::Resize(const Rect& rect) {
    Resize(rect.x, rect.y, rect.width, rect.height);
}

void Widget::Resize(int32_t x, int32_t y, int32_t width, int32_t height) {
    if (mX == x && mY == y && mWidth == width && mHeight == height) return;
    InvalidateWithBelow();
    mX = x;
    mY = y;
    mWidth = width;
    mHeight = height;
    // Marking the old place left the widget dirty, which would make the new place's marking stop at
    // once; the widgets over the new place must be drawn again too.
    mDirty = false;
    Invalidate();
    if (mManager != nullptr) mManager->RefreshMouseOver();
}

void Widget::Move(int32_t x, int32_t y) {
    Resize(x, y, mWidth, mHeight);
}

bool Widget::Contains(int32_t x, int32_t y) {
    return GetRect().Contains(x, y);
}

Rect Widget::GetInnerRect() {
    return Rect(mX + mInsets.left, mY + mInsets.top, mWidth - mInsets.left - mInsets.right,
                mHeight - mInsets.top - mInsets.bottom);
}

// Colours -----------------------------------------------------------------------------------------------

void Widget::SetColors(const int32_t (*entries)[4], int32_t count) {
    if (entries == nullptr || count < 0) return;
    mColors.clear();
    for (int32_t i = 0; i < count; ++i)
        mColors.emplace_back(entries[i][0], entries[i][1], entries[i][2], entries[i][3]);
    Invalidate();
}

void Widget::SetColors(const int32_t (*entries)[3], int32_t count) {
    if (entries == nullptr || count < 0) return;
    mColors.clear();
    for (int32_t i = 0; i < count; ++i)
        mColors.emplace_back(entries[i][0], entries[i][1], entries[i][2], 255);
    Invalidate();
}

void Widget::SetColor(int32_t index, const Color& color) {
    if (index < 0) return;
    if (static_cast<size_t>(index) >= mColors.size())
        mColors.resize(static_cast<size_t>(index) + 1, kOpaqueBlack);
    mColors[static_cast<size_t>(index)] = color;
    Invalidate();
}

Color Widget::GetColor(int32_t index, const Color& fallback) const {
    if (index < 0 || static_cast<size_t>(index) >= mColors.size()) return fallback;
    return mColors[static_cast<size_t>(index)];
}

const Color& Widget::GetColor(int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= mColors.size()) return kOpaqueBlack;
    return mColors[static_cast<size_t>(index)];
}

// Input hooks ----------------------------------------------------------------------------------------

void Widget::ShowHandCursor(bool show) {
    if (mManager != nullptr && mManager->GetHost() != nullptr) mManager->GetHost()->SetCursor(show ? 1 : 0);
}

bool Widget::AcceptsFocus() {
    return mAcceptsFocus;
}
void Widget::DrawDeferred(Graphics*) {}
void Widget::FocusGained() {
    mHasFocus = true;
}
void Widget::FocusLost() {
    mHasFocus = false;
}
void Widget::CharTyped(char) {}

void Widget::KeyDown(int32_t keyCode) {
    if (keyCode != KEY_TAB || mManager == nullptr) return;
    Widget* next = mManager->IsKeyDown(KEY_SHIFT) ? mTabPrevious : mTabNext;
    if (next != nullptr) mManager->GiveFocus(next);
}

void Widget::KeyUp(int32_t) {}
void Widget::MouseEnter() {}
void Widget::MouseLeave() {}
void Widget::MouseMove(int32_t, int32_t) {}
void Widget::MouseDown(int32_t, int32_t, int32_t, int32_t) {}

// Press codes become a button number and a positive click count: 3 is the middle button, negative
// codes the right one.
void Widget::MouseDown(int32_t x, int32_t y, int32_t clickCount) {
    if (clickCount == 3)
        MouseDown(x, y, 2, 1);
    else if (clickCount < 0)
        MouseDown(x, y, 1, -clickCount);
    else
        MouseDown(x, y, 0, clickCount);
}

void Widget::MouseUp(int32_t, int32_t, int32_t, int32_t) {}

void Widget::MouseUp(int32_t x, int32_t y, int32_t clickCount) {
    MouseUp(x, y);
    if (clickCount == 3)
        MouseUp(x, y, 2, 1);
    else if (clickCount < 0)
        MouseUp(x, y, 1, -clickCount);
    else
        MouseUp(x, y, 0, clickCount);
}

void Widget::MouseUp(int32_t, int32_t) {}
void Widget::MouseDrag(int32_t, int32_t) {}
void Widget::MouseWheel(int32_t) {}
bool Widget::HitTest(int32_t, int32_t) {
    return true;
}

// Text helpers ------------------------------------------------------------------------------------------

Rect Widget::DrawCenteredLine(Graphics* g, int32_t y, const std::string& text) {
    Font* font = g != nullptr ? g->GetTextFont() : nullptr;
    if (font == nullptr) return Rect();
    int32_t width = font->StringWidth(text);
    int32_t x = (mWidth - width) / 2;
    g->PaintText(text, x, y);
    return Rect(x, y - font->Ascent(), width, font->Height());
}

Rect Widget::DrawCenteredLine(Graphics* g, int32_t y, const std::string& text, const Color& textColor,
                              const Color& shadowColor, const Point& shadowOffset) {
    Font* font = g != nullptr ? g->GetTextFont() : nullptr;
    if (font == nullptr) return Rect();
    int32_t width = font->StringWidth(text);
    int32_t x = (mWidth - width) / 2;
    g->SetPaintColor(shadowColor);
    g->PaintText(text, x + shadowOffset.x, y + shadowOffset.y);
    g->SetPaintColor(textColor);
    g->PaintText(text, x, y);
    return Rect(x + std::min(shadowOffset.x, 0), y + std::min(shadowOffset.y, 0) - font->Ascent(),
                width + std::abs(shadowOffset.x), font->Height() + std::abs(shadowOffset.y));
}

int32_t Widget::DrawStringJustified(Graphics* g, const std::string& text, int32_t x, int32_t y, int32_t width,
                                    int32_t justification, bool draw, int32_t offset, int32_t length) {
    if (g == nullptr) return 0;
    return TextLayout::DrawStringJustified(g, text, x, y, width, justification, draw, offset, length);
}

int32_t Widget::DrawWordWrapped(Graphics* g, const Rect& rect, const std::string& text, int32_t lineSpacing,
                                int32_t justification) {
    if (g == nullptr) return 0;
    return TextLayout::DrawWordWrapped(g, rect, text, lineSpacing, justification);
}

int32_t Widget::MeasureWordWrappedHeight(Graphics* g, int32_t width, const std::string& text,
                                         int32_t lineSpacing) {
    if (g == nullptr) return 0;
    return TextLayout::MeasureWordWrappedHeight(g->GetTextFont(), width, text, lineSpacing);
}

int32_t Widget::CountDigits(int32_t n) {
    int32_t digits = 1;
    for (int64_t power = 10; power <= n; power *= 10)
        ++digits;
    return digits;
}

void Widget::DrawNumberStrip(Graphics* g, int32_t n, int32_t x, int32_t y, Image* strip, int32_t spacing) {
    if (g == nullptr || strip == nullptr) return;
    int32_t digitWidth = strip->GetWidth() / 10;
    int32_t count = CountDigits(n);
    int64_t divisor = 1;
    for (int32_t i = 1; i < count; ++i)
        divisor *= 10;
    int32_t advance = 0;
    for (; divisor > 0; divisor /= 10) {
        // The strip has no minus sign: a negative number shows its magnitude's last digit.
        int32_t digit = static_cast<int32_t>(std::abs((n / divisor) % 10));
        Graphics digitGraphics(*g);
        digitGraphics.NarrowClip(x + advance, y, digitWidth, strip->GetHeight());
        digitGraphics.PaintImage(strip, x + advance - digitWidth * digit, y);
        advance += digitWidth + spacing;
    }
}

} // namespace Zorbel
