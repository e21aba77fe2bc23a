#include "framework/imagelib/ImageLib.h"
#include "imagelib/PictureFiles.h"

#include <gtest/gtest.h>

using namespace Zorbel::ImageLib;
using namespace PictureFiles;

namespace {

class TgaReaderTest : public ::testing::Test {
protected:
    std::unique_ptr<Image> ReadBytes(const Bytes& bytes) {
        std::string path = mFolder.Path("pic.tga");
        WriteFile(path, bytes);
        return ReadTga(path);
    }

    ScratchFolder mFolder;
};

const std::vector<uint32_t> SixPixels = {0x80102030, 0xFF405060, 0x00708090,
                                         0x12345678, 0xFFFFFFFF, 0x00000000};

} // namespace

TEST_F(TgaReaderTest, TopLeftOrigin32BitPixelsAreReadAsStored) {
    auto image = ReadBytes(TgaFile(3, 2, SixPixels));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetWidth(), 3);
    EXPECT_EQ(image->GetHeight(), 2);
    for (size_t i = 0; i < SixPixels.size(); ++i)
        EXPECT_EQ(image->GetBits()[i], SixPixels[i]) << "pixel " << i;
}

TEST_F(TgaReaderTest, BytesAfterThePixelsAreIgnored) {
    Bytes bytes = TgaFile(3, 2, SixPixels);
    bytes.insert(bytes.end(), 26, 0x55); // a footer
    auto image = ReadBytes(bytes);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetBits()[5], 0u);
}

TEST_F(TgaReaderTest, OtherDepthsAndOriginsAreRefused) {
    EXPECT_FALSE(ReadBytes(TgaFile(3, 2, SixPixels, 24)));
    EXPECT_FALSE(ReadBytes(TgaFile(3, 2, SixPixels, 32, 0x08))) << "bottom-left origin";
    EXPECT_FALSE(ReadBytes(TgaFile(3, 2, SixPixels, 32, 0x20))) << "no attribute bits";
}

TEST_F(TgaReaderTest, ImpossibleSizesAndShortFilesGiveNone) {
    EXPECT_FALSE(ReadTga(mFolder.Path("missing.tga")));
    EXPECT_FALSE(ReadBytes(TgaFile(0, 2, {})));
    EXPECT_FALSE(ReadBytes(TgaFile(3, -2, SixPixels)));
    EXPECT_FALSE(ReadBytes(TgaFile(-3, -2, SixPixels))) << "negative times negative is no size";
    Bytes shortFile = TgaFile(3, 2, SixPixels);
    shortFile.pop_back();
    EXPECT_FALSE(ReadBytes(shortFile));
    EXPECT_FALSE(ReadBytes(Bytes(shortFile.begin(), shortFile.begin() + 17)));
    // 32767 × 32767 announced by a 42-byte file: refused without asking for the memory.
    EXPECT_FALSE(ReadBytes(TgaFile(32767, 32767, SixPixels)));
}

TEST_F(TgaReaderTest, FailedReadsCloseTheirFiles) {
    int before = OpenFileCount();
    for (int i = 0; i < 20; ++i) {
        EXPECT_FALSE(ReadBytes(TgaFile(3, 2, {1, 2, 3})));
        EXPECT_FALSE(ReadBytes(TgaFile(3, 2, SixPixels, 24)));
    }
    EXPECT_EQ(OpenFileCount(), before);
}
