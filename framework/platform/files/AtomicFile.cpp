#include "framework/platform/files/AtomicFile.h"

#include "framework/platform/files/Path.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Zorbel {

namespace {

void SyncFolderOf(const std::string& path) {
    std::string folder = GetFileDir(path);
    int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    ::fsync(dir);
    ::close(dir);
}

} // namespace

AtomicFile::AtomicFile(std::string path) : mPath(std::move(path)) {
    // The pid makes stale temporaries of dead processes recognisable; mkstemp makes the name unique.
    std::string pattern = mPath + std::string(Marker) + std::to_string(::getpid()) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return;
    // mkstemp creates 0600; a replaced file should be as readable as one written by fopen.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    mTempPath = name.data();
    mFile = ::fdopen(fd, "wb");
    if (!mFile) {
        ::close(fd);
        ::unlink(mTempPath.c_str());
    }
}

AtomicFile::~AtomicFile() {
    if (!mFile) return;
    std::fclose(mFile);
    ::unlink(mTempPath.c_str());
}

bool AtomicFile::Commit() {
    if (!mFile) return false;
    bool ok = std::fflush(mFile) == 0 && std::ferror(mFile) == 0 && ::fsync(::fileno(mFile)) == 0;
    ok = std::fclose(mFile) == 0 && ok;
    mFile = nullptr;
    if (!ok || std::rename(mTempPath.c_str(), mPath.c_str()) != 0) {
        ::unlink(mTempPath.c_str());
        return false;
    }
    SyncFolderOf(mPath);
    return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view contents) {
    AtomicFile file(path);
    if (!file) return false;
    if (!contents.empty() && std::fwrite(contents.data(), 1, contents.size(), file.Get()) != contents.size())
        return false;
    return file.Commit();
}

} // namespace Zorbel
