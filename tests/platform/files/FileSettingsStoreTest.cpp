#include "framework/platform/files/FileSettingsStore.h"

#include "support/Eventually.h"
#include "support/InChildProcess.h"
#include "support/IoCount.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Zorbel;
using namespace ZorbelTest;

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

    std::filesystem::path File() const { return mRoot / "Bramblewick" / "Tesserine" / "settings.ini"; }

    std::filesystem::path mRoot;
    const std::string mKey = "SOFTWARE\\Bramblewick\\Tesserine";
};

bool WriteDword(SettingsStore& store, const std::string& key, const std::string& name, uint32_t value) {
    return store.Write(key, name, SettingsStore::TYPE_DWORD, &value, 4);
}

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
    store.Erase(mKey + "\\NoSuchKey", "Is3D");
    EXPECT_TRUE(store.TakeReports().empty()) << "nothing to erase is no failure";
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
        // Killed at a different moment of its writes each round, once the first has landed, however long
        // that took.
        EXPECT_TRUE(Eventually([&] { return std::filesystem::exists(File()); })) << "round " << round;
        usleep(static_cast<useconds_t>(20000 + round * 17000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);

        FileSettingsStore store(mRoot.string());
        uint32_t type = 0;
        std::vector<uint8_t> data;
        ASSERT_TRUE(store.Read(mKey, "Big", type, data)) << "round " << round;
        ASSERT_EQ(data.size(), big.size()) << "round " << round;
        EXPECT_TRUE(std::all_of(data.begin(), data.end(), [&](uint8_t b) { return b == data[0]; }));
    }
}

TEST_F(SettingsStoreTest, AFileIsReadOnceAndAgainOnlyWhenItChanges) {
    const std::string padding(200000, 'p');
    {
        FileSettingsStore writer(mRoot.string());
        ASSERT_TRUE(
            writer.Write(mKey, "Padding", SettingsStore::TYPE_STRING, padding.data(), padding.size()));
        for (uint32_t i = 0; i < 9; ++i)
            ASSERT_TRUE(WriteDword(writer, mKey, "Value" + std::to_string(i), i));
    }
    const auto size = std::filesystem::file_size(File());
    FileSettingsStore store(mRoot.string());
    uint64_t before = IoCount("rchar");
    for (uint32_t i = 0; i < 9; ++i)
        EXPECT_EQ(ReadDword(store, mKey, "Value" + std::to_string(i)), i);
    EXPECT_LT(IoCount("rchar") - before, 2 * size) << "nine values, one read of the file";

    // Another writer changes the file: the next read sees it.
    FileSettingsStore other(mRoot.string());
    ASSERT_TRUE(WriteDword(other, mKey, "Value3", 33));
    EXPECT_EQ(ReadDword(store, mKey, "Value3"), 33u);
}

TEST_F(SettingsStoreTest, ABatchWritesEachFileOnceWhenItEnds) {
    FileSettingsStore store(mRoot.string());
    const std::string padding(200000, 'p');
    ASSERT_TRUE(store.Write(mKey, "Padding", SettingsStore::TYPE_STRING, padding.data(), padding.size()));
    ASSERT_TRUE(WriteDword(store, mKey, "Single", 1));
    FileSettingsStore outsider(mRoot.string());
    EXPECT_EQ(ReadDword(outsider, mKey, "Single"), 1u) << "a write outside a batch is on disk at once";
    const auto size = std::filesystem::file_size(File());

    uint64_t before = IoCount("wchar");
    store.BeginBatch();
    for (uint32_t i = 0; i < 9; ++i)
        EXPECT_TRUE(WriteDword(store, mKey, "Value" + std::to_string(i), i)) << "each write answers";
    EXPECT_TRUE(WriteDword(store, mKey + "\\Sub", "Deep", 7));
    EXPECT_EQ(ReadDword(store, mKey, "Value4"), 4u) << "the batch's values read back at once";
    EXPECT_EQ(ReadDword(outsider, mKey, "Value4"), 0xDEADu) << "but reach the disk only at the end";
    EXPECT_TRUE(store.EndBatch());
    EXPECT_LT(IoCount("wchar") - before, 2 * size) << "ten values, one write of each file";
    for (uint32_t i = 0; i < 9; ++i)
        EXPECT_EQ(ReadDword(outsider, mKey, "Value" + std::to_string(i)), i);
    EXPECT_EQ(ReadDword(outsider, mKey + "\\Sub", "Deep"), 7u);

    // Values the file already holds need no write at all.
    before = IoCount("wchar");
    ASSERT_TRUE(WriteDword(store, mKey, "Value4", 4));
    EXPECT_LT(IoCount("wchar") - before, size / 2);
}

TEST_F(SettingsStoreTest, StaleTemporariesOfDeadProcessesGoWithTheNextWrite) {
    FileSettingsStore store(mRoot.string());
    ASSERT_TRUE(WriteDword(store, mKey, "Muted", 0));
    pid_t dead = fork();
    if (dead == 0) _exit(0);
    ASSERT_GT(dead, 0);
    waitpid(dead, nullptr, 0);
    const std::string base = File().string() + ".tmp.";
    const std::string stale = base + std::to_string(dead) + ".Ab3xYz";
    const std::string live = base + std::to_string(getppid()) + ".Ab3xYz";
    const std::string other = File().string() + ".bak";
    for (const std::string& path : {stale, live, other})
        std::ofstream(path) << "half a file";

    ASSERT_TRUE(WriteDword(store, mKey, "Muted", 1));
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(live)) << "its writer may still be at work";
    EXPECT_TRUE(std::filesystem::exists(other));
}

TEST_F(SettingsStoreTest, AFileThatCannotBeReadIsLeftAloneAndReportedOnce) {
    FileSettingsStore store(mRoot.string());
    std::filesystem::create_directories(File());
    EXPECT_FALSE(WriteDword(store, mKey, "Muted", 1));
    std::vector<std::string> reports = store.TakeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0],
              "The settings cannot be saved in " + File().string() + ": it is not a regular file.");
    store.BeginBatch();
    EXPECT_FALSE(WriteDword(store, mKey, "Muted", 1));
    (void)store.EndBatch();
    EXPECT_TRUE(store.TakeReports().empty()) << "told once";
    EXPECT_TRUE(std::filesystem::is_directory(File()));

    // A named pipe reads as missing values at once and is not replaced.
    std::filesystem::remove(File());
    ASSERT_EQ(mkfifo(File().c_str(), 0600), 0);
    EXPECT_EQ(RunInChildProcess([&] {
                  FileSettingsStore fresh(mRoot.string());
                  return ReadDword(fresh, mKey, "Muted") == 0xDEAD && !WriteDword(fresh, mKey, "Muted", 1);
              }),
              ChildOutcome::Passed);
    EXPECT_TRUE(std::filesystem::is_fifo(File()));

    // So is a file larger than any this store writes: what it holds is not ours to lose.
    std::filesystem::remove(File());
    std::ofstream(File()) << "Muted = 4:%01%00%00%00\n";
    std::filesystem::resize_file(File(), FileSettingsStore::MaxFileBytes + 1);
    FileSettingsStore fresh(mRoot.string());
    EXPECT_EQ(ReadDword(fresh, mKey, "Muted"), 0xDEADu);
    EXPECT_FALSE(WriteDword(fresh, mKey, "Muted", 0));
    EXPECT_EQ(std::filesystem::file_size(File()), FileSettingsStore::MaxFileBytes + 1);
    reports = fresh.TakeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("larger than 64 MB"), std::string::npos) << reports[0];
}
