#include "framework/app/AudioControl.h"
#include "framework/sound/MusicInterface.h"
#include "framework/sound/SoundManager.h"

#include <gtest/gtest.h>

using namespace Zorbel;

TEST(AudioControlTest, StoredValuesWaitForTheNextVolumeChangeAndOnlyThePlayersMutesAreKept) {
    AudioControl audio;
    audio.SetSoundManager(AudioControl::MakeSoundManager({}, false));
    audio.SetMusicPlayer(AudioControl::MakeMusicPlayer(0, true, false));
    audio.SetMusicVolume(0.5);
    audio.SetSfxVolume(0.25);

    // Values from the settings are only noted; the players hear of them with the next change.
    audio.RestoreMusicVolume(0.9);
    audio.RestoreMuteCount(1);
    EXPECT_DOUBLE_EQ(audio.GetMusicLevel(), 0.5);
    audio.SetMusicVolume(audio.GetMusicVolume());
    EXPECT_DOUBLE_EQ(audio.GetMusicLevel(), 0.0) << "muted by the stored count";

    // Focus loss mutes on top; only the player's own mute counts for the settings.
    audio.Mute(true);
    EXPECT_EQ(audio.GetMuteCount(), 2);
    EXPECT_TRUE(audio.IsMutedByPlayer());
    audio.Unmute(false);
    EXPECT_TRUE(audio.IsMuted());
    EXPECT_FALSE(audio.IsMutedByPlayer());
    audio.Unmute(true);
    EXPECT_DOUBLE_EQ(audio.GetMusicLevel(), 0.9);
    EXPECT_DOUBLE_EQ(static_cast<DSoundManager*>(audio.GetSoundManager())->GetMasterLevel(), 0.25);

    // Hiding silences the music but keeps its volume for later.
    audio.SilenceMusic();
    EXPECT_DOUBLE_EQ(audio.GetMusicLevel(), 0.0);
    EXPECT_DOUBLE_EQ(audio.GetMusicVolume(), 0.9);
    audio.ReleasePlayers();
    EXPECT_EQ(audio.GetMusicPlayer(), nullptr);
    audio.PlaySample(3, 0);
    EXPECT_DOUBLE_EQ(audio.GetMasterVolume(), 0.0);
}
