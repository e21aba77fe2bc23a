#include "framework/platform/files/InputFile.h"

#include "support/InChildProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace Zorbel;
using namespace ZorbelTest;

namespace {

class InputFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "zorbel-input-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        mFolder = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(mFolder); }

    std::string Put(const std::string& name, const std::string& contents) {
        std::string path = (mFolder / name).string();
        std::ofstream(path, std::ios::binary | std::ios::app) << contents;
        return path;
    }

    std::filesystem::path mFolder;
};

} // namespace

TEST_F(InputFileTest, OnlyRegularFilesOpenAndNothingWaitsForAWriter) {
    InputFile plain(Put("plain", "hello"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain.Size(), 5u);
    std::string contents;
    ASSERT_TRUE(plain.ReadAll(contents));
    EXPECT_EQ(contents, "hello");

    EXPECT_EQ(InputFile((mFolder / "missing").string()).GetStatus(), InputFile::Status::Missing);
    EXPECT_EQ(InputFile(mFolder.string()).GetStatus(), InputFile::Status::NotRegular);
    std::filesystem::create_symlink("/dev/zero", mFolder / "zeros");
    EXPECT_EQ(InputFile((mFolder / "zeros").string()).GetStatus(), InputFile::Status::NotRegular);

    // A named pipe without a writer: an open that waited would never return, so it runs in a child.
    const std::string pipe = (mFolder / "pipe").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(RunInChildProcess([&] { return InputFile(pipe).GetStatus() == InputFile::Status::NotRegular; }),
              ChildOutcome::Passed);
}

TEST_F(InputFileTest, NothingBeyondTheLimitIsRead) {
    const std::string path = Put("data", std::string(100, 'a'));
    EXPECT_EQ(InputFile(path, 99).GetStatus(), InputFile::Status::TooLarge);

    // A file that grows after it was opened is read up to the limit and no further.
    InputFile bounded(path, 150);
    InputFile roomy(path, 300);
    ASSERT_TRUE(bounded);
    ASSERT_TRUE(roomy);
    Put("data", std::string(100, 'b'));
    std::string contents = "stale";
    EXPECT_FALSE(bounded.ReadAll(contents));
    EXPECT_TRUE(contents.empty());
    ASSERT_TRUE(roomy.ReadAll(contents));
    EXPECT_EQ(contents, std::string(100, 'a') + std::string(100, 'b'));
}
