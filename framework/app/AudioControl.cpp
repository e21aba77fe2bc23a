#include "framework/app/AudioControl.h"

#include "framework/sound/BassMusicInterface.h"
#include "framework/sound/FModMusicInterface.h"
#include "framework/sound/MusicInterface.h"
#include "framework/sound/SoundManager.h"

namespace Zorbel {

AudioControl::AudioControl() = default;

AudioControl::~AudioControl() {
    ReleasePlayers();
}

std::unique_ptr<SoundManager> AudioControl::MakeSoundManager(SoundServices services,
                                                             bool useSecondMusicLibrary) {
    return std::make_unique<DSoundManager>(std::move(services), useSecondMusicLibrary);
}

std::unique_ptr<MusicInterface> AudioControl::MakeMusicPlayer(WindowId window, bool noSound,
                                                              bool useSecondMusicLibrary,
                                                              const MusicServices& services) {
    if (noSound) return std::make_unique<MusicInterface>();
    if (useSecondMusicLibrary) return std::make_unique<FModMusicInterface>(window, services);
    return std::make_unique<BassMusicInterface>(window, services);
}

void AudioControl::SetSoundManager(std::unique_ptr<SoundManager> manager) {
    mSoundManager = std::move(manager);
}

void AudioControl::SetMusicPlayer(std::unique_ptr<MusicInterface> player) {
    mMusicPlayer = std::move(player);
}

void AudioControl::ReleasePlayers() {
    mMusicPlayer.reset();
    mSoundManager.reset();
}

double AudioControl::GetMasterVolume() const {
    return mSoundManager ? mSoundManager->GetSystemVolume() : 0.0;
}

void AudioControl::SetMasterVolume(double volume) {
    mSfxVolume = volume;
    if (mSoundManager) mSoundManager->SetSystemVolume(volume);
}

void AudioControl::SetMusicVolume(double volume) {
    mMusicVolume = volume;
    GiveMusicLevel(mMuteCount > 0 ? 0.0 : volume);
}

void AudioControl::SetSfxVolume(double volume) {
    mSfxVolume = volume;
    if (mSoundManager) mSoundManager->SetMasterLevel(mMuteCount > 0 ? 0.0 : volume);
}

void AudioControl::GiveMusicLevel(double level) {
    if (!mMusicPlayer) return;
    mMusicLevel = level;
    mMusicPlayer->SetMusicLevel(level);
}

void AudioControl::ApplyVolumes() {
    SetMusicVolume(mMusicVolume);
    SetSfxVolume(mSfxVolume);
}

void AudioControl::Mute(bool autoMute) {
    ++mMuteCount;
    if (autoMute) ++mAutoMuteCount;
    ApplyVolumes();
}

void AudioControl::Unmute(bool autoMute) {
    if (mMuteCount <= 0) return;
    --mMuteCount;
    // An automatic unmute without its mute (a restore seen twice) must not count the player's own mutes
    // as automatic ones.
    if (autoMute && mAutoMuteCount > 0) --mAutoMuteCount;
    ApplyVolumes();
}

void AudioControl::PlaySample(int32_t id, int32_t pan) {
    if (!mSoundManager) return;
    if (SoundInstance* sound = mSoundManager->CreateInstance(id)) {
        sound->SetBalance(pan);
        sound->PlayInstance(false, true);
    }
}

void AudioControl::PlaySample(int32_t id) {
    if (!mSoundManager) return;
    if (SoundInstance* sound = mSoundManager->CreateInstance(id)) sound->PlayInstance(false, true);
}

void AudioControl::UpdateMusic() {
    if (mMusicPlayer) mMusicPlayer->UpdateFades();
}

void AudioControl::StopAllMusic() {
    if (mMusicPlayer) mMusicPlayer->StopAllSongs();
}

void AudioControl::SilenceMusic() {
    GiveMusicLevel(0.0);
}

void AudioControl::FollowWindow(WindowId window, bool windowed) {
    if (mSoundManager) mSoundManager->SetOwnerWindow(window, windowed);
}

} // namespace Zorbel
