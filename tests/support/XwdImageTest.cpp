#include "support/XwdImage.h"

#include <gtest/gtest.h>

using namespace Zorbel::Testing;

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

// A dump as an X server with a 24-bit TrueColor screen writes it: 32 bits per pixel, least
// significant byte first, rows padded to bytesPerLine.
std::vector<uint8_t> Dump(uint32_t width, uint32_t height, uint32_t bytesPerLine,
                          const std::vector<uint32_t>& rgb, uint32_t colours = 0) {
    std::vector<uint8_t> out;
    const std::string name = "xwdump";
    const uint32_t header = 100 + static_cast<uint32_t>(name.size()) + 1;
    const uint32_t fields[25] = {header, 7,       2,     24,           width, height,   0,      0,    32,
                                 0,      32,      32,    bytesPerLine, 4,     0xFF0000, 0xFF00, 0xFF, 8,
                                 256,    colours, width, height,       0,     0,        0};
    for (uint32_t f : fields)
        Put32(out, f);
    out.insert(out.end(), name.begin(), name.end());
    out.push_back(0);
    out.resize(out.size() + colours * 12, 0);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t v = rgb[y * width + x];
            for (int b = 0; b < 4; ++b)
                out.push_back(static_cast<uint8_t>(v >> (8 * b)));
        }
        out.resize(out.size() + (bytesPerLine - width * 4), 0xEE);
    }
    return out;
}

} // namespace

TEST(XwdImageTest, ReadsATrueColourDumpWithPaddedRowsAndAColourMap) {
    const std::vector<uint32_t> rgb = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFFFFFF, 0x000000};
    auto image = XwdImage::Parse(Dump(3, 2, 16, rgb, 2));
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(image->At(x, y), rgb[static_cast<size_t>(y * 3 + x)]);
}

TEST(XwdImageTest, RefusesDumpsItCannotRead) {
    std::string error;
    auto good = Dump(2, 2, 8, {1, 2, 3, 4});
    auto truncated = good;
    truncated.resize(truncated.size() - 1);
    EXPECT_FALSE(XwdImage::Parse(truncated, &error));
    EXPECT_EQ(error, "truncated pixel data");
    auto badVersion = good;
    badVersion[7] = 6;
    EXPECT_FALSE(XwdImage::Parse(badVersion, &error));
    auto narrowRows = Dump(2, 2, 4, {1, 2, 3, 4});
    EXPECT_FALSE(XwdImage::Parse(narrowRows, &error));
    EXPECT_FALSE(XwdImage::Parse({1, 2, 3}, &error));
    EXPECT_TRUE(XwdImage::Parse(good, &error));
}
