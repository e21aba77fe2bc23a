#include "framework/app/DemoRecorder.h"

#include "framework/app/DemoPlayer.h"
#include "framework/app/DemoSession.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

using namespace Zorbel;

namespace {

WindowMessage Mouse(MessageKind kind, int32_t x, int32_t y) {
    WindowMessage message;
    message.kind = kind;
    message.x = x;
    message.y = y;
    return message;
}

DecodedDemoStream Decode(const DemoRecorder& recorder) {
    const Buffer& buffer = recorder.GetBuffer();
    return DecodeDemoStream(buffer.Data(), buffer.ByteLength());
}

} // namespace

TEST(DemoRecorderTest, MovesOfUpTo31PixelsAreRelativeAndLongerOnesAbsolute) {
    int32_t step = 0;
    DemoRecorder recorder([&] { return step; });
    WindowMessage first = Mouse(MessageKind::MouseMove, 100, 50);
    recorder.WriteMessage(first);
    WindowMessage by31 = Mouse(MessageKind::MouseMove, 131, 19);
    recorder.WriteMessage(by31);
    WindowMessage by32 = Mouse(MessageKind::MouseMove, 99, 19);
    recorder.WriteMessage(by32);
    WindowMessage press = Mouse(MessageKind::RightDouble, 99, 19);
    recorder.WriteMessage(press);
    // Beyond the left edge a drag reads as 0: the run handles the position its replay will.
    WindowMessage outside = Mouse(MessageKind::LeftUp, -12, 19);
    recorder.WriteMessage(outside);
    EXPECT_EQ(outside.x, 0);

    DecodedDemoStream stream = Decode(recorder);
    ASSERT_TRUE(stream.complete);
    ASSERT_EQ(stream.events.size(), 6u);
    EXPECT_EQ(stream.events[0].Name(), "move-to");
    EXPECT_EQ(stream.events[1].Name(), "move-by");
    EXPECT_EQ(stream.events[1].a, 31);
    EXPECT_EQ(stream.events[1].b, -31);
    EXPECT_EQ(stream.events[2].Name(), "move-to");
    EXPECT_EQ(stream.events[2].a, 99);
    EXPECT_EQ(stream.events[3].Name(), "button");
    EXPECT_EQ(stream.events[3].a, 1);
    EXPECT_EQ(stream.events[3].b, -2);
    EXPECT_EQ(stream.events[4].Name(), "move-to");
    EXPECT_EQ(stream.events[4].a, 0);
    EXPECT_EQ(stream.events[5].a, 0); // released
    EXPECT_EQ(stream.events[5].b, 1);
}

TEST(DemoRecorderTest, FortyIdleStepsGiveTwoFillersAndADeltaOfTen) {
    int32_t step = 0;
    DemoRecorder recorder([&] { return step; });
    recorder.WriteLong(DemoCode::LoadingDone);
    step = 40;
    WindowMessage key;
    key.kind = MessageKind::KeyDown;
    key.value = 65;
    recorder.WriteMessage(key);

    // loading (delta 0), filler (15), filler (15), key (10): bits of the stream as written.
    Buffer bits;
    bits.Assign(recorder.GetBuffer().Data(), recorder.GetBuffer().ByteLength());
    EXPECT_EQ(bits.GetBits(4), 0u);
    bits.GetBits(6);
    for (int filler = 0; filler < 2; ++filler) {
        EXPECT_EQ(bits.GetBits(4), 15u);
        EXPECT_EQ(bits.GetBits(1), 0u);
        EXPECT_EQ(bits.GetBits(5), 31u);
    }
    EXPECT_EQ(bits.GetBits(4), 10u);
    EXPECT_EQ(bits.GetBits(1), 0u);
    EXPECT_EQ(bits.GetBits(5), 3u);
    EXPECT_EQ(bits.GetBits(8), 65u);
    EXPECT_EQ(recorder.GetEventCount(), 4);
}

TEST(DemoRecorderTest, ACrashEndsTheRecordingWithAFillerSavesItAndStopsRecording) {
    Zorbel::Testing::ScratchFolder folder("demo-crash");
    const std::string path = folder.Path("crashed.dmo");
    DemoSession session;
    int32_t step = 0;
    session.SetStepCounter([&] { return step; });
    ASSERT_TRUE(session.HandleCommandLineParam("-record", ""));
    ASSERT_TRUE(session.HandleCommandLineParam("-demofile", path));
    std::string message;
    ASSERT_TRUE(session.Begin("2.5", message));
    step = 3;
    session.LoadingHandled();
    step = 20;

    EXPECT_EQ(session.SaveAfterCrash(77, "2.5"), path);
    EXPECT_FALSE(session.IsRecording());
    DemoFile file;
    ASSERT_EQ(ReadDemoFile(path, "2.5", file).problem, DemoFileProblem::None);
    EXPECT_EQ(file.seed, 77u);
    EXPECT_EQ(file.demoLength, 20);
    DecodedDemoStream stream = DecodeDemoStream(file.events.data(), file.events.size());
    ASSERT_TRUE(stream.complete);
    ASSERT_EQ(stream.events.size(), 3u); // loading at 3, a filler for 15 steps, the crash's filler at 20
    EXPECT_EQ(stream.events[0].Name(), "loading-done");
    EXPECT_EQ(stream.events[2].Name(), "filler");
    EXPECT_EQ(stream.events[2].step, 20);

    // Stopped: a second fault has nothing to save, and neither has a run that was not recording.
    EXPECT_EQ(session.SaveAfterCrash(77, "2.5"), "");
    DemoSession live;
    EXPECT_EQ(live.SaveAfterCrash(1, "2.5"), "");
    // A recording whose file cannot be written names none.
    DemoSession unwritable;
    ASSERT_TRUE(unwritable.HandleCommandLineParam("-record", ""));
    ASSERT_TRUE(unwritable.HandleCommandLineParam("-demofile", folder.Path("missing/x.dmo")));
    ASSERT_TRUE(unwritable.Begin("2.5", message));
    EXPECT_EQ(unwritable.SaveAfterCrash(1, "2.5"), "");
}

TEST(DemoRecorderTest, APlayerTakesEveryEventAtItsStepAndSkipsWhatNobodyTook) {
    int32_t step = 0;
    DemoRecorder recorder([&] { return step; });
    DemoEvent read;
    read.code = DemoCode::SettingsRead;
    read.flag = true;
    read.type = 4;
    read.bytes = {1, 2, 3, 4};
    recorder.Write(read);
    step = 3;
    WindowMessage move = Mouse(MessageKind::MouseMove, 10, 20);
    recorder.WriteMessage(move);
    step = 5;
    recorder.WriteLong(DemoCode::PointerLeft);
    recorder.AddMarker("here");
    step = 7;
    recorder.WriteLong(DemoCode::Close);
    DemoFile file = recorder.Finish(99, "v");
    EXPECT_EQ(file.demoLength, 7);
    EXPECT_EQ(file.markers, (std::vector<DemoMarker>{{"here", 5}}));

    int32_t playStep = 0;
    DemoPlayer player([&] { return playStep; });
    player.Load(file);
    DemoEvent event;
    // The settings read is not the playback loop's: it waits for its reader.
    EXPECT_FALSE(player.IsDispatchDue());
    EXPECT_FALSE(player.Take(DemoCode::SettingsWrite, event));
    ASSERT_TRUE(player.Take(DemoCode::SettingsRead, event));
    EXPECT_EQ(event.bytes, read.bytes);
    playStep = 2;
    EXPECT_FALSE(player.TakeDispatched(event));
    playStep = 3;
    ASSERT_TRUE(player.TakeDispatched(event));
    EXPECT_EQ(player.GetMouseX(), 10);
    EXPECT_EQ(player.GetMouseY(), 20);
    // Step 5 passed without anyone taking the pointer's leaving: it is dropped, the close still comes.
    playStep = 7;
    ASSERT_TRUE(player.TakeDispatched(event));
    EXPECT_EQ(event.code, DemoCode::Close);
    EXPECT_EQ(player.GetSkippedCount(), 1);
    EXPECT_FALSE(player.ReadEventHeader());
    EXPECT_TRUE(player.IsAtEnd());
}

namespace {

class Controls : public DemoSession::ControlHost {
public:
    double GetSpeed() override { return speed; }
    void SetSpeed(double s) override { speed = s; }
    void TogglePause() override { paused = !paused; }
    int32_t GetFrameTimeMs() override { return 10; }
    double GetMusicVolume() override { return music; }
    void SetMusicVolume(double v) override { music = v; }
    double GetSfxVolume() override { return sfx; }
    void SetSfxVolume(double v) override { sfx = v; }
    void ShowJumpToTimeDialog() override { ++jumpDialogs; }
    void ShowMarkerListDialog() override { ++markerDialogs; }

    double speed = 1.0;
    bool paused = false;
    double music = 0.5;
    double sfx = 0.25;
    int jumpDialogs = 0;
    int markerDialogs = 0;
};

} // namespace

TEST(DemoRecorderTest, PlaybackKeysChangeSpeedTargetsAndSound) {
    DemoSession session;
    Controls controls;
    int32_t step = 100;
    session.SetStepCounter([&] { return step; });
    session.SetControlHost(&controls);
    // Not playing: no key is a playback key.
    EXPECT_FALSE(session.ControlKey('+'));
    ASSERT_TRUE(session.HandleCommandLineParam("-play", ""));

    EXPECT_TRUE(session.ControlKey('+'));
    EXPECT_DOUBLE_EQ(controls.speed, 1.5);
    session.ControlKey('-');
    session.ControlKey('-');
    EXPECT_DOUBLE_EQ(controls.speed, 1.5 * 2 / 3 * 2 / 3);
    session.ControlKey('=');
    EXPECT_DOUBLE_EQ(controls.speed, 1.0);
    session.ControlKey('n');
    EXPECT_EQ(session.GetJumpTarget(), 101);
    EXPECT_TRUE(session.IsSteppingOnce());
    session.ControlKey('P');
    EXPECT_TRUE(controls.paused);
    session.ControlKey('s');
    EXPECT_EQ(controls.music, 0);
    EXPECT_EQ(controls.sfx, 0);
    session.ControlKey('S');
    EXPECT_EQ(controls.music, 0.5);
    EXPECT_EQ(controls.sfx, 0.25);
    session.ControlKey('j');
    session.ControlKey('L');
    EXPECT_EQ(controls.jumpDialogs, 1);
    EXPECT_EQ(controls.markerDialogs, 1);
    EXPECT_FALSE(session.ControlKey('x'));
    session.ControlKey('m');
    EXPECT_TRUE(session.IsFastForward());
}
