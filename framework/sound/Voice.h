#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

namespace Zorbel {

class Mixer;

// How a voice adds itself into the mix: the gain of each side in 1/65536, the source frames it moves
// on per output frame in 1/2^32, and whether it starts again at its end.
struct VoiceMix {
    int32_t leftGain = 65536;
    int32_t rightGain = 65536;
    uint64_t step = uint64_t(1) << 32;
    bool loop = false;
};

// One sound playing through a mixer, with its own volume, pan and frequency, like a hardware voice.
// Volume and pan are in hundredths of a decibel: volume 0 is the sound as recorded and −10000 silence;
// a pan of −10000 … 10000 attenuates the far side by its size (negative pans quiet the right side).
// The frequency is the rate at which the source's frames are played, so changing it resamples.
// A derived class supplies the frames: a sound in memory, or later a decoder's stream. The controls
// below are for the owner's thread; the mixer calls Mix on its rendering thread.
class Voice {
public:
    static constexpr int32_t SilentVolume = -10000;
    static constexpr uint32_t MinFrequency = 100;
    static constexpr uint32_t MaxFrequency = 200000;

    virtual ~Voice() = default;
    Voice(const Voice&) = delete;
    Voice& operator=(const Voice&) = delete;

    // Clamped to −10000 … 0: a voice never amplifies.
    void SetVolume(int32_t hundredthsOfDecibel);
    int32_t GetVolume() const;
    // Clamped to −10000 … 10000.
    void SetPan(int32_t pan);
    int32_t GetPan() const;
    // A further linear factor in 1/65536 (0 … 65536) on top of the volume, for players whose levels are
    // whole percentages rather than decibels.
    void SetGain(int32_t gain);
    // Clamped to MinFrequency … MaxFrequency.
    void SetFrequency(uint32_t framesPerSecond);
    uint32_t GetFrequency() const;

    // Plays from the current position, once or over and over.
    void Play(bool loop);
    void Stop();
    // Playing, and not yet at the end of a sound played once.
    bool IsPlaying() const;

    // The gain of a level in hundredths of a decibel, in 1/65536 (0 at −10000 and below).
    static int32_t GainOf(int32_t hundredthsOfDecibel);

protected:
    Voice(Mixer& mixer, uint32_t frequency);

    // The mixer's lock, for derived controls that change what Mix reads.
    std::unique_lock<std::mutex> Lock() const;

    // On the rendering thread, with the mixer's lock held: adds up to frameCount frames into sum
    // (stereo, interleaved) and returns how many it made. Fewer than asked means the sound ended.
    virtual size_t Mix(int32_t* sum, size_t frameCount, const VoiceMix& mix) = 0;

private:
    friend class Mixer;
    friend struct VoiceDeleter;
    void UpdateMix();

    Mixer& mMixer;
    int32_t mVolume = 0;
    int32_t mPan = 0;
    int32_t mGain = 65536;
    uint32_t mFrequency;
    VoiceMix mMix;
    bool mPlaying = false;
};

} // namespace Zorbel
