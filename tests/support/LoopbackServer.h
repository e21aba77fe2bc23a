#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

struct ssl_ctx_st;
struct ssl_st;

namespace ZorbelTest {

class LoopbackServer;

// One accepted connection as a server handler sees it. Every wait polls the server's stop flag, so a
// handler never outlives its server by more than a poll.
class ServerConnection {
public:
    ServerConnection(int socket, ssl_st* ssl, LoopbackServer& server);

    // The request: the header section and as many body bytes as its "Content-Length" announces. What
    // arrived so far when the client leaves or the server stops.
    std::string ReadRequest();
    // Sends every byte; false when the client went away or the server stops first.
    bool Send(std::string_view bytes);
    // Waits until the client closes the connection (true) or the server stops (false).
    bool WaitForClientToClose();
    bool Stopping() const;
    // The server name the TLS client asked for (SNI); empty without one or without TLS.
    std::string ServerName() const;

private:
    // Bytes read (> 0), 0 when the client closed, -1 on an error or when the server stops.
    long ReceiveSome(char* data, size_t size);
    bool WaitFor(bool forWrite) const;
    bool RetryAfter(long returned, bool writing);

    int mSocket;
    ssl_st* mSsl;
    LoopbackServer& mServer;

    friend class LoopbackServer;
};

// A server on a loopback address, on a port of its own, run by a thread of its own that serves one
// connection after another with the handler. With TLS files it speaks TLS.
class LoopbackServer {
public:
    using Handler = std::function<void(ServerConnection&)>;
    struct TlsFiles {
        std::string certificateChain;
        std::string privateKey;
    };

    explicit LoopbackServer(Handler handler, std::string address = "127.0.0.1",
                            std::optional<TlsFiles> tls = std::nullopt);
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;
    ~LoopbackServer();

    bool IsListening() const { return mListener >= 0; }
    uint16_t Port() const { return mPort; }
    // "http://" (or "https://") + the address and port + path.
    std::string Url(const std::string& path = "/") const;
    // Connections accepted so far, including those whose TLS handshake failed.
    int Accepted() const { return mAccepted; }
    int HandshakesFailed() const { return mHandshakesFailed; }
    // The requests read by handlers through ReadRequest, in order.
    std::vector<std::string> Requests() const;

    // Answers every request with these bytes and closes.
    static Handler Answer(std::string response);

private:
    void Serve();
    void ServeOne(int socket);

    Handler mHandler;
    std::string mAddress;
    int mListener = -1;
    uint16_t mPort = 0;
    ssl_ctx_st* mTls = nullptr;
    std::atomic<bool> mStop{false};
    std::atomic<int> mAccepted{0};
    std::atomic<int> mHandshakesFailed{0};
    mutable std::mutex mLock;
    std::vector<std::string> mRequests;
    std::thread mThread;

    friend class ServerConnection;
};

} // namespace ZorbelTest
