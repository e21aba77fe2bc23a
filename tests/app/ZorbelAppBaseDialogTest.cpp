#include "app/AppHarness.h"

#include "framework/widget/Dialog.h"
#include "framework/widget/DialogButton.h"
#include "framework/widget/WidgetManager.h"

#include <functional>

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

// Records the button ids that reach the application.
class ButtonApp : public TestApp {
public:
    using TestApp::TestApp;
    void ButtonPressed(int32_t id) override { pressed.push_back(id); }
    void ButtonReleased(int32_t id) override { released.push_back(id); }
    void ModalOpenHook() override { ++modalOpened; }
    void ModalCloseHook() override { ++modalClosed; }

    std::vector<int32_t> pressed;
    std::vector<int32_t> released;
    int modalOpened = 0;
    int modalClosed = 0;
};

class DialogRegistryTest : public AppFixture {
protected:
    ButtonApp& StartButtonApp(bool realWidgets) {
        app.reset();
        AppPlatform platform = Platform();
        if (realWidgets) platform.createWidgetLayer = nullptr;
        auto made = std::make_unique<ButtonApp>(platform);
        ButtonApp& a = *made;
        app = std::move(made);
        a.Init();
        return a;
    }
};

} // namespace

TEST_F(DialogRegistryTest, KillingAnAbsentDialogReportsFalse) {
    ButtonApp& a = StartButtonApp(false);
    EXPECT_FALSE(a.KillDialog(7));
    EXPECT_EQ(a.GetDialogCount(), 0);
    EXPECT_EQ(a.GetDialog(7), nullptr);
}

TEST_F(DialogRegistryTest, ADialogIsSizedPlacedAddedAndKilledLater) {
    ButtonApp& a = StartButtonApp(false);
    Dialog* dialog = a.DoDialog(3, true, "Header", "Some lines of text", "Footer", Dialog::BUTTONS_YES_NO);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(a.GetDialog(3), dialog);
    EXPECT_EQ(a.GetDialogCount(), 1);
    EXPECT_EQ(dialog->GetWidth(), 320);
    EXPECT_EQ(dialog->GetX(), 160);
    EXPECT_EQ(dialog->GetY(), 96);
    EXPECT_EQ(dialog->GetHeight(), dialog->GetPreferredHeight(320));
    EXPECT_EQ(widgets->children, std::vector<Widget*>{dialog});
    EXPECT_EQ(widgets->modal, std::vector<Widget*>{dialog});
    EXPECT_EQ(a.modalOpened, 1);

    // Opening another dialog with the same id replaces it.
    Dialog* second = a.DoDialog(3, false, "Again", "", "", Dialog::BUTTONS_FOOTER);
    EXPECT_EQ(a.GetDialog(3), second);
    EXPECT_EQ(a.GetDialogCount(), 1);
    EXPECT_EQ(a.modalClosed, 1);
    EXPECT_TRUE(widgets->modal.empty());
    EXPECT_EQ(widgets->children, std::vector<Widget*>{second});
    // The replaced dialog is freed by the deferred deletion, not at once.
    EXPECT_TRUE(widgets->deleted.empty());
    a.ProcessSafeDeleteList();
    EXPECT_EQ(widgets->deleted, std::vector<Widget*>{dialog});

    EXPECT_EQ(second->GetResult(), Dialog::NoResult);
    EXPECT_TRUE(a.KillDialog(3));
    // Closed without an answer, it answers 0.
    EXPECT_EQ(second->GetResult(), 0);
    EXPECT_FALSE(a.KillDialog(3));
    EXPECT_EQ(a.modalClosed, 1);
    a.ProcessSafeDeleteList();
    EXPECT_EQ(widgets->deleted.size(), 2u);
}

TEST_F(DialogRegistryTest, DialogButtonsReachTheApplicationAsButtonIds) {
    ButtonApp& a = StartButtonApp(false);
    a.DialogButtonPressed(5, 1000);
    a.DialogButtonPressed(5, 1001);
    a.DialogButtonPressed(5, 1002);
    a.DialogButtonReleased(9, 1001);
    EXPECT_EQ(a.pressed, (std::vector<int32_t>{2005, 3005}));
    EXPECT_EQ(a.released, std::vector<int32_t>{3009});
}

TEST_F(DialogRegistryTest, TheRealWidgetManagerHoldsDialogsAndWaitsForTheirResult) {
    ButtonApp& a = StartButtonApp(true);
    a.GetLoading().MarkDone();
    WidgetManager* manager = a.GetWidgetManager();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(manager->GetImage(), display->GetScreenImage());
    Dialog* dialog = a.DoDialog(1, true, "Question", "Go on?", "", Dialog::BUTTONS_YES_NO);
    EXPECT_EQ(manager->GetBaseModalWidget(), dialog);

    // A click on the yes button while the dialog waits ends the wait with its id.
    DialogButton* yes = dialog->GetYesButton();
    ASSERT_NE(yes, nullptr);
    // The buttons sit in the tree beside the dialog, at screen positions.
    int32_t x = yes->GetX() + yes->GetWidth() / 2;
    int32_t y = yes->GetY() + yes->GetHeight() / 2;
    Post(MessageKind::MouseMove, 0, x, y);
    Post(MessageKind::LeftDown, 0, x, y, ButtonLeft);
    Post(MessageKind::LeftUp, 0, x, y);
    int32_t result = dialog->WaitForResult(true);
    EXPECT_EQ(result, 1000);
    EXPECT_EQ(a.pressed, std::vector<int32_t>{2001});
    EXPECT_EQ(a.GetDialogCount(), 0);
    EXPECT_EQ(manager->GetBaseModalWidget(), nullptr);
    // Killed from inside its own wait, the dialog is freed once control is back at the outer level.
    RunUntil(clock.Milliseconds() + 20);

    // Dialogs still open at the end are freed with the application.
    a.DoDialog(2, false, "Left open", "", "", Dialog::BUTTONS_FOOTER);
}

namespace {

// A widget that runs a step of the test inside each update step of the application.
class StepWidget : public Widget {
public:
    void Update() override {
        Widget::Update();
        ++updates;
        if (onUpdate) onUpdate();
    }
    std::function<void()> onUpdate;
    int updates = 0;
};

} // namespace

// A dialog closed inside the update step its wait runs is deleted at the end of that step; the wait
// still ends safely, with 0 for a dialog closed without a click (the sanitizers see any read of the
// freed dialog). A wait that ends because the application stops running answers 0x7FFFFFFF.
TEST_F(DialogRegistryTest, WaitingSurvivesTheDialogBeingClosedAndDeletedMeanwhile) {
    ButtonApp& a = StartButtonApp(true);
    a.GetLoading().MarkDone();
    WidgetManager* manager = a.GetWidgetManager();
    ASSERT_NE(manager, nullptr);
    Dialog* dialog = a.DoDialog(1, true, "Question", "Go on?", "", Dialog::BUTTONS_YES_NO);
    StepWidget stepper;
    manager->AddChild(&stepper);
    // The stepper takes part in the steps while the dialog is up, so the waits below end.
    RunUntil(clock.Milliseconds() + 50);
    ASSERT_GT(stepper.updates, 0);

    for (bool autoKill : {false, true}) {
        if (autoKill) dialog = a.DoDialog(1, true, "Question", "Go on?", "", Dialog::BUTTONS_YES_NO);
        int killedAt = -1;
        stepper.onUpdate = [&] {
            if (killedAt < 0 && stepper.updates >= 3) {
                killedAt = stepper.updates;
                EXPECT_TRUE(a.KillDialog(1));
            }
        };
        EXPECT_EQ(dialog->WaitForResult(autoKill), 0) << autoKill;
        EXPECT_GE(killedAt, 3);
        EXPECT_EQ(a.GetDialog(1), nullptr);
        EXPECT_EQ(a.GetDialogCount(), 0);
        EXPECT_EQ(manager->GetBaseModalWidget(), nullptr);
        stepper.onUpdate = nullptr;
        stepper.updates = 0;
    }

    // The application stops running before any click: the wait gives up without an answer.
    dialog = a.DoDialog(2, true, "Question", "Go on?", "", Dialog::BUTTONS_YES_NO);
    stepper.onUpdate = [&] {
        if (stepper.updates == 2) a.Shutdown();
    };
    EXPECT_EQ(dialog->WaitForResult(true), Dialog::NoResult);
    EXPECT_EQ(a.GetDialogCount(), 0);
    manager->RemoveChild(&stepper);
}
