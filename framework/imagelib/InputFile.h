#pragma once

#include <cstdio>
#include <string>

namespace Zorbel::ImageLib {

// A file opened "rb" and closed when the owner goes, on every path out of a reader.
class InputFile {
public:
    explicit InputFile(const std::string& fileName) : mFile(std::fopen(fileName.c_str(), "rb")) {}
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile() {
        if (mFile) std::fclose(mFile);
    }

    explicit operator bool() const { return mFile != nullptr; }
    FILE* Get() const { return mFile; }

    // The bytes from the current position to the end, or -1 when the stream cannot tell.
    long RemainingBytes() const;

private:
    FILE* mFile;
};

} // namespace Zorbel::ImageLib
