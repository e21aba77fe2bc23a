#pragma once

#include "framework/sound/SoundInstance.h"

#include <cstdint>

namespace Zorbel {

// The sound-effect mixer. This one has no device: it keeps the volumes it is given and plays nothing,
// which is what the no-sound setting asks for.
class SoundManager {
public:
    SoundManager() = default;
    SoundManager(const SoundManager&) = delete;
    SoundManager& operator=(const SoundManager&) = delete;
    virtual ~SoundManager() = default;

    virtual bool HasDevice() const { return false; }

    // Volume of every sound effect, 0 ... 1.
    virtual void SetVolume(double volume) { mVolume = volume; }
    double GetVolume() const { return mVolume; }
    // The system mixer's volume, 0 ... 1.
    virtual double GetMasterVolume() const { return mMasterVolume; }
    virtual void SetMasterVolume(double volume) { mMasterVolume = volume; }

    // A playable instance of a loaded sound, or null when there is none for the id.
    virtual SoundInstance* GetSoundInstance(int32_t) { return nullptr; }
    virtual void StopAllSounds() {}
    // The window the device belongs to changed (a new main window, or another screen mode).
    virtual void SetWindow(uint32_t, bool) {}

private:
    double mVolume = 1.0;
    double mMasterVolume = 0.0;
};

} // namespace Zorbel
