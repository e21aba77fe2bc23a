#pragma once

#include "framework/platform/files/InputFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace Zorbel {

// A sound file opened for reading (a regular file only, as InputFile opens it), with the little- and
// big-endian numbers the formats are made of.
class FileInput {
public:
    explicit FileInput(const std::string& path) : mFile(path) {}

    explicit operator bool() const { return static_cast<bool>(mFile); }
    FILE* Get() const { return mFile.Get(); }

    // Reads byteCount bytes; false when the file ends first.
    [[nodiscard]] bool Read(void* out, size_t byteCount);
    // As much as there is, up to byteCount; returns how much.
    size_t ReadSome(void* out, size_t byteCount);
    [[nodiscard]] bool ReadLe16(uint16_t& value);
    [[nodiscard]] bool ReadLe32(uint32_t& value);
    [[nodiscard]] bool ReadBe32(uint32_t& value);
    // True when the next four bytes are the tag (and moves past them).
    [[nodiscard]] bool ReadTag(const char (&tag)[5]);

    [[nodiscard]] bool Seek(uint64_t position);
    uint64_t Tell() const;
    uint64_t Size() const { return mFile.Size(); }
    // Bytes from the current position to the end (0 past it).
    uint64_t Remaining() const;

private:
    InputFile mFile;
};

} // namespace Zorbel
