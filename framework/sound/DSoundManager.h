#pragma once

#include "framework/app/ExitCodes.h"
#include "framework/platform/Clock.h"
#include "framework/platform/SystemMixer.h"
#include "framework/sound/AudioOutput.h"
#include "framework/sound/SoundBuffer.h"
#include "framework/sound/SoundManager.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Zorbel {

class DSoundInstance;

// What a sound manager plays on and answers to. Whatever is left empty is treated as absent.
struct SoundServices {
    // The device; none gives a silent manager whose loads succeed without reading anything.
    std::shared_ptr<AudioOutput> output;
    // The desktop's volume control; none reads 0 and ignores writes.
    std::unique_ptr<SystemMixer> systemMixer;
    // Times the sweep of finished instances; none uses the real clock. Borrowed.
    Clock* clock = nullptr;
    // A sound could not be duplicated for a new instance: shows the message box captioned "Hey" with
    // the text (no box when it is empty) and ends the program. Should it return (as in tests), the
    // instance is not made.
    std::function<void(const std::string& text)> duplicationFailed;
};

// The sound manager over our own mixer. Each loaded sound is a buffer in memory; each instance a voice
// of the mixer sharing it, with its own level, balance and pitch, kept in one of 32 channels. Sounds
// load from WAV files as they are; Ogg Vorbis, Sun ".au" and (with the use-FMOD switch) MP3 files are
// converted and kept as WAV files under "cached/" for later runs.
class DSoundManager : public SoundManager {
public:
    static constexpr int32_t SlotCount = 256;
    static constexpr int32_t ChannelCount = 32;

    DSoundManager(SoundServices services, bool useFmod);
    ~DSoundManager() override;

    bool HasDevice() override;
    int32_t LoadSoundByName(const std::string& name) override;
    bool LoadSoundInto(int32_t id, const std::string& name) override;
    void UnloadSound(int32_t id) override;
    void SetMasterLevel(double factor) override;
    bool SetSoundBaseLevel(int32_t id, double factor) override;
    bool SetSoundBaseBalance(int32_t id, int32_t pan) override;
    SoundInstance* CreateInstance(int32_t id) override;
    void UnloadAllSounds() override;
    void DiscardAllInstances() override;
    double GetSystemVolume() override;
    void SetSystemVolume(double volume) override;
    void Refresh() override {}
    void SetOwnerWindow(WindowId window, bool windowed) override;
    void StopAllInstances() override;

    double GetMasterLevel() const { return mMasterLevel; }
    std::shared_ptr<AudioOutput> GetOutput() const override { return mServices.output; }
    // The sound in a slot (null when empty) and the size its file gave.
    const std::shared_ptr<SoundBuffer>& GetBuffer(int32_t id) const;
    uint32_t GetSoundLength(int32_t id) const;
    // The instance in a channel, or null.
    SoundInstance* GetChannel(int32_t channel) const;

private:
    friend class DSoundInstance;

    bool ReadWavInto(int32_t id, const std::string& path);
    bool ReadOggInto(int32_t id, const std::string& path);
    bool ReadAuInto(int32_t id, const std::string& path);
    bool ReadMp3Into(int32_t id, const std::string& path);
    bool Store(int32_t id, std::shared_ptr<SoundBuffer> buffer);
    void WriteCache(int32_t id, const std::string& cachePath, const std::string& sourcePath);
    // A free channel (emptying a discarded one if need be), or −1.
    int32_t FindFreeChannel();
    void SweepDiscarded();

    SoundServices mServices;
    std::unique_ptr<Clock> mOwnedClock;
    Clock* mClock;
    bool mUseFmod;
    std::array<std::shared_ptr<SoundBuffer>, SlotCount> mBuffers;
    std::array<std::string, SlotCount> mNames;
    std::array<uint32_t, SlotCount> mLengths{};
    std::array<double, SlotCount> mBaseLevels;
    std::array<int32_t, SlotCount> mBaseBalances{};
    std::array<std::unique_ptr<DSoundInstance>, ChannelCount> mChannels;
    double mMasterLevel = 1.0;
    uint32_t mLastSweep = 0;
};

} // namespace Zorbel
