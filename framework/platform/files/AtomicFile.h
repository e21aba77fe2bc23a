#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace Zorbel {

// Replaces a file so that a reader, or a crash at any moment, sees either the old file or the whole
// new one: the bytes go to a temporary file with a unique name in the same folder, are flushed to
// disk, and the temporary file is renamed over the target (and the rename made durable). Without a
// successful Commit the temporary file is removed and the old file stays as it was.
class AtomicFile {
public:
    explicit AtomicFile(std::string path);
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    explicit operator bool() const { return mFile != nullptr; }
    // The stream to write to (binary); null when the temporary file could not be created.
    FILE* Get() const { return mFile; }

    // Flushes, syncs and moves the file into place. False when anything written was lost.
    [[nodiscard]] bool Commit();

    // The suffix that marks temporaries: path + Marker + the writer's process id + "." + a unique part.
    static constexpr std::string_view Marker = ".tmp.";

    // Removes the temporaries of path that processes which have since died left behind.
    static void RemoveStaleTemporaries(const std::string& path);

private:
    std::string mPath;
    std::string mTempPath;
    FILE* mFile = nullptr;
};

// The whole of contents as the new file at path, through AtomicFile.
[[nodiscard]] bool WriteFileAtomically(const std::string& path, std::string_view contents);

} // namespace Zorbel
