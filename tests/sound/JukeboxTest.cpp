// The zorbel-jukebox program, run as a user runs it, its output captured by SDL's disk driver.
#include "support/MusicTestFiles.h"
#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

class JukeboxTest : public ::testing::Test {
protected:
    JukeboxTest() {
        environment.Set("SDL_AUDIODRIVER", "disk");
        environment.Set("SDL_DISKAUDIOFILE", folder.path + "/out.raw");
    }

    // Runs the program (ended after a minute should it hang) in the sound folder.
    static ProcessOutcome Play(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"-k", "5", "60", ZORBEL_JUKEBOX});
        return RunProcess(FindProgramOnPath("timeout"), arguments);
    }

    std::vector<int16_t> Left() const { return Channel(ReadCapture(folder.path + "/out.raw"), 0); }

    SoundFolder folder;
    ScopedEnvironment environment;
};

} // namespace

TEST_F(JukeboxTest, FadesASongInUnderItsMaxLevelAndOutAgainUntilItStops) {
    WriteFile("flat.wav", PcmWav(ConstantSamples(16000, 44100), 1, 44100));
    ProcessOutcome outcome = Play({"--max", "0.5", "--fade-in", "0.02", "--fade-out-after", "1", "flat.wav"});
    ASSERT_TRUE(outcome.exited) << outcome.errors;
    EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
    std::vector<int16_t> left = Left();
    auto runs = SoundingRuns(left, 4410, 0);
    ASSERT_EQ(runs.size(), 1u);
    // Up to half, from the first steps of 2 %. The disk driver plays somewhat slower than the clock the
    // program steps by, so only the start and the peak are measured.
    EXPECT_EQ(PeakOf(left), 8000);
    EXPECT_LE(left[runs[0].first], 1000);
    EXPECT_GT(runs[0].second - runs[0].first, 22050u);
}

TEST_F(JukeboxTest, PlaysAModuleFromAnOrderForTheSecondsGivenAndASampleSongWithTheFmodSwitch) {
    WriteFile("tiny.mod", TinyMod({428, 214}));
    ProcessOutcome outcome = Play({"--offset", "1", "--level", "0.5", "--seconds", "0.5", "tiny.mod"});
    ASSERT_TRUE(outcome.exited) << outcome.errors;
    EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
    std::vector<int16_t> left = Left();
    auto runs = SoundingRuns(left, 2000, 200);
    ASSERT_FALSE(runs.empty());
    double high = 2 * AmigaRate(428) / ModSampleFrames;
    EXPECT_NEAR(FrequencyOf(Slice(left, runs[0].first + 1000, 10000), 44100), high, high * 0.02);

    MakeEncodedTone("ogg", "theme.ogg", 330, 0.3, 1, 44100);
    outcome = Play({"--fmod", "--no-loop", "theme"});
    ASSERT_TRUE(outcome.exited) << outcome.errors;
    EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
    EXPECT_TRUE(std::filesystem::exists("cached_theme.wav"));
    left = Left();
    runs = SoundingRuns(left, 2000, 200);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_NEAR(FrequencyOf(Slice(left, runs[0].first + 1000, 10000), 44100), 330, 3);
}

TEST_F(JukeboxTest, SaysWhatIsWrongWithTheSongTheDeviceOrTheCommandLine) {
    ProcessOutcome outcome = Play({"missing.ogg"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.errors.find("cannot load song: missing.ogg\n"), std::string::npos) << outcome.errors;
    // The sample player's LoadSong takes modules only.
    MakeEncodedTone("ogg", "tone.ogg", 440, 0.2, 1, 44100);
    outcome = Play({"--fmod", "tone.ogg"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.errors.find("cannot load song: tone.ogg\n"), std::string::npos) << outcome.errors;
    outcome = Play({"--level"});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_NE(outcome.errors.find("usage: zorbel-jukebox"), std::string::npos);

    environment.Set("SDL_AUDIODRIVER", "no-such-driver");
    outcome = Play({"tone.ogg"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.errors.find("no audio device\n"), std::string::npos) << outcome.errors;
}
