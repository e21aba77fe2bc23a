// The zorbel-play-sound program, run as a user runs it, its output captured by SDL's disk driver.
#include "support/ScopedEnvironment.h"
#include "support/SoundTestFiles.h"

#include <gtest/gtest.h>

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

class PlaySoundTest : public ::testing::Test {
protected:
    PlaySoundTest() {
        environment.Set("SDL_AUDIODRIVER", "disk");
        environment.Set("SDL_DISKAUDIOFILE", folder.path + "/out.raw");
    }

    // Runs the program (ended after a minute should it hang) in the sound folder.
    static ProcessOutcome Play(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"-k", "5", "60", ZORBEL_PLAY_SOUND});
        return RunProcess(FindProgramOnPath("timeout"), arguments);
    }

    SoundFolder folder;
    ScopedEnvironment environment;
};

} // namespace

TEST_F(PlaySoundTest, PlaysSoundsTogetherWithTheGivenLevelsBalanceAndPitch) {
    std::vector<int16_t> tone = ToneSamples(440, 22050, 44100);
    WriteFile("tone.wav", PcmWav(tone, 1, 44100));
    MakeEncodedTone("ogg", "sounds/high.ogg", 660, 0.5, 1, 44100);
    ProcessOutcome outcome = Play({"--volume", "0.2", "--master", "0.5", "--pan", "10000", "--pitch", "-12",
                                   "tone.wav", "sounds/high"});
    ASSERT_TRUE(outcome.exited) << outcome.errors;
    EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;

    std::vector<int16_t> out = ReadCapture(folder.path + "/out.raw");
    std::vector<int16_t> left = Channel(out, 0), right = Channel(out, 1);
    EXPECT_EQ(PeakOf(left), 0);
    auto runs = SoundingRuns(right, 2000);
    ASSERT_EQ(runs.size(), 1u);
    // An octave down, both last a second; the tone of 440 Hz becomes 220 Hz.
    EXPECT_NEAR(double(runs[0].second - runs[0].first), 44100, 600);
    // Both at a gain of 0.1442: together no louder than two of them.
    EXPECT_LE(PeakOf(right), 2 * 2363 + 200);
    EXPECT_GT(PeakOf(right), 2363);
    // The Ogg file was converted once and kept in the working folder.
    EXPECT_TRUE(std::filesystem::exists("cached/sounds/high.wav"));
}

TEST_F(PlaySoundTest, LoopsForTheGivenSecondsAndPlaysMp3WithTheFmodSwitch) {
    MakeEncodedTone("mp3", "beat.mp3", 440, 0.3, 2, 44100);
    ProcessOutcome outcome = Play({"beat.mp3"});
    EXPECT_EQ(outcome.exitCode, 1);
    // SDL's disk driver has its own say on standard error first.
    EXPECT_NE(outcome.errors.find("cannot load sound: beat.mp3\n"), std::string::npos) << outcome.errors;

    outcome = Play({"--fmod", "--loop", "1.5", "beat.mp3"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
    std::vector<int16_t> left = Channel(ReadCapture(folder.path + "/out.raw"), 0);
    auto runs = SoundingRuns(left, 2000);
    ASSERT_FALSE(runs.empty());
    // Several rounds of the sound (with the encoder's padding, about a third of a second), even where a
    // busy machine makes the driver fall behind the clock.
    EXPECT_GE(runs.back().second - runs.front().first, 44100u * 2 / 3);
    // Within the first round (the encoder's own silence comes round at each start).
    EXPECT_NEAR(FrequencyOf(Slice(left, runs.front().first + 1000, 10000), 44100), 440, 1);
}

TEST_F(PlaySoundTest, SaysWhatIsWrongAndExitsWithItsCode) {
    ProcessOutcome outcome = Play({"missing"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.errors.find("cannot load sound: missing\n"), std::string::npos) << outcome.errors;

    outcome = Play({"--volume"});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_NE(outcome.errors.find("usage: zorbel-play-sound"), std::string::npos);
    EXPECT_EQ(Play({}).exitCode, 2);
    EXPECT_EQ(Play({"--speed", "2", "x"}).exitCode, 2);

    WriteFile("tone.wav", PcmWav(ToneSamples(440, 441, 44100), 1, 44100));
    environment.Set("SDL_AUDIODRIVER", "no-such-driver");
    outcome = Play({"tone"});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.errors, "no audio device\n");
}
