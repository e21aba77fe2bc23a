#include "framework/platform/FileChooser.h"

#include <gtest/gtest.h>

using namespace Zorbel;

TEST(FileChooserTest, PatternsComeInBothCasesWithoutRepeats) {
    FileFilter filter{"Images", {"*.jpg", "*.Png", "*.GIF", "*.jpg", "*", "*.[0-9]"}};
    EXPECT_EQ(filter.PatternsInEitherCase(),
              (std::vector<std::string>{"*.jpg", "*.JPG", "*.Png", "*.png", "*.PNG", "*.GIF", "*.gif", "*",
                                        "*.[0-9]"}));
    EXPECT_TRUE(FileFilter{}.PatternsInEitherCase().empty());
}
