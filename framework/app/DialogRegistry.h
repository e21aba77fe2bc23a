#pragma once

#include <cstdint>
#include <map>
#include <vector>

namespace Zorbel {

class Dialog;
class Widget;
class WidgetLayer;

// The open dialogs of the application by id, in the order they were opened. An added dialog is owned
// by the registry until it is killed; then the deferred deletion of the main loop frees it.
class DialogRegistry {
public:
    // What the application does around a dialog: its hooks, and the deferred deletion.
    class Hooks {
    public:
        virtual void ModalOpenHook() = 0;
        virtual void ModalCloseHook() = 0;
        virtual void SafeDeleteWidget(Widget* widget) = 0;

    protected:
        virtual ~Hooks() = default;
    };

    // The widget layer and the hooks must outlive the registry.
    DialogRegistry(WidgetLayer& widgets, Hooks& hooks) : mWidgets(widgets), mHooks(hooks) {}
    DialogRegistry(const DialogRegistry&) = delete;
    DialogRegistry& operator=(const DialogRegistry&) = delete;
    // Dialogs still open are freed at once.
    ~DialogRegistry();

    // Kills a dialog of the same id first. A dialog without a width gets half the screen's width, the
    // height it asks for there, and a place centred horizontally at a fifth of the screen's height.
    // The dialog joins the widget tree, as the modal widget when it is modal.
    void Add(int32_t id, Dialog* dialog, int32_t screenWidth, int32_t screenHeight);
    // False when no dialog has the id. A dialog without an answer answers 0.
    bool Kill(int32_t id);
    Dialog* Get(int32_t id) const;
    int32_t Count() const { return static_cast<int32_t>(mOrder.size()); }

private:
    WidgetLayer& mWidgets;
    Hooks& mHooks;
    std::map<int32_t, Dialog*> mById;
    std::vector<Dialog*> mOrder;
};

} // namespace Zorbel
