#include "framework/sound/MusicInterface.h"

namespace Zorbel {

bool MusicInterface::LoadSong(int32_t, const std::string&) {
    return false;
}
void MusicInterface::PlaySong(int32_t, int32_t, bool) {}
void MusicInterface::StopSong(int32_t) {}
void MusicInterface::PauseSong(int32_t) {}
void MusicInterface::ResumeSong(int32_t) {}
void MusicInterface::StopAllSongs() {}
void MusicInterface::UnloadSong(int32_t) {}
void MusicInterface::UnloadAllSongs() {}
void MusicInterface::PauseAllSongs() {}
void MusicInterface::ResumeAllSongs() {}
void MusicInterface::FadeSongIn(int32_t, int32_t, double, bool) {}
void MusicInterface::FadeSongOut(int32_t, bool, double) {}
void MusicInterface::FadeAllSongsOut(bool, double) {}
void MusicInterface::SetSongLevel(int32_t, double) {}
void MusicInterface::SetSongMaxLevel(int32_t, double) {}
bool MusicInterface::IsSongPlaying(int32_t) {
    return false;
}
void MusicInterface::SetMusicLevel(double) {}
void MusicInterface::SetSongAmplify(int32_t, double) {}
void MusicInterface::UpdateFades() {}

} // namespace Zorbel
