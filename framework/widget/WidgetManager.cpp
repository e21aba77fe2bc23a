#include "framework/widget/WidgetManager.h"

#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/widget/Widget.h"
#include "framework/widget/WidgetHost.h"

#include <algorithm>

namespace Zorbel {

namespace {

constexpr int32_t KEY_TAB = 9;
constexpr int32_t KEY_CONTROL = 17;

bool IsKeyCode(int32_t keyCode) {
    return keyCode >= 0 && keyCode < WidgetManager::KeyCount;
}

} // namespace

WidgetManager::WidgetManager(WidgetHost* host) : mHost(host) {
    mManager = this;
}

WidgetManager::~WidgetManager() {
    // Widgets usually outlive the manager's references to them; after this they are detached.
    mFocusWidget = mLastDownWidget = mOverWidget = mBaseModalWidget = nullptr;
    mPreModalStack.clear();
    OrphanChildren();
}

int32_t WidgetManager::ButtonBit(int32_t clickCount) {
    return ButtonBit(ButtonOfCode(clickCount));
}

int32_t WidgetManager::ButtonBit(MouseButton button) {
    switch (button) {
        case MouseButton::Right:
            return BUTTON_RIGHT;
        case MouseButton::Middle:
            return BUTTON_MIDDLE;
        default:
            return BUTTON_LEFT;
    }
}

int32_t WidgetManager::PressCode(MouseButton button, int32_t clicks) {
    switch (button) {
        case MouseButton::Right:
            return -clicks;
        case MouseButton::Middle:
            return 3;
        default:
            return clicks;
    }
}

MouseButton WidgetManager::ButtonOfCode(int32_t clickCount) {
    if (clickCount < 0) return MouseButton::Right;
    if (clickCount == 3) return MouseButton::Middle;
    return MouseButton::Left;
}

// Tree ------------------------------------------------------------------------------------------------

void WidgetManager::SetScreenSize(int32_t width, int32_t height) {
    mWidth = width;
    mHeight = height;
}

void WidgetManager::ForgetWidget(Widget* widget) {
    if (widget == nullptr) return;
    if (widget == mOverWidget) {
        mOverWidget = nullptr;
        LeaveWidget(widget);
    }
    if (widget == mLastDownWidget) {
        mLastDownWidget = nullptr;
        int32_t buttons = mDownButtons;
        mDownButtons = 0;
        ReleaseButtons(widget, buttons);
    }
    if (widget == mFocusWidget) {
        mFocusWidget = nullptr;
        widget->FocusLost();
    }
    if (widget == mBaseModalWidget) mBaseModalWidget = nullptr;
}

void WidgetManager::MarkAllDirty() {
    mDirty = true;
    for (Widget* widget : mWidgets)
        widget->mDirty = true;
}

FlagContext WidgetManager::MakeFlagContext() const {
    FlagContext context;
    context.flags = CurrentDefaultFlags();
    context.belowFlags = mBelowModalChange.Apply(context.flags);
    context.isAboveModal = mBaseModalWidget == nullptr;
    return context;
}

int32_t WidgetManager::CurrentDefaultFlags() const {
    return mHasFocus ? mDefaultFlags : mLostFocusChange.Apply(mDefaultFlags);
}

// Frame -------------------------------------------------------------------------------------------------

bool WidgetManager::UpdateStep() {
    FlagContext context = MakeFlagContext();
    ++mUpdateCount;
    mLastManagerUpdateCount = mUpdateCount;
    UpdateTree(context);
    return mDirty;
}

bool WidgetManager::UpdateStepFraction(double fraction) {
    FlagContext context = MakeFlagContext();
    UpdateFractionTree(context, fraction);
    return mDirty;
}

// Focus ---------------------------------------------------------------------------------------------------

void WidgetManager::GiveFocus(Widget* widget) {
    if (widget == mFocusWidget) return;
    Widget* previous = mFocusWidget;
    mFocusWidget = nullptr;
    if (previous != nullptr) previous->FocusLost();
    if (widget != nullptr && widget->mManager == this) {
        mFocusWidget = widget;
        if (mHasFocus) widget->FocusGained();
    }
}

void WidgetManager::FocusLost() {
    if (!mHasFocus) return;
    mActualDownButtons = 0;
    // Keys still held would otherwise never see their release.
    for (int32_t key = 0; key < KeyCount; ++key)
        if (mKeyDown[static_cast<size_t>(key)]) KeyUp(key);
    mHasFocus = false;
    if (mFocusWidget != nullptr) mFocusWidget->FocusLost();
}

void WidgetManager::FocusGained() {
    if (mHasFocus) return;
    mHasFocus = true;
    if (mFocusWidget != nullptr) mFocusWidget->FocusGained();
}

// Modal widgets -----------------------------------------------------------------------------------------

void WidgetManager::PushModal(Widget* widget) {
    PushModal(widget, DEFAULT_BELOW_MODAL_CHANGE);
}

void WidgetManager::PushModal(Widget* widget, const WidgetFlagsChange& belowModalChange) {
    mPreModalStack.push_back({widget, mBaseModalWidget, mFocusWidget, mBelowModalChange});
    SetBaseModal(widget, belowModalChange);
}

void WidgetManager::SetBaseModal(Widget* widget, const WidgetFlagsChange& belowModalChange) {
    mBaseModalWidget = widget;
    mBelowModalChange = belowModalChange;
    if (belowModalChange.removeFlags & WF_ALLOW_MOUSE) {
        if (mOverWidget != nullptr && IsBelow(mOverWidget, widget)) {
            Widget* over = mOverWidget;
            mOverWidget = nullptr;
            LeaveWidget(over);
        }
        if (mLastDownWidget != nullptr && IsBelow(mLastDownWidget, widget)) {
            Widget* down = mLastDownWidget;
            int32_t buttons = mDownButtons;
            mLastDownWidget = nullptr;
            mDownButtons = 0;
            ReleaseButtons(down, buttons);
        }
    }
    if ((belowModalChange.removeFlags & WF_ALLOW_FOCUS) && mFocusWidget != nullptr &&
        IsBelow(mFocusWidget, widget)) {
        Widget* focus = mFocusWidget;
        mFocusWidget = nullptr;
        focus->FocusLost();
    }
}

void WidgetManager::PopModal(Widget* widget) {
    if (mPreModalStack.empty() || mPreModalStack.back().modalWidget != widget) return;
    // A record whose previous modal widget was removed meanwhile has nothing to go back to, so the
    // records beneath it are popped as well.
    while (!mPreModalStack.empty()) {
        PreModalRecord record = mPreModalStack.back();
        mPreModalStack.pop_back();
        SetBaseModal(record.previousBaseModal, record.previousBelowModalChange);
        if (mFocusWidget == nullptr && record.previousFocus != nullptr) GiveFocus(record.previousFocus);
        if (record.previousBaseModal != nullptr) break;
    }
}

void WidgetManager::ForgetInModalStack(const Widget* widget) {
    for (PreModalRecord& record : mPreModalStack) {
        if (record.previousBaseModal == widget) record.previousBaseModal = nullptr;
        if (record.previousFocus == widget) record.previousFocus = nullptr;
    }
}

namespace {

// 1 when a is met first in drawing order, 2 when b is, 0 when neither is in the sub-tree.
int FirstMet(const WidgetContainer* container, const Widget* a, const Widget* b) {
    for (const Widget* child : container->GetChildren()) {
        if (child == a) return 1;
        if (child == b) return 2;
        if (int found = FirstMet(child, a, b); found != 0) return found;
    }
    return 0;
}

} // namespace

bool WidgetManager::IsBelow(const Widget* a, const Widget* b) const {
    // Without a modal widget nothing lies below it.
    if (a == nullptr || b == nullptr || a == b) return false;
    return FirstMet(this, a, b) == 1;
}

// Hit testing -------------------------------------------------------------------------------------------

Widget* WidgetManager::WidgetUnderPoint(int32_t x, int32_t y, int32_t& localX, int32_t& localY) {
    localX = localY = 0;
    Widget* widget = FindWidget(x, y, CurrentDefaultFlags(), localX, localY);
    // A disabled widget swallows the point: the search does not go on below it.
    if (widget != nullptr && widget->mDisabled) return nullptr;
    return widget;
}

Point WidgetManager::ToLocal(const Widget* widget, int32_t x, int32_t y) const {
    Point origin = widget->GetAbsolutePosition();
    return Point{x - origin.x, y - origin.y};
}

// Mouse routing -----------------------------------------------------------------------------------------

void WidgetManager::EnterWidget(Widget* widget) {
    widget->mIsOver = true;
    widget->MouseEnter();
    if (widget->mHandCursor) widget->ShowHandCursor(true);
}

void WidgetManager::LeaveWidget(Widget* widget) {
    widget->mIsOver = false;
    widget->MouseLeave();
    if (widget->mHandCursor) widget->ShowHandCursor(false);
}

// Delivers the release of each button in the set at the last mouse point, left, right, middle.
void WidgetManager::ReleaseButtons(Widget* widget, int32_t buttons) {
    for (MouseButton button : {MouseButton::Left, MouseButton::Right, MouseButton::Middle}) {
        if (!(buttons & ButtonBit(button))) continue;
        widget->mIsDown = false;
        Point local = ToLocal(widget, mLastMouseX, mLastMouseY);
        widget->MouseUp(local.x, local.y, PressCode(button, 1));
    }
}

void WidgetManager::SetMouseOver(int32_t x, int32_t y) {
    int32_t previousX = mLastMouseX;
    int32_t previousY = mLastMouseY;
    mLastMouseX = x;
    mLastMouseY = y;
    int32_t localX = 0;
    int32_t localY = 0;
    Widget* widget = WidgetUnderPoint(x, y, localX, localY);
    if (widget == mOverWidget) {
        if (widget == nullptr || (x == previousX && y == previousY)) return;
        widget->MouseMove(localX, localY);
        return;
    }
    if (Widget* previous = mOverWidget; previous != nullptr) {
        mOverWidget = nullptr;
        LeaveWidget(previous);
    }
    mOverWidget = widget;
    if (widget != nullptr) {
        EnterWidget(widget);
        widget->MouseMove(localX, localY);
    }
}

bool WidgetManager::MouseMove(int32_t x, int32_t y) {
    Stamp();
    if (mDownButtons == 0) {
        mMouseIn = true;
        SetMouseOver(x, y);
    } else {
        MouseDrag(x, y);
    }
    return true;
}

// While a button is held the pressed widget has the mouse: it gets every move as a drag, and it
// is the only widget that can be "over".
void WidgetManager::MouseDrag(int32_t x, int32_t y) {
    Stamp();
    mMouseIn = true;
    mLastMouseX = x;
    mLastMouseY = y;
    if (mOverWidget != nullptr && mOverWidget != mLastDownWidget) {
        Widget* over = mOverWidget;
        mOverWidget = nullptr;
        LeaveWidget(over);
    }
    if (mLastDownWidget == nullptr) return;
    Point local = ToLocal(mLastDownWidget, x, y);
    mLastDownWidget->MouseDrag(local.x, local.y);
    int32_t localX = 0;
    int32_t localY = 0;
    Widget* under = WidgetUnderPoint(x, y, localX, localY);
    if (under != nullptr && under == mLastDownWidget) {
        if (mOverWidget == nullptr) {
            mOverWidget = under;
            EnterWidget(under);
        }
    } else if (mOverWidget != nullptr) {
        Widget* over = mOverWidget;
        mOverWidget = nullptr;
        LeaveWidget(over);
    }
}

bool WidgetManager::MouseDown(int32_t x, int32_t y, MouseButton button, int32_t clicks) {
    Press(x, y, button, PressCode(button, clicks));
    return true;
}

bool WidgetManager::MouseUp(int32_t x, int32_t y, MouseButton button) {
    Release(x, y, button, PressCode(button, 1));
    return true;
}

bool WidgetManager::MouseDown(int32_t x, int32_t y, int32_t clickCount) {
    Press(x, y, ButtonOfCode(clickCount), clickCount);
    return true;
}

bool WidgetManager::MouseUp(int32_t x, int32_t y, int32_t clickCount) {
    Release(x, y, ButtonOfCode(clickCount), clickCount);
    return true;
}

void WidgetManager::Press(int32_t x, int32_t y, MouseButton button, int32_t code) {
    Stamp();
    int32_t bit = ButtonBit(button);
    mActualDownButtons |= bit;
    SetMouseOver(x, y);
    int32_t localX = 0;
    int32_t localY = 0;
    Widget* target = WidgetUnderPoint(x, y, localX, localY);
    // A second button pressed while one is held goes to the widget that has the first.
    if (mLastDownWidget != nullptr) target = mLastDownWidget;
    mLastDownButtonId = button == MouseButton::Middle ? 2 : (button == MouseButton::Right ? -1 : 1);
    mDownButtons |= bit;
    mLastDownWidget = target;
    if (target == nullptr) return;
    if (target->AcceptsFocus()) GiveFocus(target);
    target->mIsDown = true;
    Point local = ToLocal(target, x, y);
    target->MouseDown(local.x, local.y, code);
}

void WidgetManager::Release(int32_t x, int32_t y, MouseButton button, int32_t code) {
    Stamp();
    int32_t bit = ButtonBit(button);
    mActualDownButtons &= ~bit;
    if (mLastDownWidget != nullptr && (mDownButtons & bit)) {
        Widget* widget = mLastDownWidget;
        mDownButtons &= ~bit;
        if (mDownButtons == 0) mLastDownWidget = nullptr;
        widget->mIsDown = false;
        Point local = ToLocal(widget, x, y);
        widget->MouseUp(local.x, local.y, code);
    } else {
        mDownButtons &= ~bit;
    }
    SetMouseOver(x, y);
}

bool WidgetManager::MouseLeftWindow(int32_t, int32_t) {
    Stamp();
    mMouseIn = false;
    if (Widget* over = mOverWidget; over != nullptr) {
        mOverWidget = nullptr;
        LeaveWidget(over);
    }
    return true;
}

bool WidgetManager::MouseWheel(int32_t delta) {
    Stamp();
    if (mFocusWidget != nullptr) mFocusWidget->MouseWheel(delta);
    return true;
}

void WidgetManager::RefreshMouseOver() {
    if (mLastDownWidget == nullptr) {
        if (mMouseIn) SetMouseOver(mLastMouseX, mLastMouseY);
        return;
    }
    if (mOverWidget == nullptr) return;
    int32_t localX = 0;
    int32_t localY = 0;
    if (WidgetUnderPoint(mLastMouseX, mLastMouseY, localX, localY) != mLastDownWidget) {
        Widget* over = mOverWidget;
        mOverWidget = nullptr;
        LeaveWidget(over);
    }
}

void WidgetManager::ReleaseMouseButtons() {
    Widget* widget = mLastDownWidget;
    int32_t buttons = mDownButtons;
    mLastDownWidget = nullptr;
    mDownButtons = 0;
    if (widget != nullptr && buttons != 0) ReleaseButtons(widget, buttons);
}

// Keyboard routing ----------------------------------------------------------------------------------------

bool WidgetManager::IsKeyDown(int32_t keyCode) const {
    return IsKeyCode(keyCode) && mKeyDown[static_cast<size_t>(keyCode)];
}

bool WidgetManager::KeyDown(int32_t keyCode) {
    Stamp();
    if (IsKeyCode(keyCode)) mKeyDown[static_cast<size_t>(keyCode)] = true;
    if (mFocusWidget != nullptr) mFocusWidget->KeyDown(keyCode);
    return true;
}

// Ctrl + Tab belongs to the window system (switching between windows), not to the focus widget.
bool WidgetManager::KeyUp(int32_t keyCode) {
    Stamp();
    if (IsKeyCode(keyCode)) mKeyDown[static_cast<size_t>(keyCode)] = false;
    if (keyCode == KEY_TAB && IsKeyDown(KEY_CONTROL)) return true;
    if (mFocusWidget != nullptr) mFocusWidget->KeyUp(keyCode);
    return true;
}

bool WidgetManager::CharTyped(char c) {
    Stamp();
    if (c == '\t' && IsKeyDown(KEY_CONTROL)) return true;
    if (mFocusWidget != nullptr) mFocusWidget->CharTyped(c);
    return true;
}

// Drawing ------------------------------------------------------------------------------------------------

void WidgetManager::AddDeferredOverlay(Widget* widget, int32_t priority) {
    // A widget drawn into several dirty parts asks once per part; it is drawn once.
    if (widget == nullptr || std::any_of(mDeferredOverlays.begin(), mDeferredOverlays.end(),
                                         [&](const DeferredOverlay& o) { return o.widget == widget; }))
        return;
    // An overlay may be drawn anywhere.
    mDrawnArea = Rect(0, 0, mWidth, mHeight);
    mDeferredOverlays.push_back({widget, priority});
    mMinOverlayPriority = std::min(mMinOverlayPriority, priority);
}

void WidgetManager::FlushDeferredOverlays(int32_t priority) {
    while (!mDeferredOverlays.empty()) {
        int32_t current = mMinOverlayPriority;
        std::vector<Widget*> due;
        std::erase_if(mDeferredOverlays, [&](const DeferredOverlay& overlay) {
            if (overlay.priority != current) return false;
            due.push_back(overlay.widget);
            return true;
        });
        for (Widget* widget : due) {
            if (mCurrentGraphics == nullptr) break;
            Graphics g(*mCurrentGraphics);
            Point origin = widget->GetAbsolutePosition();
            g.Offset(origin.x, origin.y);
            widget->DrawDeferred(&g);
        }
        mMinOverlayPriority = NoOverlay;
        for (const DeferredOverlay& overlay : mDeferredOverlays)
            mMinOverlayPriority = std::min(mMinOverlayPriority, overlay.priority);
        if (priority <= mMinOverlayPriority) break;
    }
    if (mDeferredOverlays.empty()) mMinOverlayPriority = NoOverlay;
}

bool WidgetManager::DrawDirtyWidgets() {
    FlagContext context = MakeFlagContext();
    bool anyDirty = std::any_of(mWidgets.begin(), mWidgets.end(),
                                [](const Widget* w) { return w->mDirty || !w->mDirtyArea.IsEmpty(); });
    mMinOverlayPriority = NoOverlay;
    mDeferredOverlays.clear();
    if (mImage == nullptr) return false;

    Graphics g(mImage);
    mCurrentGraphics = &g;
    bool drawn = false;
    // The many small drawing calls of a frame share one lock of the screen.
    bool locked = mImage->BeginDrawingBatch();
    if (anyDirty) {
        bool hardware = Is3DActive();
        const Rect screen(0, 0, mWidth, mHeight);
        WalkChildren([&](Widget* widget) {
            if (widget == mBaseModalWidget) context.isAboveModal = true;
            const DirtyArea area = widget->mDirtyArea;
            widget->mDirtyArea.Clear();
            const bool whole = widget->mDirty;
            if ((!whole && area.IsEmpty()) || !widget->mVisible) return;
            auto draw = [&](const Rect* clip) {
                Graphics widgetGraphics(g);
                widgetGraphics.SetQuickScaling(!hardware);
                widgetGraphics.SetSmoothBlending(hardware);
                widgetGraphics.Offset(widget->mX, widget->mY);
                if (clip) widgetGraphics.NarrowClip(clip->x, clip->y, clip->width, clip->height);
                widget->DrawTree(context, &widgetGraphics);
            };
            if (whole) {
                draw(nullptr);
            } else {
                // Once into each part: the parts never overlap.
                for (const Rect& part : area)
                    draw(&part);
            }
            widget->mDirty = false;
            drawn = true;
            // A widget drawn whole may draw outside its rectangle, so the whole screen counts as changed.
            mDrawnArea = whole ? screen : mDrawnArea.Union(area.Bounds().Offset(widget->mX, widget->mY));
        });
    }
    FlushDeferredOverlays(NoOverlay);
    if (locked) mImage->EndDrawingBatch();
    mCurrentGraphics = nullptr;
    mDirty = false;
    return drawn;
}

bool WidgetManager::Is3DActive() const {
    return false;
}

} // namespace Zorbel
