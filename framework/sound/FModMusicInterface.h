#pragma once

#include "framework/platform/WindowMessage.h"
#include "framework/sound/FmodInstance.h"
#include "framework/sound/MusicInterface.h"
#include "framework/sound/SongRecord.h"

namespace Zorbel {

// The music player of the use-FMOD setting, over "fmod.dll": tracker modules through LoadSong, and
// samples (Ogg Vorbis files decoded whole and cached as WAV beside them) through LoadSampleSong and
// LoadJoinedSample. Levels are scaled by a master level of its own. Unloading, pausing everything and
// the max level and amplification are left to the library's defaults: those operations do nothing.
class FModMusicInterface : public MusicInterface {
public:
    FModMusicInterface(WindowId window, const MusicServices& services);
    ~FModMusicInterface() override;

    bool LoadSong(int32_t id, const std::string& fileName) override;
    void PlaySong(int32_t id, int32_t offset, bool noLoop) override;
    void StopSong(int32_t id) override;
    void PauseSong(int32_t id) override;
    void ResumeSong(int32_t id) override;
    void StopAllSongs() override;
    void FadeSongIn(int32_t id, int32_t offset, double speed, bool noLoop) override;
    void FadeSongOut(int32_t id, bool stopWhenSilent, double speed) override;
    void FadeAllSongsOut(bool stopWhenSilent, double speed) override;
    void SetSongLevel(int32_t id, double level) override;
    bool IsSongPlaying(int32_t id) override;
    void SetMusicLevel(double level) override;
    void UpdateFades() override;

    // An intro and a loop (names without extension, read as LoadSampleSong reads them) joined into one
    // sample that plays the intro once and then loops the loop without a seam. Both must have the same
    // rate and layout.
    virtual bool LoadJoinedSample(int32_t id, const std::string& introName, const std::string& loopName,
                                  bool loop);
    // A sample song from name + ".ogg", decoded once and then read from "cached_" + its file name +
    // ".wav" in its folder (a plain WAV file never checked against its source).
    virtual bool LoadSampleSong(int32_t id, const std::string& name, bool loop);

    // The song of an id, or null.
    const SongRecord* FindSong(int32_t id) const;
    double GetMasterLevel() const { return mMasterLevel; }

    // The cache file of a sample song's name.
    static std::string CachePathFor(const std::string& name);

private:
    SongRecord* Find(int32_t id);
    void ApplyLevel(const SongRecord& song);
    void StopChannel(const SongRecord& song);
    // The sample of a name: from its cache, else decoded from name + ".ogg" and cached; 0 when neither.
    uint32_t LoadSample(const std::string& name);
    void WriteCache(uint32_t sample, const std::string& cachePath);
    bool AddSampleSong(int32_t id, uint32_t sample, bool loop);

    FmodInstance* mFmod;
    SongTable mSongs;
    double mMasterLevel = 1.0;
};

} // namespace Zorbel
