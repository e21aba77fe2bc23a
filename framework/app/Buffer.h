#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Zorbel {

// A growable bit stream. Bit k of the stream is bit (k mod 8) of byte k div 8. Demo files and the
// recorded settings results are written and read through it.
class Buffer {
public:
    // Texts longer than this would write a length whose high byte reads back as "empty", so longer
    // texts are cut to it.
    static constexpr size_t MaxTextLength = 0x7FFF;

    Buffer() = default;
    Buffer(const Buffer&) = default;
    Buffer& operator=(const Buffer&) = default;
    Buffer(Buffer&&) noexcept = default;
    Buffer& operator=(Buffer&&) noexcept = default;
    virtual ~Buffer() = default;

    // Appends bits 0 ... n-1 of value (n at most 32).
    void PutBits(uint32_t value, int n);
    // Reads up to n bits into bits 0 ... n-1, stopping at the end of the data. When isSigned and the
    // last bit read is 1, every higher bit is set.
    uint32_t GetBits(int n, bool isSigned = false);

    void PutByte(uint8_t b) { PutBits(b, 8); }
    // 0, without moving, when fewer than 8 bits remain.
    uint8_t GetByte();

    void PutBool(bool b) { PutByte(b ? 1 : 0); }
    bool GetBool() { return GetByte() != 0; }

    void PutInt32(int32_t v);
    int32_t GetInt32();

    // Two length bytes, least significant first, then the characters.
    void PutText(const std::string& text);
    std::string GetText();

    void PutBytes(const void* data, size_t n);
    void GetBytes(void* data, size_t n);

    size_t ByteLength() const { return (mBitsWritten + 7) / 8; }
    bool AtEnd() const { return mReadPos >= mBitsWritten; }
    void Rewind() { mReadPos = 0; }
    void Reset();
    void Assign(const void* data, size_t n);

    const uint8_t* Data() const { return mData.data(); }
    size_t BitsWritten() const { return mBitsWritten; }
    size_t ReadPosition() const { return mReadPos; }
    // Puts the read position back (or forward) to a bit position taken earlier with ReadPosition.
    void SetReadPosition(size_t bit) { mReadPos = bit; }
    size_t BitsRemaining() const { return mReadPos < mBitsWritten ? mBitsWritten - mReadPos : 0; }

private:
    std::vector<uint8_t> mData;
    size_t mBitsWritten = 0;
    size_t mReadPos = 0;
    size_t mWritePos = 0;
};

} // namespace Zorbel
