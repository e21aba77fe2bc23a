#include "framework/sound/DSoundInstance.h"

#include "framework/sound/DSoundManager.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace Zorbel {

namespace {

// The failures a duplication reports, with the names the "Hey" box shows.
constexpr uint32_t ErrorAllocated = 0x8878000A;
constexpr uint32_t ErrorInvalidCall = 0x88780032;
constexpr uint32_t ErrorUninitialized = 0x887800AA;
constexpr uint32_t ErrorOutOfMemory = 0x8007000E;
constexpr uint32_t ErrorInvalidParam = 0x80070057;

constexpr double SemitoneRatio = 1.0594630943592953;
constexpr double MinFrequency = 100;
constexpr double MaxFrequency = 100000;

} // namespace

std::string DSoundInstance::DuplicationErrorText(uint32_t code) {
    switch (code) {
        case ErrorAllocated:
            return "DSERR_ALLOCATED";
        case ErrorInvalidCall:
            return "DSERR_INVALIDCALL";
        case ErrorUninitialized:
            return "DSERR_UNINITIALIZED";
        case ErrorOutOfMemory:
            return "DSERR_OUTOFMEMORY";
        case ErrorInvalidParam:
            return "DSERR_INVALIDPARAM";
        default:
            return "";
    }
}

int32_t DSoundInstance::AttenuationOf(double level) {
    double hundredths = std::trunc((std::log10(1.0 + 9.0 * level) - 1.0) * 2333.0);
    // NaN and levels at or below −1/9 land here too.
    if (!(hundredths >= -2000.0)) return Voice::SilentVolume;
    return static_cast<int32_t>(std::min(hundredths, 0.0));
}

DSoundInstance::DSoundInstance(DSoundManager& manager, std::shared_ptr<const SoundBuffer> buffer)
    : mManager(manager) {
    if (!buffer) return;
    uint32_t failure = 0;
    if (!manager.mServices.output) {
        failure = ErrorUninitialized;
    } else {
        try {
            mVoice = manager.mServices.output->GetMixer().Add<BufferVoice>(std::move(buffer));
            if (!mVoice) failure = ErrorAllocated;
        } catch (const std::bad_alloc&) {
            failure = ErrorOutOfMemory;
        }
    }
    if (failure != 0) {
        manager.mServices.duplicationFailed(DuplicationErrorText(failure));
        return;
    }
    mDefaultFrequency = mVoice->GetFrequency();
    ApplyVolume();
}

DSoundInstance::~DSoundInstance() = default;

void DSoundInstance::ApplyVolume() {
    if (mVoice) mVoice->SetVolume(AttenuationOf(mManager.GetMasterLevel() * mLevel * mBaseLevel));
}

void DSoundInstance::ApplyPan() {
    if (mVoice) mVoice->SetPan(mBaseBalance + mBalance);
}

void DSoundInstance::SetBaseLevel(double factor) {
    mBaseLevel = factor;
    ApplyVolume();
}

void DSoundInstance::SetLevel(double factor) {
    mLevel = factor;
    ApplyVolume();
}

void DSoundInstance::SetBaseBalance(int32_t pan) {
    mBaseBalance = pan;
    ApplyPan();
}

void DSoundInstance::SetBalance(int32_t pan) {
    mBalance = pan;
    ApplyPan();
}

void DSoundInstance::ShiftPitch(double semitones) {
    double frequency = std::pow(SemitoneRatio, semitones) * mDefaultFrequency;
    frequency = std::isnan(frequency) ? mDefaultFrequency : std::clamp(frequency, MinFrequency, MaxFrequency);
    if (mVoice) mVoice->SetFrequency(static_cast<uint32_t>(frequency));
}

bool DSoundInstance::PlayInstance(bool loop, bool discardWhenDone) {
    Halt();
    mHasStarted = true;
    mDiscardWhenDone = discardWhenDone;
    if (!mVoice) return false;
    mVoice->Play(loop);
    return true;
}

void DSoundInstance::Halt() {
    if (mVoice) {
        mVoice->Stop();
        mVoice->SetPosition(0);
    }
    mDiscardWhenDone = false;
}

bool DSoundInstance::IsSounding() {
    return mHasStarted && mVoice && mVoice->IsPlaying();
}

bool DSoundInstance::IsDiscarded() {
    if (!mDiscarded && mDiscardWhenDone && mHasStarted && !IsSounding()) Discard();
    return mDiscarded;
}

void DSoundInstance::Discard() {
    Halt();
    mDiscarded = true;
}

} // namespace Zorbel
