#pragma once

#include <cstdint>
#include <string>

namespace Zorbel {

// A music player: a table of songs by id, each with its own level that fades in and out by a step per
// update. The base plays nothing and answers false: it is the player of the no-sound setting, and every
// real player derives from it. Levels are fractions 0 … 1; a fade speed is the level change per update.
class MusicInterface {
public:
    MusicInterface() = default;
    MusicInterface(const MusicInterface&) = delete;
    MusicInterface& operator=(const MusicInterface&) = delete;
    virtual ~MusicInterface() = default;

    // Opens the file as song id; false when it cannot be opened (the table is then unchanged). An id
    // already in use keeps its song.
    virtual bool LoadSong(int32_t id, const std::string& fileName);
    // Plays from offset (a module's order, a stream's byte position) at the song's max level.
    virtual void PlaySong(int32_t id, int32_t offset, bool noLoop);
    virtual void StopSong(int32_t id);
    virtual void PauseSong(int32_t id);
    virtual void ResumeSong(int32_t id);
    virtual void StopAllSongs();
    virtual void UnloadSong(int32_t id);
    virtual void UnloadAllSongs();
    virtual void PauseAllSongs();
    virtual void ResumeAllSongs();
    // Plays from offset (−1: from where the song is) and raises its level by speed per update.
    virtual void FadeSongIn(int32_t id, int32_t offset, double speed, bool noLoop);
    // Lowers the level by speed per update; at 0 the song stops when stopWhenSilent is set.
    virtual void FadeSongOut(int32_t id, bool stopWhenSilent, double speed);
    virtual void FadeAllSongsOut(bool stopWhenSilent, double speed);
    virtual void SetSongLevel(int32_t id, double level);
    virtual void SetSongMaxLevel(int32_t id, double level);
    virtual bool IsSongPlaying(int32_t id);
    // The level of all music.
    virtual void SetMusicLevel(double level);
    virtual void SetSongAmplify(int32_t id, double factor);
    // Moves every fade on by one step; called once per update.
    virtual void UpdateFades();
};

} // namespace Zorbel
