#include "framework/imagelib/ImageLib.h"
#include "imagelib/PictureFiles.h"

#include <gtest/gtest.h>

#include "support/InChildProcess.h"

#include <filesystem>
#include <sys/stat.h>
#include <type_traits>

using namespace Zorbel::ImageLib;
using namespace PictureFiles;
using ZorbelTest::ChildOutcome;
using ZorbelTest::RunInChildProcess;

static_assert(!std::is_copy_constructible_v<Image> && !std::is_copy_assignable_v<Image>,
              "an image owns its pixels");

namespace {

// Each kind of file holds a picture whose first pixel tells which file was read.
constexpr uint32_t TgaMark = 0xFF111111;
constexpr uint32_t PngMark = 0xFF333333;
constexpr uint32_t GifMark = 0xFF444444;

class LoadImageFileTest : public ::testing::Test {
protected:
    void TearDown() override { gAlphaFillColor = 0xFFFFFF; }

    std::string Path(const std::string& name) const { return mFolder.Path(name); }

    void PutTga(const std::string& name, int width = 2, int height = 2, uint32_t pixel = TgaMark) {
        WriteFile(Path(name),
                  TgaFile(width, height, std::vector<uint32_t>(size_t(width) * size_t(height), pixel)));
    }
    void PutPng(const std::string& name, int width, int height,
                const std::function<uint32_t(int, int)>& pixel) {
        ASSERT_TRUE(WritePng(Path(name), *MakeImage(width, height, pixel)));
    }
    void PutPng(const std::string& name, uint32_t pixel = PngMark) {
        PutPng(name, 2, 2, [=](int, int) { return pixel; });
    }
    void PutJpeg(const std::string& name, int width = 2, int height = 2) {
        ASSERT_TRUE(WriteJpeg(Path(name), *MakeImage(width, height, [](int, int) { return 0xFF808080u; })));
    }
    void PutGif(const std::string& name) {
        WriteFile(Path(name),
                  GifFile(2, 2, {GifMark & 0xFFFFFF}).Frame(2, 2, Bytes(4, 0), false, {}, 2).GetBytes());
    }

    uint32_t FirstPixel(const std::string& name, bool lookForAlpha = false) {
        auto image = LoadImageFile(Path(name), lookForAlpha);
        return image ? image->GetBits()[0] : 0xDEADBEEF;
    }

    ScratchFolder mFolder;
};

} // namespace

TEST(ImageTest, CreateRefusesImpossibleSizesAndClearsOnRequest) {
    EXPECT_FALSE(Image::Create(0, 5));
    EXPECT_FALSE(Image::Create(5, -1));
    EXPECT_FALSE(Image::Create(65536, 65536));
    EXPECT_FALSE(Image::Create(16385, 16384)) << "just over the limit";
    auto image = Image::Create(3, 2);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetWidth(), 3);
    EXPECT_EQ(image->GetHeight(), 2);
    EXPECT_EQ(image->GetPixelCount(), 6u);
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(image->GetBits()[i], 0u);
}

TEST_F(LoadImageFileTest, NameWithoutExtensionTriesTheKindsInOrder) {
    PutGif("pic.gif");
    EXPECT_EQ(FirstPixel("pic"), GifMark);
    PutPng("pic.png");
    EXPECT_EQ(FirstPixel("pic"), PngMark);
    PutJpeg("pic.jpg");
    EXPECT_EQ(FirstPixel("pic"), 0xFF808080u);
    PutTga("pic.tga");
    EXPECT_EQ(FirstPixel("pic"), TgaMark);
    // A file that fails to read passes the turn to the next kind.
    WriteFile(Path("pic.tga"), Bytes{1, 2, 3});
    EXPECT_EQ(FirstPixel("pic"), 0xFF808080u);
}

TEST_F(LoadImageFileTest, ExtensionChoosesOneReaderCaseInsensitively) {
    PutTga("pic.tga");
    PutPng("pic.png");
    EXPECT_EQ(FirstPixel("pic.png"), PngMark);
    EXPECT_EQ(FirstPixel("pic.PNG"), PngMark) << "opened as pic.png";
    EXPECT_EQ(FirstPixel("pic.Tga"), TgaMark);
    EXPECT_EQ(FirstPixel("pic.gif"), 0xDEADBEEF) << "no fallback to other kinds";

    // Unknown extensions try no reader, even when a file of that name holds a readable picture.
    PutPng("pic.bmp");
    PutPng("pic.jpeg");
    EXPECT_EQ(FirstPixel("pic.bmp"), 0xDEADBEEF);
    EXPECT_EQ(FirstPixel("pic.jpeg"), 0xDEADBEEF);
    PutPng("_pic.bmp");
    PutPng("pic.bmp_");
    EXPECT_EQ(FirstPixel("pic.bmp", true), 0xDEADBEEF);
}

TEST_F(LoadImageFileTest, DotBeforeTheLastSeparatorIsNoExtension) {
    std::filesystem::create_directory(Path("old.dir"));
    PutPng("old.dir/pic.png");
    EXPECT_EQ(FirstPixel("old.dir/pic"), PngMark);
    // A backslash separates too (here it is part of a file name, as Linux allows).
    PutPng("old.dir\\pic.png");
    EXPECT_EQ(FirstPixel("old.dir\\pic"), PngMark);
}

TEST_F(LoadImageFileTest, CompanionBlueChannelBecomesTheAlpha) {
    PutJpeg("a.jpg");
    PutPng("_a.png", 2, 2,
           [](int x, int y) { return 0xFF000000u | uint32_t(0x10 + x + 2 * y) | 0x00AB0000; });
    auto image = LoadImageFile(Path("a"), true);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetBits()[0] >> 24, 0x10u);
    EXPECT_EQ(image->GetBits()[3] >> 24, 0x13u);
    EXPECT_EQ(image->GetBits()[3] & 0xFFFFFF, 0x808080u) << "colour stays the picture's";

    auto withoutLookup = LoadImageFile(Path("a"), false);
    ASSERT_TRUE(withoutLookup);
    EXPECT_EQ(withoutLookup->GetBits()[3], 0xFF808080u);
}

TEST_F(LoadImageFileTest, CompanionOfAnotherSizeIsIgnored) {
    PutJpeg("a.jpg");
    PutPng("_a.png", 3, 2, [](int, int) { return 0xFF000010u; });
    auto image = LoadImageFile(Path("a"), true);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetWidth(), 2);
    for (size_t i = 0; i < image->GetPixelCount(); ++i)
        EXPECT_EQ(image->GetBits()[i], 0xFF808080u);
}

TEST_F(LoadImageFileTest, CompanionNamesKeepTheExtensionAndTheFolder) {
    std::filesystem::create_directory(Path("images"));
    PutPng("images/sky.png", 0xFF123456);
    PutPng("images/_sky.png", 0xFF000040);
    EXPECT_EQ(FirstPixel("images/sky.png", true), 0x40123456u);

    // The second name appends "_" to the whole name, whose readers add their extension after it.
    PutTga("b.tga");
    PutGif("b_.gif");
    EXPECT_EQ(FirstPixel("b", true), (TgaMark & 0xFFFFFF) | ((GifMark & 0xFF) << 24));

    // The prefixed name wins over the appended one.
    PutPng("_b.png", 0xFF000001);
    EXPECT_EQ(FirstPixel("b", true), (TgaMark & 0xFFFFFF) | 0x01000000);
}

TEST_F(LoadImageFileTest, CompanionAloneGivesThePictureTheFillColour) {
    PutPng("_a.png", 2, 2, [](int x, int) { return 0xFF000000u | uint32_t(x ? 0xFF : 0x20); });
    auto white = LoadImageFile(Path("a"), true);
    ASSERT_TRUE(white);
    EXPECT_EQ(white->GetBits()[0], 0x20FFFFFFu);
    EXPECT_EQ(white->GetBits()[1], 0xFFFFFFFFu);

    gAlphaFillColor = 0x00336699;
    auto coloured = LoadImageFile(Path("a"), true);
    ASSERT_TRUE(coloured);
    EXPECT_EQ(coloured->GetBits()[0], 0x20336699u);

    // Only the colour of the setting counts; stray alpha bits in it cannot corrupt the mask.
    gAlphaFillColor = 0xFF336699;
    auto masked = LoadImageFile(Path("a"), true);
    ASSERT_TRUE(masked);
    EXPECT_EQ(masked->GetBits()[0], 0x20336699u);

    EXPECT_FALSE(LoadImageFile(Path("a"), false)) << "without alpha lookup there is no picture";
}

TEST_F(LoadImageFileTest, NothingThereGivesNone) {
    EXPECT_FALSE(LoadImageFile(Path("nothing"), true));
    EXPECT_FALSE(LoadImageFile(Path("nothing.png"), false));
    EXPECT_FALSE(LoadImageFile("", true));
    EXPECT_FALSE(LoadImageFile(Path("pic."), true));
}

TEST_F(LoadImageFileTest, AnUpperCaseExtensionIsOpenedAsGivenFirst) {
    // A camera's file, with its companion; no lower-case names exist.
    PutJpeg("IMG_0001.JPG");
    PutPng("Photo.PNG", 0xFF123456);
    PutPng("_Photo.PNG", 0xFF000020);
    EXPECT_EQ(FirstPixel("IMG_0001.JPG"), 0xFF808080u);
    EXPECT_EQ(FirstPixel("Photo.PNG", true), 0x20123456u) << "the companion keeps the name's case too";

    // Where both forms exist, the name as given wins.
    PutPng("pic.png", PngMark);
    PutPng("pic.PNG", 0xFF654321);
    EXPECT_EQ(FirstPixel("pic.PNG"), 0xFF654321u);
    EXPECT_EQ(FirstPixel("pic.png"), PngMark);
}

TEST_F(LoadImageFileTest, FoldersPipesAndDevicesGiveNoneAtOnce) {
    std::filesystem::create_directory(Path("folder.png"));
    std::filesystem::create_symlink("/dev/zero", Path("zeros.gif"));
    ASSERT_EQ(mkfifo(Path("pipe.jpg").c_str(), 0600), 0);
    // Opening a pipe without a writer would block for good, so the loads run in a child.
    EXPECT_EQ(RunInChildProcess([&] {
                  return !LoadImageFile(Path("folder.png"), true) &&
                         !LoadImageFile(Path("zeros.gif"), true) && !LoadImageFile(Path("pipe.jpg"), true) &&
                         !LoadImageFile(Path("pipe"), true) &&
                         !LoadImageFileForDisplay(Path("pipe.jpg"), true, 800, 600);
              }),
              ChildOutcome::Passed);
}

TEST_F(LoadImageFileTest, TinyFilesClaimingEnormousPicturesAreRefused) {
    struct Bomb {
        const char* name;
        Bytes bytes;
        size_t mostBytes;
    };
    for (const Bomb& bomb : {Bomb{"bomb.gif", GifBomb(), 35}, Bomb{"bomb.jpg", JpegBomb(), 1000},
                             Bomb{"bomb.png", PngBomb(), 300000}}) {
        EXPECT_LE(bomb.bytes.size(), bomb.mostBytes) << bomb.name;
        WriteFile(Path(bomb.name), bomb.bytes);
        EXPECT_FALSE(LoadImageFile(Path(bomb.name), true)) << bomb.name;
        EXPECT_FALSE(LoadImageFileForDisplay(Path(bomb.name), true, 800, 600)) << bomb.name;
    }
}

TEST_F(LoadImageFileTest, ForDisplayLargePicturesComeBackHalvedWhileTheyCover) {
    // A JPEG is decoded at the reduced scale, other kinds are reduced after decoding to the same size,
    // so a companion still fits.
    PutJpeg("a.jpg", 64, 48);
    PutPng("_a.png", 64, 48, [](int x, int) { return 0xFF000000u | uint32_t(x < 32 ? 0x10 : 0x30); });
    auto merged = LoadImageFileForDisplay(Path("a"), true, 16, 12);
    ASSERT_TRUE(merged);
    EXPECT_EQ(merged->GetWidth(), 16);
    EXPECT_EQ(merged->GetHeight(), 12);
    EXPECT_EQ(PixelAt(*merged, 0, 0), 0x10808080u);
    EXPECT_EQ(PixelAt(*merged, 15, 11), 0x30808080u);
    auto full = LoadImageFile(Path("a"), true);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->GetWidth(), 64) << "the plain load keeps the full size";

    // Small pictures come back as they are.
    PutPng("small.png", 3, 2, [](int x, int y) { return 0xFF000000u | uint32_t(x + 3 * y); });
    auto small = LoadImageFileForDisplay(Path("small.png"), false, 800, 600);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->GetWidth(), 3);
    EXPECT_EQ(PixelAt(*small, 2, 1), 0xFF000005u);
}

TEST(ReduceTest, BoxesAverageWithColoursWeightedByAlpha) {
    EXPECT_EQ(HalvingsToCover(6000, 4000, 800, 600), 2) << "a 24-megapixel photo at a quarter";
    EXPECT_EQ(HalvingsToCover(1601, 1199, 800, 600), 1) << "halving rounds up";
    EXPECT_EQ(HalvingsToCover(1598, 1200, 800, 600), 0);
    EXPECT_EQ(HalvingsToCover(100000, 100000, 1, 1), 3) << "never more than an eighth";

    // 3 x 3 into 2 x 2: a full box, two edge boxes of two pixels and a corner of one.
    auto image = MakeImage(3, 3, [](int x, int y) {
        const uint32_t pixels[3][3] = {{0xFFFF0000, 0x0000FF00, 0xFF00FF00},
                                       {0xFF0000FF, 0xFF0000FF, 0x00000000},
                                       {0x80FFFFFF, 0x80000000, 0x40102030}};
        return pixels[y][x];
    });
    auto reduced = Reduce(*image, 1);
    ASSERT_TRUE(reduced);
    ASSERT_EQ(reduced->GetWidth(), 2);
    ASSERT_EQ(reduced->GetHeight(), 2);
    // Alpha 3 x 255 / 4 = 191; red 255 of 765 weight = 85, blue 170; the transparent green lends nothing.
    EXPECT_EQ(PixelAt(*reduced, 0, 0), 0xBF5500AAu);
    EXPECT_EQ(PixelAt(*reduced, 1, 0), 0x8000FF00u) << "half the box transparent: full green, half alpha";
    EXPECT_EQ(PixelAt(*reduced, 0, 1), 0x80808080u);
    EXPECT_EQ(PixelAt(*reduced, 1, 1), 0x40102030u);
    EXPECT_EQ(PixelAt(*Reduce(*MakeImage(2, 1, [](int, int) { return 0u; }), 1), 0, 0), 0u);
}
