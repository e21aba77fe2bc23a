#pragma once

// Reads the screenshots that xwd writes (X Window Dump, version 7, ZPixmap of 24 or 32 bits per pixel)
// into 0xRRGGBB pixels, so window tests can compare what an X server shows. Header-only: the end-to-end
// probe, its unit test and its fuzz target share it.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Zorbel::Testing {

struct XwdImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels; // 0xRRGGBB, rows top to bottom

    uint32_t At(int32_t x, int32_t y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }

    // Null, with the reason in error, for anything that is not a dump this reader understands.
    static std::optional<XwdImage> Parse(const std::vector<uint8_t>& data, std::string* error = nullptr) {
        auto fail = [error](const char* why) -> std::optional<XwdImage> {
            if (error) *error = why;
            return std::nullopt;
        };
        constexpr size_t kFields = 25;
        if (data.size() < kFields * 4) return fail("shorter than an XWD header");
        auto field = [&data](size_t i) {
            const uint8_t* p = data.data() + i * 4;
            return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
        };
        const uint32_t headerSize = field(0), version = field(1), format = field(2);
        const uint32_t width = field(4), height = field(5), byteOrder = field(7);
        const uint32_t bitsPerPixel = field(11), bytesPerLine = field(12);
        const uint32_t masks[3] = {field(14), field(15), field(16)};
        const uint32_t colours = field(19);
        if (version != 7) return fail("not an XWD version 7 file");
        if (format != 2) return fail("not a ZPixmap dump");
        if (bitsPerPixel != 24 && bitsPerPixel != 32) return fail("unsupported pixel size");
        if (width == 0 || height == 0 || width > 32768 || height > 32768) return fail("impossible size");
        if (headerSize < kFields * 4 || headerSize > data.size()) return fail("bad header size");
        const uint64_t bytesPerPixel = bitsPerPixel / 8;
        if (uint64_t(bytesPerLine) < uint64_t(width) * bytesPerPixel)
            return fail("rows shorter than the width");
        for (uint32_t mask : masks)
            if (mask == 0 || std::popcount(mask) > 8) return fail("unsupported channel masks");
        const uint64_t start = uint64_t(headerSize) + uint64_t(colours) * 12;
        const uint64_t needed =
            start + uint64_t(bytesPerLine) * (height - 1) + uint64_t(width) * bytesPerPixel;
        if (needed > data.size()) return fail("truncated pixel data");

        XwdImage image;
        image.width = static_cast<int32_t>(width);
        image.height = static_cast<int32_t>(height);
        image.pixels.resize(size_t(width) * height);
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* row = data.data() + start + uint64_t(bytesPerLine) * y;
            for (uint32_t x = 0; x < width; ++x) {
                const uint8_t* p = row + x * bytesPerPixel;
                uint32_t v = 0;
                for (uint64_t b = 0; b < bytesPerPixel; ++b) {
                    // Byte order 0 is least significant byte first.
                    const uint64_t shift = byteOrder == 0 ? b * 8 : (bytesPerPixel - 1 - b) * 8;
                    v |= uint32_t(p[b]) << shift;
                }
                uint32_t rgb = 0;
                for (int c = 0; c < 3; ++c) {
                    const uint32_t mask = masks[c];
                    const uint32_t bits = static_cast<uint32_t>(std::popcount(mask));
                    uint32_t value = (v & mask) >> std::countr_zero(mask);
                    value = bits >= 8 ? value
                                      : (value << (8 - bits)) | (value >> (2 * bits > 8 ? 2 * bits - 8 : 0));
                    rgb |= (value & 0xFF) << (16 - 8 * c);
                }
                image.pixels[size_t(y) * width + x] = rgb;
            }
        }
        return image;
    }
};

} // namespace Zorbel::Testing
