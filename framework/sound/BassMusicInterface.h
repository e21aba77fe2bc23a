#pragma once

#include "framework/platform/WindowMessage.h"
#include "framework/sound/BassInstance.h"
#include "framework/sound/MusicInterface.h"
#include "framework/sound/SongRecord.h"

namespace Zorbel {

// The default music player, over "bass.dll": streams (".wav", ".ogg", ".mp3") and tracker modules (any
// other extension), each song on a channel of its own with its level applied as its volume.
class BassMusicInterface : public MusicInterface {
public:
    // The music belongs to the window (the application's invisible one).
    BassMusicInterface(WindowId window, const MusicServices& services);
    ~BassMusicInterface() override;

    bool LoadSong(int32_t id, const std::string& fileName) override;
    void PlaySong(int32_t id, int32_t offset, bool noLoop) override;
    void StopSong(int32_t id) override;
    void PauseSong(int32_t id) override;
    void ResumeSong(int32_t id) override;
    void StopAllSongs() override;
    void UnloadSong(int32_t id) override;
    void UnloadAllSongs() override;
    void PauseAllSongs() override;
    void ResumeAllSongs() override;
    void FadeSongIn(int32_t id, int32_t offset, double speed, bool noLoop) override;
    void FadeSongOut(int32_t id, bool stopWhenSilent, double speed) override;
    void FadeAllSongsOut(bool stopWhenSilent, double speed) override;
    void SetSongLevel(int32_t id, double level) override;
    void SetSongMaxLevel(int32_t id, double level) override;
    bool IsSongPlaying(int32_t id) override;
    void SetMusicLevel(double level) override;
    void SetSongAmplify(int32_t id, double factor) override;
    void UpdateFades() override;

    // The song of an id, or null.
    const SongRecord* FindSong(int32_t id) const;

private:
    SongRecord* Find(int32_t id);
    void ApplyLevel(const SongRecord& song);
    // Starts the song's channel from offset as PlaySong and FadeSongIn do.
    void Start(const SongRecord& song, int32_t offset, bool noLoop);
    void Free(const SongRecord& song);

    BassInstance* mBass;
    SongTable mSongs;
    // The old API's volumes run 0 … 40.
    int32_t mAmplificationBase = 40;
};

} // namespace Zorbel
