#include "framework/platform/process/SingleInstance.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace Zorbel {

namespace {

bool FillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

} // namespace

SingleInstance::SingleInstance(std::string productName, std::string folder)
    : mProductName(std::move(productName)), mFolder(std::move(folder)) {}

SingleInstance::~SingleInstance() {
    if (mListenFd >= 0) {
        close(mListenFd);
        unlink(SocketPath().c_str());
    }
    // Closing the descriptor drops the lock; the file stays so that a racing copy never locks a file
    // that is about to vanish.
    if (mLockFd >= 0) close(mLockFd);
}

std::string SingleInstance::DefaultFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) return runtime;
    const char* temp = std::getenv("TMPDIR");
    return temp && *temp ? temp : "/tmp";
}

std::string SingleInstance::LockPath() const {
    return mFolder + "/" + mProductName + "Mutex";
}

std::string SingleInstance::SocketPath() const {
    return mFolder + "/" + NoticeText();
}

bool SingleInstance::Acquire() {
    if (mLockFd >= 0) return true;
    int fd = open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    // A folder where no lock can be made cannot tell copies apart: run rather than refuse.
    if (fd < 0) return true;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        SendNotice();
        return false;
    }
    mLockFd = fd;
    Listen();
    return true;
}

bool SingleInstance::Listen() {
    sockaddr_un address;
    if (!FillAddress(SocketPath(), address)) return false;
    // Holding the lock proves that a socket file left behind belongs to a copy that is gone.
    unlink(address.sun_path);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 4) != 0) {
        close(fd);
        return false;
    }
    mListenFd = fd;
    return true;
}

void SingleInstance::SendNotice() const {
    sockaddr_un address;
    if (!FillAddress(SocketPath(), address)) return;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        std::string text = NoticeText();
        (void)!send(fd, text.data(), text.size(), MSG_NOSIGNAL);
    }
    close(fd);
}

bool SingleInstance::TakeNotice() {
    if (mListenFd < 0) return false;
    bool noticed = false;
    for (;;) {
        int fd = accept4(mListenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) break;
        // The sender writes its few bytes before it closes; give them a moment to arrive.
        timeval wait{0, 200000};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        std::string expected = NoticeText();
        std::string received;
        char chunk[64];
        ssize_t n;
        while (received.size() < expected.size() && (n = recv(fd, chunk, sizeof chunk, 0)) > 0)
            received.append(chunk, static_cast<size_t>(n));
        close(fd);
        if (received.compare(0, expected.size(), expected) == 0) noticed = true;
    }
    return noticed;
}

} // namespace Zorbel
