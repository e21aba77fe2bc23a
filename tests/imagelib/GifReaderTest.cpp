#include "framework/imagelib/ImageLib.h"
#include "imagelib/PictureFiles.h"

#include <gtest/gtest.h>

#include <random>

using namespace Zorbel::ImageLib;
using namespace PictureFiles;

namespace {

const std::vector<uint32_t> FourColors = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};

class GifReaderTest : public ::testing::Test {
protected:
    std::unique_ptr<Image> Read(const GifFile& gif) {
        std::string path = mFolder.Path("pic.gif");
        WriteFile(path, gif.GetBytes());
        return ReadGif(path);
    }

    std::unique_ptr<Image> ReadBytes(const Bytes& bytes) {
        std::string path = mFolder.Path("raw.gif");
        WriteFile(path, bytes);
        return ReadGif(path);
    }

    ScratchFolder mFolder;
};

// Indices that exercise the whole dictionary: long runs, repeats and noise.
Bytes MixedIndices(size_t count, int colors, unsigned seed) {
    std::mt19937 random(seed);
    Bytes indices(count);
    for (size_t i = 0; i < count; ++i) {
        if (i % 97 < 40)
            indices[i] = static_cast<uint8_t>((i / 13) % colors);
        else
            indices[i] = static_cast<uint8_t>(random() % colors);
    }
    return indices;
}

} // namespace

TEST_F(GifReaderTest, PixelsComeFromTheGlobalTableAndAreOpaque) {
    Bytes indices = {0, 1, 2, 3, 3, 2, 1, 0, 1, 1, 2, 2};
    auto image = Read(GifFile(4, 3, FourColors).Frame(4, 3, indices, false, {}, 2).Trailer());
    ASSERT_TRUE(image);
    ASSERT_EQ(image->GetWidth(), 4);
    ASSERT_EQ(image->GetHeight(), 3);
    for (size_t i = 0; i < indices.size(); ++i)
        EXPECT_EQ(image->GetBits()[i], 0xFF000000u | FourColors[indices[i]]) << "pixel " << i;
}

TEST_F(GifReaderTest, LargePicturesSurviveTableResetsAndFullTables) {
    const int width = 321;
    const int height = 203;
    std::vector<uint32_t> colors(256);
    for (int i = 0; i < 256; ++i)
        colors[i] = uint32_t(i * 0x010307) & 0xFFFFFF;
    for (bool deferClear : {false, true}) {
        Bytes indices = MixedIndices(size_t(width) * height, 256, deferClear ? 2 : 1);
        GifFile gif(width, height, colors);
        gif.FrameWithData(width, height, 8, LzwEncode(indices, 8, deferClear));
        auto image = Read(gif);
        ASSERT_TRUE(image);
        size_t wrong = 0;
        for (size_t i = 0; i < indices.size(); ++i)
            wrong += image->GetBits()[i] != (0xFF000000u | colors[indices[i]]);
        EXPECT_EQ(wrong, 0u) << (deferClear ? "an encoder that keeps its full table"
                                            : "an encoder that clears");
    }
}

TEST_F(GifReaderTest, SmallCodeSizesAndLongRuns) {
    for (int minCodeSize : {2, 3, 5, 7}) {
        int colors = 1 << minCodeSize;
        Bytes indices = MixedIndices(5000, colors, unsigned(minCodeSize));
        indices.insert(indices.end(), 3000, 1); // one long run: strings grow to their longest
        std::vector<uint32_t> palette(static_cast<size_t>(colors));
        for (int i = 0; i < colors; ++i)
            palette[static_cast<size_t>(i)] = uint32_t(i) * 0x040404;
        auto image = Read(GifFile(100, 80, palette).Frame(100, 80, indices, false, {}, minCodeSize));
        ASSERT_TRUE(image);
        size_t wrong = 0;
        for (size_t i = 0; i < indices.size(); ++i)
            wrong += image->GetBits()[i] != (0xFF000000u | palette[indices[i]]);
        EXPECT_EQ(wrong, 0u) << "minimum code size " << minCodeSize;
    }
}

TEST_F(GifReaderTest, TransparentIndexGivesTransparentBlack) {
    Bytes indices = {0, 1, 2, 3, 2, 2};
    auto image = Read(GifFile(3, 2, FourColors).GraphicControl(true, 2).Frame(3, 2, indices, false, {}, 2));
    ASSERT_TRUE(image);
    for (size_t i = 0; i < indices.size(); ++i) {
        if (indices[i] == 2)
            EXPECT_EQ(image->GetBits()[i], 0x00000000u);
        else
            EXPECT_EQ(image->GetBits()[i] >> 24, 0xFFu);
    }
}

TEST_F(GifReaderTest, ControlBlockWithoutTransparencyFlagKeepsTheEarlierIndex) {
    Bytes indices = {1, 2, 3};
    auto flagClear =
        Read(GifFile(3, 1, FourColors).GraphicControl(false, 1).Frame(3, 1, indices, false, {}, 2));
    ASSERT_TRUE(flagClear);
    EXPECT_EQ(flagClear->GetBits()[0], 0xFFFF0000u);

    auto earlierKept = Read(GifFile(3, 1, FourColors)
                                .GraphicControl(true, 3)
                                .GraphicControl(false, 1)
                                .Frame(3, 1, indices, false, {}, 2));
    ASSERT_TRUE(earlierKept);
    EXPECT_EQ(earlierKept->GetBits()[0], 0xFFFF0000u);
    EXPECT_EQ(earlierKept->GetBits()[2], 0x00000000u);
}

TEST_F(GifReaderTest, InterlacedRowsGoToTheirPasses) {
    // Stored row k holds index k, so each decoded row shows where it was stored.
    struct Case {
        int height;
        std::vector<int> storedOrder;
    };
    for (const Case& c : {Case{5, {0, 4, 2, 1, 3}}, Case{2, {0, 1}}, Case{3, {0, 2, 1}},
                          Case{10, {0, 8, 4, 2, 6, 1, 3, 5, 7, 9}}}) {
        const int width = 3;
        Bytes indices;
        std::vector<uint32_t> colors;
        for (int k = 0; k < c.height; ++k) {
            indices.insert(indices.end(), width, static_cast<uint8_t>(k));
            colors.push_back(0x100000u * uint32_t(k + 1));
        }
        auto image = Read(GifFile(width, c.height, colors).Frame(width, c.height, indices, true));
        ASSERT_TRUE(image);
        for (int k = 0; k < c.height; ++k) {
            int row = c.storedOrder[static_cast<size_t>(k)];
            for (int x = 0; x < width; ++x)
                EXPECT_EQ(PixelAt(*image, x, row), 0xFF000000u | colors[static_cast<size_t>(k)])
                    << "height " << c.height << ", stored row " << k;
        }
    }
}

TEST_F(GifReaderTest, OnlyTheFirstFrameAtItsOwnSize) {
    GifFile gif(10, 10, FourColors);
    gif.Comment("made by a test")
        .Frame(3, 2, Bytes(6, 1), false, {}, 2)
        .Frame(5, 5, Bytes(25, 2), false, {}, 2);
    auto image = Read(gif.Trailer());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetWidth(), 3);
    EXPECT_EQ(image->GetHeight(), 2);
    EXPECT_EQ(image->GetBits()[5], 0xFFFF0000u);
}

TEST_F(GifReaderTest, LocalTableWinsOverTheGlobalOne) {
    auto image = Read(GifFile(2, 1, FourColors).Frame(2, 1, {0, 1}, false, {0x123456, 0xABCDEF}, 2));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetBits()[0], 0xFF123456u);
    EXPECT_EQ(image->GetBits()[1], 0xFFABCDEFu);
}

TEST_F(GifReaderTest, IndicesWithoutColourAreOpaqueBlack) {
    // A two-entry table read with eight-index data, and a file with no table at all.
    auto beyond = Read(GifFile(4, 1, {0xFFFFFF, 0x808080}).Frame(4, 1, {0, 1, 5, 7}, false, {}, 3));
    ASSERT_TRUE(beyond);
    EXPECT_EQ(beyond->GetBits()[0], 0xFFFFFFFFu);
    EXPECT_EQ(beyond->GetBits()[1], 0xFF808080u);
    EXPECT_EQ(beyond->GetBits()[2], 0xFF000000u);
    EXPECT_EQ(beyond->GetBits()[3], 0xFF000000u);

    auto noTable = Read(GifFile(2, 1, {}).Frame(2, 1, {0, 200}));
    ASSERT_TRUE(noTable);
    EXPECT_EQ(noTable->GetBits()[0], 0xFF000000u);
    EXPECT_EQ(noTable->GetBits()[1], 0xFF000000u);
}

TEST_F(GifReaderTest, EarlyEndKeepsWhatWasDecodedAndLeavesTheRestTransparent) {
    // Minimum code size 2: clear, 1, 2, 3, then (codes now 4 bits wide) the end code before the
    // picture is full.
    Bytes ended = PackCodes({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {5, 4}});
    auto image = Read(GifFile(3, 2, FourColors).FrameWithData(3, 2, 2, ended));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetBits()[0], 0xFFFF0000u);
    EXPECT_EQ(image->GetBits()[1], 0xFF00FF00u);
    EXPECT_EQ(image->GetBits()[2], 0xFF0000FFu);
    for (int i = 3; i < 6; ++i)
        EXPECT_EQ(image->GetBits()[i], 0u);

    // Data that ends after four pixels (exactly two bytes), and a code beyond the next free one.
    Bytes cut = PackCodes({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {1, 4}});
    ASSERT_EQ(cut.size(), 2u);
    auto truncated = Read(GifFile(3, 2, FourColors).FrameWithData(3, 2, 2, cut));
    ASSERT_TRUE(truncated);
    EXPECT_EQ(truncated->GetBits()[3], 0xFFFF0000u);
    EXPECT_EQ(truncated->GetBits()[4], 0u);
    EXPECT_EQ(truncated->GetBits()[5], 0u);
    auto badCode =
        Read(GifFile(3, 1, FourColors).FrameWithData(3, 1, 2, PackCodes({{4, 3}, {3, 3}, {7, 3}})));
    ASSERT_TRUE(badCode);
    EXPECT_EQ(badCode->GetBits()[0], 0xFF0000FFu);
    EXPECT_EQ(badCode->GetBits()[1], 0u);
}

TEST_F(GifReaderTest, ClearCodeMidStreamAndTheCodeBeingDefined) {
    // 1, then code 6 (not yet defined: 1 followed by 1), a clear, 2, then 6 again (now 2 2).
    Bytes codes = PackCodes({{4, 3}, {1, 3}, {6, 3}, {4, 3}, {2, 3}, {6, 3}, {5, 3}});
    auto image = Read(GifFile(6, 1, FourColors).FrameWithData(6, 1, 2, codes));
    ASSERT_TRUE(image);
    const uint32_t expected[] = {0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(image->GetBits()[i], expected[i]) << i;

    // Right after a clear, a table code has nothing to extend: decoding stops there.
    auto afterClear =
        Read(GifFile(2, 1, FourColors).FrameWithData(2, 1, 2, PackCodes({{4, 3}, {6, 3}, {1, 3}})));
    ASSERT_TRUE(afterClear);
    EXPECT_EQ(afterClear->GetBits()[0], 0u);
}

TEST_F(GifReaderTest, ImpossibleCodeSizeGivesAnEmptyPicture) {
    auto image = Read(GifFile(2, 2, FourColors).FrameWithData(2, 2, 12, Bytes(20, 0xAB)));
    ASSERT_TRUE(image);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(image->GetBits()[i], 0u);
}

TEST_F(GifReaderTest, FilesThatHoldNoPictureGiveNone) {
    EXPECT_FALSE(ReadGif(mFolder.Path("missing.gif")));
    Bytes good = GifFile(2, 1, FourColors).Frame(2, 1, {1, 2}, false, {}, 2).GetBytes();
    ASSERT_TRUE(ReadBytes(good));

    Bytes wrongSignature = good;
    wrongSignature[4] = '8'; // "GIF88a"
    EXPECT_FALSE(ReadBytes(wrongSignature));
    Bytes gif87 = good;
    gif87[4] = '7';
    EXPECT_TRUE(ReadBytes(gif87));

    EXPECT_FALSE(ReadBytes(GifFile(2, 1, FourColors).Trailer().Frame(2, 1, {1, 2}, false, {}, 2).GetBytes()));
    EXPECT_FALSE(ReadBytes(GifFile(2, 1, FourColors).Comment("no picture").GetBytes()));
    EXPECT_FALSE(ReadBytes(GifFile(0, 0, FourColors).Frame(0, 3, {}, false, {}, 2).GetBytes()));
    EXPECT_FALSE(ReadBytes(Bytes(good.begin(), good.begin() + 5)));
    EXPECT_FALSE(ReadBytes(Bytes(good.begin(), good.begin() + 30))) << "cut inside the image descriptor";
}

TEST_F(GifReaderTest, NoiseBetweenBlocksIsSkipped) {
    auto image = Read(GifFile(2, 1, FourColors).Raw({0x00, 0x99, 0x2B}).Frame(2, 1, {3, 1}, false, {}, 2));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetBits()[0], 0xFF0000FFu);
}

TEST_F(GifReaderTest, HeadersAnnouncingHugePicturesAreRefused) {
    // 65535 × 65535 pixels would need 16 GiB.
    EXPECT_FALSE(Read(GifFile(2, 2, FourColors).FrameWithData(65535, 65535, 2, PackCodes({{4, 3}, {1, 3}}))));
    // 16384 × 16384 is the largest square allowed, but 35 bytes cannot fill its gigabyte of pixels.
    EXPECT_FALSE(ReadBytes(GifBomb()));

    // Data that could fill it at LZW's best ratio (4096 pixels from each 3-bit code) is enough; what it
    // does not reach stays transparent.
    Bytes codes = PackCodes({{4, 3}, {1, 3}});
    codes.resize(16384 * 16384 / 4096 * 3 / 8, 0); // then index 0 again and again
    auto largest = Read(GifFile(2, 2, FourColors).FrameWithData(16384, 16384, 2, codes));
    ASSERT_TRUE(largest);
    EXPECT_EQ(largest->GetBits()[0], 0xFFFF0000u);
    EXPECT_EQ(largest->GetBits()[1], 0xFF000000u);
    EXPECT_EQ(largest->GetBits()[largest->GetPixelCount() - 1], 0u);
    // A picture of at most 16 M pixels is taken from any data, however little.
    auto small = Read(GifFile(2, 2, FourColors).FrameWithData(4096, 4096, 2, PackCodes({{4, 3}, {1, 3}})));
    ASSERT_TRUE(small);
    EXPECT_EQ(small->GetBits()[0], 0xFFFF0000u);
}
