#include "framework/sound/BassInstance.h"

#include "framework/sound/SharedLibraryTable.h"

namespace Zorbel {

namespace {

std::string DescribeMissing(const std::string& name) {
    return name + " function not found in bass.dll";
}

std::string FillBass(BassInstance& t) {
    FunctionLookup<BassInstance> look(t, DescribeMissing);
    look.Need("BASS_Init", t.BASS_Init);
    look.Need("BASS_Free", t.BASS_Free);
    look.Need("BASS_Stop", t.BASS_Stop);
    look.Need("BASS_Start", t.BASS_Start);
    bool globalVolumes = look.Want("BASS_SetGlobalVolumes", t.BASS_SetGlobalVolumes);
    bool volume = look.Want("BASS_SetVolume", t.BASS_SetVolume);
    if (!globalVolumes && !volume)
        look.Fail("Neither BASS_SetGlobalVolumes or BASS_SetVolume found in bass.dll");
    look.Need("BASS_MusicSetAmplify", t.BASS_MusicSetAmplify);
    t.newApi = look.Want("BASS_SetConfig", t.BASS_SetConfig);
    look.Need("BASS_ChannelStop", t.BASS_ChannelStop);
    look.Need("BASS_ChannelPause", t.BASS_ChannelPause);
    look.Need("BASS_ChannelResume", t.BASS_ChannelResume);
    look.Need("BASS_ChannelSetAttributes", t.BASS_ChannelSetAttributes);
    look.Need("BASS_ChannelSetPosition", t.BASS_ChannelSetPosition);
    look.Need("BASS_ChannelIsActive", t.BASS_ChannelIsActive);
    look.Need("BASS_MusicLoad", t.BASS_MusicLoad);
    look.Need("BASS_MusicPlay", t.BASS_MusicPlay);
    look.Need("BASS_MusicPlayEx", t.BASS_MusicPlayEx);
    look.Need("BASS_MusicFree", t.BASS_MusicFree);
    look.Need("BASS_StreamCreateFile", t.BASS_StreamCreateFile);
    look.Need("BASS_StreamFree", t.BASS_StreamFree);
    look.Need("BASS_StreamPlay", t.BASS_StreamPlay);
    return look.Missing();
}

using BassTable = SharedLibraryTable<BassInstance>;

} // namespace

BassInstance* BassInstance::Acquire(const MusicServices& services) {
    return BassTable::Acquire(services, "bass.dll", FillBass);
}

void BassInstance::Release() {
    BassTable::Release();
}

} // namespace Zorbel
