#include "framework/sound/DSoundManager.h"

#include "framework/platform/audio/HeadlessAudioSink.h"
#include "framework/platform/audio/SdlAudioSink.h"
#include "framework/platform/time/ManualClock.h"
#include "framework/sound/DSoundInstance.h"
#include "support/Eventually.h"
#include "support/FakeSystemMixer.h"
#include "support/SoundTestFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

class DSoundManagerTest : public ::testing::Test {
protected:
    // A manager on a headless output that plays only when the test says so.
    std::unique_ptr<DSoundManager> MakeManager(size_t maxVoices = Mixer::DefaultMaxVoices,
                                               bool device = true) {
        SoundServices services;
        if (device) {
            auto owned = std::make_unique<HeadlessAudioSink>();
            sink = owned.get();
            services.output = AudioOutput::Open(std::move(owned), maxVoices);
        }
        services.systemMixer = std::make_unique<FakeSystemMixer>(systemVolume);
        services.clock = &clock;
        services.duplicationFailed = [this](const std::string& text) { failures.push_back(text); };
        return std::make_unique<DSoundManager>(std::move(services), false);
    }

    // A sound of frames frames of a constant value, loaded under its name.
    int32_t LoadConstant(DSoundManager& manager, const std::string& name, uint32_t frames,
                         int16_t value = 8192) {
        WriteFile(name + ".wav", PcmWav(std::vector<int16_t>(frames, value), 1, 44100));
        return manager.LoadSoundByName(name);
    }

    static int32_t VolumeOf(SoundInstance* instance) {
        return static_cast<DSoundInstance*>(instance)->GetVoice()->GetVolume();
    }

    SoundFolder folder;
    ManualClock clock{5000};
    HeadlessAudioSink* sink = nullptr;
    std::shared_ptr<uint32_t> systemVolume = std::make_shared<uint32_t>(0);
    std::vector<std::string> failures;
};

} // namespace

TEST_F(DSoundManagerTest, LevelsBecomeHundredthsOfADecibelAndQuietOnesSilence) {
    EXPECT_EQ(DSoundInstance::AttenuationOf(1.0), 0);
    EXPECT_EQ(DSoundInstance::AttenuationOf(0.1), -1682);
    EXPECT_EQ(DSoundInstance::AttenuationOf(0.05), -1956);
    // −2021 is below −2000.
    EXPECT_EQ(DSoundInstance::AttenuationOf(0.04), -10000);
    EXPECT_EQ(DSoundInstance::AttenuationOf(0.0), -10000);

    auto manager = MakeManager();
    int32_t id = LoadConstant(*manager, "hum", 100);
    SoundInstance* first = manager->CreateInstance(id);
    SoundInstance* second = manager->CreateInstance(id);
    first->SetLevel(0.2);
    EXPECT_EQ(VolumeOf(first), DSoundInstance::AttenuationOf(0.2));
    manager->SetMasterLevel(0.5);
    EXPECT_EQ(VolumeOf(first), -1682);
    EXPECT_EQ(VolumeOf(second), DSoundInstance::AttenuationOf(0.5));
    EXPECT_DOUBLE_EQ(first->GetLevel(), 0.2);
}

TEST_F(DSoundManagerTest, NewNamesTakeTheHighestFreeSlotsAndANameLoadsOnce) {
    auto manager = MakeManager();
    EXPECT_TRUE(manager->HasDevice());
    EXPECT_EQ(LoadConstant(*manager, "one", 10), 255);
    EXPECT_EQ(LoadConstant(*manager, "two", 10), 254);
    std::filesystem::remove("one.wav");
    EXPECT_EQ(manager->LoadSoundByName("one"), 255);
    // A failed load keeps neither the slot nor the name.
    EXPECT_EQ(manager->LoadSoundByName("gone"), -1);
    EXPECT_EQ(manager->LoadSoundByName("gone"), -1);
    EXPECT_EQ(LoadConstant(*manager, "three", 10), 253);
    EXPECT_EQ(manager->GetSoundLength(253), 20u);
    EXPECT_FALSE(manager->LoadSoundInto(256, "three"));
    EXPECT_FALSE(manager->LoadSoundInto(-1, "three"));

    manager->UnloadSound(254);
    EXPECT_FALSE(manager->GetBuffer(254));
    EXPECT_EQ(manager->CreateInstance(254), nullptr);
    manager->UnloadAllSounds();
    // Unloaded names load again rather than point at empty slots.
    EXPECT_EQ(LoadConstant(*manager, "one", 10), 255);
}

TEST_F(DSoundManagerTest, PitchShiftsBySemitonesWithinTheFrequencyRange) {
    auto manager = MakeManager();
    WriteFile("low.wav", PcmWav(std::vector<int16_t>(100, 0), 1, 22050));
    SoundInstance* instance = manager->CreateInstance(manager->LoadSoundByName("low"));
    auto* voice = static_cast<DSoundInstance*>(instance)->GetVoice();
    EXPECT_EQ(voice->GetFrequency(), 22050u);
    instance->ShiftPitch(12);
    EXPECT_EQ(voice->GetFrequency(), 44100u);
    // 2^−1 in twelve steps of the ratio comes out a hair below one half, and is truncated.
    instance->ShiftPitch(-12);
    EXPECT_EQ(voice->GetFrequency(), 11024u);
    instance->ShiftPitch(60);
    EXPECT_EQ(voice->GetFrequency(), 100000u);
    instance->ShiftPitch(-120);
    EXPECT_EQ(voice->GetFrequency(), 100u);
}

TEST_F(DSoundManagerTest, ThirtyTwoSoundingInstancesFillEveryChannelUntilOneIsDone) {
    auto manager = MakeManager();
    int32_t id = LoadConstant(*manager, "beep", 441);
    std::vector<SoundInstance*> playing;
    for (int i = 0; i < DSoundManager::ChannelCount; ++i) {
        SoundInstance* instance = manager->CreateInstance(id);
        ASSERT_NE(instance, nullptr) << i;
        EXPECT_TRUE(instance->PlayInstance(i != 7, i == 7));
        playing.push_back(instance);
    }
    EXPECT_EQ(manager->CreateInstance(id), nullptr);

    // Channel 7 plays once and is discarded when done: once it has ended, its channel is taken again.
    sink->Play(400);
    EXPECT_EQ(manager->CreateInstance(id), nullptr);
    sink->Play(100);
    EXPECT_FALSE(playing[7]->IsSounding());
    SoundInstance* next = manager->CreateInstance(id);
    EXPECT_NE(next, nullptr);
    EXPECT_EQ(manager->GetChannel(7), next);
    EXPECT_TRUE(playing[8]->IsSounding());
}

TEST_F(DSoundManagerTest, FinishedInstancesAreSweptAtMostOncePerSecond) {
    auto manager = MakeManager();
    int32_t id = LoadConstant(*manager, "tick", 10);
    // The first search sweeps (the last sweep was long ago) and notes the time.
    manager->CreateInstance(id)->PlayInstance(true, false);
    for (int i = 0; i < 2; ++i)
        manager->CreateInstance(id)->PlayInstance(false, true);
    sink->Play(20);
    clock.Advance(1000);
    // No sweep yet: only the first discarded channel is emptied and taken.
    SoundInstance* taken = manager->CreateInstance(id);
    EXPECT_EQ(manager->GetChannel(1), taken);
    EXPECT_NE(manager->GetChannel(2), nullptr);
    manager->DiscardAllInstances();

    manager->CreateInstance(id)->PlayInstance(true, false);
    for (int i = 0; i < 2; ++i)
        manager->CreateInstance(id)->PlayInstance(false, true);
    sink->Play(20);
    clock.Advance(1);
    taken = manager->CreateInstance(id);
    EXPECT_EQ(manager->GetChannel(1), taken);
    EXPECT_EQ(manager->GetChannel(2), nullptr);
}

TEST_F(DSoundManagerTest, StopAllInstancesHaltsButStillDiscardsThoseDoneWith) {
    auto manager = MakeManager();
    int32_t id = LoadConstant(*manager, "loop", 100);
    SoundInstance* kept = manager->CreateInstance(id);
    SoundInstance* oneShot = manager->CreateInstance(id);
    kept->PlayInstance(true, false);
    oneShot->PlayInstance(true, true);
    sink->Play(10);
    manager->StopAllInstances();
    EXPECT_FALSE(kept->IsSounding());
    EXPECT_FALSE(oneShot->IsSounding());
    EXPECT_EQ(PeakOf(sink->Play(10)), 0);
    EXPECT_FALSE(kept->IsDiscarded());
    EXPECT_TRUE(oneShot->IsDiscarded());

    // Halt forgets it, and a discarded instance stays discarded.
    kept->PlayInstance(true, true);
    kept->Halt();
    EXPECT_FALSE(kept->IsDiscarded());
    kept->Discard();
    EXPECT_TRUE(kept->IsDiscarded());
}

TEST_F(DSoundManagerTest, BaseLevelsAndBalancesReachOnlyLaterInstances) {
    auto manager = MakeManager();
    int32_t id = LoadConstant(*manager, "base", 100);
    SoundInstance* before = manager->CreateInstance(id);
    EXPECT_TRUE(manager->SetSoundBaseLevel(id, 0.1));
    EXPECT_TRUE(manager->SetSoundBaseBalance(id, -300));
    EXPECT_FALSE(manager->SetSoundBaseLevel(256, 0.1));
    EXPECT_FALSE(manager->SetSoundBaseBalance(256, 1));
    SoundInstance* after = manager->CreateInstance(id);
    EXPECT_EQ(VolumeOf(before), 0);
    EXPECT_EQ(VolumeOf(after), -1682);
    after->SetBalance(-200);
    EXPECT_EQ(static_cast<DSoundInstance*>(after)->GetVoice()->GetPan(), -500);
    EXPECT_EQ(static_cast<DSoundInstance*>(before)->GetVoice()->GetPan(), 0);
}

TEST_F(DSoundManagerTest, WithoutADeviceLoadsSucceedUnreadAndInstancesAreSilent) {
    auto manager = MakeManager(Mixer::DefaultMaxVoices, false);
    EXPECT_FALSE(manager->HasDevice());
    EXPECT_TRUE(manager->LoadSoundInto(3, "sounds/none"));
    EXPECT_EQ(manager->LoadSoundByName("sounds/none"), 255);
    SoundInstance* instance = manager->CreateInstance(3);
    ASSERT_NE(instance, nullptr);
    EXPECT_FALSE(instance->PlayInstance(false, false));
    EXPECT_FALSE(instance->IsSounding());
    instance->SetLevel(0.5);
    instance->ShiftPitch(3);
    EXPECT_DOUBLE_EQ(instance->GetLevel(), 0.5);
    EXPECT_FALSE(std::filesystem::exists("cached"));
    EXPECT_TRUE(failures.empty());
}

TEST_F(DSoundManagerTest, TheSystemVolumeStaysWithinItsRangeAndIsZeroWithoutAMixer) {
    auto manager = MakeManager();
    manager->SetSystemVolume(2.0);
    EXPECT_EQ(*systemVolume, 65535u);
    manager->SetSystemVolume(-1.0);
    EXPECT_EQ(*systemVolume, 0u);

    // Without a volume control: 0, and writes go nowhere.
    systemVolume.reset();
    auto without = MakeManager();
    without->SetSystemVolume(0.7);
    EXPECT_EQ(without->GetSystemVolume(), 0.0);
}

TEST_F(DSoundManagerTest, AFailedDuplicationIsReportedByItsName) {
    auto manager = MakeManager(0);
    int32_t id = LoadConstant(*manager, "full", 10);
    EXPECT_EQ(manager->CreateInstance(id), nullptr);
    EXPECT_EQ(failures, std::vector<std::string>{"DSERR_ALLOCATED"});
    EXPECT_EQ(manager->GetChannel(0), nullptr);
    // Codes without a name of their own show no box.
    EXPECT_EQ(DSoundInstance::DuplicationErrorText(0x80004005), "");
}

// The mixer renders on SDL's own audio thread (the dummy driver plays in real time) while this thread
// makes, changes, stops and deletes instances. Run under ThreadSanitizer, this is the race check.
TEST_F(DSoundManagerTest, TheAudioThreadAndTheMainThreadShareInstancesSafely) {
    std::string error;
    SoundServices services;
    services.output = AudioOutput::Open(SdlAudioSink::Open(&error));
    if (!services.output) GTEST_SKIP() << "SDL opens no audio device here: " << error;
    services.clock = &clock;
    DSoundManager manager(std::move(services), false);
    int32_t shortId = LoadConstant(manager, "short", 441); // 10 ms
    int32_t longId = LoadConstant(manager, "long", 44100); // 1 s
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    for (int round = 0; std::chrono::steady_clock::now() < until; ++round) {
        SoundInstance* instance = manager.CreateInstance(round % 2 ? shortId : longId);
        if (!instance) {
            manager.DiscardAllInstances();
            continue;
        }
        instance->SetLevel(0.5);
        instance->SetBalance(round * 100 % 20000 - 10000);
        instance->ShiftPitch(round % 24 - 12);
        instance->PlayInstance(round % 3 == 0, true);
        manager.SetMasterLevel(round % 10 / 10.0);
        if (round % 5 == 0) manager.StopAllInstances();
        clock.Advance(50);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // A sound played once is sounding until the audio thread has really played it, then not.
    manager.DiscardAllInstances();
    SoundInstance* last = manager.CreateInstance(shortId);
    ASSERT_TRUE(last->PlayInstance(false, false));
    EXPECT_TRUE(last->IsSounding());
    EXPECT_TRUE(ZorbelTest::Eventually([&] { return !last->IsSounding(); }));
}
