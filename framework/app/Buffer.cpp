#include "framework/app/Buffer.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace Zorbel {

void Buffer::PutBits(uint32_t value, int n) {
    assert(n >= 0 && n <= 32);
    for (int i = 0; i < n; ++i) {
        if (mWritePos % 8 == 0 && mWritePos / 8 >= mData.size()) mData.push_back(0);
        uint8_t mask = static_cast<uint8_t>(1u << (mWritePos % 8));
        if ((value >> i) & 1u)
            mData[mWritePos / 8] |= mask;
        else
            mData[mWritePos / 8] &= static_cast<uint8_t>(~mask);
        ++mWritePos;
    }
    mBitsWritten = std::max(mBitsWritten, mWritePos);
}

uint32_t Buffer::GetBits(int n, bool isSigned) {
    assert(n >= 0 && n <= 32);
    uint32_t value = 0;
    int count = 0;
    uint32_t lastBit = 0;
    for (; count < n && mReadPos < mBitsWritten; ++count, ++mReadPos) {
        lastBit = (mData[mReadPos / 8] >> (mReadPos % 8)) & 1u;
        value |= lastBit << count;
    }
    if (isSigned && lastBit && count < 32) value |= ~0u << count;
    return value;
}

uint8_t Buffer::GetByte() {
    if (BitsRemaining() < 8) return 0;
    return static_cast<uint8_t>(GetBits(8));
}

void Buffer::PutInt32(int32_t v) {
    uint32_t bits = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        PutByte(static_cast<uint8_t>(bits >> (8 * i)));
}

int32_t Buffer::GetInt32() {
    uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
        bits |= static_cast<uint32_t>(GetByte()) << (8 * i);
    return static_cast<int32_t>(bits);
}

void Buffer::PutText(const std::string& text) {
    size_t length = std::min(text.size(), MaxTextLength);
    PutByte(static_cast<uint8_t>(length & 0xFF));
    PutByte(static_cast<uint8_t>(length >> 8));
    PutBytes(text.data(), length);
}

std::string Buffer::GetText() {
    uint8_t low = GetByte();
    uint8_t high = GetByte();
    if (high >= 128) return std::string();
    size_t length = static_cast<size_t>(low) | (static_cast<size_t>(high) << 8);
    // A length beyond the data reads what is there rather than inventing characters.
    length = std::min(length, BitsRemaining() / 8);
    std::string text(length, '\0');
    GetBytes(text.data(), length);
    return text;
}

void Buffer::PutBytes(const void* data, size_t n) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (mWritePos % 8 == 0 && mWritePos == mBitsWritten) {
        // Byte-aligned at the end: append whole bytes at once.
        mData.resize(mWritePos / 8);
        mData.insert(mData.end(), bytes, bytes + n);
        mWritePos += n * 8;
        mBitsWritten = mWritePos;
        return;
    }
    for (size_t i = 0; i < n; ++i)
        PutByte(bytes[i]);
}

void Buffer::GetBytes(void* data, size_t n) {
    auto* bytes = static_cast<uint8_t*>(data);
    size_t whole = std::min(n, BitsRemaining() / 8);
    if (mReadPos % 8 == 0 && whole > 0) {
        // Byte-aligned: copy whole bytes at once.
        std::memcpy(bytes, mData.data() + mReadPos / 8, whole);
        mReadPos += whole * 8;
        bytes += whole;
        n -= whole;
    }
    for (size_t i = 0; i < n; ++i)
        bytes[i] = GetByte();
}

void Buffer::Reset() {
    mData.clear();
    mBitsWritten = mReadPos = mWritePos = 0;
}

void Buffer::Assign(const void* data, size_t n) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    mData.assign(bytes, bytes + n);
    mBitsWritten = mWritePos = n * 8;
    mReadPos = 0;
}

} // namespace Zorbel
