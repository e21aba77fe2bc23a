// What really comes out of the audio device: SDL's disk driver plays in real time like a sound card
// and writes the device's 16-bit stereo to a file, which the tests measure.
#include "framework/platform/time/ManualClock.h"
#include "framework/sound/DSoundManager.h"
#include "support/DiskAudioCapture.h"
#include "support/Eventually.h"
#include "support/SoundTestFiles.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

class SoundOutputTest : public ::testing::Test {
protected:
    SoundOutputTest() {
        SoundServices services;
        services.output = capture.Open();
        services.clock = &clock;
        if (services.output) manager = std::make_unique<DSoundManager>(std::move(services), false);
    }

    bool WaitForFrames(size_t frames) { return capture.WaitForFrames(frames); }

    // Waits until the instance has stopped sounding.
    static bool WaitUntilSilent(SoundInstance* instance) {
        return ZorbelTest::Eventually([&] { return !instance->IsSounding(); });
    }

    // Closes the device and returns everything it played.
    std::vector<int16_t> Capture() {
        manager.reset();
        return capture.Read();
    }

    SoundFolder folder;
    DiskAudioCapture capture{folder.path};
    ManualClock clock{5000};
    std::unique_ptr<DSoundManager> manager;
};

} // namespace

TEST_F(SoundOutputTest, ATonePlaysAtItsLevelBalanceAndPitchAndALoopPlaysUntilHalted) {
    ASSERT_TRUE(manager) << "SDL's disk audio driver did not open";
    std::vector<int16_t> tone = ToneSamples(440, 22050, 44100);
    WriteFile("tone.wav", PcmWav(tone, 1, 44100));
    int32_t id = manager->LoadSoundByName("tone");

    // Level 0.2 under master 0.5: a product of 0.1, −1682 hundredths of a decibel, a gain of 0.1442.
    manager->SetMasterLevel(0.5);
    SoundInstance* quiet = manager->CreateInstance(id);
    quiet->SetLevel(0.2);
    quiet->SetBalance(-10000);
    ASSERT_TRUE(quiet->PlayInstance(false, true));
    ASSERT_TRUE(WaitUntilSilent(quiet));
    ASSERT_TRUE(WaitForFrames(4410));

    manager->SetMasterLevel(1.0);
    SoundInstance* high = manager->CreateInstance(id);
    high->ShiftPitch(12);
    ASSERT_TRUE(high->PlayInstance(false, true));
    ASSERT_TRUE(WaitUntilSilent(high));
    ASSERT_TRUE(WaitForFrames(4410));

    // A loop of a tenth of a second (44 whole waves) goes on until halted.
    WriteFile("blip.wav", PcmWav(ToneSamples(440, 4410, 44100), 1, 44100));
    SoundInstance* loop = manager->CreateInstance(manager->LoadSoundByName("blip"));
    ASSERT_TRUE(loop->PlayInstance(true, false));
    for (int round = 0; round < 5; ++round) {
        ASSERT_TRUE(WaitForFrames(4410));
        ASSERT_TRUE(loop->IsSounding());
    }
    loop->Halt();
    EXPECT_FALSE(loop->IsSounding());
    ASSERT_TRUE(WaitForFrames(4410));

    std::vector<int16_t> out = Capture();
    std::vector<int16_t> left = Channel(out, 0), right = Channel(out, 1);
    auto runs = SoundingRuns(left, 2000);
    ASSERT_EQ(runs.size(), 3u);

    auto [quietStart, quietEnd] = runs[0];
    EXPECT_NEAR(double(quietEnd - quietStart), 22050, 10);
    std::vector<int16_t> quietLeft = Slice(left, quietStart + 100, 22000 - 200);
    EXPECT_NEAR(Rms(quietLeft) / Rms(Slice(tone, 100, 22000 - 200)), 0.1442, 0.001);
    EXPECT_NEAR(FrequencyOf(quietLeft, 44100), 440, 0.5);
    EXPECT_EQ(PeakOf(Slice(right, quietStart, quietEnd - quietStart)), 0);

    auto [highStart, highEnd] = runs[1];
    EXPECT_NEAR(double(highEnd - highStart), 11025, 10);
    EXPECT_NEAR(FrequencyOf(Slice(left, highStart, highEnd - highStart), 44100), 880, 1);
    EXPECT_NEAR(PeakOf(Slice(right, highStart, highEnd - highStart)), 16384, 60);

    auto [loopStart, loopEnd] = runs[2];
    EXPECT_GE(loopEnd - loopStart, 5 * 4410u);
    EXPECT_NEAR(FrequencyOf(Slice(left, loopStart, loopEnd - loopStart), 44100), 440, 0.5);
    // Halted means silent from there on (less the buffer being mixed at the time, and the last one,
    // which the driver may not write before it closes).
    EXPECT_GE(left.size() - loopEnd, 4410u - 2 * 512);
}

TEST_F(SoundOutputTest, ThirtyTwoSoundingVoicesFillTheChannelsUntilAFinishedOneIsDiscarded) {
    ASSERT_TRUE(manager) << "SDL's disk audio driver did not open";
    WriteFile("hum.wav", PcmWav(ToneSamples(220, 4410, 44100, 1, 800), 1, 44100));
    WriteFile("blip.wav", PcmWav(ToneSamples(880, 2205, 44100, 1, 800), 1, 44100));
    int32_t hum = manager->LoadSoundByName("hum");
    int32_t blip = manager->LoadSoundByName("blip");
    for (int i = 0; i < 31; ++i)
        ASSERT_TRUE(manager->CreateInstance(hum)->PlayInstance(true, false));
    SoundInstance* once = manager->CreateInstance(blip);
    ASSERT_TRUE(once->PlayInstance(false, true));
    EXPECT_EQ(manager->CreateInstance(hum), nullptr);

    ASSERT_TRUE(WaitUntilSilent(once));
    SoundInstance* next = manager->CreateInstance(blip);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(manager->GetChannel(31), next);
    EXPECT_EQ(manager->CreateInstance(blip), nullptr);
    manager->StopAllInstances();
    ASSERT_TRUE(WaitForFrames(4410));

    // All of them were heard together: the 31 hums add up far beyond one of them.
    std::vector<int16_t> left = Channel(Capture(), 0);
    auto runs = SoundingRuns(left, 2000);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_GT(PeakOf(left), 3 * 800);
    EXPECT_GE(left.size() - runs[0].second, 4410u - 2 * 512);
}
