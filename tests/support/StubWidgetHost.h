#pragma once

#include "framework/widget/Dialog.h"
#include "framework/widget/DialogListener.h"
#include "framework/widget/WidgetHost.h"
#include "framework/widget/WidgetManager.h"
#include "support/FakeFontEngine.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ZorbelTest {

// Stands in for the application: owns a widget manager, runs real update steps of it when a dialog
// waits, keeps shown dialogs by id the way the application does, and records what the widgets asked
// of it.
class StubWidgetHost : public Zorbel::WidgetHost, public Zorbel::DialogListener {
public:
    Zorbel::WidgetManager manager{this};
    FakeFontEngine fonts;
    std::map<std::string, std::string> strings{{"DIALOG_BUTTON_OK", "OK"},
                                               {"DIALOG_BUTTON_CANCEL", "CANCEL"}};

    std::vector<int32_t> cursors;
    std::string clipboard;
    std::vector<std::string> dialogEvents;
    std::vector<int32_t> killed;
    int32_t updateSteps = 0;
    // UpdateApp reports a shutdown once this many steps have run (negative: never).
    int32_t shutdownAfter = -1;
    // Runs after every update step, with the step's number: scripted input between steps.
    std::function<void(int32_t)> onStep;

    StubWidgetHost() { manager.SetScreenSize(800, 600); }
    ~StubWidgetHost() override {
        // Widgets go before the manager does, the way the application tears down.
        mDialogs.clear();
        mDeleted.clear();
    }

    void SetCursor(int32_t id) override { cursors.push_back(id); }

    bool UpdateApp() override {
        if (shutdownAfter >= 0 && updateSteps >= shutdownAfter) return false;
        ++updateSteps;
        manager.UpdateStep();
        if (onStep) onStep(updateSteps);
        return true;
    }

    bool KillDialog(int32_t id) override {
        auto found = mDialogs.find(id);
        if (found == mDialogs.end()) return false;
        killed.push_back(id);
        std::unique_ptr<Zorbel::Dialog> dialog = std::move(found->second);
        // As the application does: a dialog closed without an answer answers 0.
        if (dialog->GetResult() == Zorbel::Dialog::NoResult) dialog->SetResult(0);
        mDialogs.erase(found);
        manager.RemoveChild(dialog.get());
        if (dialog->IsModal()) manager.PopModal(dialog.get());
        mDeleted.push_back(std::move(dialog));
        return true;
    }

    void SafeDeleteWidget(Zorbel::Widget* widget) override {
        for (auto& [id, dialog] : mDialogs)
            if (dialog.get() == widget) return;
        mDeletedWidgets.push_back(widget);
    }

    std::string GetString(const std::string& id) const override {
        auto found = strings.find(id);
        return found != strings.end() ? found->second : std::string();
    }

    Zorbel::DialogListener* GetDialogListener() override { return this; }
    Zorbel::FontEngine* GetFontEngine() override { return &fonts; }

    bool CopyToClipboard(const std::string& text) override {
        clipboard = text;
        return true;
    }
    std::string GetClipboardText() override { return clipboard; }

    void DialogButtonPressed(int32_t dialogId, int32_t buttonId) override {
        dialogEvents.push_back("pressed " + std::to_string(dialogId) + " " + std::to_string(buttonId));
    }
    void DialogButtonReleased(int32_t dialogId, int32_t buttonId) override {
        dialogEvents.push_back("released " + std::to_string(dialogId) + " " + std::to_string(buttonId));
    }

    // Shows the dialog the way the application does: closes one with the same id, sizes a dialog
    // without a width to half the screen, adds it and makes it modal when it asks to be.
    Zorbel::Dialog* ShowDialog(std::unique_ptr<Zorbel::Dialog> dialog) {
        KillDialog(dialog->GetId());
        Zorbel::Dialog* shown = dialog.get();
        if (shown->GetWidth() == 0) {
            int32_t width = manager.GetWidth() / 2;
            int32_t height = shown->GetPreferredHeight(width);
            shown->Resize((manager.GetWidth() - width) / 2, manager.GetHeight() / 5, width, height);
        }
        mDialogs[shown->GetId()] = std::move(dialog);
        manager.AddChild(shown);
        if (shown->IsModal()) manager.PushModal(shown);
        return shown;
    }

    const std::vector<Zorbel::Widget*>& DeletedWidgets() const { return mDeletedWidgets; }

private:
    std::map<int32_t, std::unique_ptr<Zorbel::Dialog>> mDialogs;
    std::vector<std::unique_ptr<Zorbel::Dialog>> mDeleted;
    std::vector<Zorbel::Widget*> mDeletedWidgets;
};

} // namespace ZorbelTest
