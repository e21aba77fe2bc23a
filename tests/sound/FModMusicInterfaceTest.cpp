// The sample player's calls into its library, through a recording library over our own: its own
// differences from the default player, the master level, and the sample songs with their WAV cache.
#include "framework/sound/FModMusicInterface.h"
#include "support/MusicTestFiles.h"
#include "support/RecordingMusicLibrary.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

class FModMusicInterfaceTest : public ::testing::Test, public RecordedMusic {
protected:
    FModMusicInterfaceTest() { WriteFile("tiny.mod", TinyMod({428, 214})); }

    SoundFolder folder;
};

} // namespace

TEST_F(FModMusicInterfaceTest, AMissingLibraryOrFunctionIsReportedWithTheDecoratedNameInQuotes) {
    { FModMusicInterface player(0, Services({}, true)); }
    { FModMusicInterface player(0, Services({"_FSOUND_Init@12", "_FMUSIC_IsPlaying@4"})); }
    EXPECT_EQ(messages, (std::vector<std::string>{"Can't find fmod.dll.",
                                                  "\"_FSOUND_Init@12\" function not found in fmod.dll"}));
    FModMusicInterface player(0, Services());
    EXPECT_TRUE(Calls().empty()) << "the player calls nothing to start";
    EXPECT_EQ(player.GetMasterLevel(), 1.0);
}

TEST_F(FModMusicInterfaceTest, ModulesPlayFromAnOrderUnderTheMasterLevel) {
    FModMusicInterface player(0, Services());
    EXPECT_FALSE(player.LoadSong(1, "missing.it"));
    ASSERT_TRUE(player.LoadSong(1, "tiny.mod"));
    std::string m = std::to_string(player.FindSong(1)->moduleHandle);
    Calls();
    player.PlaySong(1, 1, true);
    EXPECT_EQ(Calls(),
              (CallLog{"_FMUSIC_SetMasterVolume@8(" + m + ",100)", "_FMUSIC_SetLooping@8(" + m + ",1)",
                       "_FMUSIC_PlaySong@4(" + m + ")", "_FMUSIC_SetOrder@8(" + m + ",1)"}));
    EXPECT_TRUE(player.IsSongPlaying(1));
    // The master level scales every song at once: 0.29 × 100 × 0.5 is 14.499….
    player.SetSongLevel(1, 0.29);
    player.SetMusicLevel(0.5);
    Calls();
    player.SetMusicLevel(0.5);
    EXPECT_EQ(Calls(), CallLog{"_FMUSIC_SetMasterVolume@8(" + m + ",14)"});

    // Unlike the default player: a fade-out of a silent song still sets its step, and unloading, the
    // max level and amplification do nothing.
    player.StopSong(1);
    EXPECT_FALSE(player.IsSongPlaying(1));
    player.FadeSongOut(1, true, 0.2);
    EXPECT_EQ(player.FindSong(1)->fadeStep, -0.2);
    Calls();
    player.SetSongMaxLevel(1, 0.1);
    player.SetSongAmplify(1, 0.5);
    player.UnloadSong(1);
    player.UnloadAllSongs();
    player.PauseAllSongs();
    player.ResumeAllSongs();
    EXPECT_TRUE(Calls().empty());
    EXPECT_NE(player.FindSong(1), nullptr);
    EXPECT_EQ(player.FindSong(1)->maxLevel, 1.0);

    // A fade-in at 0.25 reaches the max in four updates and then holds.
    player.FadeSongIn(1, -1, 0.25, false);
    for (int step = 0; step < 4; ++step)
        player.UpdateFades();
    EXPECT_EQ(player.FindSong(1)->level, 1.0);
    player.UpdateFades();
    EXPECT_EQ(player.FindSong(1)->level, 1.0);
    EXPECT_EQ(player.FindSong(1)->fadeStep, 0.0);
}

TEST_F(FModMusicInterfaceTest, ASampleSongIsDecodedOnceAndCachedAsAPlainWavBesideItsSource) {
    std::filesystem::create_directories("music");
    MakeEncodedTone("ogg", "music/theme.ogg", 440, 0.5, 1, 22050);
    {
        FModMusicInterface player(0, Services());
        ASSERT_TRUE(player.LoadSampleSong(1, "music/theme", true));
        CallLog calls = Calls();
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(calls[0], "_FSOUND_Sample_Load@16(-1,music/cached_theme.wav,0,0)");
        EXPECT_EQ(calls[1], "_FSOUND_Sample_Load@16(-1,music/theme.ogg,0,0)");
        player.PlaySong(1, 0, false);
        EXPECT_EQ(Calls(),
                  (CallLog{"_FSOUND_PlaySound@8(0," + std::to_string(player.FindSong(1)->streamHandle) + ")",
                           "_FSOUND_SetLoopMode@8(0,2)", "_FSOUND_SetVolume@8(0,100)"}));
        EXPECT_TRUE(player.IsSongPlaying(1));
    }
    std::string cache = ReadFile("music/cached_theme.wav");
    ASSERT_GT(cache.size(), 44u);
    uint32_t length = static_cast<uint32_t>(cache.size() - 44);
    std::string header;
    header += "RIFF";
    PutLe(header, length + 36, 4);
    header += "WAVEfmt ";
    PutLe(header, 16, 4);
    PutLe(header, 1, 2);
    PutLe(header, 1, 2);
    PutLe(header, 22050, 4);
    PutLe(header, 44100, 4);
    PutLe(header, 2, 2);
    PutLe(header, 16, 2);
    header += "data";
    PutLe(header, length, 4);
    EXPECT_EQ(cache.substr(0, 44), header);
    EXPECT_EQ(length, 11025u * 2);

    // Later loads take the cache, even without the source.
    std::filesystem::remove("music/theme.ogg");
    FModMusicInterface player(0, Services());
    Calls();
    ASSERT_TRUE(player.LoadSampleSong(1, "music/theme", false));
    EXPECT_EQ(Calls(), CallLog{"_FSOUND_Sample_Load@16(-1,music/cached_theme.wav,0,0)"});
    EXPECT_FALSE(player.LoadSampleSong(2, "music/none", false));
    EXPECT_EQ(player.FindSong(2), nullptr);
}

TEST_F(FModMusicInterfaceTest, AJoinedSampleNeedsTwoPartsOfOneRateAndLoopsFromTheIntrosEnd) {
    WriteFile("cached_intro.wav", PcmWav(ConstantSamples(100, 300), 1, 22050));
    WriteFile("cached_loop.wav", PcmWav(ConstantSamples(200, 200), 1, 22050));
    WriteFile("cached_fast.wav", PcmWav(ConstantSamples(200, 200), 1, 44100));
    FModMusicInterface player(0, Services());
    EXPECT_FALSE(player.LoadJoinedSample(1, "intro", "fast", true));
    EXPECT_FALSE(player.LoadJoinedSample(1, "intro", "none", true));
    EXPECT_EQ(player.FindSong(1), nullptr);
    Calls();
    ASSERT_TRUE(player.LoadJoinedSample(1, "intro", "loop", true));
    CallLog calls = Calls();
    std::string joined = std::to_string(player.FindSong(1)->streamHandle);
    EXPECT_NE(std::find(calls.begin(), calls.end(), "_FSOUND_Sample_Alloc@28(-1,500,51,22050,255,128,0)"),
              calls.end());
    EXPECT_EQ(calls.back(), "_FSOUND_Sample_SetLoopPoints@12(" + joined + ",300,200)");
    EXPECT_TRUE(player.FindSong(1)->loop);
}
