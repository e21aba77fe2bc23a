#pragma once

// Music files for the music tests, written here: a tiny four-channel tracker module.
#include "support/SoundTestFiles.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace ZorbelTest {

inline void PutBe16(std::string& out, int value) {
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
    out.push_back(static_cast<char>(value & 0xFF));
}

// The pitch a module note of an Amiga period plays a sample at, in frames per second (PAL clock).
inline double AmigaRate(int period) {
    return 3546895.0 / period;
}

// A four-channel module ("M.K.") with one looping sample of a single sine cycle of SampleFrames frames,
// and one pattern per period given: each starts that note on its first row, in the first channel.
inline constexpr int ModSampleFrames = 32;

inline std::string TinyMod(const std::vector<int>& periods) {
    std::string file(20, '\0');
    file.replace(0, 4, "tiny");
    for (int sample = 1; sample <= 31; ++sample) {
        std::string header(22, '\0');
        bool used = sample == 1;
        PutBe16(header, used ? ModSampleFrames / 2 : 0);
        header.push_back(0);                             // finetune
        header.push_back(used ? 64 : 0);                 // volume
        PutBe16(header, 0);                              // loop start, in words
        PutBe16(header, used ? ModSampleFrames / 2 : 1); // loop length, in words
        file += header;
    }
    file.push_back(static_cast<char>(periods.size()));
    file.push_back(127);
    std::string orders(128, '\0');
    for (size_t i = 0; i < periods.size(); ++i)
        orders[i] = static_cast<char>(i);
    file += orders;
    file += "M.K.";
    for (int period : periods) {
        std::string pattern(64 * 4 * 4, '\0');
        pattern[0] = static_cast<char>((1 & 0xF0) | ((period >> 8) & 0x0F));
        pattern[1] = static_cast<char>(period & 0xFF);
        pattern[2] = static_cast<char>((1 & 0x0F) << 4);
        file += pattern;
    }
    for (int i = 0; i < ModSampleFrames; ++i)
        file.push_back(static_cast<char>(std::lround(100 * std::sin(2 * M_PI * i / ModSampleFrames))));
    return file;
}

// 16-bit samples that all hold one value: their level after a gain is easy to read.
inline std::vector<int16_t> ConstantSamples(int16_t value, uint32_t frames, int channels = 1) {
    return std::vector<int16_t>(size_t(frames) * channels, value);
}

} // namespace ZorbelTest
