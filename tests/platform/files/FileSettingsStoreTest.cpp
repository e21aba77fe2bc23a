#include "framework/platform/files/FileSettingsStore.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace Zorbel;

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        mRoot = std::filesystem::temp_directory_path() /
                ("zorbel-settings-" + std::to_string(getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(mRoot);
    }
    void TearDown() override { std::filesystem::remove_all(mRoot); }

    std::filesystem::path mRoot;
    const std::string mKey = "SOFTWARE\\Bramblewick\\Tesserine";
};

uint32_t ReadDword(SettingsStore& store, const std::string& key, const std::string& name) {
    uint32_t type = 0;
    std::vector<uint8_t> data;
    if (!store.Read(key, name, type, data) || type != SettingsStore::TYPE_DWORD || data.size() != 4)
        return 0xDEAD;
    uint32_t value;
    std::memcpy(&value, data.data(), 4);
    return value;
}

} // namespace

TEST_F(SettingsStoreTest, ValuesKeepTheirTypeAndBytesAndSubKeysAreFolders) {
    FileSettingsStore store(mRoot.string());
    uint32_t volume = 85;
    const char text[] = "12:30 = fine";
    const uint8_t blob[] = {0, 255, '%', '\n', '=', 7};
    ASSERT_TRUE(store.Write(mKey, "MusicVolume", SettingsStore::TYPE_DWORD, &volume, 4));
    ASSERT_TRUE(store.Write(mKey, "DemoJumpTime", SettingsStore::TYPE_STRING, text, sizeof text - 1));
    ASSERT_TRUE(
        store.Write(mKey + "\\Test3D", "Odd name = %", SettingsStore::TYPE_BINARY, blob, sizeof blob));
    EXPECT_TRUE(std::filesystem::exists(mRoot / "Bramblewick" / "Tesserine" / "settings.ini"));
    EXPECT_TRUE(std::filesystem::exists(mRoot / "Bramblewick" / "Tesserine" / "Test3D" / "settings.ini"));

    FileSettingsStore reopened(mRoot.string());
    EXPECT_EQ(ReadDword(reopened, mKey, "MusicVolume"), 85u);
    uint32_t type = 0;
    std::vector<uint8_t> data;
    ASSERT_TRUE(reopened.Read(mKey, "DemoJumpTime", type, data));
    EXPECT_EQ(type, SettingsStore::TYPE_STRING);
    EXPECT_EQ(std::string(data.begin(), data.end()), "12:30 = fine");
    ASSERT_TRUE(reopened.Read(mKey + "\\Test3D", "Odd name = %", type, data));
    EXPECT_EQ(type, SettingsStore::TYPE_BINARY);
    EXPECT_EQ(data, std::vector<uint8_t>(blob, blob + sizeof blob));
    EXPECT_FALSE(reopened.Read(mKey, "Test3D", type, data)) << "a sub-key is no value";
    EXPECT_FALSE(reopened.Read(mKey + "\\Missing", "MusicVolume", type, data));
}

TEST_F(SettingsStoreTest, EraseRemovesOneValue) {
    FileSettingsStore store(mRoot.string());
    uint32_t one = 1, two = 2;
    ASSERT_TRUE(store.Write(mKey, "Is3D", SettingsStore::TYPE_DWORD, &one, 4));
    ASSERT_TRUE(store.Write(mKey, "Muted", SettingsStore::TYPE_DWORD, &two, 4));
    store.Erase(mKey, "Is3D");
    store.Erase(mKey, "NeverThere");
    EXPECT_EQ(ReadDword(store, mKey, "Is3D"), 0xDEADu);
    EXPECT_EQ(ReadDword(store, mKey, "Muted"), 2u);
}

TEST_F(SettingsStoreTest, KeyPathsCannotLeaveTheRoot) {
    FileSettingsStore store(mRoot.string());
    uint32_t value = 1;
    EXPECT_FALSE(store.Write("SOFTWARE\\..\\..\\etc", "x", SettingsStore::TYPE_DWORD, &value, 4));
    EXPECT_FALSE(store.Write("SOFTWARE\\a/../../b", "x", SettingsStore::TYPE_DWORD, &value, 4));
    EXPECT_FALSE(store.Write("SOFTWARE\\", "x", SettingsStore::TYPE_DWORD, &value, 4));
    EXPECT_FALSE(store.Write("HARDWARE\\Bramblewick", "x", SettingsStore::TYPE_DWORD, &value, 4));
    EXPECT_FALSE(std::filesystem::exists(mRoot.parent_path() / "etc" / "settings.ini"));
}

TEST_F(SettingsStoreTest, DamagedFilesReadAsMissingValuesAndAreReplacedCleanly) {
    FileSettingsStore store(mRoot.string());
    uint32_t value = 77;
    ASSERT_TRUE(store.Write(mKey, "PreferredX", SettingsStore::TYPE_DWORD, &value, 4));
    std::filesystem::path file = mRoot / "Bramblewick" / "Tesserine" / "settings.ini";
    {
        std::ofstream out(file, std::ios::binary | std::ios::app);
        out << "garbage line without structure\n"
            << "PreferredY = 4:%Z1%00\n" // bad escape
            << "Trunc = 4:%0";           // cut in the middle of an escape
        out.write("\0\xff\x01", 3);
    }
    EXPECT_EQ(ReadDword(store, mKey, "PreferredX"), 77u) << "good lines survive";
    EXPECT_EQ(ReadDword(store, mKey, "PreferredY"), 0xDEADu);
    EXPECT_EQ(ReadDword(store, mKey, "Trunc"), 0xDEADu);

    // Pure garbage reads as empty; the next write replaces it with a clean file.
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        for (int i = 0; i < 4096; ++i)
            out.put(static_cast<char>((i * 131) & 0xFF));
    }
    EXPECT_EQ(ReadDword(store, mKey, "PreferredX"), 0xDEADu);
    ASSERT_TRUE(store.Write(mKey, "PreferredX", SettingsStore::TYPE_DWORD, &value, 4));
    EXPECT_EQ(ReadDword(store, mKey, "PreferredX"), 77u);
    std::ifstream in(file);
    std::string firstLine;
    std::getline(in, firstLine);
    EXPECT_EQ(firstLine.rfind("# Zorbel settings", 0), 0u);
}

TEST_F(SettingsStoreTest, KillingAWriterNeverLeavesAHalfWrittenFile) {
    const std::string big(200000, 'x');
    for (int round = 0; round < 6; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            FileSettingsStore store(mRoot.string());
            for (int i = 0;; ++i) {
                std::string value(big.size(), static_cast<char>('a' + i % 2));
                (void)store.Write(mKey, "Big", SettingsStore::TYPE_STRING, value.data(), value.size());
            }
        }
        usleep(static_cast<useconds_t>(20000 + round * 17000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);

        FileSettingsStore store(mRoot.string());
        uint32_t type = 0;
        std::vector<uint8_t> data;
        if (!store.Read(mKey, "Big", type, data)) continue; // killed before the first write finished
        ASSERT_EQ(data.size(), big.size()) << "round " << round;
        EXPECT_TRUE(std::all_of(data.begin(), data.end(), [&](uint8_t b) { return b == data[0]; }));
    }
}
