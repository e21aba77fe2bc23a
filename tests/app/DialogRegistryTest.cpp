#include "framework/app/DialogRegistry.h"
#include "framework/widget/Dialog.h"
#include "support/RecordingWidgetLayer.h"
#include "support/StubWidgetHost.h"

#include <gtest/gtest.h>

using namespace Zorbel;
using ZorbelTest::RecordingWidgetLayer;

namespace {

// Notes the hooks in the widget layer's own log, so that their order against the tree's changes shows.
class NotingHooks : public DialogRegistry::Hooks {
public:
    explicit NotingHooks(RecordingWidgetLayer& layer) : mLayer(layer) {}
    void ModalOpenHook() override { mLayer.events.push_back("modal-open-hook"); }
    void ModalCloseHook() override { mLayer.events.push_back("modal-close-hook"); }
    void SafeDeleteWidget(Widget*) override { mLayer.events.push_back("safe-delete"); }

private:
    RecordingWidgetLayer& mLayer;
};

} // namespace

TEST(DialogRegistryOrderTest, AModalDialogComesAndGoesInItsOrder) {
    ZorbelTest::StubWidgetHost host;
    RecordingWidgetLayer layer;
    NotingHooks hooks(layer);
    DialogRegistry registry(layer, hooks);
    auto* dialog =
        new Dialog(&host, nullptr, nullptr, 4, true, "Header", "Lines", "", Dialog::BUTTONS_YES_NO);
    registry.Add(4, dialog, 800, 600);
    EXPECT_EQ(dialog->GetX(), 200);
    EXPECT_EQ(dialog->GetY(), 120);
    EXPECT_EQ(dialog->GetWidth(), 400);
    EXPECT_EQ(registry.Get(4), dialog);

    EXPECT_TRUE(registry.Kill(4));
    EXPECT_EQ(layer.events, (std::vector<std::string>{"add", "push-modal", "modal-open-hook", "remove",
                                                      "modal-close-hook", "pop-modal", "safe-delete"}));
    EXPECT_EQ(registry.Count(), 0);
    EXPECT_EQ(dialog->GetResult(), 0);
    // Nobody deletes it later here: the registry handed it on.
    delete dialog;
}
