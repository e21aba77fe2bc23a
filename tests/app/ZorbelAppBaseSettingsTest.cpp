#include "app/AppHarness.h"

#include "framework/app/ErrorLog.h"
#include "framework/sound/MusicInterface.h"
#include "support/IoCount.h"
#include "support/WholeFile.h"

#include <csignal>
#include <fstream>
#include <random>
#include <sys/wait.h>

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

class SettingsTest : public AppFixture {};

const char* const StandardValues[] = {"MusicVolume",   "SfxVolume",  "Muted",
                                      "ScreenMode",    "PreferredX", "PreferredY",
                                      "CustomCursors", "InProgress", "WaitForVSync"};

} // namespace

TEST_F(SettingsTest, AFirstStartUsesTheDefaultsAndCreatesTheKeyAtTheEnd) {
    ASSERT_FALSE(std::filesystem::exists(SettingsFile()));
    TestApp& a = StartApp();
    EXPECT_DOUBLE_EQ(a.GetMusicVolume(), 0.85);
    EXPECT_DOUBLE_EQ(a.GetSfxVolume(), 0.85);
    EXPECT_TRUE(a.IsWindowed());
    EXPECT_EQ(a.GetScreenModes().GetPreferredX(), -1);
    EXPECT_TRUE(a.LastRunClean());
    // The run is marked as under way at once.
    EXPECT_EQ(StoredInteger("InProgress"), 1);

    a.Shutdown();
    EXPECT_EQ(StoredInteger("MusicVolume"), 85);
    EXPECT_EQ(StoredInteger("SfxVolume"), 85);
    EXPECT_EQ(StoredInteger("Muted"), 0);
    EXPECT_EQ(StoredInteger("ScreenMode"), 0);
    EXPECT_EQ(StoredInteger("PreferredX"), -1);
    EXPECT_EQ(StoredInteger("PreferredY"), -1);
    EXPECT_EQ(StoredInteger("CustomCursors"), 0);
    EXPECT_EQ(StoredInteger("InProgress"), 0);
    EXPECT_EQ(StoredInteger("WaitForVSync"), 0);
}

TEST_F(SettingsTest, StoredValuesAreReadBack) {
    StoreInteger("MusicVolume", 100);
    StoreInteger("SfxVolume", 85);
    StoreInteger("ScreenMode", 1);
    StoreInteger("PreferredX", 30);
    StoreInteger("PreferredY", 40);
    StoreInteger("CustomCursors", 1);
    StoreInteger("WaitForVSync", 1);
    TestApp& a = StartApp();
    EXPECT_DOUBLE_EQ(a.GetMusicVolume(), 1.0);
    EXPECT_DOUBLE_EQ(a.GetSfxVolume(), 0.85);
    EXPECT_FALSE(a.IsWindowed());
    EXPECT_EQ(a.GetScreenModes().GetPreferredX(), 30);
    EXPECT_EQ(a.GetScreenModes().GetPreferredY(), 40);
    EXPECT_TRUE(a.GetCursorController().GetCustomCursors());
    EXPECT_TRUE(a.GetWaitForVSync());
    a.Shutdown();
    EXPECT_EQ(StoredInteger("MusicVolume"), 100);
    EXPECT_EQ(StoredInteger("SfxVolume"), 85);
    EXPECT_EQ(StoredInteger("ScreenMode"), 1);
}

TEST_F(SettingsTest, VolumesSurviveManyRunsUnchanged) {
    for (int percent = 0; percent <= 100; ++percent) {
        TestApp& a = MakeApp();
        a.SetMusicVolume(percent * 0.01);
        a.SetSfxVolume(percent / 100.0);
        a.ReadSettings();
        a.SetMusicVolume(percent * 0.01);
        a.SetSfxVolume(percent / 100.0);
        a.WriteSettings();
        ASSERT_EQ(StoredInteger("MusicVolume"), percent);
        ASSERT_EQ(StoredInteger("SfxVolume"), percent);
        a.ReadSettings();
        a.WriteSettings();
        ASSERT_EQ(StoredInteger("MusicVolume"), percent);
    }
}

TEST_F(SettingsTest, OnlyThePlayersOwnMuteIsStored) {
    TestApp& a = StartApp();
    a.Mute(true);
    a.Mute(true);
    a.Shutdown();
    EXPECT_EQ(StoredInteger("Muted"), 0);

    TestApp& b = StartApp();
    EXPECT_FALSE(b.IsMuted());
    b.Mute(true);
    b.Mute();
    b.Shutdown();
    EXPECT_EQ(StoredInteger("Muted"), 1);

    TestApp& c = StartApp();
    EXPECT_TRUE(c.IsMuted());
    EXPECT_DOUBLE_EQ(c.GetAudio().GetMusicLevel(), 0.0);
}

TEST_F(SettingsTest, AHardExitLeavesTheRunMarkedAsUnderWay) {
    TestApp& a = StartApp();
    a.HardExit(1);
    EXPECT_EQ(exitCode, 1);
    app.reset();
    EXPECT_EQ(StoredInteger("InProgress"), 1);

    TestApp& b = StartApp();
    EXPECT_FALSE(b.LastRunClean());
    b.Shutdown();
    EXPECT_EQ(StoredInteger("InProgress"), 0);
    EXPECT_TRUE(StartApp().LastRunClean());
}

TEST_F(SettingsTest, ScreenSaverModeReadsTheMarkerButDoesNotSetIt) {
    StoreInteger("InProgress", 1);
    TestApp& a = StartApp("-screensaver");
    EXPECT_FALSE(a.LastRunClean());
    EXPECT_EQ(StoredInteger("InProgress"), 1);

    StoreInteger("InProgress", 0);
    StartApp("-screensaver");
    EXPECT_TRUE(app->LastRunClean());
    EXPECT_EQ(StoredInteger("InProgress"), 0);
}

TEST_F(SettingsTest, ValuesOfAnotherTypeLeaveTheDefaults) {
    ASSERT_TRUE(store.Write("SOFTWARE\\ZorbelTest\\App", "MusicVolume", SettingsStore::TYPE_STRING, "50", 2));
    uint8_t shortValue[2] = {50, 0};
    ASSERT_TRUE(
        store.Write("SOFTWARE\\ZorbelTest\\App", "SfxVolume", SettingsStore::TYPE_DWORD, shortValue, 2));
    TestApp& a = StartApp();
    EXPECT_DOUBLE_EQ(a.GetMusicVolume(), 0.85);
    EXPECT_DOUBLE_EQ(a.GetSfxVolume(), 0.85);
}

TEST_F(SettingsTest, SubKeysStringsAndErasing) {
    TestApp& a = MakeApp();
    EXPECT_TRUE(a.RegistryWriteString("Test3D\\RuntimeError", "no device"));
    uint32_t type = 0;
    std::vector<uint8_t> data;
    ASSERT_TRUE(store.Read("SOFTWARE\\ZorbelTest\\App\\Test3D", "RuntimeError", type, data));
    EXPECT_EQ(type, static_cast<uint32_t>(SettingsStore::TYPE_STRING));
    EXPECT_EQ(std::string(data.begin(), data.end()), "no device");
    std::string text;
    EXPECT_TRUE(a.RegistryReadString("Test3D\\RuntimeError", text));
    EXPECT_EQ(text, "no device");

    // A buffer too small for the value reads as a failure.
    uint8_t small[4];
    uint32_t length = sizeof small;
    EXPECT_FALSE(a.RegistryRead("Test3D\\RuntimeError", type, small, length));

    a.RegistryEraseValue("Test3D\\RuntimeError");
    EXPECT_FALSE(a.RegistryReadString("Test3D\\RuntimeError", text));

    // Without a settings key nothing is read or written.
    a.mSettingsKey.clear();
    EXPECT_FALSE(a.RegistryWriteInteger("Is3D", 1));
    int32_t value = 0;
    EXPECT_FALSE(a.RegistryReadInteger("Is3D", value));
}

TEST_F(SettingsTest, TheStringTableCanNameAnotherKey) {
    TestApp& a = MakeApp();
    a.SetString("RegistryKey", "Elsewhere\\Game");
    a.ReadSettings();
    EXPECT_EQ(a.mSettingsKey, "Elsewhere\\Game");
    EXPECT_TRUE(std::filesystem::exists(configRoot + "/Elsewhere/Game/settings.ini"));
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
}

TEST_F(SettingsTest, DamagedFilesAreSurvivedAndReplacedCleanly) {
    const std::string damaged[] = {
        std::string("\x00\xFF\x13garbage\n=\n%%%\n MusicVolume = 4:%41\n", 34),
        "# Zorbel settings\nMusicVolume = 4:%64%00%00%00\nSfxVolume = 4:%3",
        std::string(5000, '\xA5'),
    };
    for (const std::string& contents : damaged) {
        StartApp().Shutdown();
        {
            std::ofstream file(SettingsFile(), std::ios::binary | std::ios::trunc);
            file << contents;
        }
        TestApp& a = StartApp();
        EXPECT_TRUE(a.GetMusicVolume() == 0.85 || a.GetMusicVolume() == 1.0);
        EXPECT_DOUBLE_EQ(a.GetSfxVolume(), 0.85);
        a.SetSfxVolume(0.4);
        a.Shutdown();
        for (const char* name : StandardValues)
            EXPECT_TRUE(StoredInteger(name).has_value()) << name;
        EXPECT_EQ(StoredInteger("SfxVolume"), 40);
    }
}

TEST_F(SettingsTest, KillingTheProcessDuringWritesNeverLeavesADamagedFile) {
    StartApp().Shutdown();
    app.reset();
    std::mt19937 random(7);
    for (int round = 0; round < 12; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // The child rewrites the settings without end, each time with other values.
            TestApp writer(Platform());
            for (int i = 0;; ++i) {
                writer.SetMusicVolume((i % 101) * 0.01);
                writer.WriteSettings();
            }
        }
        usleep(2000 + random() % 20000);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        for (const char* name : StandardValues)
            ASSERT_TRUE(StoredInteger(name).has_value()) << name << " after round " << round;
        int32_t volume = *StoredInteger("MusicVolume");
        EXPECT_GE(volume, 0);
        EXPECT_LE(volume, 100);
    }
}

TEST_F(SettingsTest, StoredValuesAreHeldToWhatTheProgramWrites) {
    StoreInteger("MusicVolume", 2147483647);
    StoreInteger("SfxVolume", -5);
    StoreInteger("Muted", 7);
    TestApp& a = StartApp();
    EXPECT_DOUBLE_EQ(a.GetMusicVolume(), 1.0);
    EXPECT_DOUBLE_EQ(a.GetSfxVolume(), 0.0);
    EXPECT_TRUE(a.IsMuted());
    a.Unmute();
    EXPECT_FALSE(a.IsMuted()) << "one unmute of the player undoes the stored mute";
    a.Shutdown();
    EXPECT_EQ(StoredInteger("MusicVolume"), 100);
    EXPECT_EQ(StoredInteger("SfxVolume"), 0);

    StoreInteger("Muted", -2147483647 - 1);
    TestApp& b = StartApp();
    EXPECT_FALSE(b.IsMuted());
    b.Mute();
    EXPECT_TRUE(b.IsMuted()) << "a stored count below zero cannot swallow the player's mute";
}

TEST_F(SettingsTest, WriteSettingsReplacesTheFileOnceAndAnUnwritableFileIsToldOnce) {
    const std::string padding(100000, 'p');
    ASSERT_TRUE(store.Write("SOFTWARE\\ZorbelTest\\App", "Padding", SettingsStore::TYPE_STRING,
                            padding.data(), padding.size()));
    TestApp& a = StartApp();
    a.SetMusicVolume(0.3);
    uint64_t before = IoCount("wchar");
    a.WriteSettings();
    EXPECT_LT(IoCount("wchar") - before, 2 * padding.size()) << "nine values, one file written";
    EXPECT_EQ(StoredInteger("MusicVolume"), 30);
    a.Shutdown();

    // A folder where the file should be: every write fails, and the player hears of it once.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path);
    std::filesystem::remove(SettingsFile());
    std::filesystem::create_directory(SettingsFile());
    testing::internal::CaptureStderr();
    TestApp& b = StartApp();
    EXPECT_FALSE(b.RegistryWriteInteger("Is3D", 1));
    b.Shutdown();
    std::string told = testing::internal::GetCapturedStderr();
    std::string logged = ZorbelTest::ReadWholeFile(ErrorLog::DefaultFileName);
    std::filesystem::current_path(previous);
    const std::string message =
        "The settings cannot be saved in " + SettingsFile() + ": it is not a regular file.";
    EXPECT_EQ(told, message + "\n");
    EXPECT_EQ(logged.rfind(message + " ", 0), 0u) << logged;
    EXPECT_EQ(logged.find(message, 1), std::string::npos) << "once";
}
