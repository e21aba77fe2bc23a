#pragma once

#include "framework/platform/NameResolver.h"

#include <atomic>
#include <cstddef>
#include <string>

namespace Zorbel {

enum class NetStatus {
    Ok,
    // The stop flag was seen; nothing more was done.
    Stopped,
    // The other side ended the stream in order (receiving only).
    Closed,
    // The operation failed: the connection was refused or reset, the TLS handshake or the certificate
    // was refused, or the bytes could not be sent or received.
    Failed,
    // No socket could be made, or waiting on it failed.
    NoSocket,
};

// One client stream connection, plain or through TLS. Every wait is a series of polls of at most
// 100 ms that ends as soon as the stop flag is set, so a connection never keeps its thread longer than
// that after it is asked to stop. Used by one thread at a time.
class NetConnection {
public:
    virtual ~NetConnection() = default;

    // Opens a TCP connection to the address and waits until it is established or refused. A
    // connection already open is closed first.
    virtual NetStatus Connect(const NetAddress& address, const std::atomic<bool>& stop) = 0;
    // Runs the TLS handshake over the open connection: the peer's certificate must chain to a trusted
    // authority of the system's store (or of the file named by $SSL_CERT_FILE) and name hostName
    // (a name, also sent as the server name, or an IP address). Later traffic is encrypted. SIGPIPE
    // is blocked for the calling thread, which must be the one that sends.
    virtual NetStatus StartTls(const std::string& hostName, const std::atomic<bool>& stop) = 0;
    // Waits until some of the bytes can be sent and sends them; sent tells how many (at least one on Ok).
    virtual NetStatus Send(const char* data, size_t size, size_t& sent, const std::atomic<bool>& stop) = 0;
    // Waits until bytes arrive and takes up to size of them; received tells how many (at least one on Ok).
    virtual NetStatus Receive(char* data, size_t size, size_t& received, const std::atomic<bool>& stop) = 0;
    virtual void Close() = 0;
};

} // namespace Zorbel
