#include "framework/app/Buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Zorbel::Buffer;

TEST(BufferTest, BitsAreStoredLeastSignificantFirstAcrossByteBoundaries) {
    Buffer buffer;
    buffer.PutBits(0x5, 3);   // bits 0-2: 1 0 1
    buffer.PutBits(0x1AB, 9); // bits 3-11
    buffer.PutBits(0x3, 2);   // bits 12-13
    ASSERT_EQ(buffer.BitsWritten(), 14u);
    ASSERT_EQ(buffer.ByteLength(), 2u);
    // Stream: 101 110101011 11 -> byte 0 = bits 0-7, byte 1 = bits 8-13.
    uint32_t stream = 0x5u | (0x1ABu << 3) | (0x3u << 12);
    EXPECT_EQ(buffer.Data()[0], stream & 0xFF);
    EXPECT_EQ(buffer.Data()[1], (stream >> 8) & 0xFF);

    EXPECT_EQ(buffer.GetBits(3), 0x5u);
    EXPECT_EQ(buffer.GetBits(9), 0x1ABu);
    EXPECT_EQ(buffer.GetBits(2), 0x3u);
    EXPECT_TRUE(buffer.AtEnd());
}

TEST(BufferTest, SignedReadsExtendTheLastBitRead) {
    Buffer buffer;
    buffer.PutBits(static_cast<uint32_t>(-5), 6); // 111011
    buffer.PutBits(17, 6);                        // 010001
    buffer.PutBits(static_cast<uint32_t>(-2), 3); // 110: the demo's right double-click code
    EXPECT_EQ(static_cast<int32_t>(buffer.GetBits(6, true)), -5);
    EXPECT_EQ(static_cast<int32_t>(buffer.GetBits(6, true)), 17);
    EXPECT_EQ(static_cast<int32_t>(buffer.GetBits(3, true)), -2);

    // A read cut short by the end extends from the last bit it did read.
    Buffer shortBuffer;
    shortBuffer.PutBits(0x2, 2); // bits: 0, 1
    EXPECT_EQ(shortBuffer.GetBits(8, true), 0xFFFFFFFEu);
    EXPECT_EQ(shortBuffer.GetBits(8, true), 0u);
}

TEST(BufferTest, ReadsStopAtTheEndOfTheData) {
    Buffer buffer;
    buffer.PutBits(0x7F, 7);
    EXPECT_EQ(buffer.GetByte(), 0u) << "fewer than 8 bits remain";
    EXPECT_EQ(buffer.ReadPosition(), 0u) << "a refused byte read does not move";
    EXPECT_EQ(buffer.GetBits(12), 0x7Fu) << "a bit read stops early";
    EXPECT_TRUE(buffer.AtEnd());
    EXPECT_EQ(buffer.GetInt32(), 0);
    EXPECT_FALSE(buffer.GetBool());
    EXPECT_EQ(buffer.GetText(), "");
}

TEST(BufferTest, WholeValuesRoundTripAtAnyBitOffset) {
    Buffer buffer;
    buffer.PutBits(1, 1);
    buffer.PutInt32(-123456789);
    buffer.PutBool(true);
    buffer.PutByte(0xC3);
    buffer.PutText("Tesserine \xE9");
    const uint8_t raw[] = {0, 1, 2, 255};
    buffer.PutBytes(raw, sizeof raw);
    buffer.PutInt32(0x7FFFFFFF);

    EXPECT_EQ(buffer.GetBits(1), 1u);
    EXPECT_EQ(buffer.GetInt32(), -123456789);
    EXPECT_TRUE(buffer.GetBool());
    EXPECT_EQ(buffer.GetByte(), 0xC3);
    EXPECT_EQ(buffer.GetText(), "Tesserine \xE9");
    uint8_t back[4] = {};
    buffer.GetBytes(back, sizeof back);
    EXPECT_EQ(std::vector<uint8_t>(back, back + 4), std::vector<uint8_t>(raw, raw + 4));
    EXPECT_EQ(buffer.GetInt32(), 0x7FFFFFFF);
    EXPECT_TRUE(buffer.AtEnd());
}

TEST(BufferTest, IntegersAndTextsHaveTheirByteLayout) {
    Buffer buffer;
    buffer.PutInt32(0x42BEEF78);
    buffer.PutText("ab");
    ASSERT_EQ(buffer.ByteLength(), 8u);
    const uint8_t expected[] = {0x78, 0xEF, 0xBE, 0x42, 2, 0, 'a', 'b'};
    EXPECT_EQ(std::vector<uint8_t>(buffer.Data(), buffer.Data() + 8),
              std::vector<uint8_t>(expected, expected + 8));
}

TEST(BufferTest, TextLengthWithHighByteOf128OrMoreReadsAsEmpty) {
    const uint8_t data[] = {0x05, 0x80, 'h', 'e', 'l', 'l', 'o'};
    Buffer buffer;
    buffer.Assign(data, sizeof data);
    EXPECT_EQ(buffer.GetText(), "");
    EXPECT_EQ(buffer.GetByte(), 'h') << "only the two length bytes were consumed";

    // A writer never produces such a length: overlong texts are cut to 32767 characters.
    Buffer longText;
    longText.PutText(std::string(40000, 'x'));
    EXPECT_EQ(longText.GetText().size(), Buffer::MaxTextLength);
    EXPECT_TRUE(longText.AtEnd());
}

TEST(BufferTest, TextLongerThanTheDataReadsWhatIsThere) {
    const uint8_t data[] = {0x10, 0x00, 'a', 'b', 'c'};
    Buffer buffer;
    buffer.Assign(data, sizeof data);
    EXPECT_EQ(buffer.GetText(), "abc");
}

TEST(BufferTest, AssignRewindAndReset) {
    Buffer buffer;
    const uint8_t data[] = {0xAA, 0x55};
    buffer.Assign(data, 2);
    EXPECT_EQ(buffer.ByteLength(), 2u);
    EXPECT_EQ(buffer.GetByte(), 0xAA);
    buffer.Rewind();
    EXPECT_EQ(buffer.GetBits(4), 0xAu);
    // Writing after Assign appends behind the assigned bytes.
    buffer.PutByte(0x11);
    EXPECT_EQ(buffer.ByteLength(), 3u);
    EXPECT_EQ(buffer.Data()[2], 0x11);

    buffer.Reset();
    EXPECT_EQ(buffer.ByteLength(), 0u);
    EXPECT_TRUE(buffer.AtEnd());
    buffer.PutBits(1, 1);
    EXPECT_EQ(buffer.ByteLength(), 1u);
}
