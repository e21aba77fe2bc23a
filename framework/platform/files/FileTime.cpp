#include "framework/platform/files/FileTime.h"

#include <sys/stat.h>

namespace Zorbel {

namespace {

// Seconds from 1601 to 1970.
constexpr uint64_t EpochDifference = 11644473600ull;

} // namespace

uint64_t LastWriteFileTime(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || info.st_mtim.tv_sec < -static_cast<int64_t>(EpochDifference))
        return 0;
    uint64_t seconds = static_cast<uint64_t>(info.st_mtim.tv_sec + static_cast<int64_t>(EpochDifference));
    return seconds * 10000000ull + static_cast<uint64_t>(info.st_mtim.tv_nsec) / 100;
}

} // namespace Zorbel
