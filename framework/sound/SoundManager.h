#pragma once

#include "framework/platform/WindowMessage.h"
#include "framework/sound/SoundInstance.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Zorbel {

class AudioOutput;

// Sound effects: sounds loaded once into the numbered slots 0 … 255 and played as short-lived
// instances, which the manager owns. Sounds are named without extension ("sounds/click"); the manager
// decides which file stands behind a name.
class SoundManager {
public:
    SoundManager() = default;
    SoundManager(const SoundManager&) = delete;
    SoundManager& operator=(const SoundManager&) = delete;

    virtual ~SoundManager() = default;
    // A sound device was opened.
    virtual bool HasDevice() = 0;
    // The slot holding the name, loading it into the highest free slot when none does; −1 on failure.
    virtual int32_t LoadSoundByName(const std::string& name) = 0;
    virtual bool LoadSoundInto(int32_t id, const std::string& name) = 0;
    virtual void UnloadSound(int32_t id) = 0;
    // A factor 0 … 1 over every instance.
    virtual void SetMasterLevel(double factor) = 0;
    // A sound's level and balance for the instances made from it later on.
    virtual bool SetSoundBaseLevel(int32_t id, double factor) = 0;
    virtual bool SetSoundBaseBalance(int32_t id, int32_t pan) = 0;
    // A new instance of the sound, or null when there is none or every channel is busy.
    virtual SoundInstance* CreateInstance(int32_t id) = 0;
    virtual void UnloadAllSounds() = 0;
    virtual void DiscardAllInstances() = 0;
    // The desktop's output volume, 0 … 1 (0 when there is no volume control).
    virtual double GetSystemVolume() = 0;
    virtual void SetSystemVolume(double volume) = 0;
    virtual void Refresh() = 0;
    // The window the sound belongs to changed (a new main window, or another screen mode).
    virtual void SetOwnerWindow(WindowId window, bool windowed) = 0;
    // Halts every instance; those to be discarded when done still are.
    virtual void StopAllInstances() = 0;
    // The device, for whatever else plays on it (music); null without one.
    virtual std::shared_ptr<AudioOutput> GetOutput() const { return nullptr; }
};

} // namespace Zorbel
