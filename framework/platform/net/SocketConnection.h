#pragma once

#include "framework/platform/NetConnection.h"
#include "framework/platform/net/TlsSession.h"

#include <memory>

namespace Zorbel {

// A non-blocking TCP socket, waited on with poll, optionally carrying a TLS session.
class SocketConnection : public NetConnection {
public:
    SocketConnection();
    SocketConnection(const SocketConnection&) = delete;
    SocketConnection& operator=(const SocketConnection&) = delete;
    ~SocketConnection() override;

    NetStatus Connect(const NetAddress& address, const std::atomic<bool>& stop) override;
    NetStatus StartTls(const std::string& hostName, const std::atomic<bool>& stop) override;
    NetStatus Send(const char* data, size_t size, size_t& sent, const std::atomic<bool>& stop) override;
    NetStatus Receive(char* data, size_t size, size_t& received, const std::atomic<bool>& stop) override;
    void Close() override;

    enum class Direction { Read, Write };
    // Waits until the socket is ready in that direction (an error or a hang-up counts as ready, so that
    // the next call reports it): Ok, Stopped, or NoSocket when the wait itself failed.
    NetStatus Wait(Direction direction, const std::atomic<bool>& stop) const;

private:
    TlsSession::Waiter WaiterFor(const std::atomic<bool>& stop) const;

    int mSocket = -1;
    std::unique_ptr<TlsSession> mTls;
};

} // namespace Zorbel
