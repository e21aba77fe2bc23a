#pragma once

#include "framework/platform/NetConnection.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

struct ssl_ctx_st;
struct ssl_st;

namespace Zorbel {

// The client side of TLS (OpenSSL) over a connected non-blocking socket. The certificate is checked
// against the system's store, which $SSL_CERT_FILE and $SSL_CERT_DIR may replace, and against the
// host name; the name also goes out as the server name (SNI).
class TlsSession {
public:
    // Waits until the socket is ready for writing (true) or reading (false): Ok, Stopped or NoSocket.
    using Waiter = std::function<NetStatus(bool forWrite)>;

    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;
    ~TlsSession();

    // The handshake; on Ok session holds the secured session. A refused certificate or any other
    // failure of the handshake is Failed.
    static NetStatus Start(int socket, const std::string& hostName, const Waiter& wait,
                           std::unique_ptr<TlsSession>& session);

    NetStatus Write(const char* data, size_t size, size_t& written, const Waiter& wait);
    NetStatus Read(char* data, size_t size, size_t& read, const Waiter& wait);

private:
    TlsSession() = default;
    // Turns an unfinished call into a wait in the direction OpenSSL asks for; Ok means try again.
    NetStatus WaitAfter(int returned, const Waiter& wait);

    ssl_ctx_st* mContext = nullptr;
    ssl_st* mSsl = nullptr;
};

} // namespace Zorbel
