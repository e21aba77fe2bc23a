#include "framework/platform/files/ProgramFolders.h"

#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace Zorbel;
namespace fs = std::filesystem;

namespace {

class ProgramFoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        mRoot = fs::temp_directory_path() / ("zorbel-folders-" + std::to_string(getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(mRoot);
        fs::create_directories(mRoot);
        mEnvironment.Set("HOME", (mRoot / "home").string());
        mEnvironment.Set("XDG_DATA_HOME", (mRoot / "data").string());
    }
    void TearDown() override {
        fs::current_path(mOldFolder);
        UseDataFolder("");
        fs::remove_all(mRoot);
    }

    // A program file at root/path, with an "images" folder at root/images when that is not empty.
    std::string MakeProgram(const std::string& path, const std::string& images) {
        fs::create_directories((mRoot / path).parent_path());
        std::ofstream(mRoot / path) << "program";
        if (!images.empty()) fs::create_directories(mRoot / images / "images");
        return (mRoot / path).string();
    }
    std::string At(const std::string& path) const { return (mRoot / path).string(); }

    fs::path mRoot;
    fs::path mOldFolder = fs::current_path();
    ZorbelTest::ScopedEnvironment mEnvironment;
};

bool NeverWritable(const std::string&) {
    return false;
}

} // namespace

TEST_F(ProgramFoldersTest, ACopyWithItsDataBesideItWorksInItsOwnFolderWhenItMayWriteThere) {
    ProgramFolders build =
        ProgramFolders::Locate(MakeProgram("build/tesserine", "build"), "Bramblewick\\Tesserine");
    EXPECT_EQ(build.Program(), At("build"));
    EXPECT_EQ(build.Data(), At("build"));
    EXPECT_EQ(build.Working(), At("build"));

    ProgramFolders readOnly =
        ProgramFolders::Locate(MakeProgram("cd/tesserine", "cd"), "Bramblewick\\Tesserine", NeverWritable);
    EXPECT_EQ(readOnly.Data(), At("cd"));
    EXPECT_EQ(readOnly.Working(), At("data/Bramblewick/Tesserine"));

    ProgramFolders bare = ProgramFolders::Locate(MakeProgram("tests/runner", ""), "Bramblewick\\Tesserine");
    EXPECT_EQ(bare.Data(), "");
    EXPECT_EQ(bare.Working(), At("tests"));
}

TEST_F(ProgramFoldersTest, AnInstalledProgramReadsBelowShareAndWorksInTheUsersDataFolder) {
    // The prefix is writable here, as it is to root anywhere: the layout alone marks an installed program.
    ProgramFolders folders = ProgramFolders::Locate(MakeProgram("opt/bin/tesserine", "opt/share/tesserine"),
                                                    "Bramblewick/Tesserine");
    EXPECT_EQ(folders.Data(), At("opt/share/tesserine"));
    EXPECT_EQ(folders.Working(), At("data/Bramblewick/Tesserine"));

    ASSERT_TRUE(folders.EnterWorkingFolder());
    EXPECT_EQ(fs::current_path(), fs::path(At("data/Bramblewick/Tesserine")));
    UseDataFolder(folders.Data());
    EXPECT_EQ(DataPath("images/icon"), At("opt/share/tesserine/images/icon"));
    EXPECT_EQ(DataPath("/pictures/cat.png"), "/pictures/cat.png");
}

TEST_F(ProgramFoldersTest, TheUsersDataFolderFollowsTheBaseDirectoryRules) {
    EXPECT_EQ(ProgramFolders::UserDataFolder("Bramblewick\\Tesserine"), At("data/Bramblewick/Tesserine"));
    mEnvironment.Set("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(ProgramFolders::UserDataFolder("Bramblewick\\Tesserine"),
              At("home/.local/share/Bramblewick/Tesserine"));
    EXPECT_EQ(ProgramFolders::UserDataFolder("Bramblewick\\..\\Tesserine"), "");
    EXPECT_EQ(ProgramFolders::UserDataFolder(""), "");
}
