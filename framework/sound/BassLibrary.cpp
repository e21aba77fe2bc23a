#include "framework/sound/BassLibrary.h"

#include "framework/sound/BassInstance.h"
#include "framework/sound/BuiltinMusicLibrary.h"
#include "framework/sound/MusicEngine.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>

namespace Zorbel {

namespace {

constexpr uint32_t LoopFlag = 4;
// Positions a module can be told to play from: an order, or −1 for where it is.
constexpr uint32_t CurrentPosition = 0xFFFFFFFFu;

enum ConfigOption : uint32_t {
    ConfigBuffer = 0,
    ConfigSampleVolume = 4,
    ConfigStreamVolume = 5,
    ConfigMusicVolume = 6
};

using Engine = std::shared_ptr<MusicEngine>;

// A volume passed as an unsigned number: what was a negative one is silence.
int32_t PercentOf(uint32_t value) {
    return static_cast<int32_t>(value) < 0 ? 0 : static_cast<int32_t>(std::min<uint32_t>(value, 100));
}

void AddSetup(BuiltinMusicLibrary& bass, const Engine& engine) {
    bass.Add<bool(int32_t, uint32_t, uint32_t, WindowId, const void*)>(
        "BASS_Init",
        [engine](int32_t, uint32_t, uint32_t, WindowId, const void*) { return engine->HasOutput(); });
    bass.Add<bool()>("BASS_Free", [engine] {
        engine->FreeAll();
        return true;
    });
    bass.Add<bool()>("BASS_Stop", [engine] {
        engine->StopAll();
        return true;
    });
    bass.Add<bool()>("BASS_Start", [engine] { return engine->HasOutput(); });
    bass.Add<bool(int32_t, int32_t, int32_t)>(
        "BASS_SetGlobalVolumes", [engine](int32_t music, int32_t sample, int32_t stream) {
            if (music >= 0) engine->SetGlobalVolume(MusicEngine::Kind::Module, music);
            if (sample >= 0) engine->SetGlobalVolume(MusicEngine::Kind::Sample, sample);
            if (stream >= 0) engine->SetGlobalVolume(MusicEngine::Kind::Stream, stream);
            return true;
        });
    bass.Add<bool(uint32_t)>("BASS_SetVolume", [engine](uint32_t volume) {
        engine->SetMasterVolume(PercentOf(volume));
        return true;
    });
    bass.Add<uint32_t(uint32_t, uint32_t)>(
        "BASS_SetConfig", [engine](uint32_t option, uint32_t value) -> uint32_t {
            int32_t percent = PercentOf(value);
            switch (option) {
                case ConfigSampleVolume:
                    engine->SetGlobalVolume(MusicEngine::Kind::Sample, percent);
                    return 1;
                case ConfigStreamVolume:
                    engine->SetGlobalVolume(MusicEngine::Kind::Stream, percent);
                    return 1;
                case ConfigMusicVolume:
                    engine->SetGlobalVolume(MusicEngine::Kind::Module, percent);
                    return 1;
                case ConfigBuffer:
                    // The decoding runs a fixed distance ahead, whatever the caller's wish.
                    return 1;
                default:
                    return 0;
            }
        });
}

void AddChannels(BuiltinMusicLibrary& bass, const Engine& engine) {
    bass.Add<bool(uint32_t)>("BASS_ChannelStop", [engine](uint32_t handle) { return engine->Stop(handle); });
    bass.Add<bool(uint32_t)>("BASS_ChannelPause",
                             [engine](uint32_t handle) { return engine->Pause(handle); });
    bass.Add<bool(uint32_t)>("BASS_ChannelResume",
                             [engine](uint32_t handle) { return engine->Resume(handle); });
    bass.Add<bool(uint32_t, int32_t, int32_t, int32_t)>(
        "BASS_ChannelSetAttributes", [engine](uint32_t handle, int32_t, int32_t volume, int32_t) {
            // Frequency and pan stay as the channel has them; only the volume is ever changed.
            return volume < 0 ? engine->IsChannel(handle) : engine->SetVolume(handle, volume);
        });
    bass.Add<bool(uint32_t, uint64_t)>("BASS_ChannelSetPosition", [engine](uint32_t handle,
                                                                           uint64_t position) {
        return position <= uint64_t(INT64_MAX) && engine->SetPosition(handle, static_cast<int64_t>(position));
    });
    bass.Add<uint32_t(uint32_t)>(
        "BASS_ChannelIsActive", [engine](uint32_t handle) -> uint32_t { return engine->ActivityOf(handle); });
}

void AddModules(BuiltinMusicLibrary& bass, const Engine& engine) {
    bass.Add<uint32_t(bool, const void*, uint32_t, uint32_t, uint32_t, uint32_t)>(
        "BASS_MusicLoad",
        [engine](bool memory, const void* file, uint32_t, uint32_t, uint32_t flags, uint32_t) {
            if (memory || !file) return MusicEngine::Handle(0);
            MusicEngine::Handle handle = engine->OpenModule(static_cast<const char*>(file));
            if (handle) engine->SetLoop(handle, (flags & LoopFlag) != 0);
            return handle;
        });
    bass.Add<bool(uint32_t)>("BASS_MusicPlay", [engine](uint32_t handle) { return engine->Play(handle); });
    bass.Add<bool(uint32_t, uint32_t, int32_t, bool)>(
        "BASS_MusicPlayEx", [engine](uint32_t handle, uint32_t position, int32_t flags, bool) {
            engine->SetLoop(handle, (flags & LoopFlag) != 0);
            std::optional<int64_t> from;
            if (position != CurrentPosition) from = position;
            return engine->Play(handle, from);
        });
    bass.Add<bool(uint32_t, uint32_t)>("BASS_MusicSetAmplify", [engine](uint32_t handle, uint32_t amplify) {
        return engine->SetAmplify(handle, PercentOf(amplify));
    });
    bass.Add<void(uint32_t)>("BASS_MusicFree", [engine](uint32_t handle) { engine->FreeChannel(handle); });
}

void AddStreams(BuiltinMusicLibrary& bass, const Engine& engine) {
    bass.Add<uint32_t(bool, const void*, uint32_t, uint32_t, uint32_t)>(
        "BASS_StreamCreateFile", [engine](bool memory, const void* file, uint32_t, uint32_t, uint32_t flags) {
            if (memory || !file) return MusicEngine::Handle(0);
            MusicEngine::Handle handle = engine->OpenStream(static_cast<const char*>(file));
            if (handle) engine->SetLoop(handle, (flags & LoopFlag) != 0);
            return handle;
        });
    bass.Add<void(uint32_t)>("BASS_StreamFree", [engine](uint32_t handle) { engine->FreeChannel(handle); });
    bass.Add<bool(uint32_t, bool, uint32_t)>("BASS_StreamPlay",
                                             [engine](uint32_t handle, bool flush, uint32_t flags) {
                                                 engine->SetLoop(handle, (flags & LoopFlag) != 0);
                                                 std::optional<int64_t> from;
                                                 if (flush) from = 0;
                                                 return engine->Play(handle, from);
                                             });
}

} // namespace

std::unique_ptr<MusicLibrary> MakeBassLibrary(std::shared_ptr<AudioOutput> output) {
    auto engine = std::make_shared<MusicEngine>(std::move(output));
    auto bass = std::make_unique<BuiltinMusicLibrary>(engine);
    AddSetup(*bass, engine);
    AddChannels(*bass, engine);
    AddModules(*bass, engine);
    AddStreams(*bass, engine);
    return bass;
}

} // namespace Zorbel
