// What both music players really play: SDL's disk driver runs in real time like a sound card and writes
// the device's 16-bit stereo to a file, which the tests measure. Fades are stepped once per 441 frames
// played, the 10 ms of an update step.
#include "framework/sound/BassMusicInterface.h"
#include "framework/sound/FModMusicInterface.h"
#include "support/DiskAudioCapture.h"
#include "support/MusicTestFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

constexpr size_t StepFrames = 441;
constexpr int16_t Loud = 16000;

// What a constant sample of Loud sounds like at a whole percentage (music level 1).
int16_t AtPercent(int percent) {
    int64_t gain = (int64_t(percent) * 100 * 100 * 65536 + 500000) / 1000000;
    return static_cast<int16_t>((Loud * gain + 0x8000) >> 16);
}

class MusicOutputTest : public ::testing::Test {
protected:
    MusicOutputTest() { services.output = capture.Open(); }

    bool WaitForFrames(size_t frames) { return capture.WaitForFrames(frames); }

    // Runs update steps, one per 10 ms of sound played. The device plays in buffers of 512 frames, so
    // now and then two steps fall into one buffer.
    bool Steps(MusicInterface& player, int count) {
        size_t start = capture.sink->played;
        for (int i = 1; i <= count; ++i) {
            size_t due = start + size_t(i) * StepFrames;
            if (capture.sink->played < due && !WaitForFrames(due - capture.sink->played)) return false;
            player.UpdateFades();
        }
        return true;
    }

    // Runs update steps each at least two device buffers after the one before, so that every level
    // a step sets is heard however late this thread wakes.
    bool AudibleSteps(MusicInterface& player, int count) {
        for (int i = 1; i <= count; ++i) {
            if (!WaitForFrames(1024)) return false;
            player.UpdateFades();
        }
        return true;
    }

    // Waits (at most ten seconds) until the song has ended.
    static bool WaitUntilStopped(MusicInterface& player, int32_t id) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (player.IsSongPlaying(id)) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }

    // Closes the players' device and returns the left channel of all it played.
    std::vector<int16_t> CaptureLeft() {
        services.output.reset();
        return Channel(capture.Read(), 0);
    }

    SoundFolder folder;
    DiskAudioCapture capture{folder.path};
    MusicServices services;
};

} // namespace

TEST_F(MusicOutputTest, AFadeInRisesOverOneSecondInTruncatedPercentagesAndHolds) {
    ASSERT_TRUE(capture.sink) << "SDL's disk audio driver did not open";
    WriteFile("flat.wav", PcmWav(ConstantSamples(Loud, 44100), 1, 44100));
    {
        BassMusicInterface player(0, services);
        player.SetMusicLevel(1.0);
        ASSERT_TRUE(player.LoadSong(1, "flat.wav"));
        player.FadeSongIn(1, 0, 0.01, false);
        ASSERT_TRUE(Steps(player, 130));
        ASSERT_TRUE(WaitForFrames(4410));
    }
    std::vector<int16_t> left = CaptureLeft();
    std::set<int16_t> allowed;
    for (int percent = 0; percent <= 100; ++percent)
        allowed.insert(AtPercent(percent));
    size_t start = 0;
    while (start < left.size() && left[start] == 0)
        ++start;
    size_t end = left.size();
    while (end > start && left[end - 1] == 0)
        --end;
    ASSERT_LT(start, end);
    size_t full = end;
    std::set<int16_t> heard;
    for (size_t i = start; i < end; ++i) {
        ASSERT_TRUE(allowed.count(left[i])) << "frame " << i << " plays " << left[i];
        ASSERT_GE(left[i], left[i - 1]) << "frame " << i;
        heard.insert(left[i]);
        if (left[i] == Loud && full == end) full = i;
    }
    // The sums of 0.01 fall short of 0.14 once, so 14 % is never played. Steps that fall into one
    // buffer of the device are heard as one, and a busy machine may bunch a few more.
    EXPECT_FALSE(heard.count(AtPercent(14)));
    EXPECT_GE(heard.size(), 40u);
    EXPECT_GT(double(full - start), 0.5 * 44100);
    EXPECT_LT(double(full - start), 1.5 * 44100);
    EXPECT_GT(end - full, 10000u) << "and then holds";
}

TEST_F(MusicOutputTest, AFadeOutStopsTheSongOnlyWhenAskedAndTheMaxLevelCutsInAtOnce) {
    ASSERT_TRUE(capture.sink) << "SDL's disk audio driver did not open";
    WriteFile("flat.wav", PcmWav(ConstantSamples(Loud, 44100), 1, 44100));
    {
        BassMusicInterface player(0, services);
        player.SetMusicLevel(1.0);
        ASSERT_TRUE(player.LoadSong(1, "flat.wav"));
        player.PlaySong(1, 0, false);
        player.SetSongLevel(1, 0.8);
        ASSERT_TRUE(WaitForFrames(4410));
        player.SetSongMaxLevel(1, 0.5);
        ASSERT_TRUE(WaitForFrames(4410));
        player.FadeSongOut(1, true, 0.125);
        ASSERT_TRUE(AudibleSteps(player, 4));
        EXPECT_TRUE(player.IsSongPlaying(1)) << "at level 0 until the next step";
        ASSERT_TRUE(AudibleSteps(player, 1));
        EXPECT_FALSE(player.IsSongPlaying(1));

        player.PlaySong(1, 0, false);
        player.FadeSongOut(1, false, 0.25);
        ASSERT_TRUE(AudibleSteps(player, 6));
        ASSERT_TRUE(WaitForFrames(4410));
        EXPECT_TRUE(player.IsSongPlaying(1)) << "without the flag it plays on, silent";
    }
    std::vector<int16_t> left = CaptureLeft();
    // 80 % turns into 50 % from one frame to the next.
    size_t cut = 0;
    for (size_t i = 1; i < left.size() && !cut; ++i)
        if (left[i - 1] == AtPercent(80) && left[i] != AtPercent(80)) cut = i;
    ASSERT_NE(cut, 0u);
    EXPECT_EQ(left[cut], AtPercent(50));
    // Then 37, 25, 12 and 0 % (0.5 − 0.125 × n, truncated) until the song stops; played again at its
    // max, 25 % and 0 % to the end.
    std::vector<int16_t> levels;
    for (size_t i = cut; i < left.size(); ++i)
        if (levels.empty() || left[i] != levels.back()) levels.push_back(left[i]);
    EXPECT_EQ(levels, (std::vector<int16_t>{AtPercent(50), AtPercent(37), AtPercent(25), AtPercent(12), 0,
                                            AtPercent(50), AtPercent(25), 0}));
}

TEST_F(MusicOutputTest, StreamsOfEveryKindPlayAtTheirPitchAndASongWithoutLoopingEnds) {
    ASSERT_TRUE(capture.sink) << "SDL's disk audio driver did not open";
    WriteFile("tone.wav", PcmWav(ToneSamples(440, 8820, 22050), 1, 22050));
    MakeEncodedTone("ogg", "tone.ogg", 440, 0.4, 2, 44100);
    MakeEncodedTone("mp3", "tone.mp3", 440, 0.4, 1, 32000);
    {
        BassMusicInterface player(0, services);
        player.SetMusicLevel(1.0);
        int32_t id = 1;
        for (const char* name : {"tone.wav", "tone.ogg", "tone.mp3"}) {
            ASSERT_TRUE(player.LoadSong(id, name)) << name;
            player.PlaySong(id, 0, true);
            EXPECT_TRUE(player.IsSongPlaying(id));
            ASSERT_TRUE(WaitUntilStopped(player, id)) << name;
            ASSERT_TRUE(WaitForFrames(4410));
            ++id;
        }
    }
    std::vector<int16_t> left = CaptureLeft();
    auto runs = SoundingRuns(left, 2000, 200);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_NEAR(double(runs[0].second - runs[0].first), 17640, 60);
    for (const auto& [from, to] : runs) {
        EXPECT_NEAR(double(to - from), 17640, 2500);
        EXPECT_NEAR(FrequencyOf(Slice(left, from + 2000, to - from - 4000), 44100), 440, 3);
    }
}

TEST_F(MusicOutputTest, ATrackerModulePlaysItsNoteAtTheNotesPitchFromTheOrderAsked) {
    ASSERT_TRUE(capture.sink) << "SDL's disk audio driver did not open";
    WriteFile("tiny.mod", TinyMod({428, 214}));
    {
        BassMusicInterface player(0, services);
        player.SetMusicLevel(1.0);
        ASSERT_TRUE(player.LoadSong(1, "tiny.mod"));
        player.PlaySong(1, 0, false);
        ASSERT_TRUE(WaitForFrames(22050));
        player.PlaySong(1, 1, false);
        ASSERT_TRUE(WaitForFrames(22050));
    }
    std::vector<int16_t> left = CaptureLeft();
    auto runs = SoundingRuns(left, 2000, 200);
    ASSERT_FALSE(runs.empty());
    size_t start = runs.front().first, end = runs.back().second;
    double low = AmigaRate(428) / ModSampleFrames;
    EXPECT_NEAR(FrequencyOf(Slice(left, start + 2000, 12000), 44100), low, low * 0.01);
    EXPECT_NEAR(FrequencyOf(Slice(left, end - 14000, 12000), 44100), 2 * low, low * 0.02);
}

TEST_F(MusicOutputTest, AJoinedIntroAndLoopPlayWithoutAGapOrAClickAtTheSeam) {
    ASSERT_TRUE(capture.sink) << "SDL's disk audio driver did not open";
    // Whole waves of 441 Hz (100 frames each): the intro at half the loop's level.
    WriteFile("cached_intro.wav", PcmWav(ToneSamples(441, 4400, 44100, 1, 8000), 1, 44100));
    WriteFile("cached_loop.wav", PcmWav(ToneSamples(441, 2200, 44100, 1, 16000), 1, 44100));
    {
        FModMusicInterface player(0, services);
        ASSERT_TRUE(player.LoadJoinedSample(1, "intro", "loop", true));
        player.PlaySong(1, 0, false);
        ASSERT_TRUE(WaitForFrames(33075));
        EXPECT_TRUE(player.IsSongPlaying(1));
    }
    std::vector<int16_t> left = CaptureLeft();
    auto runs = SoundingRuns(left, 10, 0);
    ASSERT_FALSE(runs.empty());
    size_t start = runs.front().first - 1;
    ASSERT_GT(left.size(), start + 30000);
    EXPECT_NEAR(PeakOf(Slice(left, start, 4400)), 8000, 10);
    EXPECT_NEAR(PeakOf(Slice(left, start + 4400, 25000)), 16000, 10);
    // A sine of 441 Hz moves at most 2π × 441 / 44100 of its amplitude from one frame to the next.
    int largestStep = 0;
    for (size_t i = start + 1; i < start + 30000; ++i)
        largestStep = std::max(largestStep, std::abs(left[i] - left[i - 1]));
    EXPECT_LE(largestStep, 1010);
    EXPECT_EQ(SoundingRuns(Slice(left, start, 30000), 5, 0).size(), 1u) << "no gap anywhere";
    EXPECT_NEAR(FrequencyOf(Slice(left, start, 30000), 44100), 441, 0.5);
}

TEST_F(MusicOutputTest, ADamagedStreamEndsTheSongAndNothingElse) {
    ASSERT_TRUE(capture.sink) << "SDL's disk audio driver did not open";
    MakeEncodedTone("ogg", "tone.ogg", 440, 2.0, 1, 44100);
    std::string bytes = ReadFile("tone.ogg");
    for (size_t i = bytes.size() * 2 / 3; i < bytes.size() * 2 / 3 + 1000 && i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7919 % 251);
    WriteFile("damaged.ogg", bytes);
    BassMusicInterface player(0, services);
    ASSERT_TRUE(player.LoadSong(1, "damaged.ogg"));
    // Looping, it would play for ever; the damage ends it.
    player.PlaySong(1, 0, false);
    EXPECT_TRUE(WaitUntilStopped(player, 1));
    ASSERT_TRUE(player.LoadSong(2, "damaged.ogg"));
    player.PlaySong(2, 0, true);
    EXPECT_TRUE(WaitUntilStopped(player, 2));
}
