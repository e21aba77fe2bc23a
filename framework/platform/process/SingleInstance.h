#pragma once

#include <string>

namespace Zorbel {

// One running copy per product and user: the first copy holds an advisory lock on the file
// "<product>Mutex" and listens on the socket "Notify<product>" beside it; a later copy finds the lock
// taken and sends the notice "Notify<product>" to the first before it gives up.
class SingleInstance {
public:
    // folder defaults to $XDG_RUNTIME_DIR, else the temp folder.
    explicit SingleInstance(std::string productName, std::string folder = DefaultFolder());
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    ~SingleInstance();

    // Takes the lock. True for the first copy, which then listens for notices. False when another copy
    // holds it: the notice has then been sent to that copy (when it listens).
    bool Acquire();
    bool IsHeld() const { return mLockFd >= 0; }

    // True once for every notice that has arrived since the last call. Never waits.
    bool TakeNotice();

    std::string LockPath() const;
    std::string SocketPath() const;
    std::string NoticeText() const { return "Notify" + mProductName; }
    static std::string DefaultFolder();

private:
    bool Listen();
    void SendNotice() const;

    std::string mProductName;
    std::string mFolder;
    int mLockFd = -1;
    int mListenFd = -1;
};

} // namespace Zorbel
