// The developer keys through the real window procedure and message queue: Ctrl + Alt + D switches
// them on, each key then does what it is for, and only F8, F10 and F11 are kept from the widgets.
#include "framework/app/DebugKeys.h"
#include "AppHarness.h"
#include "framework/app/DeveloperReports.h"
#include "framework/app/StepClock.h"
#include "framework/imagelib/ImageLib.h"
#include "support/WholeFile.h"

#include <algorithm>
#include <filesystem>

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

constexpr int32_t F2 = 113, F3 = 114, F8 = 119, F10 = 121, F11 = 122;
constexpr int32_t Shift = 16, Ctrl = 17, Alt = 18;

class DebugKeysTest : public AppFixture {
protected:
    TestApp& Start() {
        TestApp& a = StartApp();
        a.GetLoading().MarkDone();
        a.GetDeveloperReports().SetFolders(folder.path + "/_screenshots", folder.path + "/_dump");
        return a;
    }

    // Presses the key with the modifiers held, and lets the main loop take the messages.
    void Press(int32_t key, std::initializer_list<int32_t> held = {}) {
        for (int32_t modifier : held)
            Post(modifier == Alt ? MessageKind::SysKeyDown : MessageKind::KeyDown, modifier);
        Post(MessageKind::KeyDown, key);
        Post(MessageKind::KeyUp, key);
        for (int32_t modifier : held)
            Post(MessageKind::KeyUp, modifier);
        Cycle(40);
    }

    // Turns of the main loop, one state each (a held single step never reports an update, so the loop
    // is driven by its states rather than by its updates).
    void Cycle(int turns) {
        bool updated = false;
        for (int turn = 0; turn < turns; ++turn)
            app->UpdateAppStep(updated);
    }

    bool WidgetsSawKey(int32_t key) {
        const std::vector<std::string> inputs = widgets->Inputs();
        return std::count(inputs.begin(), inputs.end(), "keydown " + std::to_string(key)) > 0;
    }

    std::vector<std::string> Captions() {
        std::vector<std::string> captions;
        for (const MessageBoxRequest& request : windows.MessageBoxes())
            captions.push_back(request.caption);
        return captions;
    }
};

TEST_F(DebugKeysTest, ControlAltDSwitchesThemOnAndF11WritesTheScreenAndShiftF11TheImageDump) {
    TestApp& a = Start();
    // A frame with a pattern the shot must show pixel for pixel, opaque.
    MemoryImage* screen = display->GetScreenImage();
    ASSERT_NE(screen, nullptr);
    uint32_t* pixels = screen->GetPixels();
    for (size_t i = 0; i < screen->PixelCount(); ++i)
        pixels[i] = 0x00102030u + static_cast<uint32_t>(i * 7919);
    Press(F11);
    EXPECT_TRUE(WidgetsSawKey(F11)) << "off, the keys belong to the widgets";
    EXPECT_FALSE(std::filesystem::exists(folder.path + "/_screenshots"));
    Press('D', {Ctrl, Alt});
    EXPECT_TRUE(a.GetDebugKeys().IsOn());
    widgets->events.clear();
    Press(F11);
    Press(F11);
    EXPECT_FALSE(WidgetsSawKey(F11));
    std::unique_ptr<ImageLib::Image> shot = ImageLib::ReadPng(folder.path + "/_screenshots/image2.png");
    ASSERT_TRUE(shot);
    ASSERT_EQ(shot->GetWidth(), screen->GetWidth());
    ASSERT_EQ(shot->GetHeight(), screen->GetHeight());
    for (size_t i = 0; i < shot->GetPixelCount(); ++i)
        ASSERT_EQ(shot->GetBits()[i], pixels[i] | 0xFF000000) << i;

    Press(F11, {Shift});
    EXPECT_FALSE(WidgetsSawKey(F11));
    const std::string page = ZorbelTest::ReadWholeFile(folder.path + "/_dump/imagelist.html");
    EXPECT_NE(page.find("640 x 480<BR>1,228,800 bytes"), std::string::npos) << page;
    EXPECT_TRUE(std::filesystem::exists(folder.path + "/_dump/img0000.png"));
    EXPECT_TRUE(std::filesystem::exists(folder.path + "/_dump/thumb0000.jpg"));

    Press('D', {Ctrl, Alt});
    EXPECT_FALSE(a.GetDebugKeys().IsOn());
    Press(F11);
    EXPECT_TRUE(WidgetsSawKey(F11));
    EXPECT_FALSE(std::filesystem::exists(folder.path + "/_screenshots/image3.png"));
}

TEST_F(DebugKeysTest, F8ShowsTheVideoStatisticsAndShiftF8SwitchesThreeD) {
    Start();
    Press('D', {Ctrl, Alt});
    Press(F8);
    ASSERT_EQ(Captions(), std::vector<std::string>{"Video Stats"});
    EXPECT_EQ(
        windows.MessageBoxes()[0].text.rfind("3D-Mode is Off (3D is Unsupported on this system)\r\n\r\n", 0),
        0u)
        << windows.MessageBoxes()[0].text;
    Press(F8, {Shift});
    ASSERT_EQ(Captions().size(), 2u);
    EXPECT_EQ(Captions()[1], "Mode Switch");
    EXPECT_EQ(windows.MessageBoxes()[1].text, display->Is3D() ? "3D-Mode: ON" : "3D-Mode: OFF");
    EXPECT_FALSE(WidgetsSawKey(F8));
}

TEST_F(DebugKeysTest, F10StepsHoldsRunsOnAndSwitchesToQuarterSpeed) {
    TestApp& a = Start();
    StepClock& steps = a.GetStepClock();
    Press('D', {Ctrl, Alt});
    Press(F10);
    EXPECT_EQ(steps.GetSingleStep(), 2) << "one step was taken and the loop holds";
    const int32_t held = a.GetUpdateCount();
    Cycle(100);
    EXPECT_EQ(a.GetUpdateCount(), held);
    Press(F10);
    EXPECT_EQ(a.GetUpdateCount(), held + 1);
    Press(F10, {Shift});
    EXPECT_EQ(steps.GetSingleStep(), 0);
    Cycle(100);
    EXPECT_GT(a.GetUpdateCount(), held + 10);

    Press(F10, {Ctrl});
    EXPECT_EQ(steps.GetSpeed(), 0.25);
    Press(F10, {Ctrl});
    EXPECT_EQ(steps.GetSpeed(), 1.0);
    EXPECT_FALSE(WidgetsSawKey(F10));
}

TEST_F(DebugKeysTest, F3F2AndAltRActAndStillReachTheWidgets) {
    TestApp& a = Start();
    Press('D', {Ctrl, Alt});
    Press(F3);
    EXPECT_TRUE(a.GetDeveloperReports().IsShowingFps());
    EXPECT_TRUE(WidgetsSawKey(F3));
    Press(F3, {Shift});
    EXPECT_TRUE(a.GetDeveloperReports().IsShowingFps());
    EXPECT_EQ(a.GetDeveloperReports().GetOverlays().GetCounter(), DeveloperOverlays::Counter::Pointer);
    const int dirtied = widgets->markAllDirtyCount;
    Press(F3);
    EXPECT_FALSE(a.GetDeveloperReports().IsShowingFps());
    EXPECT_GT(widgets->markAllDirtyCount, dirtied) << "what the overlays covered is drawn again";

    Press(F2);
    EXPECT_EQ(Captions(), std::vector<std::string>{"Perf Results"});
    EXPECT_EQ(windows.MessageBoxes()[0].text, "No profiler is built into this program.");
    EXPECT_TRUE(WidgetsSawKey(F2));

    const int cleared = widgets->clearKeyStatesCount;
    Press('R', {Alt});
    EXPECT_GT(widgets->clearKeyStatesCount, cleared) << "no reload facility: the held keys are forgotten";
    EXPECT_TRUE(WidgetsSawKey('R'));
}

} // namespace
