#include "framework/platform/net/SocketConnection.h"

#include "framework/platform/net/TlsSession.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Zorbel {

namespace {

constexpr int PollIntervalMs = 100;

bool WouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK;
}

} // namespace

SocketConnection::SocketConnection() = default;

SocketConnection::~SocketConnection() {
    Close();
}

void SocketConnection::Close() {
    mTls.reset();
    if (mSocket >= 0) close(mSocket);
    mSocket = -1;
}

NetStatus SocketConnection::Wait(Direction direction, const std::atomic<bool>& stop) const {
    pollfd entry{};
    entry.fd = mSocket;
    entry.events = direction == Direction::Read ? POLLIN : POLLOUT;
    while (!stop) {
        entry.revents = 0;
        int ready = poll(&entry, 1, PollIntervalMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0 || (entry.revents & POLLNVAL) != 0) return NetStatus::NoSocket;
        if (ready > 0) return NetStatus::Ok;
    }
    return NetStatus::Stopped;
}

TlsSession::Waiter SocketConnection::WaiterFor(const std::atomic<bool>& stop) const {
    return [this, &stop](bool forWrite) { return Wait(forWrite ? Direction::Write : Direction::Read, stop); };
}

NetStatus SocketConnection::Connect(const NetAddress& address, const std::atomic<bool>& stop) {
    Close();
    const auto* target = reinterpret_cast<const sockaddr*>(address.bytes.data());
    mSocket = socket(target->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (mSocket < 0) return NetStatus::NoSocket;
    if (connect(mSocket, target, address.length) == 0) return NetStatus::Ok;
    if (errno != EINPROGRESS && errno != EINTR) return NetStatus::Failed;

    NetStatus waited = Wait(Direction::Write, stop);
    if (waited == NetStatus::Stopped) return waited;
    int error = 0;
    socklen_t length = sizeof(error);
    if (waited != NetStatus::Ok || getsockopt(mSocket, SOL_SOCKET, SO_ERROR, &error, &length) != 0 ||
        error != 0)
        return NetStatus::Failed;
    return NetStatus::Ok;
}

NetStatus SocketConnection::StartTls(const std::string& hostName, const std::atomic<bool>& stop) {
    if (mSocket < 0) return NetStatus::Failed;
    return TlsSession::Start(mSocket, hostName, WaiterFor(stop), mTls);
}

NetStatus SocketConnection::Send(const char* data, size_t size, size_t& sent, const std::atomic<bool>& stop) {
    sent = 0;
    if (mTls) return mTls->Write(data, size, sent, WaiterFor(stop));
    for (;;) {
        if (stop) return NetStatus::Stopped;
        ssize_t count = send(mSocket, data, size, MSG_NOSIGNAL);
        if (count > 0) {
            sent = static_cast<size_t>(count);
            return NetStatus::Ok;
        }
        if (count < 0 && errno == EINTR) continue;
        if (count == 0 || !WouldBlock(errno)) return NetStatus::Failed;
        NetStatus waited = Wait(Direction::Write, stop);
        if (waited != NetStatus::Ok) return waited;
    }
}

NetStatus SocketConnection::Receive(char* data, size_t size, size_t& received,
                                    const std::atomic<bool>& stop) {
    received = 0;
    if (mTls) return mTls->Read(data, size, received, WaiterFor(stop));
    for (;;) {
        if (stop) return NetStatus::Stopped;
        ssize_t count = recv(mSocket, data, size, 0);
        if (count > 0) {
            received = static_cast<size_t>(count);
            return NetStatus::Ok;
        }
        if (count == 0) return NetStatus::Closed;
        if (errno == EINTR) continue;
        if (!WouldBlock(errno)) return NetStatus::Failed;
        NetStatus waited = Wait(Direction::Read, stop);
        if (waited != NetStatus::Ok) return waited;
    }
}

} // namespace Zorbel
