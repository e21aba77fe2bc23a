#include "framework/sound/AuReader.h"

#include "framework/sound/FileInput.h"

#include <algorithm>
#include <vector>

namespace Zorbel {

namespace {

constexpr uint32_t MuLawEncoding = 1;
constexpr uint32_t LinearEightBitEncoding = 2;
constexpr uint32_t HeaderSize = 24;
constexpr uint32_t UnknownDataSize = 0xFFFFFFFF;

} // namespace

int16_t AuReader::MuLawSample(uint8_t byte) {
    int32_t sign = byte >= 128 ? 1 : -1;
    int32_t l = byte | 0x80;
    int32_t m = 0;
    if (l > 239)
        m = (255 - l) * 2;
    else if (l > 223)
        m = (247 - l) * 4;
    else if (l > 207)
        m = (235 - l) * 8;
    else if (l > 191)
        m = (221 - l) * 16;
    else if (l > 175)
        m = (206 - l) * 32;
    else if (l > 159)
        m = 12192 - 64 * l;
    else if (l > 143)
        m = 22368 - 128 * l;
    else if (l > 128)
        m = 40672 - 256 * l;
    else
        m = 255;
    return static_cast<int16_t>(sign * m * 4);
}

std::shared_ptr<SoundBuffer> AuReader::ReadSound(const std::string& path) {
    FileInput file(path);
    uint32_t offset = 0, size = 0, encoding = 0, rate = 0, channels = 0;
    if (!file || !file.ReadTag(".snd") || !file.ReadBe32(offset) || !file.ReadBe32(size) ||
        !file.ReadBe32(encoding) || !file.ReadBe32(rate) || !file.ReadBe32(channels))
        return nullptr;
    if (encoding != MuLawEncoding && encoding != LinearEightBitEncoding) return nullptr;
    if (offset < HeaderSize || channels > 2 || !file.Seek(offset)) return nullptr;
    uint64_t available = file.Remaining();
    if (size == UnknownDataSize)
        size = static_cast<uint32_t>(std::min<uint64_t>(available, UnknownDataSize - 1));
    // A size beyond the file cannot be read in full: refuse it before allocating.
    if (size > available) return nullptr;

    bool muLaw = encoding == MuLawEncoding;
    PcmFormat format{static_cast<uint16_t>(channels), rate, static_cast<uint16_t>(muLaw ? 16 : 8)};
    auto buffer = SoundBuffer::Create(format, muLaw ? size_t(size) * 2 : size_t(size));
    if (!buffer) return nullptr;
    std::vector<uint8_t> bytes(size);
    if (!file.Read(bytes.data(), size)) return nullptr;

    uint8_t* out = buffer->Data();
    for (uint32_t i = 0; i < size; ++i) {
        if (muLaw) {
            uint16_t sample = static_cast<uint16_t>(MuLawSample(bytes[i]));
            out[2 * i] = static_cast<uint8_t>(sample);
            out[2 * i + 1] = static_cast<uint8_t>(sample >> 8);
        } else {
            out[i] = static_cast<uint8_t>(bytes[i] ^ 0x80);
        }
    }
    return buffer;
}

} // namespace Zorbel
