#include "framework/sound/FileInput.h"

#include <cstring>

namespace Zorbel {

bool FileInput::Read(void* out, size_t byteCount) {
    return ReadSome(out, byteCount) == byteCount;
}

size_t FileInput::ReadSome(void* out, size_t byteCount) {
    return byteCount == 0 ? 0 : std::fread(out, 1, byteCount, mFile.Get());
}

bool FileInput::ReadLe16(uint16_t& value) {
    uint8_t bytes[2];
    if (!Read(bytes, 2)) return false;
    value = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
    return true;
}

bool FileInput::ReadLe32(uint32_t& value) {
    uint8_t bytes[4];
    if (!Read(bytes, 4)) return false;
    value =
        uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
    return true;
}

bool FileInput::ReadBe32(uint32_t& value) {
    uint8_t bytes[4];
    if (!Read(bytes, 4)) return false;
    value =
        uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | uint32_t(bytes[3]);
    return true;
}

bool FileInput::ReadTag(const char (&tag)[5]) {
    char bytes[4];
    return Read(bytes, 4) && std::memcmp(bytes, tag, 4) == 0;
}

bool FileInput::Seek(uint64_t position) {
    return position <= static_cast<uint64_t>(INT64_MAX) &&
           fseeko(mFile.Get(), static_cast<off_t>(position), SEEK_SET) == 0;
}

uint64_t FileInput::Tell() const {
    off_t position = ftello(mFile.Get());
    return position < 0 ? Size() : static_cast<uint64_t>(position);
}

uint64_t FileInput::Remaining() const {
    uint64_t position = Tell();
    return position >= Size() ? 0 : Size() - position;
}

} // namespace Zorbel
