#pragma once

#include "framework/platform/WindowMessage.h"
#include "framework/widget/WidgetContainer.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace Zorbel {

class Image;
class WidgetHost;

// The root of the widget tree. It references the top-level widgets (it owns none), routes mouse and
// keyboard input to them, tracks the focus, the widget under the mouse and the mouse capture, keeps
// the stack of modal widgets, and draws the dirty top-level widgets onto the screen image.
class WidgetManager : public WidgetContainer {
public:
    static constexpr int32_t NoOverlay = 0x7FFFFFFF;
    static constexpr int32_t KeyCount = 255;

    // Mouse button bits.
    enum : int32_t { BUTTON_LEFT = 1, BUTTON_RIGHT = 2, BUTTON_MIDDLE = 4 };

    // The host must outlive the manager.
    explicit WidgetManager(WidgetHost* host);
    ~WidgetManager() override;

    WidgetHost* GetHost() const { return mHost; }

    // Tree.
    void SetScreenSize(int32_t width, int32_t height);
    // Drops every reference the manager holds to the widget (over, capture, focus, base modal).
    void ForgetWidget(Widget* widget);
    // Marks the manager and every top-level widget dirty: everything is drawn on the next draw step.
    void MarkAllDirty();

    // Focus. GiveFocus(null) takes the focus away.
    void GiveFocus(Widget* widget);
    Widget* GetFocusWidget() const { return mFocusWidget; }
    // The application window gained or lost the input focus.
    void FocusGained();
    void FocusLost();
    bool WindowHasFocus() const { return mHasFocus; }
    // Applied to the default flags while the window lacks the focus.
    void SetLostFocusChange(const WidgetFlagsChange& change) { mLostFocusChange = change; }

    // Modal widgets: below the base modal widget the change is applied to the flags.
    void PushModal(Widget* widget, const WidgetFlagsChange& belowModalChange);
    void PushModal(Widget* widget);
    void PopModal(Widget* widget);
    Widget* GetBaseModalWidget() const { return mBaseModalWidget; }
    size_t GetModalDepth() const { return mPreModalStack.size(); }

    // Frame. Both update operations return the manager's dirty flag.
    bool UpdateStep();
    bool UpdateStepFraction(double fraction);
    // Draws the dirty top-level widgets onto the screen image; true when something was drawn. A widget
    // with only a dirty area is drawn clipped to it.
    bool DrawDirtyWidgets();
    // What the draws since the last call changed on the screen image, in screen coordinates; the
    // area is forgotten.
    Rect TakeDrawnArea() { return std::exchange(mDrawnArea, Rect()); }
    // The image the frame is drawn onto (normally the display's screen image); null stops drawing.
    void SetImage(Image* image) { mImage = image; }
    Image* GetImage() const { return mImage; }
    // The context of the frame being drawn, null outside DrawDirtyWidgets.
    Graphics* GetCurrentGraphics() const { return mCurrentGraphics; }
    // Queues the widget's DrawDeferred for the current frame: overlays are drawn after everything of
    // lower priority, lowest priority first.
    void AddDeferredOverlay(Widget* widget, int32_t priority);

    // Input; each returns true. Points are in screen coordinates. Presses and releases come with
    // their button (clicks 2 for the second press of a double click); the widgets receive them as
    // press codes (1 left, 2 left double, -1 right, -2 right double, 3 middle), and the forms with a
    // press code take one apart into its button and clicks.
    bool MouseMove(int32_t x, int32_t y);
    bool MouseDown(int32_t x, int32_t y, MouseButton button, int32_t clicks);
    bool MouseUp(int32_t x, int32_t y, MouseButton button);
    bool MouseDown(int32_t x, int32_t y, int32_t clickCount);
    bool MouseUp(int32_t x, int32_t y, int32_t clickCount);
    bool MouseWheel(int32_t delta);
    bool MouseLeftWindow(int32_t x, int32_t y);
    bool KeyDown(int32_t keyCode);
    bool KeyUp(int32_t keyCode);
    bool CharTyped(char c);

    // Queries. WidgetUnderPoint gives the point in the widget's coordinates, and null where the top-
    // most widget found is disabled.
    Widget* WidgetUnderPoint(int32_t x, int32_t y, int32_t& localX, int32_t& localY);
    // Brings the mouse-over state up to date after a change of visibility, size or tree.
    void RefreshMouseOver();
    // Releases every button held on the captured widget and ends the capture.
    void ReleaseMouseButtons();
    bool IsKeyDown(int32_t keyCode) const;
    // Forgets every held key without telling anyone (after a system dialog took the keyboard).
    void ClearKeyStates() { mKeyDown.fill(false); }
    // The held keys, to be put back after input that was no part of the run (a replay's dialog).
    const std::array<bool, KeyCount>& GetKeyStates() const { return mKeyDown; }
    void SetKeyStates(const std::array<bool, KeyCount>& keys) { mKeyDown = keys; }

    Widget* GetOverWidget() const { return mOverWidget; }
    Widget* GetLastDownWidget() const { return mLastDownWidget; }
    int32_t GetDownButtons() const { return mDownButtons; }
    int32_t GetActualDownButtons() const { return mActualDownButtons; }
    int32_t GetLastDownButtonId() const { return mLastDownButtonId; }
    int32_t GetLastInputUpdateCount() const { return mLastInputUpdateCount; }
    bool IsMouseIn() const { return mMouseIn; }
    Point GetLastMousePosition() const { return Point{mLastMouseX, mLastMouseY}; }
    int32_t GetDefaultFlags() const { return mDefaultFlags; }
    void SetDefaultFlags(int32_t flags) { mDefaultFlags = flags; }

    // The button bit of a press code: 2 for right (negative codes), 4 for middle (3), else 1.
    static int32_t ButtonBit(int32_t clickCount);
    static int32_t ButtonBit(MouseButton button);
    // A press code and its parts: left codes count the clicks, right ones the clicks negated, and the
    // middle button's code is 3.
    static int32_t PressCode(MouseButton button, int32_t clicks);
    static MouseButton ButtonOfCode(int32_t clickCount);

private:
    struct PreModalRecord {
        Widget* modalWidget = nullptr;
        Widget* previousBaseModal = nullptr;
        Widget* previousFocus = nullptr;
        WidgetFlagsChange previousBelowModalChange;
    };

    struct DeferredOverlay {
        Widget* widget = nullptr;
        int32_t priority = 0;
    };

    FlagContext MakeFlagContext() const;
    int32_t CurrentDefaultFlags() const;
    void Stamp() { mLastInputUpdateCount = mUpdateCount; }

    // A press or release of the button, delivered to the widgets with the press code.
    void Press(int32_t x, int32_t y, MouseButton button, int32_t code);
    void Release(int32_t x, int32_t y, MouseButton button, int32_t code);
    void SetMouseOver(int32_t x, int32_t y);
    void MouseDrag(int32_t x, int32_t y);
    void EnterWidget(Widget* widget);
    void LeaveWidget(Widget* widget);
    void ReleaseButtons(Widget* widget, int32_t buttons);
    // Point relative to the widget's top-left corner on the screen.
    Point ToLocal(const Widget* widget, int32_t x, int32_t y) const;

    void SetBaseModal(Widget* widget, const WidgetFlagsChange& belowModalChange);
    // True when a is met before b in a depth-first walk of the tree in drawing order.
    bool IsBelow(const Widget* a, const Widget* b) const;
    // Clears the widget from the saved state of the modal stack.
    void ForgetInModalStack(const Widget* widget);

    void FlushDeferredOverlays(int32_t priority);
    bool Is3DActive() const;

    WidgetHost* mHost = nullptr;
    Image* mImage = nullptr;
    Graphics* mCurrentGraphics = nullptr;
    Rect mDrawnArea;
    std::vector<DeferredOverlay> mDeferredOverlays;
    int32_t mMinOverlayPriority = NoOverlay;
    bool mHasFocus = true;
    Widget* mFocusWidget = nullptr;
    Widget* mLastDownWidget = nullptr;
    Widget* mOverWidget = nullptr;
    Widget* mBaseModalWidget = nullptr;
    WidgetFlagsChange mLostFocusChange;
    WidgetFlagsChange mBelowModalChange = DEFAULT_BELOW_MODAL_CHANGE;
    std::vector<PreModalRecord> mPreModalStack;
    bool mMouseIn = false;
    int32_t mLastMouseX = 0;
    int32_t mLastMouseY = 0;
    int32_t mDownButtons = 0;
    int32_t mActualDownButtons = 0;
    int32_t mLastInputUpdateCount = 0;
    std::array<bool, KeyCount> mKeyDown{};
    int32_t mLastDownButtonId = 0;
    int32_t mDefaultFlags = DEFAULT_WIDGET_FLAGS;

    friend class WidgetContainer;
    friend class Widget;
};

} // namespace Zorbel
