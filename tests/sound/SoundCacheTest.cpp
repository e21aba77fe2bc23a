#include "framework/sound/SoundCache.h"

#include "framework/platform/audio/HeadlessAudioSink.h"
#include "framework/platform/files/FileTime.h"
#include "framework/sound/DSoundManager.h"
#include "support/SoundTestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>
#include <utime.h>

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

class SoundCacheTest : public ::testing::Test {
protected:
    std::unique_ptr<DSoundManager> MakeManager(bool useFmod = false) {
        SoundServices services;
        services.output = AudioOutput::Open(std::make_unique<HeadlessAudioSink>());
        return std::make_unique<DSoundManager>(std::move(services), useFmod);
    }

    static void SetModificationTime(const std::string& path, time_t seconds) {
        utimbuf times{seconds, seconds};
        ASSERT_EQ(utime(path.c_str(), &times), 0);
    }

    static uint32_t Le32(const std::string& bytes, size_t at) {
        uint32_t value = 0;
        std::memcpy(&value, bytes.data() + at, 4);
        return value;
    }
    static uint16_t Le16(const std::string& bytes, size_t at) {
        uint16_t value = 0;
        std::memcpy(&value, bytes.data() + at, 2);
        return value;
    }

    SoundFolder folder;
};

} // namespace

TEST_F(SoundCacheTest, AnOggSoundIsCachedReadFromTheCacheAndRefreshedWhenItsSourceChanges) {
    MakeEncodedTone("ogg", "sounds/click.ogg", 440, 0.25, 1, 22050);
    SetModificationTime("sounds/click.ogg", 1000000000);
    auto manager = MakeManager();
    int32_t id = manager->LoadSoundByName("sounds/click");
    ASSERT_EQ(id, 255);
    uint32_t length = manager->GetSoundLength(id);
    EXPECT_EQ(length, 2u * 5512);

    // The cache file: RIFF, a format chunk, the dependency, then the samples as the buffer holds them.
    std::string cache = ReadFile("cached/sounds/click.wav");
    const std::string source = "sounds/click.ogg";
    const size_t n = source.size();
    ASSERT_EQ(cache.size(), 62 + n + length);
    EXPECT_EQ(cache.substr(0, 4), "RIFF");
    EXPECT_EQ(Le32(cache, 4), length + 36);
    EXPECT_EQ(cache.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Le32(cache, 16), 16u);
    EXPECT_EQ(Le16(cache, 20), 1);
    EXPECT_EQ(Le16(cache, 22), 1);
    EXPECT_EQ(Le32(cache, 24), 22050u);
    EXPECT_EQ(Le32(cache, 28), 44100u);
    EXPECT_EQ(Le16(cache, 32), 2);
    EXPECT_EQ(Le16(cache, 34), 16);
    EXPECT_EQ(cache.substr(36, 4), "dep ");
    EXPECT_EQ(Le32(cache, 40), n + 10);
    EXPECT_EQ(Le16(cache, 44), n);
    EXPECT_EQ(cache.substr(46, n), source);
    // 10^9 seconds after 1970, in 100 ns units since 1601.
    uint64_t fileTime = 0;
    std::memcpy(&fileTime, cache.data() + 46 + n, 8);
    EXPECT_EQ(fileTime, (1000000000ull + 11644473600ull) * 10000000ull);
    EXPECT_EQ(cache.substr(54 + n, 4), "data");
    EXPECT_EQ(Le32(cache, 58 + n), length);
    EXPECT_EQ(std::memcmp(cache.data() + 62 + n, manager->GetBuffer(id)->Data(), length), 0);
    // Written through a temporary file that is gone again.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("cached/sounds"), {}), 1);

    // The next run reads the cache: a source spoilt in place, with its time kept, is never decoded.
    std::string original = ReadFile("sounds/click.ogg");
    WriteFile("sounds/click.ogg", std::string(original.size(), 'x'));
    SetModificationTime("sounds/click.ogg", 1000000000);
    auto next = MakeManager();
    ASSERT_EQ(next->LoadSoundByName("sounds/click"), 255);
    EXPECT_EQ(next->GetSoundLength(255), length);

    // Once the source's time changes the cache is stale: a new source is decoded and cached again.
    MakeEncodedTone("ogg", "sounds/click.ogg", 440, 0.5, 1, 22050);
    SetModificationTime("sounds/click.ogg", 1000000100);
    auto third = MakeManager();
    ASSERT_EQ(third->LoadSoundByName("sounds/click"), 255);
    EXPECT_EQ(third->GetSoundLength(255), 2u * 11025);
    cache = ReadFile("cached/sounds/click.wav");
    std::memcpy(&fileTime, cache.data() + 46 + n, 8);
    EXPECT_EQ(fileTime, (1000000100ull + 11644473600ull) * 10000000ull);

    // A damaged cache is refused and written anew.
    WriteFile("cached/sounds/click.wav", cache.substr(0, 70));
    ASSERT_EQ(MakeManager()->LoadSoundByName("sounds/click"), 255);
    EXPECT_EQ(ReadFile("cached/sounds/click.wav"), cache);
}

TEST_F(SoundCacheTest, OnlyRelativeNamesOfConvertedSoundsAreCached) {
    WriteFile("sounds/beep.au", AuFile(1, 8000, 1, std::string(800, '\x90')));
    WriteFile("sounds/plain.wav", PcmWav(std::vector<int16_t>(100, 5), 1, 8000));
    auto manager = MakeManager();
    EXPECT_GE(manager->LoadSoundByName(folder.path + "/sounds/beep"), 0);
    EXPECT_FALSE(std::filesystem::exists("cached"));
    // A drive letter makes a name absolute too (and there is no such file here).
    EXPECT_EQ(manager->LoadSoundByName("C:/sounds/beep"), -1);
    EXPECT_FALSE(std::filesystem::exists("cached"));
    // Short names are never cached either.
    WriteFile("ab.au", AuFile(1, 8000, 1, "\x90\x90"));
    EXPECT_GE(manager->LoadSoundByName("ab"), 0);
    EXPECT_FALSE(std::filesystem::exists("cached"));

    // WAV sources are read as they are; the cache folder is made, but nothing written into it.
    EXPECT_GE(manager->LoadSoundByName("sounds/plain"), 0);
    EXPECT_TRUE(std::filesystem::is_directory("cached/sounds"));
    EXPECT_FALSE(std::filesystem::exists("cached/sounds/plain.wav"));

    // A name written with Windows separators finds the same files and cache.
    EXPECT_GE(manager->LoadSoundByName("sounds\\beep"), 0);
    EXPECT_TRUE(std::filesystem::exists("cached/sounds/beep.wav"));
    EXPECT_EQ(manager->GetBuffer(manager->LoadSoundByName("sounds\\beep"))->Format(),
              (PcmFormat{1, 8000, 16}));
}

TEST_F(SoundCacheTest, Mp3SoundsLoadOnlyWithTheUseFmodSwitch) {
    MakeEncodedTone("mp3", "music.mp3", 440, 0.2, 1, 44100);
    EXPECT_EQ(MakeManager(false)->LoadSoundByName("music"), -1);
    auto manager = MakeManager(true);
    int32_t id = manager->LoadSoundByName("music");
    ASSERT_EQ(id, 255);
    EXPECT_EQ(manager->GetBuffer(id)->Format(), (PcmFormat{1, 44100, 16}));
    std::string cache = ReadFile("cached/music.wav");
    EXPECT_EQ(cache.substr(46, 9), "music.mp3");
}
