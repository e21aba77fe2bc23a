#include "framework/platform/files/AtomicFile.h"

#include "support/WholeFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

using namespace Zorbel;

namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        mFolder = std::filesystem::temp_directory_path() / ("zorbel-atomic-" + std::to_string(getpid()));
        std::filesystem::remove_all(mFolder);
        std::filesystem::create_directories(mFolder);
    }
    void TearDown() override { std::filesystem::remove_all(mFolder); }

    std::string Read(const std::string& path) { return ZorbelTest::ReadWholeFile(path); }
    size_t EntryCount() { return size_t(std::distance(std::filesystem::directory_iterator(mFolder), {})); }

    std::filesystem::path mFolder;
};

TEST_F(AtomicFileTest, ReplacesWholeFilesAndLeavesNothingElse) {
    std::string path = (mFolder / "data.bin").string();
    ASSERT_TRUE(WriteFileAtomically(path, "first"));
    ASSERT_TRUE(WriteFileAtomically(path, std::string("sec\0nd", 6)));
    EXPECT_EQ(Read(path), std::string("sec\0nd", 6));
    EXPECT_EQ(EntryCount(), 1u);

    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask) << "as readable as a file fopen would create";
}

TEST_F(AtomicFileTest, AnUncommittedOrFailedWriteKeepsTheOldFile) {
    std::string path = (mFolder / "kept.txt").string();
    ASSERT_TRUE(WriteFileAtomically(path, "old"));
    {
        AtomicFile file(path);
        ASSERT_TRUE(file);
        std::fputs("half-written", file.Get());
    }
    EXPECT_EQ(Read(path), "old");
    EXPECT_EQ(EntryCount(), 1u) << "the temporary is removed";

    EXPECT_FALSE(WriteFileAtomically((mFolder / "no" / "such" / "folder").string(), "x"));
    // A directory cannot be replaced by a file.
    std::filesystem::create_directory(mFolder / "dir");
    EXPECT_FALSE(WriteFileAtomically((mFolder / "dir").string(), "x"));
    EXPECT_TRUE(std::filesystem::is_directory(mFolder / "dir"));
    EXPECT_EQ(EntryCount(), 2u);
}

} // namespace
