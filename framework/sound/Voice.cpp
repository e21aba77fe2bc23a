#include "framework/sound/Voice.h"

#include "framework/sound/Mixer.h"

#include <algorithm>
#include <cmath>

namespace Zorbel {

Voice::Voice(Mixer& mixer, uint32_t frequency) : mMixer(mixer), mFrequency(0) {
    mFrequency = std::clamp(frequency, MinFrequency, MaxFrequency);
    UpdateMix();
}

std::unique_lock<std::mutex> Voice::Lock() const {
    return std::unique_lock<std::mutex>(mMixer.mMutex);
}

int32_t Voice::GainOf(int32_t hundredthsOfDecibel) {
    if (hundredthsOfDecibel <= SilentVolume) return 0;
    double gain = std::pow(10.0, std::min(hundredthsOfDecibel, 0) / 2000.0);
    return static_cast<int32_t>(std::lround(gain * 65536.0));
}

// Called with the lock held (or before the voice is shared).
void Voice::UpdateMix() {
    mMix.leftGain = static_cast<int32_t>((int64_t(GainOf(mVolume - std::max(mPan, 0))) * mGain) >> 16);
    mMix.rightGain = static_cast<int32_t>((int64_t(GainOf(mVolume + std::min(mPan, 0))) * mGain) >> 16);
    mMix.step = (uint64_t(mFrequency) << 32) / Mixer::OutputRate;
}

void Voice::SetVolume(int32_t hundredthsOfDecibel) {
    auto lock = Lock();
    mVolume = std::clamp(hundredthsOfDecibel, SilentVolume, 0);
    UpdateMix();
}

int32_t Voice::GetVolume() const {
    auto lock = Lock();
    return mVolume;
}

void Voice::SetPan(int32_t pan) {
    auto lock = Lock();
    mPan = std::clamp(pan, -10000, 10000);
    UpdateMix();
}

int32_t Voice::GetPan() const {
    auto lock = Lock();
    return mPan;
}

void Voice::SetGain(int32_t gain) {
    auto lock = Lock();
    mGain = std::clamp(gain, 0, 65536);
    UpdateMix();
}

void Voice::SetFrequency(uint32_t framesPerSecond) {
    auto lock = Lock();
    mFrequency = std::clamp(framesPerSecond, MinFrequency, MaxFrequency);
    UpdateMix();
}

uint32_t Voice::GetFrequency() const {
    auto lock = Lock();
    return mFrequency;
}

void Voice::Play(bool loop) {
    auto lock = Lock();
    mMix.loop = loop;
    mPlaying = true;
}

void Voice::Stop() {
    auto lock = Lock();
    mPlaying = false;
}

bool Voice::IsPlaying() const {
    auto lock = Lock();
    return mPlaying;
}

} // namespace Zorbel
