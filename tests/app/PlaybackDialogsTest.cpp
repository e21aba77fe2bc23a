// The dialogs of the playback keys, opened during a real replay on the manual clock: the replay holds
// while one is open, the player's own keys and clicks work it, and the jump it asks for lands on the
// step it names, after which the replay goes on exactly as recorded.
#include "framework/app/PlaybackDialogs.h"

#include "app/AppHarness.h"
#include "framework/app/JumpToTimeDialog.h"
#include "framework/app/MarkerListDialog.h"
#include "framework/platform/VirtualKey.h"
#include "framework/widget/EditWidget.h"
#include "framework/widget/ListWidget.h"
#include "framework/widget/WidgetManager.h"
#include "graphics/ImageTestUtil.h"
#include "support/RecordingWidget.h"

#include <algorithm>

using namespace Zorbel;
using namespace ZorbelTest;
using Zorbel::Testing::PixelAt;
using Log = std::vector<std::string>;

namespace {

// An application whose widget tree holds one widget over the whole screen that writes down every
// input it gets, between the numbers of the update steps.
class ReplayApp : public TestApp {
public:
    using TestApp::TestApp;
    ~ReplayApp() override {
        if (WidgetManager* manager = GetWidgetManager()) manager->RemoveChild(&board);
    }
    void UpdateFrames() override {
        TestApp::UpdateFrames();
        log.push_back("step " + std::to_string(GetUpdateCount()));
        if (onStep) onStep(GetUpdateCount());
    }

    Log log;
    RecordingWidget board{"board", &log};
    std::function<void(int32_t)> onStep;
};

class PlaybackDialogsTest : public AppFixture {
protected:
    ReplayApp& Start(const std::string& arguments) {
        app.reset();
        ZorbelAppBase::SetProgramCommandLine("\"/opt/zorbel/app\" " + arguments);
        AppPlatform platform = Platform();
        platform.createWidgetLayer = nullptr;
        auto made = std::make_unique<ReplayApp>(platform);
        ReplayApp& a = *made;
        app = std::move(made);
        a.Init();
        a.GetLoading().MarkDone();
        a.board.Resize(0, 0, a.GetWidth(), a.GetHeight());
        a.GetWidgetManager()->AddChild(&a.board);
        return a;
    }

    ReplayApp& Replay() { return static_cast<ReplayApp&>(*app); }

    // Pointer moves, a click, a key with its character, and markers at steps 50, 150 and 250 of a run
    // that is closed at step 300. The board's log of it.
    Log Record() {
        ReplayApp& a = Start("-record -demofile=" + demo);
        a.onStep = [&](int32_t step) {
            if (step == 20) Post(MessageKind::MouseMove, 0, 300, 200);
            if (step == 40) Post(MessageKind::LeftDown, 0, 310, 190, ButtonLeft);
            if (step == 41) Post(MessageKind::LeftUp, 0, 310, 190);
            if (step == 50) a.AddDemoMarker("first");
            if (step == 150) a.AddDemoMarker("middle");
            if (step == 170) Post(MessageKind::KeyDown, 65);
            if (step == 171) Post(MessageKind::Char, 'a');
            if (step == 172) Post(MessageKind::KeyUp, 65);
            if (step == 220) Post(MessageKind::MouseMove, 0, 500, 400);
            if (step == 250) a.AddDemoMarker("late");
            if (step == 300) Post(MessageKind::Close);
        };
        a.Start();
        Log log = a.log;
        app.reset();
        return log;
    }

    // Steps of the main loop until the condition holds, at most limit of them.
    template <typename Condition>
    [[nodiscard]] bool StepUntil(Condition condition, int limit) {
        bool updated = false;
        for (int i = 0; i < limit && !condition(); ++i)
            Replay().UpdateAppStep(updated);
        return condition();
    }

    // Plays the demo up to the step, then types the playback key and waits for its dialog.
    Dialog* OpenAt(int32_t step, char key) {
        EXPECT_TRUE(StepUntil([&] { return Replay().GetUpdateCount() >= step; }, 100000));
        Post(MessageKind::Char, key);
        EXPECT_TRUE(StepUntil([&] { return Replay().GetPlaybackDialogs().IsOpen(); }, 100));
        return Replay().GetPlaybackDialogs().GetOpenDialog();
    }

    // The log from the start of the step on.
    static Log From(const Log& log, int32_t step) {
        auto at = std::find(log.begin(), log.end(), "step " + std::to_string(step));
        return Log(at, log.end());
    }

    // The replay has ended by itself, and after the step it gave the board what the recording gave it.
    void ExpectTheRestAsRecorded(const Log& recorded, int32_t step) {
        EXPECT_TRUE(StepUntil([&] { return Replay().IsShuttingDown(); }, 100000));
        Log replayed = From(Replay().log, step);
        EXPECT_GT(replayed.size(), 100u);
        EXPECT_EQ(replayed, From(recorded, step));
    }

    std::string demo = folder.path + "/run.dmo";
};

} // namespace

TEST_F(PlaybackDialogsTest, TheMarkerListJumpsToTheMarkerDoubleClicked) {
    Log recorded = Record();
    ReplayApp& a = Start("-play -demofile=" + demo);
    auto* dialog = dynamic_cast<MarkerListDialog*>(OpenAt(100, 'L'));
    ASSERT_NE(dialog, nullptr);
    const int32_t held = a.GetUpdateCount();
    // Only the markers still ahead, with the time from each to the end (1.5 and 0.5 seconds).
    ListWidget* list = dialog->GetList();
    EXPECT_EQ(list->GetItems(), (Log{"middle (00:00:01)", "late (00:00:00)"}));
    EXPECT_TRUE(list->HasFocus());

    // Half a second of the clock goes by with the dialog open, and the replay stands still.
    uint32_t opened = clock.Milliseconds();
    EXPECT_TRUE(StepUntil([&] { return clock.Milliseconds() - opened >= 500; }, 1000));
    EXPECT_EQ(a.GetUpdateCount(), held);
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(PixelAt(*display->GetScreenImage(), dialog->GetX() + 14, dialog->GetY() + 14), 0xFF505050u)
        << "the dialog is drawn while the replay holds";

    // The player double-clicks the first marker.
    Point at = list->GetAbsolutePosition();
    int32_t x = at.x + 30;
    int32_t y = at.y + ListWidget::Inset + list->GetItemHeight() / 2;
    Post(MessageKind::MouseMove, 0, x, y);
    Post(MessageKind::LeftDown, 0, x, y, ButtonLeft);
    Post(MessageKind::LeftUp, 0, x, y);
    Post(MessageKind::LeftDouble, 0, x, y, ButtonLeft);
    Post(MessageKind::LeftUp, 0, x, y);
    ASSERT_TRUE(StepUntil([&] { return a.GetUpdateCount() > held; }, 200));
    EXPECT_EQ(a.GetUpdateCount(), 150) << "the jump lands on the marker's step";
    EXPECT_FALSE(a.GetPlaybackDialogs().IsHolding());
    ExpectTheRestAsRecorded(recorded, held + 1);
}

TEST_F(PlaybackDialogsTest, JumpToTimeOffersTheStoredTimeAndJumpsThatFarBackFromTheEnd) {
    Log recorded = Record();
    const std::string stored = "0:1";
    ASSERT_TRUE(store.Write("SOFTWARE\\ZorbelTest\\App", "DemoJumpTime", SettingsStore::TYPE_STRING,
                            stored.c_str(), stored.size() + 1));
    ReplayApp& a = Start("-play -demofile=" + demo);

    // Escape closes the dialog without a jump; the replay goes on from where it stood.
    ASSERT_NE(OpenAt(60, 'J'), nullptr);
    const int32_t firstHeld = a.GetUpdateCount();
    Post(MessageKind::KeyDown, VirtualKey::Escape);
    ASSERT_TRUE(StepUntil([&] { return a.GetUpdateCount() > firstHeld; }, 200));
    EXPECT_EQ(a.GetUpdateCount(), firstHeld + 1);

    auto* dialog = dynamic_cast<JumpToTimeDialog*>(OpenAt(70, 'j'));
    ASSERT_NE(dialog, nullptr);
    const int32_t held = a.GetUpdateCount();
    EditWidget* edit = dialog->GetEdit();
    EXPECT_EQ(edit->GetText(), "0:1");
    EXPECT_EQ(edit->GetSelectedText(), "0:1") << "the time is offered all selected";
    EXPECT_TRUE(edit->HasFocus());

    // The player pastes a time over it and presses Enter: one second back from the end of the three
    // recorded seconds, less the step the jump counts to, is step 100.
    windows.SetClipboardText("1\nsecond line");
    Post(MessageKind::KeyDown, VirtualKey::Control);
    Post(MessageKind::KeyDown, 'V');
    Post(MessageKind::KeyUp, 'V');
    Post(MessageKind::KeyUp, VirtualKey::Control);
    Post(MessageKind::KeyDown, VirtualKey::Return);
    Post(MessageKind::KeyUp, VirtualKey::Return);
    ASSERT_TRUE(StepUntil([&] { return a.GetUpdateCount() > held; }, 200));
    EXPECT_EQ(a.GetDemo().GetDemoLength(), 300);
    EXPECT_EQ(a.GetUpdateCount(), 100) << "the jump lands 200 steps before the end";

    // The time is kept for the next jump, outside the recording.
    uint32_t type = 0;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(store.Read("SOFTWARE\\ZorbelTest\\App", "DemoJumpTime", type, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string("1", 2));
    ExpectTheRestAsRecorded(recorded, held + 1);
}
