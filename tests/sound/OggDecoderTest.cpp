#include "framework/sound/OggDecoder.h"

#include "framework/sound/Mp3Decoder.h"
#include "support/SoundTestFiles.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Zorbel;
using namespace ZorbelTest;

TEST(OggDecoderTest, AVorbisFileDecodesToItsWholeLength) {
    SoundFolder folder;
    MakeEncodedTone("ogg", "tone.ogg", 440, 0.5, 2, 22050);
    auto sound = OggDecoder::ReadSound("tone.ogg");
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->Format(), (PcmFormat{2, 22050, 16}));
    EXPECT_EQ(sound->FrameCount(), 11025u);
    std::vector<int16_t> left = Channel(SamplesOf(*sound), 0);
    EXPECT_NEAR(FrequencyOf(left, 22050), 440, 1);
    EXPECT_NEAR(Rms(Slice(left, 2000, 5000)), 16384 / std::sqrt(2.0), 500);

    // A stream reads piece by piece and seeks.
    OggDecoder decoder("tone.ogg");
    ASSERT_TRUE(decoder.Open());
    EXPECT_EQ(decoder.ClaimedFrames(), 11025);
    ASSERT_TRUE(decoder.SeekFrame(11000));
    std::vector<uint8_t> tail(1000);
    EXPECT_EQ(decoder.Read(tail.data(), tail.size()), 100);
}

TEST(OggDecoderTest, StreamsThatLieOrBreakOffAreRefused) {
    SoundFolder folder;
    // The last page claims ten times the frames there are: the decoder runs dry first.
    MakeEncodedTone("ogg", "long.ogg", 440, 0.2, 1, 44100, 88200);
    EXPECT_FALSE(OggDecoder::ReadSound("long.ogg"));
    // A claim beyond what any sound may hold is refused before decoding.
    MakeEncodedTone("ogg", "huge.ogg", 440, 0.2, 1, 44100, 1ll << 40);
    EXPECT_FALSE(OggDecoder::ReadSound("huge.ogg"));

    MakeEncodedTone("ogg", "whole.ogg", 440, 0.5, 1, 44100);
    std::string bytes = ReadFile("whole.ogg");
    WriteFile("half.ogg", bytes.substr(0, bytes.size() / 2));
    EXPECT_FALSE(OggDecoder::ReadSound("half.ogg"));
    WriteFile("header.ogg", bytes.substr(0, 60));
    EXPECT_FALSE(OggDecoder::ReadSound("header.ogg"));
    WriteFile("noise.ogg", std::string(4096, 'O'));
    EXPECT_FALSE(OggDecoder::ReadSound("noise.ogg"));
    EXPECT_FALSE(OggDecoder::ReadSound("missing.ogg"));
}

TEST(Mp3DecoderTest, AnMp3FileDecodesToSixteenBitFrames) {
    SoundFolder folder;
    MakeEncodedTone("mp3", "tone.mp3", 440, 0.5, 2, 44100);
    auto sound = Mp3Decoder::ReadSound("tone.mp3");
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->Format(), (PcmFormat{2, 44100, 16}));
    // The encoder adds its delay and padding around the tone.
    EXPECT_GE(sound->FrameCount(), 22050u);
    EXPECT_LT(sound->FrameCount(), 22050u + 4 * 1152);
    std::vector<int16_t> left = Channel(SamplesOf(*sound), 0);
    EXPECT_NEAR(FrequencyOf(Slice(left, 4000, 10000), 44100), 440, 1);

    WriteFile("noise.mp3", std::string(4096, 'M'));
    EXPECT_FALSE(Mp3Decoder::ReadSound("noise.mp3"));
    std::filesystem::create_directory("folder.mp3");
    EXPECT_FALSE(Mp3Decoder::ReadSound("folder.mp3"));
}
