#include "framework/imagelib/ImageLib.h"
#include "imagelib/PictureFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <jpeglib.h>

using namespace Zorbel::ImageLib;
using namespace PictureFiles;

namespace {

// A JPEG written by libjpeg directly, for the kinds of file our writer does not make.
struct JpegLayout {
    int width = 0;
    int height = 0;
    int components = 3;
    J_COLOR_SPACE inputSpace = JCS_RGB;
    J_COLOR_SPACE fileSpace = JCS_UNKNOWN; // the library's choice
    bool adobeMarker = true;
    int quality = 95;
    int progressiveScans = 0; // > 0: a successive-approximation script with about this many scans
    Bytes samples;            // rows of width × components bytes
};

// Scans for a greyscale file: DC, then each AC coefficient alone, first at low precision and then
// refined one bit at a time, until roughly `wanted` scans.
std::vector<jpeg_scan_info> ManyScans(int wanted) {
    std::vector<jpeg_scan_info> scans;
    scans.push_back({1, {0}, 0, 0, 0, 0});
    for (int k = 1; k <= 63 && int(scans.size()) < wanted; ++k) {
        scans.push_back({1, {0}, k, k, 0, 9});
        for (int al = 8; al >= 0; --al)
            scans.push_back({1, {0}, k, k, al + 1, al});
    }
    return scans;
}

Bytes EncodeJpeg(const JpegLayout& layout) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(layout.width);
    info.image_height = static_cast<JDIMENSION>(layout.height);
    info.input_components = layout.components;
    info.in_color_space = layout.inputSpace;
    jpeg_set_defaults(&info);
    if (layout.fileSpace != JCS_UNKNOWN) jpeg_set_colorspace(&info, layout.fileSpace);
    info.write_Adobe_marker = layout.adobeMarker ? TRUE : FALSE;
    jpeg_set_quality(&info, layout.quality, TRUE);
    std::vector<jpeg_scan_info> scans;
    if (layout.progressiveScans > 0) {
        scans = ManyScans(layout.progressiveScans);
        info.scan_info = scans.data();
        info.num_scans = static_cast<int>(scans.size());
    }
    jpeg_start_compress(&info, TRUE);
    size_t rowBytes = size_t(layout.width) * size_t(layout.components);
    while (info.next_scanline < info.image_height) {
        auto row = const_cast<JSAMPROW>(layout.samples.data() + info.next_scanline * rowBytes);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

class JpegCodecTest : public ::testing::Test {
protected:
    std::unique_ptr<Image> ReadBytes(const Bytes& bytes) {
        std::string path = mFolder.Path("pic.jpg");
        WriteFile(path, bytes);
        return ReadJpeg(path);
    }

    // A uniform picture of one colour in the given input space.
    static JpegLayout Uniform(std::initializer_list<uint8_t> sample, J_COLOR_SPACE space, int size = 16) {
        JpegLayout layout;
        layout.width = size;
        layout.height = size;
        layout.components = static_cast<int>(sample.size());
        layout.inputSpace = space;
        for (int i = 0; i < size * size; ++i)
            layout.samples.insert(layout.samples.end(), sample);
        return layout;
    }

    ScratchFolder mFolder;
};

int ChannelDistance(uint32_t a, uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8)
        worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return worst;
}

void ExpectNear(uint32_t actual, uint32_t expected, int tolerance) {
    EXPECT_LE(ChannelDistance(actual, expected), tolerance) << std::hex << actual << " vs " << expected;
}

} // namespace

TEST_F(JpegCodecTest, WrittenPicturesReadBackWithinTheCodingError) {
    // A smooth picture with a translucent alpha, which the file drops.
    auto original = MakeImage(67, 45, [](int x, int y) {
        return 0x40000000u | uint32_t(x * 3) << 16 | uint32_t(y * 5) << 8 | uint32_t(128 + (x + y) / 2);
    });
    std::string path = mFolder.Path("round.jpg");
    ASSERT_TRUE(WriteJpeg(path, *original));
    auto image = ReadJpeg(path);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->GetWidth(), 67);
    ASSERT_EQ(image->GetHeight(), 45);
    long totalError = 0;
    int worst = 0;
    for (size_t i = 0; i < image->GetPixelCount(); ++i) {
        uint32_t pixel = image->GetBits()[i];
        ASSERT_EQ(pixel >> 24, 0xFFu);
        int error = ChannelDistance(pixel | 0xFF000000, original->GetBits()[i] | 0xFF000000);
        worst = std::max(worst, error);
        totalError += error;
    }
    EXPECT_LE(worst, 10);
    EXPECT_LT(double(totalError) / double(image->GetPixelCount()), 3.0);
}

TEST_F(JpegCodecTest, WrittenFilesAreBaselineAtQuality80) {
    auto original = MakeImage(16, 16, [](int x, int) { return 0xFF000000u | uint32_t(x * 16); });
    std::string path = mFolder.Path("kind.jpg");
    ASSERT_TRUE(WriteJpeg(path, *original));
    Bytes file = ReadFile(path);
    ASSERT_GT(file.size(), 4u);
    EXPECT_EQ(file[0], 0xFF);
    EXPECT_EQ(file[1], 0xD8);
    std::string text(file.begin(), file.end());
    EXPECT_NE(text.find("\xFF\xC0"), std::string::npos) << "baseline frame";
    // The first luminance quantiser: 16 at quality 50, scaled to 40 % at quality 80.
    size_t dqt = text.find("\xFF\xDB");
    ASSERT_NE(dqt, std::string::npos);
    EXPECT_EQ(file[dqt + 5], 6);
    EXPECT_FALSE(TemporaryLeftBeside(path));
}

TEST_F(JpegCodecTest, GreySampleIsSpreadToRgbAndOpaque) {
    auto image = ReadBytes(EncodeJpeg(Uniform({0x80}, JCS_GRAYSCALE)));
    ASSERT_TRUE(image);
    for (size_t i = 0; i < image->GetPixelCount(); ++i)
        ASSERT_EQ(image->GetBits()[i], 0xFF808080u) << i;
}

TEST_F(JpegCodecTest, CmykIsMixedToRgbInBothConventions) {
    // Adobe files store 255 minus the ink: (255, 0, 0, 255) means no cyan or black, full magenta
    // and yellow, which is red.
    auto adobeRed = ReadBytes(EncodeJpeg(Uniform({255, 0, 0, 255}, JCS_CMYK)));
    ASSERT_TRUE(adobeRed);
    ExpectNear(adobeRed->GetBits()[0], 0xFFFF0000, 3);
    // Half-strength black over no ink: a mid grey.
    auto adobeGrey = ReadBytes(EncodeJpeg(Uniform({255, 255, 255, 127}, JCS_CMYK)));
    ASSERT_TRUE(adobeGrey);
    ExpectNear(adobeGrey->GetBits()[0], 0xFF7F7F7F, 3);

    // Without Adobe's marker the samples are the ink amounts themselves.
    JpegLayout plain = Uniform({0, 255, 255, 0}, JCS_CMYK);
    plain.fileSpace = JCS_CMYK;
    plain.adobeMarker = false;
    auto plainRed = ReadBytes(EncodeJpeg(plain));
    ASSERT_TRUE(plainRed);
    ExpectNear(plainRed->GetBits()[0], 0xFFFF0000, 3);
}

TEST_F(JpegCodecTest, ProgressiveFilesReadUpToAScanLimit) {
    JpegLayout layout = Uniform({0x80}, JCS_GRAYSCALE);
    for (int i = 0; i < 256; ++i)
        layout.samples[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    layout.progressiveScans = 100;
    auto fine = ReadBytes(EncodeJpeg(layout));
    ASSERT_TRUE(fine);
    ExpectNear(fine->GetBits()[17], 0xFF111111, 4);

    layout.progressiveScans = 600;
    EXPECT_FALSE(ReadBytes(EncodeJpeg(layout))) << "hundreds of scans over one picture";
}

TEST_F(JpegCodecTest, BrokenFilesGiveNoPictureAndCloseTheFile) {
    Bytes good = EncodeJpeg(Uniform({10, 200, 30}, JCS_RGB, 32));
    ASSERT_TRUE(ReadBytes(good));

    int before = OpenFileCount();
    EXPECT_FALSE(ReadJpeg(mFolder.Path("missing.jpg")));
    EXPECT_FALSE(ReadBytes(Bytes(good.begin(), good.begin() + 100))) << "cut before the picture data";
    EXPECT_FALSE(ReadBytes(Bytes{0xFF, 0xD8, 0xFF, 0xD9}));
    EXPECT_FALSE(ReadBytes(Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0}));
    Bytes badFrame = good;
    size_t sof = std::string(good.begin(), good.end()).find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    badFrame[sof + 9] = 7; // seven components
    EXPECT_FALSE(ReadBytes(badFrame));
    EXPECT_EQ(OpenFileCount(), before);
}

TEST_F(JpegCodecTest, DataCutShortStillGivesThePictureItsSize) {
    // The library fills what is missing and warns; the picture is whole in size.
    Bytes good = EncodeJpeg(Uniform({10, 200, 30}, JCS_RGB, 64));
    auto image = ReadBytes(Bytes(good.begin(), good.end() - 40));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetWidth(), 64);
    ExpectNear(image->GetBits()[0], 0xFF0AC81E, 4);
}

TEST_F(JpegCodecTest, ForDisplayDecodesAtTheSmallestScaleThatCovers) {
    WriteFile(mFolder.Path("pic.jpg"), EncodeJpeg(Uniform({10, 200, 30}, JCS_RGB, 200)));
    struct Case {
        int displayWidth, displayHeight, side;
    };
    for (Case c : {Case{200, 200, 200}, Case{101, 10, 200}, Case{100, 100, 100}, Case{50, 40, 50},
                   Case{20, 20, 25}, Case{1, 1, 25}}) {
        auto image = ReadJpegForDisplay(mFolder.Path("pic.jpg"), c.displayWidth, c.displayHeight);
        ASSERT_TRUE(image) << c.displayWidth;
        EXPECT_EQ(image->GetWidth(), c.side) << c.displayWidth;
        EXPECT_EQ(image->GetHeight(), c.side) << c.displayWidth;
        ExpectNear(image->GetBits()[image->GetPixelCount() / 2], 0xFF0AC81E, 4);
    }
}

TEST_F(JpegCodecTest, FailedWritesReportFalseAndKeepTheOldFile) {
    auto small = MakeImage(2, 2, [](int, int) { return 0xFF00FF00u; });
    EXPECT_FALSE(WriteJpeg(mFolder.Path("no/such/folder/pic.jpg"), *small));

    std::string path = mFolder.Path("kept.jpg");
    ASSERT_TRUE(WriteJpeg(path, *small));
    Bytes before = ReadFile(path);
    // JPEG files cannot be wider than 65500 pixels: the library fails once the file is open.
    auto tooWide = Image::Create(70000, 1);
    ASSERT_TRUE(tooWide);
    EXPECT_FALSE(WriteJpeg(path, *tooWide));
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_FALSE(TemporaryLeftBeside(path));
}
