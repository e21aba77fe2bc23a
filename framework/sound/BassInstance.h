#pragma once

#include "framework/platform/WindowMessage.h"
#include "framework/sound/MusicServices.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace Zorbel {

// The functions of "bass.dll" by name, one table per process shared by every BassMusicInterface:
// acquired on first use, freed with the last release. Handles are 32-bit numbers, 0 for none; flags
// and option numbers mean what the library gives them (4 loops, configuration 5 and 6 are the stream
// and module volumes).
struct BassInstance {
    std::unique_ptr<MusicLibrary> module;
    // BASS_SetConfig exists: BASS_Init and BASS_MusicLoad take their newer argument lists.
    bool newApi = false;

    std::function<bool(int32_t device, uint32_t frequency, uint32_t flags, WindowId window,
                       const void* clsid)>
        BASS_Init;
    std::function<bool()> BASS_Free;
    std::function<bool()> BASS_Stop;
    std::function<bool()> BASS_Start;
    std::function<bool(int32_t music, int32_t sample, int32_t stream)> BASS_SetGlobalVolumes;
    std::function<bool(uint32_t volume)> BASS_SetVolume;
    std::function<bool(uint32_t handle, uint32_t amplify)> BASS_MusicSetAmplify;
    std::function<uint32_t(uint32_t option, uint32_t value)> BASS_SetConfig;
    std::function<bool(uint32_t handle)> BASS_ChannelStop;
    std::function<bool(uint32_t handle)> BASS_ChannelPause;
    std::function<bool(uint32_t handle)> BASS_ChannelResume;
    std::function<bool(uint32_t handle, int32_t frequency, int32_t volume, int32_t pan)>
        BASS_ChannelSetAttributes;
    std::function<bool(uint32_t handle, uint64_t position)> BASS_ChannelSetPosition;
    std::function<uint32_t(uint32_t handle)> BASS_ChannelIsActive;
    std::function<uint32_t(bool memory, const void* file, uint32_t offset, uint32_t length, uint32_t flags,
                           uint32_t frequency)>
        BASS_MusicLoad;
    std::function<bool(uint32_t handle)> BASS_MusicPlay;
    std::function<bool(uint32_t handle, uint32_t position, int32_t flags, bool reset)> BASS_MusicPlayEx;
    std::function<void(uint32_t handle)> BASS_MusicFree;
    std::function<uint32_t(bool memory, const void* file, uint32_t offset, uint32_t length, uint32_t flags)>
        BASS_StreamCreateFile;
    std::function<void(uint32_t handle)> BASS_StreamFree;
    std::function<bool(uint32_t handle, bool flush, uint32_t flags)> BASS_StreamPlay;

    // Counts a user in and returns the table, loading it for the first; null when the library or a
    // function is missing (after services.libraryMissing has had its say).
    static BassInstance* Acquire(const MusicServices& services);
    // Counts a user out; the last one frees the table.
    static void Release();
};

} // namespace Zorbel
