// The image dump: the memory accounting of a picture, the page exactly as a browser gets it, the
// thumbnails' sampling and the files written for real pictures.
#include "framework/app/ImageDump.h"
#include "framework/app/ReportText.h"
#include "framework/graphics/ImageContext.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/imagelib/ImageLib.h"
#include "support/ScratchFolder.h"
#include "support/WholeFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace Zorbel;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(ReportTextTest, ByteCountsGroupThreeDigitsWithCommas) {
    EXPECT_EQ(GroupThousands(0), "0");
    EXPECT_EQ(GroupThousands(999), "999");
    EXPECT_EQ(GroupThousands(1000), "1,000");
    EXPECT_EQ(GroupThousands(1234567), "1,234,567");
    EXPECT_EQ(GroupThousands(18446744073709551615u), "18,446,744,073,709,551,615");
    EXPECT_EQ(ClockText(3723999), "01:02:03");
    EXPECT_EQ(ClockText(-5), "00:00:00");
}

TEST(ImageDumpTest, ThePageListsEveryPictureWithItsAccountAndTheTotals) {
    ImageAccount big;
    big.width = 800;
    big.height = 600;
    big.surface = 1920000;
    big.texture = 2097152;
    big.textureFormat = TextureFormat::R5G6B5;
    big.forced = true;
    ImageAccount small;
    small.width = 32;
    small.height = 16;
    small.bits = 2048;
    small.palettized = 1536;
    small.nativeAlpha = 1024;
    small.rlAlpha = 512;
    small.rlAdditive = 512;
    small.isVolatile = true;
    small.hasAlpha = true;
    small.hasTrans = true;

    const std::vector<std::string> expected = {
        "<HTML><BODY BGCOLOR=EEEEFF><CENTER><FONT SIZE=+2><B>",
        "Tue Dec  8 14:14:29 2026",
        "</B></FONT><BR>",
        "Total Image Allocation: 4,022,784 bytes<BR>",
        "<TABLE BORDER=1 CELLSPACING=0 CELLPADDING=4>",
        "<TR>",
        "<TD><A HREF=img0000.png><IMG SRC=thumb0000.jpg WIDTH=64 HEIGHT=64></A></TD>",
        "<TD>800 x 600<BR>4,017,152 bytes</TD>",
        "<TD>&nbsp;</TD>",
        "<TD>&nbsp;</TD>",
        "<TD>DDSurface<BR>1,920,000</TD>",
        "<TD>Texture<BR>R5G6B5<BR>2,097,152</TD>",
        "<TD>&nbsp;</TD>",
        "<TD>&nbsp;</TD>",
        "<TD>&nbsp;</TD>",
        "<TD>&nbsp;</TD>",
        "<TD>Forced</TD>",
        "<TD>&nbsp;</TD>",
        "<TD>&nbsp;</TD>",
        "</TR>",
        "<TR>",
        "<TD><A HREF=img0001.png><IMG SRC=thumb0001.jpg WIDTH=64 HEIGHT=64></A></TD>",
        "<TD>32 x 16<BR>5,632 bytes</TD>",
        "<TD>mBits<BR>2,048</TD>",
        "<TD>Palletized<BR>1,536</TD>",
        "<TD>&nbsp;</TD>",
        "<TD>&nbsp;</TD>",
        "<TD>NativeAlpha<BR>1,024</TD>",
        "<TD>RLAlpha<BR>512</TD>",
        "<TD>RLAdditive<BR>512</TD>",
        "<TD>Volatile</TD>",
        "<TD>&nbsp;</TD>",
        "<TD>HasAlpha</TD>",
        "<TD>HasTrans</TD>",
        "</TR>",
        "<TD>Totals</TD>",
        "<TD>4,022,784</TD>",
        "<TD>2,048</TD>",
        "<TD>1,536</TD>",
        "<TD>1,920,000</TD>",
        "<TD>2,097,152</TD>",
        "<TD>&nbsp;</TD>",
        "<TD>&nbsp;</TD>",
        "<TD>&nbsp;</TD>",
        "<TD>&nbsp;</TD>",
        "<TD>1,024</TD>",
        "<TD>512</TD>",
        "<TD>512</TD>",
        "</TABLE></CENTER></BODY></HTML>",
    };
    const std::vector<std::string> lines =
        Lines(ImageDump::PageText({big, small}, "Tue Dec  8 14:14:29 2026"));
    ASSERT_EQ(lines.size(), expected.size());
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
}

TEST(ImageDumpTest, AThirtyTwoSquarePictureRepeatsEachPixelInATwoByTwoBlock) {
    std::vector<uint32_t> source(32 * 32);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
    const std::vector<uint32_t> thumbnail = ImageDump::Thumbnail(source.data(), 32, 32);
    ASSERT_EQ(thumbnail.size(), 64u * 64u);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(thumbnail[size_t(y * 64 + x)], source[size_t(y / 2 * 32 + x / 2)]) << x << "," << y;

    // Wider than the thumbnail: columns floor((x + 0.5) * 100 / 64), so 0, 2, 3, 5, ...
    std::vector<uint32_t> ramp(100);
    for (uint32_t i = 0; i < 100; ++i)
        ramp[i] = i;
    const std::vector<uint32_t> sampled = ImageDump::Thumbnail(ramp.data(), 100, 1);
    EXPECT_EQ(sampled[0], 0u);
    EXPECT_EQ(sampled[1], 2u);
    EXPECT_EQ(sampled[2], 3u);
    EXPECT_EQ(sampled[63], 99u);
    EXPECT_EQ(ImageDump::Thumbnail(nullptr, 0, 0)[0], 0xFF000000u) << "an empty picture gives black";
}

TEST(ImageDumpTest, EveryPictureIsWrittenLargestFirstAndLeftAsItWas) {
    ImageContext context;
    MemoryImage large(context);
    std::vector<uint32_t> pixels(40 * 30);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = 0xFF000000u | static_cast<uint32_t>(i * 40503u);
    large.SetPixels(pixels.data(), 40, 30, true);
    MemoryImage palettized(context);
    std::vector<uint32_t> two(16 * 8, 0xFF00FF00u);
    two[5] = 0x80FF0000u;
    palettized.SetPixels(two.data(), 16, 8, true);
    ASSERT_TRUE(palettized.ConvertToPalette());
    ASSERT_EQ(palettized.Bits(), nullptr);
    MemoryImage empty(context);

    Zorbel::Testing::ScratchFolder scratch("zorbel-image-dump");
    const std::string folder = scratch.Path("_dump");
    std::filesystem::create_directories(folder);
    ImageDump dump(folder, nullptr);
    const ImageAccount account = dump.Account(palettized);
    EXPECT_EQ(account.palettized, 16u * 8u + 1024u);
    EXPECT_FALSE(account.bits);
    EXPECT_TRUE(account.hasAlpha);
    ASSERT_TRUE(dump.Write({&empty, &palettized, &large}, "today"));

    const std::string page = ZorbelTest::ReadWholeFile(folder + "/imagelist.html");
    EXPECT_NE(page.find("<TD>40 x 30<BR>4,800 bytes</TD>\n<TD>mBits<BR>4,800</TD>"), std::string::npos)
        << page;
    EXPECT_LT(page.find("40 x 30"), page.find("16 x 8"));
    EXPECT_LT(page.find("16 x 8"), page.find("0 x 0"));
    std::unique_ptr<ImageLib::Image> first = ImageLib::ReadPng(folder + "/img0000.png");
    ASSERT_TRUE(first);
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), first->GetBits()));
    std::unique_ptr<ImageLib::Image> second = ImageLib::ReadPng(folder + "/img0001.png");
    ASSERT_TRUE(second);
    EXPECT_TRUE(std::equal(two.begin(), two.end(), second->GetBits()));
    EXPECT_EQ(palettized.Bits(), nullptr) << "the dump built the pixels only for the moment";
    EXPECT_NE(palettized.ColorIndices(), nullptr);
    for (const char* thumb : {"/thumb0000.jpg", "/thumb0001.jpg", "/thumb0002.jpg"}) {
        std::unique_ptr<ImageLib::Image> picture = ImageLib::ReadJpeg(folder + thumb);
        ASSERT_TRUE(picture) << thumb;
        EXPECT_EQ(picture->GetWidth(), 64);
        EXPECT_EQ(picture->GetHeight(), 64);
    }
    EXPECT_TRUE(ImageLib::ReadPng(folder + "/img0002.png")) << "an empty picture still gets a file";
}

} // namespace
