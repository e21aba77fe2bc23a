// The default music player's calls into its library, seen through a recording library over our own:
// the level and fade arithmetic, the old and new argument lists, and the messages of a missing library.
#include "framework/sound/BassMusicInterface.h"
#include "support/MusicTestFiles.h"
#include "support/RecordingMusicLibrary.h"

#include <gtest/gtest.h>

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

class BassMusicInterfaceTest : public ::testing::Test, public RecordedMusic {
protected:
    BassMusicInterfaceTest() {
        WriteFile("tone.wav", PcmWav(ConstantSamples(1000, 44100), 1, 44100));
        WriteFile("other.wav", PcmWav(ConstantSamples(1000, 4410), 1, 44100));
        WriteFile("tiny.mod", TinyMod({428, 214}));
    }

    SoundFolder folder;
};

} // namespace

TEST_F(BassMusicInterfaceTest, TheLibraryStartsWithThePlayerAndStopsWithIt) {
    {
        BassMusicInterface player(7, Services());
        EXPECT_EQ(Calls(),
                  (CallLog{"BASS_Init(1,44100,0,7,null)", "BASS_SetConfig(0,2000)", "BASS_Start()"}));
        // Whole percentages, truncated: 0.57 × 100 is 56.99… and gives 56.
        player.SetMusicLevel(0.57);
        EXPECT_EQ(Calls(), (CallLog{"BASS_SetConfig(6,56)", "BASS_SetConfig(5,56)"}));
    }
    EXPECT_EQ(Calls(), (CallLog{"BASS_Stop()", "BASS_Free()"}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(BassMusicInterfaceTest, WithoutTheConfigurationFunctionTheOldArgumentListsAreUsed) {
    BassMusicInterface player(7, Services({"BASS_SetConfig"}));
    EXPECT_EQ(Calls(), (CallLog{"BASS_Init(-1,44100,0,7,null)", "BASS_Start()"}));
    EXPECT_TRUE(player.LoadSong(1, "tiny.mod"));
    EXPECT_EQ(Calls(), (CallLog{"BASS_MusicLoad(0,ptr,0,0,4,0)"}));
    player.PlaySong(1, 1, false);
    uint32_t module = player.FindSong(1)->moduleHandle;
    std::string h = std::to_string(module);
    EXPECT_EQ(Calls(), (CallLog{"BASS_ChannelSetAttributes(" + h + ",-1,100,-101)",
                                "BASS_ChannelStop(" + h + ")", "BASS_MusicPlayEx(" + h + ",1,4,1)"}));
    player.SetMusicLevel(0.55);
    EXPECT_EQ(Calls(), (CallLog{"BASS_SetGlobalVolumes(22,22,22)"}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(BassMusicInterfaceTest, AMissingLibraryOrFunctionIsReportedAndThePlayerStaysSilent) {
    {
        BassMusicInterface player(0, Services({}, true));
        EXPECT_FALSE(player.LoadSong(1, "tone.wav"));
        player.PlaySong(1, 0, false);
        player.SetMusicLevel(0.5);
        player.UpdateFades();
    }
    { BassMusicInterface player(0, Services({"BASS_Init", "BASS_StreamPlay"})); }
    { BassMusicInterface player(0, Services({"BASS_SetGlobalVolumes", "BASS_SetVolume"})); }
    // One of the two volume functions is enough.
    { BassMusicInterface player(0, Services({"BASS_SetVolume"})); }
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "Can't find bass.dll.", "BASS_Init function not found in bass.dll",
                            "Neither BASS_SetGlobalVolumes or BASS_SetVolume found in bass.dll"}));
}

TEST_F(BassMusicInterfaceTest, TheLowerCasedExtensionTellsStreamsFromModules) {
    BassMusicInterface player(0, Services());
    Calls();
    // Neither file exists: the loads fail and leave the table as it was.
    EXPECT_FALSE(player.LoadSong(1, "theme.MP3"));
    EXPECT_FALSE(player.LoadSong(2, "theme.it"));
    EXPECT_EQ(Calls(), (CallLog{"BASS_StreamCreateFile(0,ptr,0,0,0)", "BASS_MusicLoad(0,ptr,0,0,516,0)"}));
    EXPECT_EQ(player.FindSong(1), nullptr);
    EXPECT_EQ(player.FindSong(2), nullptr);

    ASSERT_TRUE(player.LoadSong(3, "tone.wav"));
    ASSERT_TRUE(player.LoadSong(4, "tiny.mod"));
    EXPECT_NE(player.FindSong(3)->streamHandle, 0u);
    EXPECT_NE(player.FindSong(4)->moduleHandle, 0u);
    // An id in use keeps its song; the stream just opened is freed.
    uint32_t kept = player.FindSong(3)->streamHandle;
    Calls();
    ASSERT_TRUE(player.LoadSong(3, "other.wav"));
    EXPECT_EQ(player.FindSong(3)->streamHandle, kept);
    CallLog calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].rfind("BASS_StreamFree(", 0), 0u);
    EXPECT_EQ(calls[1], "BASS_StreamFree(" + std::to_string(kept + 2) + ")");
}

TEST_F(BassMusicInterfaceTest, FadesStepByTheirSpeedUpToTheMaxAndAreAppliedAsTruncatedPercentages) {
    BassMusicInterface player(0, Services());
    ASSERT_TRUE(player.LoadSong(1, "tone.wav"));
    std::string h = std::to_string(player.FindSong(1)->streamHandle);
    Calls();
    player.FadeSongIn(1, 0, 0.25, false);
    EXPECT_EQ(Calls(),
              (CallLog{"BASS_ChannelStop(" + h + ")", "BASS_ChannelSetAttributes(" + h + ",-1,0,-101)",
                       "BASS_StreamPlay(" + h + ",1,4)"}));
    for (int volume : {25, 50, 75, 100}) {
        player.UpdateFades();
        EXPECT_EQ(Calls(),
                  CallLog{"BASS_ChannelSetAttributes(" + h + ",-1," + std::to_string(volume) + ",-101)"});
    }
    // The level stays at the max; the step that would pass it ends the fade.
    player.UpdateFades();
    EXPECT_EQ(Calls(), CallLog{"BASS_ChannelSetAttributes(" + h + ",-1,100,-101)"});
    player.UpdateFades();
    EXPECT_TRUE(Calls().empty()) << "the fade is over at the max";
    EXPECT_DOUBLE_EQ(player.FindSong(1)->level, 1.0);

    // Speed 0.01 from silence: the sums fall just short of whole percentages now and then.
    player.StopSong(1);
    player.FadeSongIn(1, -1, 0.01, false);
    Calls();
    std::vector<int> volumes;
    for (int step = 0; step < 16; ++step) {
        player.UpdateFades();
        CallLog calls = Calls();
        ASSERT_EQ(calls.size(), 1u);
        volumes.push_back(std::stoi(calls[0].substr(calls[0].find(",-1,") + 4)));
    }
    EXPECT_EQ(volumes, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 11, 12, 13, 15, 16}));
}

TEST_F(BassMusicInterfaceTest, FadingOutStopsWhenSilentOnlyIfAskedAndSkipsSilentSongs) {
    BassMusicInterface player(0, Services());
    ASSERT_TRUE(player.LoadSong(1, "tone.wav"));
    ASSERT_TRUE(player.LoadSong(2, "tiny.mod"));
    std::string h = std::to_string(player.FindSong(1)->streamHandle);

    // Song 2 is silent: a fade-out of it changes nothing, while fading all out reaches it too.
    player.FadeSongOut(2, true, 0.1);
    EXPECT_EQ(player.FindSong(2)->fadeStep, 0.0);
    player.FadeAllSongsOut(false, 0.3);
    EXPECT_EQ(player.FindSong(1)->fadeStep, -0.3);
    EXPECT_EQ(player.FindSong(2)->fadeStep, -0.3);

    player.PlaySong(1, 0, false);
    player.FadeSongOut(1, true, 0.25);
    Calls();
    for (int step = 0; step < 4; ++step)
        player.UpdateFades();
    EXPECT_TRUE(player.IsSongPlaying(1)) << "at level 0 the song still plays";
    Calls();
    player.UpdateFades();
    CallLog calls = Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0], "BASS_ChannelStop(" + h + ")");
    EXPECT_EQ(calls[1], "BASS_ChannelSetAttributes(" + h + ",-1,0,-101)");
    EXPECT_FALSE(player.IsSongPlaying(1));

    player.PlaySong(1, 0, false);
    player.FadeSongOut(1, false, 0.5);
    for (int step = 0; step < 5; ++step)
        player.UpdateFades();
    EXPECT_EQ(player.FindSong(1)->level, 0.0);
    EXPECT_TRUE(player.IsSongPlaying(1)) << "without the flag the song plays on at level 0";
}

TEST_F(BassMusicInterfaceTest, LevelsMaxLevelsOffsetsAndAmplificationReachTheLibraryAtOnce) {
    BassMusicInterface player(0, Services());
    ASSERT_TRUE(player.LoadSong(1, "tone.wav"));
    ASSERT_TRUE(player.LoadSong(2, "tiny.mod"));
    std::string s = std::to_string(player.FindSong(1)->streamHandle);
    std::string m = std::to_string(player.FindSong(2)->moduleHandle);
    Calls();
    player.SetSongLevel(1, 0.8);
    player.SetSongMaxLevel(1, 0.5);
    EXPECT_EQ(player.FindSong(1)->level, 0.5);
    player.PlaySong(1, 4000, true);
    player.PlaySong(2, 1, true);
    player.SetSongAmplify(2, 0.75);
    player.PauseSong(2);
    EXPECT_FALSE(player.IsSongPlaying(2));
    player.ResumeSong(2);
    EXPECT_TRUE(player.IsSongPlaying(2));
    EXPECT_EQ(Calls(),
              (CallLog{"BASS_ChannelSetAttributes(" + s + ",-1,80,-101)",
                       "BASS_ChannelSetAttributes(" + s + ",-1,50,-101)",
                       "BASS_ChannelSetAttributes(" + s + ",-1,50,-101)", "BASS_ChannelStop(" + s + ")",
                       "BASS_StreamPlay(" + s + ",1,0)", "BASS_ChannelSetPosition(" + s + ",4000)",
                       "BASS_ChannelSetAttributes(" + m + ",-1,100,-101)", "BASS_ChannelStop(" + m + ")",
                       "BASS_MusicPlayEx(" + m + ",1,512,1)", "BASS_MusicSetAmplify(" + m + ",75)",
                       "BASS_ChannelPause(" + m + ")", "BASS_ChannelIsActive(" + m + ")",
                       "BASS_ChannelResume(" + m + ")", "BASS_ChannelIsActive(" + m + ")"}));

    // Unknown ids do nothing; unloading frees the song and forgets it.
    player.PlaySong(9, 0, false);
    EXPECT_FALSE(player.IsSongPlaying(9));
    EXPECT_TRUE(Calls().empty());
    player.UnloadSong(1);
    EXPECT_EQ(Calls(), (CallLog{"BASS_ChannelStop(" + s + ")", "BASS_StreamFree(" + s + ")"}));
    EXPECT_EQ(player.FindSong(1), nullptr);
    player.UnloadAllSongs();
    EXPECT_EQ(Calls(), (CallLog{"BASS_ChannelStop(" + m + ")", "BASS_MusicFree(" + m + ")"}));
    EXPECT_EQ(player.FindSong(2), nullptr);
}
