#include "framework/sound/FmodInstance.h"

#include "framework/sound/SharedLibraryTable.h"

namespace Zorbel {

namespace {

// The decorated name stands in double quotes.
std::string DescribeMissing(const std::string& name) {
    return "\"" + name + "\" function not found in fmod.dll";
}

std::string FillFmod(FmodInstance& t) {
    FunctionLookup<FmodInstance> look(t, DescribeMissing);
    look.Need("_FSOUND_SetBufferSize@4", t.FSOUND_SetBufferSize);
    look.Need("_FSOUND_SetHWND@4", t.FSOUND_SetHWND);
    look.Need("_FSOUND_Init@12", t.FSOUND_Init);
    look.Need("_FSOUND_Close@0", t.FSOUND_Close);
    look.Need("_FSOUND_Sample_Load@16", t.FSOUND_Sample_Load);
    look.Need("_FSOUND_Sample_Alloc@28", t.FSOUND_Sample_Alloc);
    look.Need("_FSOUND_Sample_Free@4", t.FSOUND_Sample_Free);
    look.Need("_FSOUND_Sample_Lock@28", t.FSOUND_Sample_Lock);
    look.Need("_FSOUND_Sample_Unlock@20", t.FSOUND_Sample_Unlock);
    look.Need("_FSOUND_Sample_SetLoopPoints@12", t.FSOUND_Sample_SetLoopPoints);
    look.Need("_FSOUND_Sample_GetLength@4", t.FSOUND_Sample_GetLength);
    look.Need("_FSOUND_Sample_GetDefaults@20", t.FSOUND_Sample_GetDefaults);
    look.Need("_FSOUND_Sample_GetMode@4", t.FSOUND_Sample_GetMode);
    look.Need("_FSOUND_PlaySound@8", t.FSOUND_PlaySound);
    look.Need("_FSOUND_StopSound@4", t.FSOUND_StopSound);
    look.Need("_FSOUND_SetVolume@8", t.FSOUND_SetVolume);
    look.Need("_FSOUND_SetPaused@8", t.FSOUND_SetPaused);
    look.Need("_FSOUND_SetLoopMode@8", t.FSOUND_SetLoopMode);
    look.Need("_FSOUND_IsPlaying@4", t.FSOUND_IsPlaying);
    look.Need("_FSOUND_Stream_OpenFile@12", t.FSOUND_Stream_OpenFile);
    look.Need("_FSOUND_Stream_Close@4", t.FSOUND_Stream_Close);
    look.Need("_FSOUND_Stream_Play@8", t.FSOUND_Stream_Play);
    look.Need("_FMUSIC_LoadSong@4", t.FMUSIC_LoadSong);
    look.Need("_FMUSIC_PlaySong@4", t.FMUSIC_PlaySong);
    look.Need("_FMUSIC_StopSong@4", t.FMUSIC_StopSong);
    look.Need("_FMUSIC_SetLooping@8", t.FMUSIC_SetLooping);
    look.Need("_FMUSIC_SetOrder@8", t.FMUSIC_SetOrder);
    look.Need("_FMUSIC_SetPaused@8", t.FMUSIC_SetPaused);
    look.Need("_FMUSIC_SetMasterVolume@8", t.FMUSIC_SetMasterVolume);
    look.Need("_FMUSIC_IsPlaying@4", t.FMUSIC_IsPlaying);
    return look.Missing();
}

using FmodTable = SharedLibraryTable<FmodInstance>;

} // namespace

FmodInstance* FmodInstance::Acquire(const MusicServices& services) {
    return FmodTable::Acquire(services, "fmod.dll", FillFmod);
}

void FmodInstance::Release() {
    FmodTable::Release();
}

} // namespace Zorbel
