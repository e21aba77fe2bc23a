#include "framework/platform/files/InputFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Zorbel {

InputFile::InputFile(const std::string& path, uint64_t maxBytes) : mMaxBytes(maxBytes) {
    // Without O_NONBLOCK, opening a named pipe would wait for a writer that may never come.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        mStatus = errno == ENOENT || errno == ENOTDIR ? Status::Missing : Status::Unreadable;
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        mStatus = Status::NotRegular;
    } else if (static_cast<uint64_t>(info.st_size) > maxBytes) {
        mStatus = Status::TooLarge;
    } else {
        // Reads of a regular file never block, so the flag has done its work.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        mFile = ::fdopen(fd, "rb");
    }
    if (!mFile) {
        ::close(fd);
        return;
    }
    mStatus = Status::Open;
    mSize = static_cast<uint64_t>(info.st_size);
}

InputFile::~InputFile() {
    if (mFile) std::fclose(mFile);
}

long InputFile::RemainingBytes() const {
    long here = std::ftell(mFile);
    if (here < 0 || std::fseek(mFile, 0, SEEK_END) != 0) return -1;
    long end = std::ftell(mFile);
    if (std::fseek(mFile, here, SEEK_SET) != 0 || end < here) return -1;
    return end - here;
}

bool InputFile::ReadAll(std::string& contents) {
    contents.clear();
    if (!mFile) return false;
    // Asking for one byte more than the file had tells whether it grew meanwhile.
    const uint64_t cap = mMaxBytes == Unbounded ? Unbounded : mMaxBytes + 1;
    contents.resize(static_cast<size_t>(mSize) + 1);
    size_t length = std::fread(contents.data(), 1, contents.size(), mFile);
    while (length == contents.size() && length <= mMaxBytes) {
        contents.resize(static_cast<size_t>(std::min<uint64_t>(uint64_t(contents.size()) * 2, cap)));
        length += std::fread(contents.data() + length, 1, contents.size() - length, mFile);
    }
    if (std::ferror(mFile) || length > mMaxBytes) {
        contents.clear();
        return false;
    }
    contents.resize(length);
    return true;
}

} // namespace Zorbel
