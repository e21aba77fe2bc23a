#include "framework/sound/DSoundManager.h"

#include "framework/platform/files/Path.h"
#include "framework/platform/time/RealClock.h"
#include "framework/sound/AuReader.h"
#include "framework/sound/DSoundInstance.h"
#include "framework/sound/Mp3Decoder.h"
#include "framework/sound/OggDecoder.h"
#include "framework/sound/SoundCache.h"
#include "framework/sound/WavReader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace Zorbel {

namespace {

constexpr uint32_t SweepIntervalMs = 1000;

bool IsSlot(int32_t id) {
    return id >= 0 && id < DSoundManager::SlotCount;
}

// Names may be written with either separator; the files are found with "/".
std::string NativePath(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

} // namespace

DSoundManager::DSoundManager(SoundServices services, bool useFmod)
    : mServices(std::move(services)), mUseFmod(useFmod) {
    if (!mServices.clock) mOwnedClock = std::make_unique<RealClock>();
    mClock = mServices.clock ? mServices.clock : mOwnedClock.get();
    if (!mServices.duplicationFailed) {
        // Without an application to end, the process ends here; the audio thread is still running, so
        // nothing is torn down on the way out.
        mServices.duplicationFailed = [](const std::string& text) {
            std::fprintf(stderr, "Hey: %s\n", text.c_str());
            std::fflush(nullptr);
            std::_Exit(EXIT_CODE_SOUND_DUPLICATE);
        };
    }
    mBaseLevels.fill(1.0);
}

DSoundManager::~DSoundManager() {
    DiscardAllInstances();
    UnloadAllSounds();
}

bool DSoundManager::HasDevice() {
    return mServices.output != nullptr;
}

const std::shared_ptr<SoundBuffer>& DSoundManager::GetBuffer(int32_t id) const {
    static const std::shared_ptr<SoundBuffer> none;
    return IsSlot(id) ? mBuffers[id] : none;
}

uint32_t DSoundManager::GetSoundLength(int32_t id) const {
    return IsSlot(id) ? mLengths[id] : 0;
}

SoundInstance* DSoundManager::GetChannel(int32_t channel) const {
    return channel >= 0 && channel < ChannelCount ? mChannels[channel].get() : nullptr;
}

// --- Loading ---

int32_t DSoundManager::LoadSoundByName(const std::string& name) {
    for (int32_t id = 0; id < SlotCount; ++id)
        if (mNames[id] == name && !name.empty()) return id;
    int32_t id = SlotCount - 1;
    while (id >= 0 && mBuffers[id])
        --id;
    if (id < 0) return -1;
    return LoadSoundInto(id, name) ? id : -1;
}

bool DSoundManager::LoadSoundInto(int32_t id, const std::string& name) {
    if (!IsSlot(id)) return false;
    UnloadSound(id);
    if (!HasDevice()) return true;
    mNames[id] = name;

    std::string path = NativePath(name);
    std::string cachePath = SoundCache::PathFor(path);
    if (!cachePath.empty()) {
        if (ReadWavInto(id, cachePath)) return true;
        MakeDirectories(GetFileDir(cachePath));
    }
    if (ReadWavInto(id, path + ".wav")) return true;

    std::string source;
    if (mUseFmod && ReadMp3Into(id, path + ".mp3"))
        source = path + ".mp3";
    else if (ReadOggInto(id, path + ".ogg"))
        source = path + ".ogg";
    else if (ReadAuInto(id, path + ".au"))
        source = path + ".au";
    if (source.empty()) {
        // A name whose load failed is not kept, so that asking for it again tries again.
        mNames[id].clear();
        return false;
    }
    if (!cachePath.empty()) WriteCache(id, cachePath, source);
    return true;
}

bool DSoundManager::Store(int32_t id, std::shared_ptr<SoundBuffer> buffer) {
    if (!buffer) return false;
    mLengths[id] = static_cast<uint32_t>(buffer->Size());
    mBuffers[id] = std::move(buffer);
    return true;
}

bool DSoundManager::ReadWavInto(int32_t id, const std::string& path) {
    return Store(id, WavReader::ReadSound(path));
}

bool DSoundManager::ReadOggInto(int32_t id, const std::string& path) {
    return Store(id, OggDecoder::ReadSound(path));
}

bool DSoundManager::ReadAuInto(int32_t id, const std::string& path) {
    return Store(id, AuReader::ReadSound(path));
}

bool DSoundManager::ReadMp3Into(int32_t id, const std::string& path) {
    return Store(id, Mp3Decoder::ReadSound(path));
}

void DSoundManager::WriteCache(int32_t id, const std::string& cachePath, const std::string& sourcePath) {
    // A cache that cannot be written only costs the next run another decode.
    (void)SoundCache::Write(cachePath, *mBuffers[id], mLengths[id], sourcePath);
}

void DSoundManager::UnloadSound(int32_t id) {
    if (!IsSlot(id)) return;
    mBuffers[id].reset();
    mLengths[id] = 0;
    mNames[id].clear();
}

void DSoundManager::UnloadAllSounds() {
    for (int32_t id = 0; id < SlotCount; ++id)
        UnloadSound(id);
}

// --- Levels ---

void DSoundManager::SetMasterLevel(double factor) {
    mMasterLevel = factor;
    for (auto& instance : mChannels)
        if (instance) instance->ApplyVolume();
}

bool DSoundManager::SetSoundBaseLevel(int32_t id, double factor) {
    if (!IsSlot(id)) return false;
    mBaseLevels[id] = factor;
    return true;
}

bool DSoundManager::SetSoundBaseBalance(int32_t id, int32_t pan) {
    if (!IsSlot(id)) return false;
    mBaseBalances[id] = pan;
    return true;
}

// --- Instances ---

SoundInstance* DSoundManager::CreateInstance(int32_t id) {
    if (!IsSlot(id)) return nullptr;
    int32_t channel = FindFreeChannel();
    if (channel < 0) return nullptr;
    if (HasDevice() && !mBuffers[id]) return nullptr;
    auto instance = std::make_unique<DSoundInstance>(*this, HasDevice() ? mBuffers[id] : nullptr);
    // A failed duplication has ended the program; should it have returned, there is no instance.
    if (HasDevice() && !instance->GetVoice()) return nullptr;
    instance->SetBaseBalance(mBaseBalances[id]);
    instance->SetBaseLevel(mBaseLevels[id]);
    mChannels[channel] = std::move(instance);
    return mChannels[channel].get();
}

int32_t DSoundManager::FindFreeChannel() {
    uint32_t now = mClock->Milliseconds();
    if (now - mLastSweep > SweepIntervalMs) {
        SweepDiscarded();
        mLastSweep = now;
    }
    for (int32_t channel = 0; channel < ChannelCount; ++channel) {
        if (!mChannels[channel]) return channel;
        if (mChannels[channel]->IsDiscarded()) {
            mChannels[channel].reset();
            return channel;
        }
    }
    return -1;
}

void DSoundManager::SweepDiscarded() {
    for (auto& instance : mChannels)
        if (instance && instance->IsDiscarded()) instance.reset();
}

void DSoundManager::DiscardAllInstances() {
    for (auto& instance : mChannels)
        instance.reset();
}

void DSoundManager::StopAllInstances() {
    for (auto& instance : mChannels) {
        if (!instance) continue;
        bool discard = instance->GetDiscardWhenDone();
        instance->Halt();
        instance->SetDiscardWhenDone(discard);
    }
}

void DSoundManager::SetOwnerWindow(WindowId, bool) {
    // Our device plays for the whole desktop whichever window is in front.
}

// --- System volume ---

double DSoundManager::GetSystemVolume() {
    uint32_t value = 0;
    if (!mServices.systemMixer || !mServices.systemMixer->ReadVolume(value)) return 0.0;
    return value / double(SystemMixer::MaxValue);
}

void DSoundManager::SetSystemVolume(double volume) {
    if (!mServices.systemMixer) return;
    double value = std::isnan(volume) ? 0.0 : std::clamp(volume, 0.0, 1.0) * SystemMixer::MaxValue;
    mServices.systemMixer->WriteVolume(static_cast<uint32_t>(value));
}

} // namespace Zorbel
