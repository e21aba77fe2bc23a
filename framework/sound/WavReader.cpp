#include "framework/sound/WavReader.h"

#include "framework/platform/files/FileTime.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace Zorbel {

namespace {

constexpr uint16_t PcmFormatTag = 1;
// The longest source name a dependency chunk keeps.
constexpr uint16_t MaxDependencyName = 255;

} // namespace

std::shared_ptr<SoundBuffer> WavReader::ReadSound(const std::string& path) {
    WavReader reader(path);
    if (!reader.Open()) return nullptr;
    // A data chunk that claims more than the file holds cannot be read whole: refuse it before
    // allocating anything.
    if (reader.mDataLength > reader.mFile.Remaining()) return nullptr;
    auto buffer = SoundBuffer::Create(reader.mFormat, reader.mDataLength);
    if (!buffer || reader.Read(buffer->Data(), buffer->Size()) != buffer->Size()) return nullptr;
    return buffer;
}

WavReader::WavReader(const std::string& path) : mFile(path) {}

bool WavReader::Open() {
    uint32_t riffSize = 0;
    if (!mFile || !mFile.ReadTag("RIFF") || !mFile.ReadLe32(riffSize) || !mFile.ReadTag("WAVE")) return false;
    mFormat = PcmFormat{1, 22050, 16};
    for (;;) {
        char id[4];
        uint32_t size = 0;
        if (!mFile.Read(id, 4) || !mFile.ReadLe32(size)) return false;
        uint64_t next = mFile.Tell() + size;
        if (std::memcmp(id, "fmt ", 4) == 0) {
            if (size < 16 || !ReadFormatChunk()) return false;
        } else if (std::memcmp(id, "dep ", 4) == 0) {
            if (!DependencyIsCurrent()) return false;
        } else if (std::memcmp(id, "data", 4) == 0) {
            mDataStart = mFile.Tell();
            mDataLength = size;
            return mFormat.IsPlayable();
        }
        if (!mFile.Seek(next) || next >= mFile.Size()) return false;
        // A pad byte is zero, and no chunk name starts with one.
        if (size % 2 == 1) {
            int peek = std::fgetc(mFile.Get());
            if (peek != 0 && (peek == EOF || !mFile.Seek(next))) return false;
        }
    }
}

bool WavReader::ReadFormatChunk() {
    uint16_t tag = 0, channels = 0, blockAlign = 0, bits = 0;
    uint32_t rate = 0, bytesPerSecond = 0;
    if (!mFile.ReadLe16(tag) || !mFile.ReadLe16(channels) || !mFile.ReadLe32(rate) ||
        !mFile.ReadLe32(bytesPerSecond) || !mFile.ReadLe16(blockAlign) || !mFile.ReadLe16(bits))
        return false;
    if (tag != PcmFormatTag) return false;
    // The block size and byte rate follow from the rest, whatever the file says.
    mFormat = PcmFormat{channels, rate, bits};
    return true;
}

bool WavReader::DependencyIsCurrent() {
    uint16_t length = 0;
    if (!mFile.ReadLe16(length)) return false;
    std::string source(std::min(length, MaxDependencyName), '\0');
    uint8_t time[8];
    if (!mFile.Read(source.data(), source.size()) || !mFile.Read(time, 8)) return false;
    uint64_t stored = 0;
    for (int i = 7; i >= 0; --i)
        stored = stored << 8 | time[i];
    return stored == LastWriteFileTime(source);
}

size_t WavReader::Read(void* out, size_t byteCount) {
    size_t wanted = std::min<size_t>(byteCount, mDataLength - mDataRead);
    size_t got = mFile.ReadSome(out, wanted);
    mDataRead += static_cast<uint32_t>(got);
    return got;
}

bool WavReader::Seek(uint32_t dataOffset) {
    if (dataOffset > mDataLength || !mFile.Seek(mDataStart + dataOffset)) return false;
    mDataRead = dataOffset;
    return true;
}

} // namespace Zorbel
