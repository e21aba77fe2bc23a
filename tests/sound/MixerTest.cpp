#include "framework/platform/audio/HeadlessAudioSink.h"
#include "framework/sound/AudioOutput.h"
#include "framework/sound/BufferVoice.h"
#include "support/SoundTestFiles.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

std::shared_ptr<SoundBuffer> Sound16(const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate) {
    auto buffer = SoundBuffer::Create(PcmFormat{channels, rate, 16}, samples.size() * 2);
    std::memcpy(buffer->Data(), samples.data(), samples.size() * 2);
    return buffer;
}

class MixerTest : public ::testing::Test {
protected:
    MixerTest() {
        auto owned = std::make_unique<HeadlessAudioSink>();
        sink = owned.get();
        output = AudioOutput::Open(std::move(owned));
    }
    Mixer& mixer() { return output->GetMixer(); }

    HeadlessAudioSink* sink = nullptr;
    std::shared_ptr<AudioOutput> output;
};

} // namespace

TEST_F(MixerTest, VolumeAndPanAttenuateEachSideByTheirHundredthsOfADecibel) {
    auto voice = mixer().Add<BufferVoice>(Sound16(std::vector<int16_t>(4410, 16384), 1, 44100));
    ASSERT_TRUE(voice);
    EXPECT_EQ(Voice::GainOf(0), 65536);
    EXPECT_EQ(Voice::GainOf(-1682), 9451); // 10^(−1682 / 2000) = 0.1442
    EXPECT_EQ(Voice::GainOf(-10000), 0);

    voice->SetVolume(-1682);
    voice->Play(false);
    std::vector<int16_t> out = sink->Play(10);
    EXPECT_EQ(out[0], (16384 * 9451 + 0x8000) >> 16);
    EXPECT_EQ(out[1], out[0]);

    // The far side loses the pan's hundredths of a decibel on top of the volume.
    voice->SetPan(-10000);
    out = sink->Play(10);
    EXPECT_EQ(out[0], (16384 * 9451 + 0x8000) >> 16);
    EXPECT_EQ(out[1], 0);
    voice->SetPan(600);
    out = sink->Play(10);
    EXPECT_EQ(out[0], (16384 * Voice::GainOf(-2282) + 0x8000) >> 16);
    EXPECT_EQ(out[1], (16384 * 9451 + 0x8000) >> 16);
    // Volumes never amplify.
    voice->SetVolume(500);
    EXPECT_EQ(voice->GetVolume(), 0);
}

TEST_F(MixerTest, ASoundPlayedOnceEndsAndLeavesSilence) {
    auto voice = mixer().Add<BufferVoice>(Sound16(std::vector<int16_t>(1000, 1000), 1, 44100));
    voice->Play(false);
    std::vector<int16_t> out = sink->Play(1500);
    EXPECT_FALSE(voice->IsPlaying());
    EXPECT_EQ(out[2 * 999], 1000);
    EXPECT_EQ(out[2 * 1000], 0);
    EXPECT_EQ(voice->GetPosition(), 1000u);

    // Silent voices still take their time.
    voice->SetPosition(0);
    voice->SetVolume(Voice::SilentVolume);
    voice->Play(false);
    EXPECT_EQ(PeakOf(sink->Play(999)), 0);
    EXPECT_TRUE(voice->IsPlaying());
    sink->Play(2);
    EXPECT_FALSE(voice->IsPlaying());
}

TEST_F(MixerTest, ALoopingVoiceStartsAgainAtItsEnd) {
    std::vector<int16_t> ramp;
    for (int i = 0; i < 100; ++i)
        ramp.push_back(int16_t(i * 100));
    auto voice = mixer().Add<BufferVoice>(Sound16(ramp, 1, 44100));
    voice->SetPosition(90);
    voice->Play(true);
    std::vector<int16_t> left = Channel(sink->Play(1000), 0);
    EXPECT_TRUE(voice->IsPlaying());
    EXPECT_EQ(left[0], 9000);
    EXPECT_EQ(left[10], 0);
    for (size_t i = 0; i + 100 < left.size(); ++i)
        ASSERT_EQ(left[i], left[i + 100]) << i;
    voice->Stop();
    EXPECT_EQ(PeakOf(sink->Play(100)), 0);
}

TEST_F(MixerTest, EightBitSoundsAreUnsignedAndStereoKeepsItsSides) {
    auto buffer = SoundBuffer::Create(PcmFormat{2, 44100, 8}, 8);
    const uint8_t frames[8] = {255, 0, 128, 192, 255, 0, 128, 192};
    std::memcpy(buffer->Data(), frames, 8);
    auto voice = mixer().Add<BufferVoice>(buffer);
    voice->Play(false);
    std::vector<int16_t> out = sink->Play(4);
    EXPECT_EQ(out, (std::vector<int16_t>{32512, -32768, 0, 16384, 32512, -32768, 0, 16384}));
}

TEST_F(MixerTest, VoicesAddUpAndTheSumIsClipped) {
    auto loud = Sound16(std::vector<int16_t>(10, 30000), 1, 44100);
    auto a = mixer().Add<BufferVoice>(loud);
    auto b = mixer().Add<BufferVoice>(loud);
    auto c = mixer().Add<BufferVoice>(Sound16(std::vector<int16_t>(10, -20000), 1, 44100));
    a->Play(false);
    c->Play(false);
    EXPECT_EQ(sink->Play(1)[0], 10000);
    b->Play(false);
    EXPECT_EQ(sink->Play(1)[0], 32767);
}
