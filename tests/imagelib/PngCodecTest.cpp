#include "framework/imagelib/ImageLib.h"
#include "imagelib/PictureFiles.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <filesystem>
#include <optional>
#include <random>

#include <png.h>
#include <zlib.h>

using namespace Zorbel::ImageLib;
using namespace PictureFiles;

namespace {

// What a PNG file holds, written by libpng directly so that the reader meets every kind of file.
struct PngLayout {
    int width = 0;
    int height = 0;
    int colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    int bitDepth = 8;
    bool interlaced = false;
    Bytes samples;                   // rows packed as the file stores them
    std::vector<png_color> palette;  // for palette files
    Bytes paletteAlpha;              // tRNS for palette files
    std::optional<png_color_16> key; // tRNS for grey and RGB files
};

void AppendToBytes(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

Bytes EncodePng(const PngLayout& layout) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, AppendToBytes, nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(layout.width), static_cast<png_uint_32>(layout.height),
                 layout.bitDepth, layout.colorType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!layout.palette.empty())
        png_set_PLTE(png, info, layout.palette.data(), static_cast<int>(layout.palette.size()));
    if (!layout.paletteAlpha.empty())
        png_set_tRNS(png, info, layout.paletteAlpha.data(), static_cast<int>(layout.paletteAlpha.size()),
                     nullptr);
    if (layout.key) png_set_tRNS(png, info, nullptr, 0, &*layout.key);
    png_write_info(png, info);
    size_t rowBytes = layout.samples.size() / size_t(layout.height);
    std::vector<png_bytep> rows;
    for (int y = 0; y < layout.height; ++y)
        rows.push_back(const_cast<png_bytep>(layout.samples.data()) + size_t(y) * rowBytes);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

class PngCodecTest : public ::testing::Test {
protected:
    std::unique_ptr<Image> ReadBytes(const Bytes& bytes) {
        std::string path = mFolder.Path("pic.png");
        WriteFile(path, bytes);
        return ReadPng(path);
    }

    std::vector<uint32_t> Pixels(const Image& image) {
        return std::vector<uint32_t>(image.GetBits(), image.GetBits() + image.GetPixelCount());
    }

    ScratchFolder mFolder;
};

uint32_t NoisePixel(std::mt19937& random) {
    return static_cast<uint32_t>(random());
}

} // namespace

TEST_F(PngCodecTest, WrittenPicturesReadBackBitForBit) {
    std::mt19937 random(7);
    for (auto [width, height] : {std::pair{1, 1}, std::pair{37, 23}, std::pair{256, 3}}) {
        auto original = MakeImage(width, height, [&](int, int) { return NoisePixel(random); });
        std::string path = mFolder.Path("round.png");
        ASSERT_TRUE(WritePng(path, *original));
        auto image = ReadPng(path);
        ASSERT_TRUE(image);
        ASSERT_EQ(image->GetWidth(), width);
        ASSERT_EQ(image->GetHeight(), height);
        EXPECT_EQ(Pixels(*image), Pixels(*original));
    }
}

TEST_F(PngCodecTest, WrittenFilesAre8BitRgbaWithSignificantBits) {
    auto original = MakeImage(5, 4, [](int x, int y) { return uint32_t(x * 40 + y) * 0x01010101u; });
    std::string path = mFolder.Path("kind.png");
    ASSERT_TRUE(WritePng(path, *original));
    Bytes file = ReadFile(path);
    ASSERT_GT(file.size(), 33u);
    EXPECT_EQ(file[24], 8) << "bit depth";
    EXPECT_EQ(file[25], 6) << "colour type RGBA";
    EXPECT_EQ(file[28], 0) << "not interlaced";
    std::string text(file.begin(), file.end());
    size_t sbit = text.find("sBIT");
    ASSERT_NE(sbit, std::string::npos);
    EXPECT_EQ(text.substr(sbit + 4, 4), std::string(4, '\x08'));
    EXPECT_FALSE(TemporaryLeftBeside(path));
}

TEST_F(PngCodecTest, PaletteAndTransparencyChunkBecomeColourAndAlpha) {
    PngLayout layout;
    layout.width = 4;
    layout.height = 1;
    layout.colorType = PNG_COLOR_TYPE_PALETTE;
    layout.bitDepth = 2;
    layout.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};
    layout.paletteAlpha = {0, 128};
    layout.samples = {0b00011011}; // indices 0, 1, 2, 3
    auto image = ReadBytes(EncodePng(layout));
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0x00FF0000, 0x8000FF00, 0xFF0000FF, 0xFF0A141E}));
}

TEST_F(PngCodecTest, GreyBecomesRgbWithOpaqueOrKeyedAlpha) {
    PngLayout bits;
    bits.width = 8;
    bits.height = 1;
    bits.colorType = PNG_COLOR_TYPE_GRAY;
    bits.bitDepth = 1;
    bits.samples = {0b10100000};
    auto oneBit = ReadBytes(EncodePng(bits));
    ASSERT_TRUE(oneBit);
    EXPECT_EQ(oneBit->GetBits()[0], 0xFFFFFFFFu);
    EXPECT_EQ(oneBit->GetBits()[1], 0xFF000000u);
    EXPECT_EQ(oneBit->GetBits()[2], 0xFFFFFFFFu);

    PngLayout keyed;
    keyed.width = 3;
    keyed.height = 1;
    keyed.colorType = PNG_COLOR_TYPE_GRAY;
    keyed.samples = {0x10, 0x80, 0xF0};
    keyed.key = png_color_16{0, 0, 0, 0, 0x80};
    auto key = ReadBytes(EncodePng(keyed));
    ASSERT_TRUE(key);
    EXPECT_EQ(Pixels(*key), (std::vector<uint32_t>{0xFF101010, 0x00808080, 0xFFF0F0F0}));

    PngLayout greyAlpha;
    greyAlpha.width = 2;
    greyAlpha.height = 1;
    greyAlpha.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    greyAlpha.samples = {0x40, 0x00, 0xC0, 0x7F};
    auto ga = ReadBytes(EncodePng(greyAlpha));
    ASSERT_TRUE(ga);
    EXPECT_EQ(Pixels(*ga), (std::vector<uint32_t>{0x00404040, 0x7FC0C0C0}));
}

TEST_F(PngCodecTest, RgbWithoutAlphaIsOpaque) {
    PngLayout layout;
    layout.width = 2;
    layout.height = 1;
    layout.colorType = PNG_COLOR_TYPE_RGB;
    layout.samples = {1, 2, 3, 250, 251, 252};
    auto image = ReadBytes(EncodePng(layout));
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0xFF010203, 0xFFFAFBFC}));
}

TEST_F(PngCodecTest, SixteenBitChannelsAreScaledTo8Bits) {
    PngLayout layout;
    layout.width = 2;
    layout.height = 1;
    layout.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    layout.bitDepth = 16;
    // (0xFFFF, 0x8080, 0x0000, 0xFFFF) and (0x1234, 0x00FF, 0xFF00, 0x7FFF), big-endian samples.
    layout.samples = {0xFF, 0xFF, 0x80, 0x80, 0x00, 0x00, 0xFF, 0xFF,
                      0x12, 0x34, 0x00, 0xFF, 0xFF, 0x00, 0x7F, 0xFF};
    auto image = ReadBytes(EncodePng(layout));
    ASSERT_TRUE(image);
    ASSERT_EQ(image->GetWidth(), 2);
    // value × 255 / 65535, rounded.
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0xFFFF8000, 0x7F1201FE}));
}

TEST_F(PngCodecTest, InterlacedFilesGiveTheSamePixels) {
    std::mt19937 random(3);
    PngLayout layout;
    layout.width = 13;
    layout.height = 11;
    for (int i = 0; i < layout.width * layout.height * 4; ++i)
        layout.samples.push_back(static_cast<uint8_t>(random()));
    auto plain = ReadBytes(EncodePng(layout));
    layout.interlaced = true;
    Bytes interlacedFile = EncodePng(layout);
    ASSERT_EQ(interlacedFile[28], 1) << "the test file is interlaced";
    auto interlaced = ReadBytes(interlacedFile);
    ASSERT_TRUE(plain);
    ASSERT_TRUE(interlaced);
    EXPECT_EQ(Pixels(*interlaced), Pixels(*plain));
    EXPECT_EQ(plain->GetBits()[0], uint32_t(layout.samples[3]) << 24 | uint32_t(layout.samples[0]) << 16 |
                                       uint32_t(layout.samples[1]) << 8 | layout.samples[2]);
}

TEST_F(PngCodecTest, BrokenFilesGiveNoPictureAndCloseTheFile) {
    std::mt19937 random(11);
    auto original = MakeImage(40, 30, [&](int, int) { return NoisePixel(random); });
    std::string path = mFolder.Path("good.png");
    ASSERT_TRUE(WritePng(path, *original));
    Bytes good = ReadFile(path);

    int before = OpenFileCount();
    EXPECT_FALSE(ReadPng(mFolder.Path("missing.png")));
    EXPECT_FALSE(ReadBytes(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2))));
    EXPECT_FALSE(ReadBytes(Bytes(good.begin(), good.begin() + 20)));
    Bytes badCrc = good;
    badCrc[20] ^= 1; // inside the header chunk
    EXPECT_FALSE(ReadBytes(badCrc));
    Bytes badData = good;
    for (size_t i = 60; i < 200; ++i)
        badData[i] ^= 0x5A;
    EXPECT_FALSE(ReadBytes(badData));
    EXPECT_FALSE(ReadBytes(Bytes{'G', 'I', 'F', '8', '9', 'a'}));
    EXPECT_EQ(OpenFileCount(), before);
}

TEST_F(PngCodecTest, HugePicturesAreRefusedAndLargePlausibleOnesRead) {
    // 20000 × 20000 RGBA: a valid header chunk followed by a little image data.
    Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutPngChunk(file, "IHDR", {0, 0, 0x4E, 0x20, 0, 0, 0x4E, 0x20, 8, 6, 0, 0, 0});
    uint8_t zeros[64] = {};
    Bytes compressed(128);
    uLongf length = compressed.size();
    compress(compressed.data(), &length, zeros, sizeof zeros);
    compressed.resize(length);
    PutPngChunk(file, "IDAT", compressed);
    PutPngChunk(file, "IEND", {});
    EXPECT_FALSE(ReadBytes(file));

    // Past 16 M pixels a picture needs a byte for every 512 of them; noise has far more.
    std::mt19937 random(5);
    PngLayout noise;
    noise.width = 4100;
    noise.height = 4100;
    noise.colorType = PNG_COLOR_TYPE_GRAY;
    noise.bitDepth = 1;
    noise.samples.resize(size_t(4100 / 8 + 1) * 4100);
    for (uint8_t& sample : noise.samples)
        sample = static_cast<uint8_t>(random());
    auto large = ReadBytes(EncodePng(noise));
    ASSERT_TRUE(large);
    EXPECT_EQ(large->GetPixelCount(), 4100u * 4100u);
}

TEST_F(PngCodecTest, FailedWritesReportFalseAndKeepTheOldFile) {
    auto small = MakeImage(2, 2, [](int, int) { return 0xFF00FF00u; });
    EXPECT_FALSE(WritePng(mFolder.Path("no/such/folder/pic.png"), *small));

    std::string path = mFolder.Path("kept.png");
    ASSERT_TRUE(WritePng(path, *small));
    Bytes before = ReadFile(path);
    // Wider than the library agrees to write: it fails after the file was opened.
    auto tooWide = Image::Create(1000001, 1);
    ASSERT_TRUE(tooWide);
    EXPECT_FALSE(WritePng(path, *tooWide));
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_FALSE(TemporaryLeftBeside(path));
}
