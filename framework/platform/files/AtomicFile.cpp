#include "framework/platform/files/AtomicFile.h"

#include "framework/platform/files/Path.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
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

// The writer of a temporary "<name><Marker><pid>.XXXXXX", or 0 when the name is not one.
pid_t WriterOf(std::string_view entry, std::string_view prefix) {
    if (entry.substr(0, prefix.size()) != prefix) return 0;
    std::string_view rest = entry.substr(prefix.size());
    size_t dot = rest.find('.');
    if (dot == 0 || dot == std::string_view::npos || rest.size() - dot != 7) return 0;
    pid_t pid = 0;
    for (char c : rest.substr(0, dot)) {
        if (c < '0' || c > '9' || pid > 99999999) return 0;
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

bool IsDead(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

} // namespace

void AtomicFile::RemoveStaleTemporaries(const std::string& path) {
    std::string folder = GetFileDir(path);
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return;
    const std::string prefix = GetFileName(path) + std::string(Marker);
    while (const dirent* entry = ::readdir(dir)) {
        pid_t writer = WriterOf(entry->d_name, prefix);
        if (writer > 0 && writer != ::getpid() && IsDead(writer)) ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

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
