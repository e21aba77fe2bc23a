#pragma once

#include "framework/platform/WindowMessage.h"
#include "framework/sound/BufferVoice.h"
#include "framework/sound/DSoundManager.h"
#include "framework/sound/MusicServices.h"

#include <cstdint>
#include <memory>

namespace Zorbel {

class MusicInterface;

// Sound effects and music of the application: it owns the sound manager and the music player, keeps
// the two volumes (fractions 0 ... 1) and counts mutes. While anyone holds a mute both players get 0.
// Mutes are counted so that nested callers (focus loss, fast forward, the game) do not undo each
// other; automatic ones (focus loss) are counted apart, since only the player's own mutes are kept
// in the settings.
class AudioControl {
public:
    AudioControl();
    AudioControl(const AudioControl&) = delete;
    AudioControl& operator=(const AudioControl&) = delete;
    ~AudioControl();

    // The players the application runs with. The sound manager plays on the services' device (none
    // when sound is off gives a silent one); the second music library also lets it load MP3 files. The
    // music player belongs to the window: the silent one when sound is off, else the player of the
    // second library or of the first, on the music services' device.
    static std::unique_ptr<SoundManager> MakeSoundManager(SoundServices services, bool useSecondMusicLibrary);
    static std::unique_ptr<MusicInterface> MakeMusicPlayer(WindowId window, bool noSound,
                                                           bool useSecondMusicLibrary,
                                                           const MusicServices& services = {});

    // Takes the players over; either may be replaced later.
    void SetSoundManager(std::unique_ptr<SoundManager> manager);
    void SetMusicPlayer(std::unique_ptr<MusicInterface> player);
    SoundManager* GetSoundManager() const { return mSoundManager.get(); }
    MusicInterface* GetMusicPlayer() const { return mMusicPlayer.get(); }
    // Frees the music player, then the sound manager.
    void ReleasePlayers();

    double GetMusicVolume() const { return mMusicVolume; }
    // The level the music player was last given (0 while muted or hidden).
    double GetMusicLevel() const { return mMusicLevel; }
    double GetSfxVolume() const { return mSfxVolume; }
    // The sound manager's master volume (the system mixer), 0 without one.
    double GetMasterVolume() const;
    // Stores the volume and hands it to its player (0 while muted). The master volume is also the
    // stored sound-effect volume.
    void SetMasterVolume(double volume);
    void SetMusicVolume(double volume);
    void SetSfxVolume(double volume);
    // Volumes and mutes read from the settings: only stored, applied by the next volume change.
    void RestoreMusicVolume(double volume) { mMusicVolume = volume; }
    void RestoreSfxVolume(double volume) { mSfxVolume = volume; }
    void RestoreMuteCount(int32_t count) { mMuteCount = count; }

    void Mute(bool autoMute);
    // Does nothing without a mute to undo.
    void Unmute(bool autoMute);
    bool IsMuted() const { return mMuteCount > 0; }
    int32_t GetMuteCount() const { return mMuteCount; }
    int32_t GetAutoMuteCount() const { return mAutoMuteCount; }
    // Muted by the player rather than by focus loss: what the settings keep.
    bool IsMutedByPlayer() const { return mMuteCount - mAutoMuteCount > 0; }

    // Plays the sound of the id once (with a pan when given), when there is one.
    void PlaySample(int32_t id, int32_t pan);
    void PlaySample(int32_t id);
    // The short click that acknowledges a developer key, on the sound device when there is one.
    void PlaySystemClick();

    // The music player's share of an update step.
    void UpdateMusic();
    void StopAllMusic();
    // Silences the music without touching its stored volume (the application is hidden).
    void SilenceMusic();
    // The sound device follows the main window into a new window or screen mode.
    void FollowWindow(WindowId window, bool windowed);

private:
    void ApplyVolumes();
    void GiveMusicLevel(double level);

    double mMusicVolume = 0.85;
    double mSfxVolume = 0.85;
    double mMusicLevel = 0.0;
    int32_t mMuteCount = 0;
    int32_t mAutoMuteCount = 0;
    std::unique_ptr<SoundManager> mSoundManager;
    std::unique_ptr<MusicInterface> mMusicPlayer;
    // The click plays on the device it was made for, which the voice keeps alive.
    std::shared_ptr<AudioOutput> mClickOutput;
    VoicePtr<BufferVoice> mClickVoice;
};

} // namespace Zorbel
