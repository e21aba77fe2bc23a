#include "framework/platform/files/InputFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace Zorbel;

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

TEST_F(InputFileTest, NothingBeyondTheLimitIsRead) {
    const std::string path = Put("data", std::string(100, 'a'));
    EXPECT_EQ(InputFile(path, 99).GetStatus(), InputFile::Status::TooLarge);
    EXPECT_EQ(InputFile((mFolder / "missing").string()).GetStatus(), InputFile::Status::Missing);

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
