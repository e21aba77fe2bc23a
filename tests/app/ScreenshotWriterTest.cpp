// Screenshots are numbered after the largest number already in the folder and never overwrite one.
#include "framework/app/ScreenshotWriter.h"
#include "framework/imagelib/ImageLib.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace Zorbel;

namespace {

TEST(ScreenshotWriterTest, TheNextShotFollowsTheLargestNumberPresent) {
    Testing::ScratchFolder scratch("zorbel-screenshots");
    const std::string folder = scratch.Path("_screenshots");
    ScreenshotWriter writer(folder);
    EXPECT_EQ(writer.NextPath(), folder + "/image1.png") << "no folder yet";

    std::filesystem::create_directories(folder);
    for (const char* name : {"image1.png", "image7.png", "image.png", "image3x.png", "image9.jpg",
                             "Image12.png", "picture20.png", "image99999999999.png"})
        scratch.Write("_screenshots/" + std::string(name), "x");
    std::filesystem::create_directories(folder + "/image30.png.d");
    EXPECT_EQ(writer.LargestNumber(), 7);
    EXPECT_EQ(writer.NextPath(), folder + "/image8.png");

    std::vector<uint32_t> pixels(5 * 3);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = 0xFF000000u | static_cast<uint32_t>(i * 1234567u);
    EXPECT_EQ(writer.Write(pixels, 5, 3), folder + "/image8.png");
    std::unique_ptr<ImageLib::Image> shot = ImageLib::ReadPng(folder + "/image8.png");
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->GetWidth(), 5);
    EXPECT_EQ(shot->GetHeight(), 3);
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), shot->GetBits()));
    EXPECT_EQ(writer.NextPath(), folder + "/image9.png");

    EXPECT_EQ(writer.Write(pixels, 4, 3), "") << "pixels that do not fill the size are not written";
    EXPECT_EQ(writer.Write({}, 0, 0), "");
    EXPECT_FALSE(std::filesystem::exists(folder + "/image9.png"));
}

TEST(ScreenshotWriterTest, AFolderThatCannotBeMadeWritesNothing) {
    Testing::ScratchFolder scratch("zorbel-screenshots-blocked");
    scratch.Write("_screenshots", "a file where the folder should be");
    ScreenshotWriter writer(scratch.Path("_screenshots"));
    EXPECT_EQ(writer.Write(std::vector<uint32_t>(4, 0xFF000000u), 2, 2), "");
}

} // namespace
