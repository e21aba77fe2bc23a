#include "framework/app/DemoSession.h"

#include "app/AppHarness.h"
#include "framework/app/DemoFile.h"

#include <filesystem>
#include <fstream>

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

class DemoSessionTest : public AppFixture {
protected:
    // Records a run: input at a few steps, then the window is closed. The widget layer's log of it.
    std::vector<std::string> Record(const std::string& demo) {
        TestApp& a = StartApp("-record -demofile=" + demo);
        a.GetLoading().MarkDone();
        widgets->onUpdate = [&] {
            int32_t step = a.GetUpdateCount();
            if (step == 20) Post(MessageKind::MouseMove, 0, 300, 200);
            if (step == 40) Post(MessageKind::LeftDown, 0, 310, 190, ButtonLeft);
            if (step == 41) Post(MessageKind::LeftUp, 0, 310, 190);
            if (step == 70) Post(MessageKind::KeyDown, 65);
            if (step == 71) Post(MessageKind::Char, 'a');
            if (step == 300) Post(MessageKind::Close);
        };
        a.Start();
        std::vector<std::string> inputs = Inputs();
        app.reset();
        return inputs;
    }

    // The widgets' input; where the pointer left the window is not part of it (the manager ignores it).
    std::vector<std::string> Inputs() const {
        std::vector<std::string> inputs = widgets->Inputs();
        for (std::string& input : inputs)
            if (input.rfind("left ", 0) == 0) input = "left";
        return inputs;
    }

    void WriteDemo(const std::string& path, uint32_t seed) {
        DemoFile file;
        file.seed = seed;
        file.productVersion = MakeApp().mProductVersion;
        file.demoLength = 10;
        file.events = {0};
        std::vector<uint8_t> bytes = file.Serialize();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
};

} // namespace

TEST_F(DemoSessionTest, APlaybackGivesTheWidgetsWhatTheRecordingGaveThemAndEndsWithIt) {
    const std::string demo = folder.path + "/run.dmo";
    std::vector<std::string> recorded = Record(demo);
    ASSERT_TRUE(std::filesystem::exists(demo));
    EXPECT_NE(std::find(recorded.begin(), recorded.end(), "down 310,190 1"), recorded.end());
    EXPECT_NE(std::find(recorded.begin(), recorded.end(), "keydown 65"), recorded.end());

    // Real input during playback is not the run's: only the recorded input arrives.
    TestApp& a = StartApp("-play -demofile=" + demo);
    a.GetLoading().MarkDone();
    Post(MessageKind::KeyDown, 90);
    a.Start();
    EXPECT_EQ(Inputs(), recorded);
    EXPECT_EQ(a.GetUpdateCount(), 300);
    EXPECT_FALSE(exitCode.has_value());
}

TEST_F(DemoSessionTest, ZeroRunsToTheEndAtFullSpeedWithoutWaitingForTheClock) {
    const std::string demo = folder.path + "/run.dmo";
    Record(demo);
    TestApp& a = StartApp("-play -demofile=" + demo);
    a.GetLoading().MarkDone();
    uint32_t start = clock.Milliseconds();
    Post(MessageKind::Char, '0');
    for (int call = 0; call < 50 && !a.IsShuttingDown(); ++call)
        a.UpdateApp();
    EXPECT_TRUE(a.IsShuttingDown());
    EXPECT_EQ(a.GetUpdateCount(), 300);
    // Three seconds of recording in far less than a second of the clock.
    EXPECT_LT(clock.Milliseconds() - start, 200u);
    EXPECT_FALSE(a.GetAudio().IsMuted());
}

TEST_F(DemoSessionTest, NOneStepAtATimeAndPausedPlaybackStandsStill) {
    const std::string demo = folder.path + "/run.dmo";
    Record(demo);
    TestApp& a = StartApp("-play -demofile=" + demo);
    a.GetLoading().MarkDone();
    auto steps = [&](int count) {
        bool updated = false;
        for (int call = 0; call < count; ++call)
            a.UpdateAppStep(updated);
    };
    Post(MessageKind::Char, 'p');
    steps(200);
    EXPECT_EQ(a.GetUpdateCount(), 0);
    // Paused, the loop rests rather than spins.
    EXPECT_GT(clock.Milliseconds(), 1000u + 500);
    Post(MessageKind::Char, 'n');
    steps(50);
    EXPECT_EQ(a.GetUpdateCount(), 1);
    Post(MessageKind::Char, 'P');
    steps(200);
    EXPECT_GT(a.GetUpdateCount(), 9);
}

TEST_F(DemoSessionTest, TheSoundToggleGivesTheVolumesBackBeforeTheSettingsAreWritten) {
    StoreInteger("MusicVolume", 80);
    StoreInteger("SfxVolume", 40);
    const std::string demo = folder.path + "/run.dmo";
    Record(demo);
    // The volumes WriteSettings is handed at the end of a playback, with S typed at these steps.
    auto play = [&](std::vector<int32_t> toggles) {
        TestApp& a = StartApp("-play -demofile=" + demo);
        a.GetLoading().MarkDone();
        std::vector<std::pair<double, double>> written;
        double musicMidway = -1;
        a.onWriteSettings = [&] { written.emplace_back(a.GetMusicVolume(), a.GetSfxVolume()); };
        widgets->onUpdate = [&] {
            for (int32_t step : toggles)
                if (a.GetUpdateCount() == step) Post(MessageKind::Char, 'S');
            if (a.GetUpdateCount() == 200) musicMidway = a.GetMusicVolume();
        };
        a.Start();
        EXPECT_EQ(a.GetUpdateCount(), 300);
        // An odd number of presses leaves the sound off for the rest of the replay.
        EXPECT_EQ(musicMidway == 0, toggles.size() % 2 == 1);
        a.onWriteSettings = nullptr;
        widgets->onUpdate = nullptr;
        return written;
    };
    const std::vector<std::pair<double, double>> asRecorded(2, {80 * 0.01, 40 * 0.01});
    // Never toggled: nothing was saved, and nothing is given back as 0.
    EXPECT_EQ(play({}), asRecorded);
    // Off at the end of the replay, and off, on and off again.
    EXPECT_EQ(play({100}), asRecorded);
    EXPECT_EQ(play({50, 100, 150}), asRecorded);
}

TEST_F(DemoSessionTest, PlayNumberOnePlaysTheNewestAndTwoTheOneBefore) {
    std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder.path);
    WriteDemo("zorbelapp4.dmo", 444);
    WriteDemo("zorbelapp5.dmo", 555);
    StartApp("-playnum=1");
    EXPECT_EQ(app->GetRunSeed(), 555u);
    EXPECT_EQ(app->GetDemo().GetFileName(), "zorbelapp5.dmo");
    StartApp("-playnum=2");
    EXPECT_EQ(app->GetRunSeed(), 444u);
    // Recording numbered demos keeps the newest ones and adds the next number.
    StartApp("-recnum=2");
    EXPECT_EQ(app->GetDemo().GetFileName(), "zorbelapp6.dmo");
    EXPECT_FALSE(std::filesystem::exists("zorbelapp4.dmo"));
    app.reset();
    EXPECT_TRUE(std::filesystem::exists("zorbelapp6.dmo"));
    std::filesystem::current_path(before);
}

TEST_F(DemoSessionTest, FramesAreWrittenAtTheChosenSteps) {
    setenv("ZORBEL_FRAME_DUMP", (folder.path + ":3,5").c_str(), 1);
    TestApp& a = StartApp();
    unsetenv("ZORBEL_FRAME_DUMP");
    a.GetLoading().MarkDone();
    RunUntil(clock.Milliseconds() + 100);
    EXPECT_TRUE(std::filesystem::exists(folder.path + "/frame-3.png"));
    EXPECT_TRUE(std::filesystem::exists(folder.path + "/frame-5.png"));
    EXPECT_FALSE(std::filesystem::exists(folder.path + "/frame-4.png"));
}
