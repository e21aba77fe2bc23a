#pragma once

#include <cstdio>
#include <string>

namespace Zorbel::ImageLib {

// Writes a file under a temporary name beside it and renames it into place on Commit, so that
// readers never see a half-written file and a failed write keeps the old one. Without a successful
// Commit the temporary file is removed.
class AtomicOutputFile {
public:
    explicit AtomicOutputFile(const std::string& fileName);
    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;
    ~AtomicOutputFile();

    explicit operator bool() const { return mFile != nullptr; }
    // The stream to write to ("wb"); null when the temporary file could not be created.
    FILE* Get() const { return mFile; }

    // Closes the stream and moves the file into place. False when anything written was lost.
    [[nodiscard]] bool Commit();

private:
    std::string mFileName;
    std::string mTempName;
    FILE* mFile;
};

} // namespace Zorbel::ImageLib
