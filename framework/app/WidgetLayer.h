#pragma once

#include "framework/graphics/Rect.h"
#include "framework/platform/WindowMessage.h"

#include <cstdint>
#include <optional>

namespace Zorbel {

class Image;
class Widget;
class WidgetManager;

// The part of the widget manager that the application drives: the frame (update and draw steps over
// the whole tree), the screen it draws onto, the input it routes and the top-level widgets it holds.
// The names and meanings are the widget manager's own. The application drives the real manager through
// it (WidgetManagerLayer), and main-loop tests put a recording stand-in in its place.
class WidgetLayer {
public:
    virtual ~WidgetLayer() = default;

    // The real manager behind the layer; null for a stand-in.
    virtual WidgetManager* GetManager() = 0;

    virtual void AddChild(Widget* widget) = 0;
    virtual void RemoveChild(Widget* widget) = 0;
    virtual void PushModal(Widget* widget) = 0;
    virtual void PopModal(Widget* widget) = 0;

    virtual void SetScreenSize(int32_t width, int32_t height) = 0;
    // The image frames are drawn onto; null forgets it.
    virtual void SetImage(Image* image) = 0;
    virtual void MarkAllDirty() = 0;

    // Both update steps return true when something changed.
    virtual bool UpdateStep() = 0;
    virtual bool UpdateStepFraction(double fraction) = 0;
    // Draws the dirty widgets; true when something was drawn.
    virtual bool DrawDirtyWidgets() = 0;
    // What the draws since the last call changed on the screen image, which is then forgotten; empty
    // when nothing was drawn, nothing said means all of it.
    virtual std::optional<Rect> TakeDrawnArea() { return std::nullopt; }

    virtual void MouseMove(int32_t x, int32_t y) = 0;
    // clicks is 2 for the second press of a double click, else 1.
    virtual void MouseDown(int32_t x, int32_t y, MouseButton button, int32_t clicks) = 0;
    virtual void MouseUp(int32_t x, int32_t y, MouseButton button) = 0;
    virtual void MouseWheel(int32_t delta) = 0;
    virtual void MouseLeftWindow(int32_t x, int32_t y) = 0;
    virtual void KeyDown(int32_t keyCode) = 0;
    virtual void KeyUp(int32_t keyCode) = 0;
    virtual void CharTyped(char c) = 0;

    virtual void FocusGained() = 0;
    virtual void FocusLost() = 0;
    virtual void ReleaseMouseButtons() = 0;
    // Forgets every held key without telling anyone.
    virtual void ClearKeyStates() = 0;

    // Frees a widget whose deferred deletion came due.
    virtual void DeleteWidget(Widget* widget) = 0;
};

} // namespace Zorbel
