#include "framework/platform/files/Path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace Zorbel;

TEST(PathTest, FileAndDirectoryPartsSplitAtTheLastSeparatorOfEitherKind) {
    EXPECT_EQ(GetFileName("images/border2.png"), "border2.png");
    EXPECT_EQ(GetFileDir("images/border2.png"), "images");
    EXPECT_EQ(GetFileName("a\\b/c\\d.tga"), "d.tga");
    EXPECT_EQ(GetFileDir("a\\b/c\\d.tga"), "a\\b/c");
    EXPECT_EQ(GetFileName("plain"), "plain");
    EXPECT_EQ(GetFileDir("plain"), "");
    EXPECT_EQ(GetFileName("dir/"), "");
}

TEST(PathTest, MakeDirectoriesCreatesEveryLevel) {
    auto root = std::filesystem::temp_directory_path() / ("zorbel-path-" + std::to_string(getpid()));
    std::filesystem::remove_all(root);
    std::string deep = (root / "one").string() + "\\two/three";
    EXPECT_TRUE(MakeDirectories(deep));
    EXPECT_TRUE(std::filesystem::is_directory(root / "one" / "two" / "three"));
    EXPECT_TRUE(MakeDirectories(deep)) << "existing directories are fine";

    // A file in the way makes it fail.
    std::filesystem::path file = root / "file";
    FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_FALSE(MakeDirectories((file / "below").string()));
    std::filesystem::remove_all(root);
}

TEST(PathTest, CasingTouchesOnlyAsciiLetters) {
    EXPECT_EQ(StringToUpper("images/quibBG.jpg \xE9"), "IMAGES/QUIBBG.JPG \xE9");
    EXPECT_EQ(StringToLower("IMAGES/Border2.PNG"), "images/border2.png");
}
