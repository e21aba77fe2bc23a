#include "framework/app/AppSettings.h"
#include "framework/app/DemoSession.h"
#include "framework/platform/SettingsStore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace Zorbel;

namespace {

// A store in memory that notes every access, in order.
class NotingStore : public SettingsStore {
public:
    bool Write(const std::string& keyPath, const std::string& valueName, uint32_t type, const void* data,
               size_t length) override {
        log.push_back("write " + valueName);
        const auto* bytes = static_cast<const uint8_t*>(data);
        values[keyPath + "|" + valueName] = {type, std::vector<uint8_t>(bytes, bytes + length)};
        return true;
    }
    bool Read(const std::string& keyPath, const std::string& valueName, uint32_t& type,
              std::vector<uint8_t>& data) override {
        log.push_back("read " + valueName);
        auto found = values.find(keyPath + "|" + valueName);
        if (found == values.end()) return false;
        type = found->second.first;
        data = found->second.second;
        return true;
    }
    void Erase(const std::string& keyPath, const std::string& valueName) override {
        values.erase(keyPath + "|" + valueName);
    }

    std::map<std::string, std::pair<uint32_t, std::vector<uint8_t>>> values;
    std::vector<std::string> log;
};

} // namespace

TEST(AppSettingsTest, TheStandardValuesAreWrittenAndReadInTheirOrder) {
    NotingStore store;
    DemoSession demo;
    AppSettings settings(store, demo);
    StandardSettings values;
    values.musicVolume = 57;
    values.preferredY = 40;
    settings.WriteStandard("Bramblewick\\Game", values);
    EXPECT_EQ(store.log,
              (std::vector<std::string>{"write MusicVolume", "write SfxVolume", "write Muted",
                                        "write ScreenMode", "write PreferredX", "write PreferredY",
                                        "write CustomCursors", "write InProgress", "write WaitForVSync"}));
    store.log.clear();
    StoredSettings stored = settings.ReadStandard("Bramblewick\\Game");
    EXPECT_EQ(store.log,
              (std::vector<std::string>{"read MusicVolume", "read SfxVolume", "read Muted", "read ScreenMode",
                                        "read PreferredX", "read PreferredY", "read CustomCursors",
                                        "read WaitForVSync", "read InProgress"}));
    EXPECT_EQ(stored.musicVolume, 57);
    EXPECT_EQ(stored.preferredY, 40);
    EXPECT_EQ(stored.inProgress, 0);
    EXPECT_TRUE(store.values.count("SOFTWARE\\Bramblewick\\Game|WaitForVSync"));
}

TEST(AppSettingsTest, DuringDemoPlaybackTheStoreIsNeitherReadNorChanged) {
    NotingStore store;
    DemoSession demo;
    AppSettings settings(store, demo);
    ASSERT_TRUE(settings.WriteInteger("Game", "Volume", 5));
    store.log.clear();

    ASSERT_TRUE(demo.HandleCommandLineParam("-play", ""));
    int32_t value = 0;
    EXPECT_FALSE(settings.ReadInteger("Game", "Volume", value));
    settings.WriteInteger("Game", "Volume", 7);
    // Once the window was closed, the playback has no recorded results left: writes count as done.
    demo.WindowClosed();
    EXPECT_TRUE(demo.HasPlaybackEnded());
    EXPECT_TRUE(settings.WriteInteger("Game", "Volume", 9));
    EXPECT_FALSE(settings.ReadInteger("Game", "Volume", value));
    EXPECT_TRUE(store.log.empty());
    uint32_t stored = 0;
    std::memcpy(&stored, store.values["SOFTWARE\\Game|Volume"].second.data(), 4);
    EXPECT_EQ(stored, 5u);
}
