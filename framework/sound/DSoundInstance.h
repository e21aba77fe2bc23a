#pragma once

#include "framework/sound/BufferVoice.h"
#include "framework/sound/Mixer.h"
#include "framework/sound/SoundInstance.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Zorbel {

class DSoundManager;

// An instance of a DSoundManager: a mixer voice sharing its sound's buffer. Its volume in hundredths
// of a decibel follows the product of the manager's master level, the sound's base level and its own
// level; its pan is the base balance plus its own balance. A manager without a device makes instances
// without a voice, which play nothing.
class DSoundInstance : public SoundInstance {
public:
    // Duplicates buffer into a new voice; a failure is reported through the manager (which ends the
    // program). Without a buffer the instance is silent.
    DSoundInstance(DSoundManager& manager, std::shared_ptr<const SoundBuffer> buffer);
    ~DSoundInstance() override;

    void Discard() override;
    void SetBaseLevel(double factor) override;
    void SetBaseBalance(int32_t pan) override;
    void ShiftPitch(double semitones) override;
    void SetLevel(double factor) override;
    void SetBalance(int32_t pan) override;
    bool PlayInstance(bool loop, bool discardWhenDone) override;
    void Halt() override;
    bool IsSounding() override;
    bool IsDiscarded() override;
    double GetLevel() override { return mLevel; }

    // Re-reads the manager's master level.
    void ApplyVolume();
    // The voice's volume for a level product: trunc((log10(1 + 9 × level) − 1) × 2333), and silence
    // (−10000) below −2000.
    static int32_t AttenuationOf(double level);
    // What the "Hey" box says for a failed duplication (empty: no box).
    static std::string DuplicationErrorText(uint32_t code);

    // The voice (null without a device, or after a failed duplication).
    BufferVoice* GetVoice() const { return mVoice.get(); }
    bool GetDiscardWhenDone() const { return mDiscardWhenDone; }
    void SetDiscardWhenDone(bool discard) { mDiscardWhenDone = discard; }

private:
    void ApplyPan();

    DSoundManager& mManager;
    VoicePtr<BufferVoice> mVoice;
    bool mHasStarted = false;
    bool mDiscardWhenDone = false;
    bool mDiscarded = false;
    int32_t mBaseBalance = 0;
    double mBaseLevel = 1.0;
    int32_t mBalance = 0;
    double mLevel = 1.0;
    uint32_t mDefaultFrequency = 44100;
};

} // namespace Zorbel
