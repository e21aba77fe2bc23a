#pragma once

#include "framework/app/WidgetLayer.h"
#include "framework/widget/Widget.h"
#include "framework/widget/WidgetManager.h"

#include <algorithm>

#include <functional>
#include <string>
#include <vector>

namespace ZorbelTest {

// Stands in for the widget tree: records what the application asks of it, in order.
class RecordingWidgetLayer : public Zorbel::WidgetLayer {
public:
    Zorbel::WidgetManager* GetManager() override { return nullptr; }
    void AddChild(Zorbel::Widget* widget) override {
        children.push_back(widget);
        everAdded.push_back(widget);
        Log("add");
    }
    void RemoveChild(Zorbel::Widget* widget) override {
        std::erase(children, widget);
        Log("remove");
    }
    void PushModal(Zorbel::Widget* widget) override {
        modal.push_back(widget);
        Log("push-modal");
    }
    void PopModal(Zorbel::Widget* widget) override {
        std::erase(modal, widget);
        Log("pop-modal");
    }
    void SetScreenSize(int32_t width, int32_t height) override {
        screenWidth = width;
        screenHeight = height;
    }
    void SetImage(Zorbel::Image* newImage) override {
        image = newImage;
        Log(newImage ? "image" : "no-image");
    }
    void MarkAllDirty() override {
        ++markAllDirtyCount;
        dirty = true;
    }
    bool UpdateStep() override {
        ++updateCount;
        Log("U");
        if (onUpdate) onUpdate();
        return dirty;
    }
    bool UpdateStepFraction(double) override { return false; }
    bool DrawDirtyWidgets() override {
        ++drawCount;
        Log("D");
        bool drawn = dirty;
        if (!alwaysDirty) dirty = false;
        return drawn;
    }
    void MouseMove(int32_t x, int32_t y) override { Log("move " + Point(x, y)); }
    // Logged with the widgets' press codes.
    void MouseDown(int32_t x, int32_t y, Zorbel::MouseButton button, int32_t clicks) override {
        Log("down " + Point(x, y) + " " + std::to_string(Zorbel::WidgetManager::PressCode(button, clicks)));
    }
    void MouseUp(int32_t x, int32_t y, Zorbel::MouseButton button) override {
        Log("up " + Point(x, y) + " " + std::to_string(Zorbel::WidgetManager::PressCode(button, 1)));
    }
    void MouseWheel(int32_t delta) override { Log("wheel " + std::to_string(delta)); }
    void MouseLeftWindow(int32_t x, int32_t y) override { Log("left " + Point(x, y)); }
    void KeyDown(int32_t key) override { Log("keydown " + std::to_string(key)); }
    void KeyUp(int32_t key) override { Log("keyup " + std::to_string(key)); }
    void CharTyped(char c) override { Log(std::string("char ") + c); }
    void FocusGained() override { Log("focus-gained"); }
    void FocusLost() override { Log("focus-lost"); }
    void ReleaseMouseButtons() override { Log("release-buttons"); }
    void ClearKeyStates() override { ++clearKeyStatesCount; }
    // Widgets that were in the tree are real and freed; others are markers of tests.
    void DeleteWidget(Zorbel::Widget* widget) override {
        deleted.push_back(widget);
        if (std::find(everAdded.begin(), everAdded.end(), widget) != everAdded.end()) delete widget;
    }

    // Events other than update and draw steps, which tests usually look at apart.
    std::vector<std::string> Inputs() const {
        std::vector<std::string> inputs;
        for (const std::string& event : events)
            if (event != "U" && event != "D" && event != "image" && event != "no-image")
                inputs.push_back(event);
        return inputs;
    }

    std::vector<std::string> events;
    std::vector<Zorbel::Widget*> deleted;
    std::vector<Zorbel::Widget*> children;
    std::vector<Zorbel::Widget*> everAdded;
    std::vector<Zorbel::Widget*> modal;
    std::function<void()> onUpdate;
    Zorbel::Image* image = nullptr;
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    int updateCount = 0;
    int drawCount = 0;
    int markAllDirtyCount = 0;
    int clearKeyStatesCount = 0;
    bool dirty = false;
    bool alwaysDirty = false;

private:
    static std::string Point(int32_t x, int32_t y) { return std::to_string(x) + "," + std::to_string(y); }
    void Log(const std::string& event) { events.push_back(event); }
};

} // namespace ZorbelTest
