#include "framework/app/AudioControl.h"

#include "framework/sound/BassMusicInterface.h"
#include "framework/sound/FModMusicInterface.h"
#include "framework/sound/MusicInterface.h"
#include "framework/sound/SoundManager.h"

#include <cmath>

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
    mClickVoice.reset();
    mClickOutput.reset();
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

void AudioControl::PlaySystemClick() {
    std::shared_ptr<AudioOutput> output = mSoundManager ? mSoundManager->GetOutput() : nullptr;
    if (!output || mMuteCount > 0) return;
    if (output != mClickOutput || !mClickVoice) {
        mClickVoice.reset();
        // 20 ms of a 2 kHz tone dying away: a tick, not a beep.
        PcmFormat format;
        format.samplesPerSecond = 22050;
        const size_t frames = format.samplesPerSecond / 50;
        std::vector<uint8_t> bytes(frames * 2);
        for (size_t i = 0; i < frames; ++i) {
            const double t = double(i) / format.samplesPerSecond;
            const auto sample =
                static_cast<int16_t>(12000 * std::exp(-t * 250) * std::sin(t * 2000 * 6.283185307));
            bytes[2 * i] = static_cast<uint8_t>(sample & 0xFF);
            bytes[2 * i + 1] = static_cast<uint8_t>((sample >> 8) & 0xFF);
        }
        std::shared_ptr<SoundBuffer> click = SoundBuffer::Create(format, std::move(bytes));
        if (!click) return;
        mClickOutput = output;
        mClickVoice = output->GetMixer().Add<BufferVoice>(click);
        if (!mClickVoice) return;
    }
    mClickVoice->Stop();
    mClickVoice->SetPosition(0);
    mClickVoice->Play(false);
}

} // namespace Zorbel
