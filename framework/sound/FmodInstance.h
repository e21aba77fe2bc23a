#pragma once

#include "framework/platform/WindowMessage.h"
#include "framework/sound/MusicServices.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace Zorbel {

// The functions of "fmod.dll" by their decorated names, one table per process shared by every
// FModMusicInterface: acquired on first use, freed with the last release. Samples, streams and modules
// are 32-bit handles (0 for none), channels small numbers (−1 for none or any free one). Volumes are
// whole percentages. Modes: 0x01 no loop, 0x02 loop, 0x08 8-bit, 0x10 16-bit, 0x20 mono, 0x40 stereo.
struct FmodInstance {
    static constexpr uint32_t LoopOff = 0x01;
    static constexpr uint32_t LoopNormal = 0x02;
    static constexpr uint32_t Bits8 = 0x08;
    static constexpr uint32_t Bits16 = 0x10;
    static constexpr uint32_t Mono = 0x20;
    static constexpr uint32_t Stereo = 0x40;

    std::unique_ptr<MusicLibrary> module;

    std::function<bool(int32_t milliseconds)> FSOUND_SetBufferSize;
    std::function<bool(WindowId window)> FSOUND_SetHWND;
    std::function<bool(int32_t mixRate, int32_t maxChannels, uint32_t flags)> FSOUND_Init;
    std::function<void()> FSOUND_Close;
    std::function<uint32_t(int32_t index, const char* name, uint32_t mode, int32_t offset)>
        FSOUND_Sample_Load;
    std::function<uint32_t(int32_t index, int32_t length, uint32_t mode, int32_t frequency, int32_t volume,
                           int32_t pan, int32_t priority)>
        FSOUND_Sample_Alloc;
    std::function<void(uint32_t sample)> FSOUND_Sample_Free;
    // Byte offsets and lengths; the second part is for a ring that wraps (never, here).
    std::function<bool(uint32_t sample, int32_t offset, int32_t length, void** first, void** second,
                       uint32_t* firstLength, uint32_t* secondLength)>
        FSOUND_Sample_Lock;
    std::function<bool(uint32_t sample, void* first, void* second, uint32_t firstLength,
                       uint32_t secondLength)>
        FSOUND_Sample_Unlock;
    // The looped part: from the start frame, length frames.
    std::function<bool(uint32_t sample, int32_t start, int32_t length)> FSOUND_Sample_SetLoopPoints;
    std::function<uint32_t(uint32_t sample)> FSOUND_Sample_GetLength;
    std::function<bool(uint32_t sample, int32_t* frequency, int32_t* volume, int32_t* pan, int32_t* priority)>
        FSOUND_Sample_GetDefaults;
    std::function<uint32_t(uint32_t sample)> FSOUND_Sample_GetMode;
    std::function<int32_t(int32_t channel, uint32_t sample)> FSOUND_PlaySound;
    std::function<bool(int32_t channel)> FSOUND_StopSound;
    std::function<bool(int32_t channel, int32_t volume)> FSOUND_SetVolume;
    std::function<bool(int32_t channel, bool paused)> FSOUND_SetPaused;
    std::function<bool(int32_t channel, uint32_t mode)> FSOUND_SetLoopMode;
    std::function<bool(int32_t channel)> FSOUND_IsPlaying;
    std::function<uint32_t(const char* name, uint32_t mode, int32_t length)> FSOUND_Stream_OpenFile;
    std::function<bool(uint32_t stream)> FSOUND_Stream_Close;
    std::function<int32_t(int32_t channel, uint32_t stream)> FSOUND_Stream_Play;
    std::function<uint32_t(const char* name)> FMUSIC_LoadSong;
    std::function<bool(uint32_t module)> FMUSIC_PlaySong;
    std::function<bool(uint32_t module)> FMUSIC_StopSong;
    // 1 plays once, 2 loops (the loop modes).
    std::function<bool(uint32_t module, int32_t mode)> FMUSIC_SetLooping;
    std::function<bool(uint32_t module, int32_t order)> FMUSIC_SetOrder;
    std::function<bool(uint32_t module, bool paused)> FMUSIC_SetPaused;
    std::function<bool(uint32_t module, int32_t volume)> FMUSIC_SetMasterVolume;
    std::function<bool(uint32_t module)> FMUSIC_IsPlaying;

    // Counts a user in and returns the table, loading it for the first; null when the library or a
    // function is missing (after services.libraryMissing has had its say).
    static FmodInstance* Acquire(const MusicServices& services);
    // Counts a user out; the last one frees the table.
    static void Release();
};

} // namespace Zorbel
