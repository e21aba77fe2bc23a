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

// One accepted connection as a server handler sees it. Its socket blocks; stopping the server shuts it
// down, which ends every wait of the handler.
class ServerConnection {
public:
    ServerConnection(int socket, ssl_st* ssl, LoopbackServer& server)
        : mSocket(socket), mSsl(ssl), mServer(server) {}

    // The request: the header section and as many body bytes as its "Content-Length" announces (what
    // arrived, when the client leaves first). The server keeps a copy.
    std::string ReadRequest();
    // Sends every byte; false when the client went away.
    bool Send(std::string_view bytes);
    // Waits until the client closes the connection (true) or the server stops (false).
    bool WaitForClientToClose();
    // The server name the TLS client asked for (SNI); empty without one or without TLS.
    std::string ServerName() const;

private:
    // Bytes read (> 0), 0 at the end of the stream, -1 on an error.
    long ReceiveSome(char* data, size_t size);

    int mSocket;
    ssl_st* mSsl;
    LoopbackServer& mServer;
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
    // The requests read by handlers, in order.
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
    std::atomic<int> mAccepted{0};
    std::atomic<int> mHandshakesFailed{0};
    // Guards the requests, the stop flag and the connection being served, which stopping shuts down.
    mutable std::mutex mLock;
    std::vector<std::string> mRequests;
    bool mStop = false;
    int mServing = -1;
    std::thread mThread;

    friend class ServerConnection;
};

} // namespace ZorbelTest
