#pragma once

#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

namespace Zorbel {

// A file from outside opened "rb" and closed when the owner goes, on every path out of a reader.
// Only a regular file of at most maxBytes opens: a folder, a device or a named pipe fails at once
// (the open itself never waits for a writer), and so does a file too large for what it is read for.
class InputFile {
public:
    enum class Status { Open, Missing, NotRegular, TooLarge, Unreadable };

    static constexpr uint64_t Unbounded = std::numeric_limits<uint64_t>::max();

    explicit InputFile(const std::string& path, uint64_t maxBytes = Unbounded);
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    explicit operator bool() const { return mFile != nullptr; }
    FILE* Get() const { return mFile; }
    Status GetStatus() const { return mStatus; }
    // The size of the file when it was opened.
    uint64_t Size() const { return mSize; }

    // The bytes from the current position to the end, or -1 when the stream cannot tell.
    long RemainingBytes() const;
    // Reads the rest of the file into contents. False on a read error or when the file has grown
    // past maxBytes since it was opened; contents then holds nothing.
    [[nodiscard]] bool ReadAll(std::string& contents);

private:
    FILE* mFile = nullptr;
    Status mStatus = Status::Unreadable;
    uint64_t mSize = 0;
    uint64_t mMaxBytes;
};

} // namespace Zorbel
