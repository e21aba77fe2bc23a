#pragma once

#include "framework/app/WidgetLayer.h"
#include "framework/widget/Widget.h"
#include "framework/widget/WidgetManager.h"

namespace Zorbel {

class WidgetHost;

// The widget manager of the application behind the layer the main loop drives. Owns the manager; the
// host must outlive it.
class WidgetManagerLayer : public WidgetLayer {
public:
    explicit WidgetManagerLayer(WidgetHost* host) : mManager(host) {}

    WidgetManager* GetManager() override { return &mManager; }
    void AddChild(Widget* widget) override { mManager.AddChild(widget); }
    void RemoveChild(Widget* widget) override { mManager.RemoveChild(widget); }
    void PushModal(Widget* widget) override { mManager.PushModal(widget); }
    void PopModal(Widget* widget) override { mManager.PopModal(widget); }

    void SetScreenSize(int32_t width, int32_t height) override { mManager.SetScreenSize(width, height); }
    void SetImage(Image* image) override { mManager.SetImage(image); }
    void MarkAllDirty() override { mManager.MarkAllDirty(); }
    bool UpdateStep() override { return mManager.UpdateStep(); }
    bool UpdateStepFraction(double fraction) override { return mManager.UpdateStepFraction(fraction); }
    bool DrawDirtyWidgets() override { return mManager.DrawDirtyWidgets(); }
    std::optional<Rect> TakeDrawnArea() override { return mManager.TakeDrawnArea(); }

    void MouseMove(int32_t x, int32_t y) override { mManager.MouseMove(x, y); }
    void MouseDown(int32_t x, int32_t y, MouseButton button, int32_t clicks) override {
        mManager.MouseDown(x, y, button, clicks);
    }
    void MouseUp(int32_t x, int32_t y, MouseButton button) override { mManager.MouseUp(x, y, button); }
    void MouseWheel(int32_t delta) override { mManager.MouseWheel(delta); }
    void MouseLeftWindow(int32_t x, int32_t y) override { mManager.MouseLeftWindow(x, y); }
    void KeyDown(int32_t keyCode) override { mManager.KeyDown(keyCode); }
    void KeyUp(int32_t keyCode) override { mManager.KeyUp(keyCode); }
    void CharTyped(char c) override { mManager.CharTyped(c); }

    void FocusGained() override { mManager.FocusGained(); }
    void FocusLost() override { mManager.FocusLost(); }
    void ReleaseMouseButtons() override { mManager.ReleaseMouseButtons(); }
    void ClearKeyStates() override { mManager.ClearKeyStates(); }

    // The manager only references widgets; a widget handed over for deletion is owned by no one else.
    void DeleteWidget(Widget* widget) override {
        mManager.ForgetWidget(widget);
        delete widget;
    }

private:
    WidgetManager mManager;
};

} // namespace Zorbel
