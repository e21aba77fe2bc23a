#include "framework/sound/BassMusicInterface.h"

#include "framework/platform/files/Path.h"

namespace Zorbel {

namespace {

constexpr uint32_t LoopFlag = 4;
constexpr uint32_t RampFlag = 0x200;
// The new API's module flags: ramping and looping.
constexpr uint32_t NewModuleFlags = 516;
constexpr int32_t SameFrequency = -1;
constexpr int32_t SamePan = -101;

enum ConfigOption : uint32_t { ConfigBuffer = 0, ConfigStreamVolume = 5, ConfigMusicVolume = 6 };

bool IsStreamName(const std::string& fileName) {
    size_t dot = fileName.rfind('.');
    std::string extension =
        dot == std::string::npos ? std::string() : StringToLower(fileName.substr(dot + 1));
    return extension == "wav" || extension == "ogg" || extension == "mp3";
}

} // namespace

BassMusicInterface::BassMusicInterface(WindowId window, const MusicServices& services)
    : mBass(BassInstance::Acquire(services)) {
    if (!mBass) return;
    if (mBass->newApi) {
        mBass->BASS_Init(1, 44100, 0, window, nullptr);
        mBass->BASS_SetConfig(ConfigBuffer, 2000);
    } else {
        mBass->BASS_Init(-1, 44100, 0, window, nullptr);
    }
    mBass->BASS_Start();
}

BassMusicInterface::~BassMusicInterface() {
    if (!mBass) return;
    mBass->BASS_Stop();
    mBass->BASS_Free();
    BassInstance::Release();
    mSongs.clear();
}

SongRecord* BassMusicInterface::Find(int32_t id) {
    auto found = mSongs.find(id);
    return found == mSongs.end() ? nullptr : &found->second;
}

const SongRecord* BassMusicInterface::FindSong(int32_t id) const {
    auto found = mSongs.find(id);
    return found == mSongs.end() ? nullptr : &found->second;
}

void BassMusicInterface::ApplyLevel(const SongRecord& song) {
    mBass->BASS_ChannelSetAttributes(song.Handle(), SameFrequency, Percentage(song.level * 100), SamePan);
}

void BassMusicInterface::Free(const SongRecord& song) {
    if (song.moduleHandle != 0)
        mBass->BASS_MusicFree(song.moduleHandle);
    else
        mBass->BASS_StreamFree(song.streamHandle);
}

bool BassMusicInterface::LoadSong(int32_t id, const std::string& fileName) {
    if (!mBass) return false;
    SongRecord song;
    if (IsStreamName(fileName))
        song.streamHandle = mBass->BASS_StreamCreateFile(false, fileName.c_str(), 0, 0, 0);
    else if (mBass->newApi)
        song.moduleHandle = mBass->BASS_MusicLoad(false, fileName.c_str(), 0, 0, NewModuleFlags, 0);
    else
        song.moduleHandle = mBass->BASS_MusicLoad(false, fileName.c_str(), 0, 0, LoopFlag, 0);
    if (song.Handle() == 0) return false;
    // An id in use keeps its song; the one just opened is let go rather than leaked.
    if (!mSongs.emplace(id, song).second) Free(song);
    return true;
}

void BassMusicInterface::Start(const SongRecord& song, int32_t offset, bool noLoop) {
    uint32_t loop = noLoop ? 0 : LoopFlag;
    if (song.moduleHandle != 0) {
        int32_t flags = static_cast<int32_t>(mBass->newApi ? (RampFlag | loop) : loop);
        mBass->BASS_MusicPlayEx(song.moduleHandle, static_cast<uint32_t>(offset), flags, true);
        return;
    }
    mBass->BASS_StreamPlay(song.streamHandle, offset != -1, loop);
    if (offset > 0) mBass->BASS_ChannelSetPosition(song.streamHandle, static_cast<uint64_t>(offset));
}

void BassMusicInterface::PlaySong(int32_t id, int32_t offset, bool noLoop) {
    SongRecord* song = Find(id);
    if (!song) return;
    song->level = song->maxLevel;
    song->fadeStep = 0.0;
    song->stopWhenSilent = noLoop;
    ApplyLevel(*song);
    mBass->BASS_ChannelStop(song->Handle());
    Start(*song, offset, noLoop);
}

void BassMusicInterface::StopSong(int32_t id) {
    SongRecord* song = Find(id);
    if (!song) return;
    song->level = 0.0;
    mBass->BASS_ChannelStop(song->Handle());
}

void BassMusicInterface::PauseSong(int32_t id) {
    if (SongRecord* song = Find(id)) mBass->BASS_ChannelPause(song->Handle());
}

void BassMusicInterface::ResumeSong(int32_t id) {
    if (SongRecord* song = Find(id)) mBass->BASS_ChannelResume(song->Handle());
}

void BassMusicInterface::StopAllSongs() {
    for (auto& [id, song] : mSongs)
        StopSong(id);
}

void BassMusicInterface::UnloadSong(int32_t id) {
    SongRecord* song = Find(id);
    if (!song) return;
    StopSong(id);
    Free(*song);
    mSongs.erase(id);
}

void BassMusicInterface::UnloadAllSongs() {
    StopAllSongs();
    for (auto& [id, song] : mSongs)
        Free(song);
    mSongs.clear();
}

void BassMusicInterface::PauseAllSongs() {
    for (auto& [id, song] : mSongs)
        PauseSong(id);
}

void BassMusicInterface::ResumeAllSongs() {
    for (auto& [id, song] : mSongs)
        ResumeSong(id);
}

void BassMusicInterface::FadeSongIn(int32_t id, int32_t offset, double speed, bool noLoop) {
    SongRecord* song = Find(id);
    if (!song) return;
    song->fadeStep = speed;
    song->stopWhenSilent = noLoop;
    mBass->BASS_ChannelStop(song->Handle());
    // The fade goes on from the level the song has.
    ApplyLevel(*song);
    if (song->moduleHandle != 0 && offset == -1)
        mBass->BASS_MusicPlay(song->moduleHandle);
    else
        Start(*song, offset, noLoop);
}

void BassMusicInterface::FadeSongOut(int32_t id, bool stopWhenSilent, double speed) {
    SongRecord* song = Find(id);
    if (!song || song->level == 0.0) return;
    song->fadeStep = -speed;
    song->stopWhenSilent = stopWhenSilent;
}

void BassMusicInterface::FadeAllSongsOut(bool stopWhenSilent, double speed) {
    for (auto& [id, song] : mSongs) {
        song.fadeStep = -speed;
        song.stopWhenSilent = stopWhenSilent;
    }
}

void BassMusicInterface::SetSongLevel(int32_t id, double level) {
    SongRecord* song = Find(id);
    if (!song) return;
    song->level = level;
    ApplyLevel(*song);
}

void BassMusicInterface::SetSongMaxLevel(int32_t id, double level) {
    SongRecord* song = Find(id);
    if (!song) return;
    song->maxLevel = level;
    song->level = std::min(song->level, level);
    ApplyLevel(*song);
}

bool BassMusicInterface::IsSongPlaying(int32_t id) {
    SongRecord* song = Find(id);
    return song && mBass->BASS_ChannelIsActive(song->Handle()) == 1;
}

void BassMusicInterface::SetMusicLevel(double level) {
    if (!mBass) return;
    if (mBass->newApi) {
        auto percent = static_cast<uint32_t>(Percentage(level * 100));
        mBass->BASS_SetConfig(ConfigMusicVolume, percent);
        mBass->BASS_SetConfig(ConfigStreamVolume, percent);
        return;
    }
    int32_t volume = Percentage(mAmplificationBase * level);
    if (mBass->BASS_SetGlobalVolumes) mBass->BASS_SetGlobalVolumes(volume, volume, volume);
}

void BassMusicInterface::SetSongAmplify(int32_t id, double factor) {
    if (SongRecord* song = Find(id))
        mBass->BASS_MusicSetAmplify(song->Handle(), static_cast<uint32_t>(Percentage(factor * 100)));
}

void BassMusicInterface::UpdateFades() {
    StepFades(
        mSongs, [this](const SongRecord& song) { mBass->BASS_ChannelStop(song.Handle()); },
        [this](const SongRecord& song) { ApplyLevel(song); });
}

} // namespace Zorbel
