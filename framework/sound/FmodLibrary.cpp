#include "framework/sound/FmodLibrary.h"

#include "framework/sound/BuiltinMusicLibrary.h"
#include "framework/sound/FmodInstance.h"
#include "framework/sound/MusicEngine.h"

#include <array>
#include <map>

namespace Zorbel {

namespace {

using Handle = MusicEngine::Handle;

// The back end and what the numbered channels play: a sample channel of their own, or a stream that
// belongs to its opener.
struct FmodState {
    static constexpr int32_t ChannelCount = 32;

    explicit FmodState(std::shared_ptr<AudioOutput> output) : engine(std::move(output)) {}

    Handle ChannelHandle(int32_t channel) const {
        return channel >= 0 && channel < ChannelCount ? channels[size_t(channel)] : 0;
    }
    // A channel to play on: the one asked for, or with −1 the first one that is silent.
    int32_t Claim(int32_t channel) {
        if (channel == -1) {
            for (channel = 0; channel < ChannelCount; ++channel)
                if (engine.ActivityOf(channels[size_t(channel)]) == MusicEngine::Stopped) break;
        }
        if (channel < 0 || channel >= ChannelCount) return -1;
        if (owned[size_t(channel)]) engine.FreeChannel(channels[size_t(channel)]);
        channels[size_t(channel)] = 0;
        owned[size_t(channel)] = false;
        return channel;
    }
    uint32_t ModeOf(Handle sample) const {
        const SoundBuffer* sound = engine.SampleSound(sample);
        if (!sound) return 0;
        auto loop = loopModes.find(sample);
        return (sound->Format().bitsPerSample == 8 ? FmodInstance::Bits8 : FmodInstance::Bits16) |
               (sound->Format().channels == 1 ? FmodInstance::Mono : FmodInstance::Stereo) |
               (loop == loopModes.end() ? FmodInstance::LoopOff : loop->second);
    }

    MusicEngine engine;
    std::array<Handle, ChannelCount> channels{};
    std::array<bool, ChannelCount> owned{};
    std::map<Handle, uint32_t> loopModes;
};

using State = std::shared_ptr<FmodState>;

bool Loops(uint32_t mode) {
    return (mode & FmodInstance::LoopNormal) != 0;
}

void AddSetup(BuiltinMusicLibrary& fmod, const State& s) {
    fmod.Add<bool(int32_t)>("_FSOUND_SetBufferSize@4", [](int32_t) { return true; });
    fmod.Add<bool(WindowId)>("_FSOUND_SetHWND@4", [](WindowId) { return true; });
    fmod.Add<bool(int32_t, int32_t, uint32_t)>(
        "_FSOUND_Init@12", [s](int32_t, int32_t, uint32_t) { return s->engine.HasOutput(); });
    fmod.Add<void()>("_FSOUND_Close@0", [s] { s->engine.FreeAll(); });
}

void AddSamples(BuiltinMusicLibrary& fmod, const State& s) {
    fmod.Add<uint32_t(int32_t, const char*, uint32_t, int32_t)>(
        "_FSOUND_Sample_Load@16", [s](int32_t, const char* name, uint32_t mode, int32_t) -> uint32_t {
            if (!name) return 0;
            Handle sample = s->engine.LoadSample(name);
            if (sample && Loops(mode)) s->loopModes[sample] = FmodInstance::LoopNormal;
            return sample;
        });
    fmod.Add<uint32_t(int32_t, int32_t, uint32_t, int32_t, int32_t, int32_t, int32_t)>(
        "_FSOUND_Sample_Alloc@28",
        [s](int32_t, int32_t length, uint32_t mode, int32_t frequency, int32_t, int32_t,
            int32_t) -> uint32_t {
            PcmFormat format{uint16_t((mode & FmodInstance::Mono) ? 1 : 2), static_cast<uint32_t>(frequency),
                             uint16_t((mode & FmodInstance::Bits8) ? 8 : 16)};
            if (length <= 0 || frequency <= 0 || !format.IsPlayable()) return 0;
            Handle sample = s->engine.AllocateSample(format, size_t(length));
            if (sample && Loops(mode)) s->loopModes[sample] = FmodInstance::LoopNormal;
            return sample;
        });
    fmod.Add<void(uint32_t)>("_FSOUND_Sample_Free@4", [s](uint32_t sample) {
        s->engine.FreeSample(sample);
        s->loopModes.erase(sample);
    });
    fmod.Add<bool(uint32_t, int32_t, int32_t, void**, void**, uint32_t*, uint32_t*)>(
        "_FSOUND_Sample_Lock@28", [s](uint32_t sample, int32_t offset, int32_t length, void** first,
                                      void** second, uint32_t* firstLength, uint32_t* secondLength) {
            SoundBuffer* sound = s->engine.SampleSound(sample);
            if (!sound || offset < 0 || length < 0 || size_t(offset) + size_t(length) > sound->Size())
                return false;
            if (first) *first = sound->Data() + offset;
            if (firstLength) *firstLength = static_cast<uint32_t>(length);
            if (second) *second = nullptr;
            if (secondLength) *secondLength = 0;
            return true;
        });
    fmod.Add<bool(uint32_t, void*, void*, uint32_t, uint32_t)>(
        "_FSOUND_Sample_Unlock@20", [s](uint32_t sample, void*, void*, uint32_t, uint32_t) {
            return s->engine.SampleSound(sample) != nullptr;
        });
    fmod.Add<bool(uint32_t, int32_t, int32_t)>(
        "_FSOUND_Sample_SetLoopPoints@12", [s](uint32_t sample, int32_t start, int32_t length) {
            return start >= 0 && length >= 0 &&
                   s->engine.SetLoopPoints(sample, size_t(start), size_t(length));
        });
    fmod.Add<uint32_t(uint32_t)>("_FSOUND_Sample_GetLength@4", [s](uint32_t sample) -> uint32_t {
        const SoundBuffer* sound = s->engine.SampleSound(sample);
        return sound ? static_cast<uint32_t>(sound->FrameCount()) : 0;
    });
    fmod.Add<bool(uint32_t, int32_t*, int32_t*, int32_t*, int32_t*)>(
        "_FSOUND_Sample_GetDefaults@20",
        [s](uint32_t sample, int32_t* frequency, int32_t* volume, int32_t* pan, int32_t* priority) {
            const SoundBuffer* sound = s->engine.SampleSound(sample);
            if (!sound) return false;
            if (frequency) *frequency = static_cast<int32_t>(sound->Format().samplesPerSecond);
            if (volume) *volume = 255;
            if (pan) *pan = 128;
            if (priority) *priority = 0;
            return true;
        });
    fmod.Add<uint32_t(uint32_t)>("_FSOUND_Sample_GetMode@4",
                                 [s](uint32_t sample) { return s->ModeOf(sample); });
}

void AddChannels(BuiltinMusicLibrary& fmod, const State& s) {
    fmod.Add<int32_t(int32_t, uint32_t)>("_FSOUND_PlaySound@8",
                                         [s](int32_t channel, uint32_t sample) -> int32_t {
                                             channel = s->Claim(channel);
                                             if (channel < 0) return -1;
                                             Handle handle = s->engine.OpenSampleChannel(sample);
                                             if (!handle) return -1;
                                             s->channels[size_t(channel)] = handle;
                                             s->owned[size_t(channel)] = true;
                                             s->engine.SetLoop(handle, Loops(s->ModeOf(sample)));
                                             return s->engine.Play(handle, 0) ? channel : -1;
                                         });
    fmod.Add<bool(int32_t)>("_FSOUND_StopSound@4",
                            [s](int32_t channel) { return s->engine.Stop(s->ChannelHandle(channel)); });
    fmod.Add<bool(int32_t, int32_t)>("_FSOUND_SetVolume@8", [s](int32_t channel, int32_t volume) {
        return s->engine.SetVolume(s->ChannelHandle(channel), volume);
    });
    fmod.Add<bool(int32_t, bool)>("_FSOUND_SetPaused@8", [s](int32_t channel, bool paused) {
        Handle handle = s->ChannelHandle(channel);
        return paused ? s->engine.Pause(handle) : s->engine.Resume(handle);
    });
    fmod.Add<bool(int32_t, uint32_t)>("_FSOUND_SetLoopMode@8", [s](int32_t channel, uint32_t mode) {
        return s->engine.SetLoop(s->ChannelHandle(channel), Loops(mode));
    });
    fmod.Add<bool(int32_t)>("_FSOUND_IsPlaying@4", [s](int32_t channel) {
        return s->engine.ActivityOf(s->ChannelHandle(channel)) != MusicEngine::Stopped;
    });
}

void AddStreams(BuiltinMusicLibrary& fmod, const State& s) {
    fmod.Add<uint32_t(const char*, uint32_t, int32_t)>(
        "_FSOUND_Stream_OpenFile@12", [s](const char* name, uint32_t mode, int32_t) -> uint32_t {
            if (!name) return 0;
            Handle stream = s->engine.OpenStream(name);
            if (stream) s->engine.SetLoop(stream, Loops(mode));
            return stream;
        });
    fmod.Add<bool(uint32_t)>("_FSOUND_Stream_Close@4", [s](uint32_t stream) {
        for (size_t i = 0; i < s->channels.size(); ++i)
            if (!s->owned[i] && s->channels[i] == stream) s->channels[i] = 0;
        return s->engine.FreeChannel(stream);
    });
    fmod.Add<int32_t(int32_t, uint32_t)>("_FSOUND_Stream_Play@8",
                                         [s](int32_t channel, uint32_t stream) -> int32_t {
                                             if (!s->engine.IsChannel(stream)) return -1;
                                             channel = s->Claim(channel);
                                             if (channel < 0) return -1;
                                             s->channels[size_t(channel)] = stream;
                                             return s->engine.Play(stream, 0) ? channel : -1;
                                         });
}

void AddModules(BuiltinMusicLibrary& fmod, const State& s) {
    fmod.Add<uint32_t(const char*)>("_FMUSIC_LoadSong@4", [s](const char* name) -> uint32_t {
        return name ? s->engine.OpenModule(name) : 0;
    });
    fmod.Add<bool(uint32_t)>("_FMUSIC_PlaySong@4",
                             [s](uint32_t module) { return s->engine.Play(module, 0); });
    fmod.Add<bool(uint32_t)>("_FMUSIC_StopSong@4", [s](uint32_t module) { return s->engine.Stop(module); });
    fmod.Add<bool(uint32_t, int32_t)>("_FMUSIC_SetLooping@8", [s](uint32_t module, int32_t mode) {
        return s->engine.SetLoop(module, Loops(static_cast<uint32_t>(mode)));
    });
    fmod.Add<bool(uint32_t, int32_t)>("_FMUSIC_SetOrder@8", [s](uint32_t module, int32_t order) {
        return s->engine.SetPosition(module, order);
    });
    fmod.Add<bool(uint32_t, bool)>("_FMUSIC_SetPaused@8", [s](uint32_t module, bool paused) {
        return paused ? s->engine.Pause(module) : s->engine.Resume(module);
    });
    fmod.Add<bool(uint32_t, int32_t)>("_FMUSIC_SetMasterVolume@8", [s](uint32_t module, int32_t volume) {
        return s->engine.SetVolume(module, volume);
    });
    fmod.Add<bool(uint32_t)>("_FMUSIC_IsPlaying@4", [s](uint32_t module) {
        return s->engine.ActivityOf(module) != MusicEngine::Stopped;
    });
}

} // namespace

std::unique_ptr<MusicLibrary> MakeFmodLibrary(std::shared_ptr<AudioOutput> output) {
    auto state = std::make_shared<FmodState>(std::move(output));
    auto fmod = std::make_unique<BuiltinMusicLibrary>(state);
    AddSetup(*fmod, state);
    AddSamples(*fmod, state);
    AddChannels(*fmod, state);
    AddStreams(*fmod, state);
    AddModules(*fmod, state);
    return fmod;
}

} // namespace Zorbel
