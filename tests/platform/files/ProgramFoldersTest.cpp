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

TEST_F(ProgramFoldersTest, ABuildTreeReadsAndWritesInItsOwnFolder) {
    ProgramFolders folders =
        ProgramFolders::Locate(MakeProgram("build/tesserine", "build"), "Bramblewick\\Tesserine");
    EXPECT_EQ(folders.Program(), At("build"));
    EXPECT_EQ(folders.Data(), At("build"));
    EXPECT_EQ(folders.Working(), At("build"));
}

TEST_F(ProgramFoldersTest, AnInstalledGameReadsBelowShareAndWorksInTheUsersDataFolder) {
    // The prefix is writable here (and to root anywhere): the layout alone marks an installed game.
    ProgramFolders games = ProgramFolders::Locate(
        MakeProgram("usr/games/tesserine", "usr/share/games/tesserine"), "Bramblewick\\Tesserine");
    EXPECT_EQ(games.Program(), At("usr/games"));
    EXPECT_EQ(games.Data(), At("usr/share/games/tesserine"));
    EXPECT_EQ(games.Working(), At("data/Bramblewick/Tesserine"));

    ProgramFolders bin = ProgramFolders::Locate(MakeProgram("opt/bin/tesserine", "opt/share/tesserine"),
                                                "Bramblewick/Tesserine");
    EXPECT_EQ(bin.Data(), At("opt/share/tesserine"));
    EXPECT_EQ(bin.Working(), At("data/Bramblewick/Tesserine"));
}

TEST_F(ProgramFoldersTest, AReadOnlyCopyWorksInTheUsersDataFolderAndAProgramWithoutDataInItsOwn) {
    std::string portable = MakeProgram("cd/tesserine", "cd");
    ProgramFolders readOnly = ProgramFolders::Locate(portable, "Bramblewick\\Tesserine", NeverWritable);
    EXPECT_EQ(readOnly.Data(), At("cd"));
    EXPECT_EQ(readOnly.Working(), At("data/Bramblewick/Tesserine"));

    ProgramFolders bare = ProgramFolders::Locate(MakeProgram("tests/runner", ""), "Bramblewick\\Tesserine");
    EXPECT_EQ(bare.Data(), "");
    EXPECT_EQ(bare.Working(), At("tests"));
    EXPECT_EQ(ProgramFolders::Locate("", "Bramblewick\\Tesserine").Working(), "");
}

TEST_F(ProgramFoldersTest, TheUsersDataFolderFollowsTheBaseDirectoryRules) {
    EXPECT_EQ(ProgramFolders::UserDataFolder("Bramblewick\\Tesserine"), At("data/Bramblewick/Tesserine"));
    mEnvironment.Set("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(ProgramFolders::UserDataFolder("Bramblewick\\Tesserine"),
              At("home/.local/share/Bramblewick/Tesserine"));
    mEnvironment.Unset("XDG_DATA_HOME");
    EXPECT_EQ(ProgramFolders::UserDataFolder("Bramblewick\\Tesserine"),
              At("home/.local/share/Bramblewick/Tesserine"));
    EXPECT_EQ(ProgramFolders::UserDataFolder("Bramblewick\\..\\Tesserine"), "");
    EXPECT_EQ(ProgramFolders::UserDataFolder("Bramblewick\\\\Tesserine"), "");
    EXPECT_EQ(ProgramFolders::UserDataFolder(""), "");
}

TEST_F(ProgramFoldersTest, EnteringCreatesTheWorkingFolderAndDataPathsReachTheDataFromThere) {
    ProgramFolders folders = ProgramFolders::Locate(
        MakeProgram("usr/games/tesserine", "usr/share/games/tesserine"), "Bramblewick\\Tesserine");
    ASSERT_TRUE(folders.EnterWorkingFolder());
    EXPECT_EQ(fs::current_path(), fs::path(At("data/Bramblewick/Tesserine")));

    UseDataFolder(folders.Data());
    EXPECT_EQ(DataPath("images/icon"), At("usr/share/games/tesserine/images/icon"));
    EXPECT_EQ(DataPath("/pictures/cat.png"), "/pictures/cat.png");

    // Working beside the data, or with no data found, paths stay as they are.
    fs::current_path(folders.Data());
    UseDataFolder(folders.Data());
    EXPECT_EQ(DataPath("images/icon"), "images/icon");
    UseDataFolder("");
    EXPECT_EQ(DataPath("images/icon"), "images/icon");
}
