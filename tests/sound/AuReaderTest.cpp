#include "framework/sound/AuReader.h"

#include "support/SoundTestFiles.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Zorbel;
using namespace ZorbelTest;

TEST(AuReaderTest, MuLawBytesBecomeSixteenBitSamples) {
    // Each segment of the curve, both signs: bytes from 128 up are positive.
    EXPECT_EQ(AuReader::MuLawSample(0xFF), 0);
    EXPECT_EQ(AuReader::MuLawSample(0x7F), 0);
    EXPECT_EQ(AuReader::MuLawSample(0xF0), 120);   // (255 − 240) × 2 × 4
    EXPECT_EQ(AuReader::MuLawSample(0xE0), 368);   // (247 − 224) × 4 × 4
    EXPECT_EQ(AuReader::MuLawSample(0xC0), 1856);  // (221 − 192) × 16 × 4
    EXPECT_EQ(AuReader::MuLawSample(0xA0), 7808);  // (12192 − 64 × 160) × 4
    EXPECT_EQ(AuReader::MuLawSample(0x90), 15744); // (22368 − 128 × 144) × 4
    EXPECT_EQ(AuReader::MuLawSample(0x81), 30592); // (40672 − 256 × 129) × 4
    EXPECT_EQ(AuReader::MuLawSample(0x01), -30592);
    EXPECT_EQ(AuReader::MuLawSample(0x80), 1020);
    EXPECT_EQ(AuReader::MuLawSample(0x00), -1020);

    SoundFolder folder;
    WriteFile("law.au", AuFile(1, 8000, 1, "\xFF\x81\x01\xC0"));
    auto sound = AuReader::ReadSound("law.au");
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->Format(), (PcmFormat{1, 8000, 16}));
    EXPECT_EQ(SamplesOf(*sound), (std::vector<int16_t>{0, 30592, -30592, 1856}));
}

TEST(AuReaderTest, SignedEightBitSamplesBecomeUnsigned) {
    SoundFolder folder;
    WriteFile("linear.au", AuFile(2, 11025, 2, std::string("\x00\x7F\x80\x01", 4)));
    auto sound = AuReader::ReadSound("linear.au");
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->Format(), (PcmFormat{2, 11025, 8}));
    EXPECT_EQ(std::vector<uint8_t>(sound->Data(), sound->Data() + 4),
              (std::vector<uint8_t>{128, 255, 0, 129}));

    // Writers that cannot seek back leave the size unknown: the data runs to the end of the file.
    WriteFile("unknown.au", AuFile(2, 11025, 1, "\x10\x20\x30", 0xFFFFFFFF));
    sound = AuReader::ReadSound("unknown.au");
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->Size(), 3u);
}

TEST(AuReaderTest, OtherEncodingsAndDamagedFilesAreRefused) {
    SoundFolder folder;
    std::string offsetPastEnd = AuFile(1, 8000, 1, "\x01\x02");
    offsetPastEnd[7] = 100;
    const std::pair<const char*, std::string> refused[] = {
        {"16-bit linear", AuFile(3, 8000, 1, "\x01\x02")},
        {"float", AuFile(6, 8000, 1, "\x01\x02\x03\x04")},
        {"short data", AuFile(1, 8000, 1, "\x01\x02", 3)},
        {"huge size", AuFile(1, 8000, 1, "\x01\x02", 0xFFFFFFF0)},
        {"no channels", AuFile(1, 8000, 0, "\x01\x02")},
        {"three channels", AuFile(1, 8000, 3, "\x01\x02\x03")},
        {"no rate", AuFile(1, 0, 1, "\x01\x02")},
        {"no data", AuFile(1, 8000, 1, "")},
        {"offset past the end", offsetPastEnd},
        {"other magic", "RIFF" + AuFile(1, 8000, 1, "\x01").substr(4)},
        {"short header", AuFile(1, 8000, 1, "").substr(0, 20)},
    };
    for (const auto& [name, bytes] : refused) {
        WriteFile("bad.au", bytes);
        EXPECT_FALSE(AuReader::ReadSound("bad.au")) << name;
    }
}
