#include "framework/sound/FModMusicInterface.h"

#include "framework/platform/files/Path.h"
#include "framework/sound/SoundCache.h"

#include <cstring>
#include <vector>

namespace Zorbel {

namespace {

constexpr int32_t PlaysOnce = 1;
constexpr int32_t Loops = 2;

int32_t LoopMode(bool loop) {
    return loop ? Loops : PlaysOnce;
}

} // namespace

FModMusicInterface::FModMusicInterface(WindowId, const MusicServices& services)
    : mFmod(FmodInstance::Acquire(services)) {}

FModMusicInterface::~FModMusicInterface() {
    if (mFmod) FmodInstance::Release();
    mSongs.clear();
}

SongRecord* FModMusicInterface::Find(int32_t id) {
    auto found = mSongs.find(id);
    return found == mSongs.end() ? nullptr : &found->second;
}

const SongRecord* FModMusicInterface::FindSong(int32_t id) const {
    auto found = mSongs.find(id);
    return found == mSongs.end() ? nullptr : &found->second;
}

void FModMusicInterface::ApplyLevel(const SongRecord& song) {
    if (song.moduleHandle != 0)
        mFmod->FMUSIC_SetMasterVolume(song.moduleHandle, Percentage(song.level * 100 * mMasterLevel));
    else
        mFmod->FSOUND_SetVolume(song.channel, Percentage(100 * mMasterLevel * song.level));
}

void FModMusicInterface::StopChannel(const SongRecord& song) {
    if (song.moduleHandle != 0)
        mFmod->FMUSIC_StopSong(song.moduleHandle);
    else
        mFmod->FSOUND_StopSound(song.channel);
}

bool FModMusicInterface::LoadSong(int32_t id, const std::string& fileName) {
    if (!mFmod) return false;
    SongRecord song;
    song.moduleHandle = mFmod->FMUSIC_LoadSong(fileName.c_str());
    if (song.moduleHandle == 0) return false;
    mSongs.emplace(id, song);
    return true;
}

void FModMusicInterface::PlaySong(int32_t id, int32_t offset, bool noLoop) {
    SongRecord* song = Find(id);
    if (!song) return;
    song->level = song->maxLevel;
    song->fadeStep = 0.0;
    if (song->moduleHandle != 0) {
        ApplyLevel(*song);
        mFmod->FMUSIC_SetLooping(song->moduleHandle, LoopMode(!noLoop));
        mFmod->FMUSIC_PlaySong(song->moduleHandle);
        mFmod->FMUSIC_SetOrder(song->moduleHandle, offset);
        return;
    }
    mFmod->FSOUND_PlaySound(song->channel, song->streamHandle);
    mFmod->FSOUND_SetLoopMode(song->channel, static_cast<uint32_t>(LoopMode(song->loop)));
    ApplyLevel(*song);
}

void FModMusicInterface::StopSong(int32_t id) {
    SongRecord* song = Find(id);
    if (!song) return;
    song->level = 0.0;
    StopChannel(*song);
}

void FModMusicInterface::PauseSong(int32_t id) {
    SongRecord* song = Find(id);
    if (!song) return;
    if (song->moduleHandle != 0)
        mFmod->FMUSIC_SetPaused(song->moduleHandle, true);
    else
        mFmod->FSOUND_SetPaused(song->channel, true);
}

void FModMusicInterface::ResumeSong(int32_t id) {
    SongRecord* song = Find(id);
    if (!song) return;
    if (song->moduleHandle != 0)
        mFmod->FMUSIC_SetPaused(song->moduleHandle, false);
    else
        mFmod->FSOUND_SetPaused(song->channel, false);
}

void FModMusicInterface::StopAllSongs() {
    for (auto& [id, song] : mSongs)
        StopSong(id);
}

void FModMusicInterface::FadeSongIn(int32_t id, int32_t offset, double speed, bool noLoop) {
    SongRecord* song = Find(id);
    if (!song) return;
    song->fadeStep = speed;
    if (song->moduleHandle != 0) {
        ApplyLevel(*song);
        mFmod->FMUSIC_SetLooping(song->moduleHandle, LoopMode(!noLoop));
        if (!mFmod->FMUSIC_IsPlaying(song->moduleHandle)) mFmod->FMUSIC_PlaySong(song->moduleHandle);
        if (offset != -1) mFmod->FMUSIC_SetOrder(song->moduleHandle, offset);
        return;
    }
    if (!mFmod->FSOUND_IsPlaying(song->channel)) {
        mFmod->FSOUND_PlaySound(song->channel, song->streamHandle);
        mFmod->FSOUND_SetLoopMode(song->channel, static_cast<uint32_t>(LoopMode(song->loop)));
    }
    ApplyLevel(*song);
}

void FModMusicInterface::FadeSongOut(int32_t id, bool stopWhenSilent, double speed) {
    SongRecord* song = Find(id);
    if (!song) return;
    song->fadeStep = -speed;
    song->stopWhenSilent = stopWhenSilent;
}

void FModMusicInterface::FadeAllSongsOut(bool stopWhenSilent, double speed) {
    for (auto& [id, song] : mSongs) {
        song.fadeStep = -speed;
        song.stopWhenSilent = stopWhenSilent;
    }
}

void FModMusicInterface::SetSongLevel(int32_t id, double level) {
    SongRecord* song = Find(id);
    if (!song) return;
    song->level = level;
    ApplyLevel(*song);
}

bool FModMusicInterface::IsSongPlaying(int32_t id) {
    SongRecord* song = Find(id);
    if (!song) return false;
    if (song->moduleHandle != 0) return mFmod->FMUSIC_IsPlaying(song->moduleHandle);
    return mFmod->FSOUND_IsPlaying(song->channel);
}

void FModMusicInterface::SetMusicLevel(double level) {
    mMasterLevel = level;
    for (auto& [id, song] : mSongs)
        ApplyLevel(song);
}

void FModMusicInterface::UpdateFades() {
    StepFades(
        mSongs, [this](const SongRecord& song) { StopChannel(song); },
        [this](const SongRecord& song) { ApplyLevel(song); });
}

std::string FModMusicInterface::CachePathFor(const std::string& name) {
    size_t separator = name.find_last_of("/\\");
    if (separator == std::string::npos) return "cached_" + name + ".wav";
    return name.substr(0, separator + 1) + "cached_" + name.substr(separator + 1) + ".wav";
}

void FModMusicInterface::WriteCache(uint32_t sample, const std::string& cachePath) {
    uint32_t mode = mFmod->FSOUND_Sample_GetMode(sample);
    int32_t frequency = 0;
    mFmod->FSOUND_Sample_GetDefaults(sample, &frequency, nullptr, nullptr, nullptr);
    PcmFormat format{uint16_t((mode & FmodInstance::Mono) ? 1 : 2), static_cast<uint32_t>(frequency),
                     uint16_t((mode & FmodInstance::Bits8) ? 8 : 16)};
    uint64_t length = uint64_t(mFmod->FSOUND_Sample_GetLength(sample)) * format.BlockAlign();
    if (length > UINT32_MAX - 36) return;
    void* data = nullptr;
    void* wrapped = nullptr;
    uint32_t dataLength = 0, wrappedLength = 0;
    if (!mFmod->FSOUND_Sample_Lock(sample, 0, static_cast<int32_t>(length), &data, &wrapped, &dataLength,
                                   &wrappedLength))
        return;
    // A cache that cannot be written is only a slower start next time.
    (void)SoundCache::WritePlain(cachePath, format, static_cast<const uint8_t*>(data), dataLength);
    mFmod->FSOUND_Sample_Unlock(sample, data, wrapped, dataLength, wrappedLength);
}

uint32_t FModMusicInterface::LoadSample(const std::string& name) {
    std::string cachePath = CachePathFor(name);
    uint32_t sample = mFmod->FSOUND_Sample_Load(-1, cachePath.c_str(), 0, 0);
    if (sample != 0) return sample;
    sample = mFmod->FSOUND_Sample_Load(-1, (name + ".ogg").c_str(), 0, 0);
    if (sample != 0) WriteCache(sample, cachePath);
    return sample;
}

bool FModMusicInterface::AddSampleSong(int32_t id, uint32_t sample, bool loop) {
    SongRecord song;
    song.streamHandle = sample;
    song.loop = loop;
    // An id in use keeps its song; the sample just made is let go rather than leaked.
    if (!mSongs.emplace(id, song).second) mFmod->FSOUND_Sample_Free(sample);
    return true;
}

bool FModMusicInterface::LoadSampleSong(int32_t id, const std::string& name, bool loop) {
    if (!mFmod) return false;
    uint32_t sample = LoadSample(name);
    return sample != 0 && AddSampleSong(id, sample, loop);
}

bool FModMusicInterface::LoadJoinedSample(int32_t id, const std::string& introName,
                                          const std::string& loopName, bool loop) {
    if (!mFmod) return false;
    uint32_t intro = LoadSample(introName);
    uint32_t tail = intro ? LoadSample(loopName) : 0;
    int32_t introRate = 0, tailRate = 0;
    if (intro) mFmod->FSOUND_Sample_GetDefaults(intro, &introRate, nullptr, nullptr, nullptr);
    if (tail) mFmod->FSOUND_Sample_GetDefaults(tail, &tailRate, nullptr, nullptr, nullptr);
    uint32_t mode = intro ? mFmod->FSOUND_Sample_GetMode(intro) : 0;
    bool matching = intro && tail && introRate == tailRate && mode == mFmod->FSOUND_Sample_GetMode(tail);
    uint32_t introLength = matching ? mFmod->FSOUND_Sample_GetLength(intro) : 0;
    uint32_t tailLength = matching ? mFmod->FSOUND_Sample_GetLength(tail) : 0;
    uint64_t totalLength = uint64_t(introLength) + tailLength;
    uint32_t joined = 0;
    if (matching && totalLength <= INT32_MAX)
        joined = mFmod->FSOUND_Sample_Alloc(-1, static_cast<int32_t>(totalLength),
                                            mode | FmodInstance::LoopNormal, introRate, 255, 128, 0);
    if (joined) {
        uint32_t block = ((mode & FmodInstance::Mono) ? 1 : 2) * ((mode & FmodInstance::Bits8) ? 1 : 2);
        void* target = nullptr;
        void* wrapped = nullptr;
        uint32_t targetLength = 0, wrappedLength = 0;
        uint64_t bytes = totalLength * block;
        if (bytes <= INT32_MAX && mFmod->FSOUND_Sample_Lock(joined, 0, static_cast<int32_t>(bytes), &target,
                                                            &wrapped, &targetLength, &wrappedLength)) {
            uint8_t* out = static_cast<uint8_t*>(target);
            size_t at = 0;
            for (uint32_t part : {intro, tail}) {
                void* data = nullptr;
                void* second = nullptr;
                uint32_t length = 0, secondLength = 0;
                uint32_t partBytes = (part == intro ? introLength : tailLength) * block;
                if (!mFmod->FSOUND_Sample_Lock(part, 0, static_cast<int32_t>(partBytes), &data, &second,
                                               &length, &secondLength))
                    continue;
                std::memcpy(out + at, data, std::min<size_t>(length, targetLength - at));
                at += length;
                mFmod->FSOUND_Sample_Unlock(part, data, second, length, secondLength);
            }
            mFmod->FSOUND_Sample_Unlock(joined, target, wrapped, targetLength, wrappedLength);
        }
    }
    if (intro) mFmod->FSOUND_Sample_Free(intro);
    if (tail) mFmod->FSOUND_Sample_Free(tail);
    if (!joined) return false;
    mFmod->FSOUND_Sample_SetLoopPoints(joined, static_cast<int32_t>(introLength),
                                       static_cast<int32_t>(tailLength));
    return AddSampleSong(id, joined, loop);
}

} // namespace Zorbel
