#pragma once

#include <cstdint>

namespace Zorbel {

// One playing copy of a loaded sound, with its own level, balance and pitch. Levels are linear factors
// 0 … 1; balances are pans in hundredths of a decibel (−10000 full left, 0 centre, 10000 full right).
// The sound manager owns every instance it hands out.
class SoundInstance {
public:
    SoundInstance() = default;
    SoundInstance(const SoundInstance&) = delete;
    SoundInstance& operator=(const SoundInstance&) = delete;

    virtual ~SoundInstance() = default;
    // Stops it and marks it for deletion by its manager.
    virtual void Discard() = 0;
    // The sound's own level and balance, below the instance's.
    virtual void SetBaseLevel(double factor) = 0;
    virtual void SetBaseBalance(int32_t pan) = 0;
    // Plays higher or lower by semitones (0 is the sound's own pitch).
    virtual void ShiftPitch(double semitones) = 0;
    virtual void SetLevel(double factor) = 0;
    virtual void SetBalance(int32_t pan) = 0;
    // Starts from the beginning, once or looping; a discard-when-done instance is deleted by its
    // manager after it ends. False when there is nothing to play.
    virtual bool PlayInstance(bool loop, bool discardWhenDone) = 0;
    // Stops and goes back to the beginning.
    virtual void Halt() = 0;
    virtual bool IsSounding() = 0;
    virtual bool IsDiscarded() = 0;
    virtual double GetLevel() = 0;
};

} // namespace Zorbel
