#pragma once

#include "framework/widget/Widget.h"

#include <functional>
#include <string>
#include <vector>

namespace ZorbelTest {

// A widget that writes down every hook the tree calls on it, in a shared log when several widgets
// take part ("name: event").
class RecordingWidget : public Zorbel::Widget {
public:
    explicit RecordingWidget(std::string name, std::vector<std::string>* log = nullptr)
        : mName(std::move(name)), mLog(log != nullptr ? log : &mOwnLog) {}

    std::function<bool(int32_t, int32_t)> hitTest;
    std::function<void()> onUpdate;

    std::vector<std::string>& Log() { return *mLog; }
    void ClearLog() { mLog->clear(); }
    const std::string& Name() const { return mName; }

    void Update() override {
        Widget::Update();
        Record("update");
        if (onUpdate) onUpdate();
    }
    void FocusGained() override {
        Widget::FocusGained();
        Record("focus");
    }
    void FocusLost() override {
        Widget::FocusLost();
        Record("unfocus");
    }
    void KeyDown(int32_t key) override {
        Record("keydown " + std::to_string(key));
        Widget::KeyDown(key);
    }
    void KeyUp(int32_t key) override { Record("keyup " + std::to_string(key)); }
    void CharTyped(char c) override { Record(std::string("char ") + c); }
    void MouseEnter() override { Record("enter"); }
    void MouseLeave() override { Record("leave"); }
    void MouseMove(int32_t x, int32_t y) override { Record("move " + Point(x, y)); }
    void MouseDown(int32_t x, int32_t y, int32_t button, int32_t count) override {
        Record("down " + Point(x, y) + " b" + std::to_string(button) + " c" + std::to_string(count));
    }
    void MouseUp(int32_t x, int32_t y, int32_t button, int32_t count) override {
        Record("up " + Point(x, y) + " b" + std::to_string(button) + " c" + std::to_string(count));
    }
    void MouseDrag(int32_t x, int32_t y) override { Record("drag " + Point(x, y)); }
    void MouseWheel(int32_t delta) override { Record("wheel " + std::to_string(delta)); }
    bool HitTest(int32_t x, int32_t y) override { return hitTest ? hitTest(x, y) : true; }
    using Widget::MouseDown;
    using Widget::MouseUp;

private:
    static std::string Point(int32_t x, int32_t y) { return std::to_string(x) + "," + std::to_string(y); }
    void Record(const std::string& event) {
        mLog->push_back(mLog == &mOwnLog ? event : mName + ": " + event);
    }

    std::string mName;
    std::vector<std::string> mOwnLog;
    std::vector<std::string>* mLog;
};

} // namespace ZorbelTest
