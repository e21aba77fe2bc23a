#pragma once

#include "framework/graphics/Color.h"
#include "framework/graphics/Rect.h"
#include "framework/widget/WidgetContainer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Zorbel {

class Image;

// Margins inside a widget's rectangle; the mouse only finds a widget inside its inner rectangle.
struct Insets {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    constexpr bool operator==(const Insets&) const = default;
};

// A container that takes part in input: visibility, enabled state, focus, mouse-over and pressed
// state, a colour table, insets, tab order and the event hooks. Every concrete widget derives from
// it. Mouse coordinates handed to the hooks are relative to the widget's own top-left corner.
class Widget : public WidgetContainer {
public:
    Widget() = default;
    ~Widget() override;

    // Called after PlaceAbove moved the widget.
    virtual void ZOrderChanged();
    virtual void SetVisible(bool visible);
    // Replace the colour table, then redraw. Entries are red, green, blue (and alpha) values.
    virtual void SetColors(const int32_t (*entries)[4], int32_t count);
    virtual void SetColors(const int32_t (*entries)[3], int32_t count);
    // Grows the table with opaque black up to index. Negative indices are ignored.
    virtual void SetColor(int32_t index, const Color& color);
    virtual Color GetColor(int32_t index, const Color& fallback) const;
    // Opaque black past the end of the table.
    virtual const Color& GetColor(int32_t index) const;
    virtual void SetDisabled(bool disabled);
    virtual void ShowHandCursor(bool show);
    virtual void Resize(const Rect& rect);
    virtual void Resize(int32_t x, int32_t y, int32_t width, int32_t height);
    virtual void Move(int32_t x, int32_t y);
    virtual bool AcceptsFocus();
    // Draws what the widget queued with WidgetManager::AddDeferredOverlay.
    virtual void DrawDeferred(Graphics* g);
    virtual void FocusGained();
    virtual void FocusLost();
    virtual void CharTyped(char c);
    // Tab moves the focus to tabNext, Shift + Tab to tabPrevious.
    virtual void KeyDown(int32_t keyCode);
    virtual void KeyUp(int32_t keyCode);
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void MouseMove(int32_t x, int32_t y);
    // button: 0 left, 1 right, 2 middle; clickCount 1 or 2.
    virtual void MouseDown(int32_t x, int32_t y, int32_t button, int32_t clickCount);
    // clickCount is the press code: 1 left, 2 left double, -1 right, -2 right double, 3 middle.
    virtual void MouseDown(int32_t x, int32_t y, int32_t clickCount);
    virtual void MouseUp(int32_t x, int32_t y, int32_t button, int32_t clickCount);
    virtual void MouseUp(int32_t x, int32_t y, int32_t clickCount);
    virtual void MouseUp(int32_t x, int32_t y);
    // The mouse moved while a button pressed on this widget is held, wherever the pointer is.
    virtual void MouseDrag(int32_t x, int32_t y);
    virtual void MouseWheel(int32_t delta);
    // A widget may refuse points inside its rectangle (x, y in its own coordinates).
    virtual bool HitTest(int32_t x, int32_t y);

    // Draws the text centred across the widget with its baseline at y, in the graphics' font, and
    // returns the rectangle it covers. The second form draws a shadow first.
    virtual Rect DrawCenteredLine(Graphics* g, int32_t y, const std::string& text, const Color& textColor,
                                  const Color& shadowColor, const Point& shadowOffset);
    virtual Rect DrawCenteredLine(Graphics* g, int32_t y, const std::string& text);
    // The justified and word-wrapped text operations of the graphics side (TextLayout).
    virtual int32_t DrawStringJustified(Graphics* g, const std::string& text, int32_t x, int32_t y,
                                        int32_t width, int32_t justification, bool draw, int32_t offset,
                                        int32_t length);
    virtual int32_t DrawWordWrapped(Graphics* g, const Rect& rect, const std::string& text,
                                    int32_t lineSpacing, int32_t justification);
    virtual int32_t MeasureWordWrappedHeight(Graphics* g, int32_t width, const std::string& text,
                                             int32_t lineSpacing);
    // 1 plus the number of k >= 1 with 10^k <= n: 0 ... 9 and negative numbers give 1.
    virtual int32_t CountDigits(int32_t n);
    // Draws n with a picture of the ten digits 0 ... 9 side by side.
    virtual void DrawNumberStrip(Graphics* g, int32_t n, int32_t x, int32_t y, Image* strip, int32_t spacing);
    // In the parent's coordinates.
    virtual bool Contains(int32_t x, int32_t y);
    // The rectangle reduced by the insets, in the parent's coordinates.
    virtual Rect GetInnerRect();

    bool IsVisible() const { return mVisible; }
    bool IsMouseVisible() const { return mMouseVisible; }
    void SetMouseVisible(bool mouseVisible) { mMouseVisible = mouseVisible; }
    bool IsDisabled() const { return mDisabled; }
    bool HasFocus() const { return mHasFocus; }
    bool IsDown() const { return mIsDown; }
    bool IsOver() const { return mIsOver; }
    // See-through parts: the widget never counts as covering a widget beneath.
    bool HasTransparencies() const { return mHasTransparencies; }
    void SetHasTransparencies(bool has) { mHasTransparencies = has; }
    int32_t GetColorCount() const { return static_cast<int32_t>(mColors.size()); }
    const Insets& GetInsets() const { return mInsets; }
    void SetInsets(const Insets& insets) { mInsets = insets; }
    bool GetHandCursor() const { return mHandCursor; }
    void SetHandCursor(bool handCursor) { mHandCursor = handCursor; }
    void SetAcceptsFocus(bool acceptsFocus) { mAcceptsFocus = acceptsFocus; }
    Widget* GetTabPrevious() const { return mTabPrevious; }
    Widget* GetTabNext() const { return mTabNext; }
    void SetTabPrevious(Widget* widget) { mTabPrevious = widget; }
    void SetTabNext(Widget* widget) { mTabNext = widget; }

    // Overloads of the hooks above that derived widgets would otherwise hide.
    using WidgetContainer::Invalidate;
    using WidgetContainer::InvalidateWithBelow;

protected:
    bool mVisible = true;
    bool mMouseVisible = true;
    bool mDisabled = false;
    bool mHasFocus = false;
    bool mIsDown = false;
    bool mIsOver = false;
    bool mHasTransparencies = false;
    std::vector<Color> mColors;
    Insets mInsets;
    bool mHandCursor = false;
    bool mAcceptsFocus = false;
    Widget* mTabPrevious = nullptr;
    Widget* mTabNext = nullptr;

    friend class WidgetContainer;
    friend class WidgetManager;
};

} // namespace Zorbel
