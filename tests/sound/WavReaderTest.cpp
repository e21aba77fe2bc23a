#include "framework/sound/WavReader.h"

#include "support/SoundTestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>

using namespace Zorbel;
using namespace ZorbelTest;

TEST(WavReaderTest, TheChunkWalkFindsFormatAndDataPastOtherChunks) {
    SoundFolder folder;
    std::vector<int16_t> samples = {1, -2, 3, -4, 5, -6};
    // An odd-sized chunk with its pad byte, as other writers put it, then one without, as ours do.
    std::string chunks = Chunk("LIST", std::string(5, 'x')) + std::string(1, '\0') +
                         FormatChunk(2, 8000, 16) + Chunk("fact", std::string(3, 'y')) +
                         Chunk("data", SampleBytes(samples)) + Chunk("junk", "trailing");
    WriteFile("walk.wav", WavFile(chunks));
    auto sound = WavReader::ReadSound("walk.wav");
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->Format(), (PcmFormat{2, 8000, 16}));
    EXPECT_EQ(SamplesOf(*sound), samples);

    // Data before any format chunk: one channel of 16 bits at 22050 Hz.
    WriteFile("bare.wav", WavFile(Chunk("data", SampleBytes(samples))));
    sound = WavReader::ReadSound("bare.wav");
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->Format(), (PcmFormat{1, 22050, 16}));
    EXPECT_EQ(sound->FrameCount(), 6u);

    WriteFile("bytes.wav", WavFile(FormatChunk(1, 11025, 8) + Chunk("data", "\x80\xff\x00")));
    sound = WavReader::ReadSound("bytes.wav");
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->Format(), (PcmFormat{1, 11025, 8}));
    EXPECT_EQ(sound->Data()[1], 0xFF);
}

TEST(WavReaderTest, FilesThatAreNotPlayablePcmAreRefused) {
    SoundFolder folder;
    std::string data = Chunk("data", SampleBytes({1, 2, 3, 4}));
    const std::pair<const char*, std::string> refused[] = {
        {"float", WavFile(FormatChunk(1, 44100, 32, 3) + data)},
        {"extensible", WavFile(FormatChunk(2, 44100, 16, 0xFFFE) + data)},
        {"no channels", WavFile(FormatChunk(0, 44100, 16) + data)},
        {"six channels", WavFile(FormatChunk(6, 44100, 16) + data)},
        {"no rate", WavFile(FormatChunk(1, 0, 16) + data)},
        {"24 bits", WavFile(FormatChunk(1, 44100, 24) + data)},
        {"no data chunk", WavFile(FormatChunk(1, 44100, 16))},
        {"empty data", WavFile(FormatChunk(1, 44100, 16) + Chunk("data", ""))},
        {"short format", WavFile(Chunk("fmt ", "\x01\x00\x01\x00") + data)},
        {"not RIFF", "RIFX" + PcmWav({1, 2}, 1, 44100).substr(4)},
        {"not WAVE", PcmWav({1, 2}, 1, 44100).replace(8, 4, "AVI ")},
        {"empty", ""},
    };
    for (const auto& [name, bytes] : refused) {
        WriteFile("bad.wav", bytes);
        EXPECT_FALSE(WavReader::ReadSound("bad.wav")) << name;
    }
    EXPECT_FALSE(WavReader::ReadSound("missing.wav"));
    std::filesystem::create_directory("folder.wav");
    EXPECT_FALSE(WavReader::ReadSound("folder.wav"));
    // A named pipe without a writer is refused at once rather than waited on.
    ASSERT_EQ(mkfifo("pipe.wav", 0600), 0);
    EXPECT_FALSE(WavReader::ReadSound("pipe.wav"));
}

TEST(WavReaderTest, SizesBeyondTheFileAreRefusedWithoutAllocating) {
    SoundFolder folder;
    std::string whole = PcmWav(ToneSamples(100, 1000, 8000), 1, 8000);
    WriteFile("cut.wav", whole.substr(0, whole.size() - 1));
    EXPECT_FALSE(WavReader::ReadSound("cut.wav"));

    std::string huge = WavFile(FormatChunk(1, 8000, 16)) + "data";
    PutLe(huge, 0xFFFFFFF0u, 4);
    WriteFile("huge.wav", huge + "\x01\x02");
    EXPECT_FALSE(WavReader::ReadSound("huge.wav"));

    // A chunk that jumps past the end ends the walk.
    std::string skip = WavFile(FormatChunk(1, 8000, 16)) + "skip";
    PutLe(skip, 0x7FFFFFFFu, 4);
    WriteFile("skip.wav", skip + Chunk("data", "\x01\x02"));
    EXPECT_FALSE(WavReader::ReadSound("skip.wav"));
}

TEST(WavReaderTest, TheDataCanBeReadPieceByPieceForAStream) {
    SoundFolder folder;
    std::vector<int16_t> samples = ToneSamples(440, 1000, 8000);
    WriteFile("stream.wav", PcmWav(samples, 1, 8000));
    WavReader reader("stream.wav");
    ASSERT_TRUE(reader.Open());
    EXPECT_EQ(reader.DataLength(), 2000u);
    std::vector<int16_t> read(1000);
    EXPECT_EQ(reader.Read(read.data(), 600), 600u);
    EXPECT_EQ(reader.Read(reinterpret_cast<uint8_t*>(read.data()) + 600, 5000), 1400u);
    EXPECT_EQ(reader.Read(read.data(), 2), 0u);
    EXPECT_EQ(read, samples);
    ASSERT_TRUE(reader.Seek(1998));
    int16_t last = 0;
    EXPECT_EQ(reader.Read(&last, 2), 2u);
    EXPECT_EQ(last, samples.back());
    EXPECT_FALSE(reader.Seek(2001));
}
