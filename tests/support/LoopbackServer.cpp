#include "support/LoopbackServer.h"

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ZorbelTest {

namespace {

constexpr int PollMs = 20;

// The "Content-Length" of a header section, 0 without one.
size_t AnnouncedLength(const std::string& headers) {
    for (size_t line = 0; line < headers.size();) {
        size_t end = headers.find("\r\n", line);
        if (end == std::string::npos) break;
        std::string text = headers.substr(line, end - line);
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (text.rfind("content-length:", 0) == 0) return std::stoul(text.substr(15));
        line = end + 2;
    }
    return 0;
}

} // namespace

ServerConnection::ServerConnection(int socket, ssl_st* ssl, LoopbackServer& server)
    : mSocket(socket), mSsl(ssl), mServer(server) {}

bool ServerConnection::Stopping() const {
    return mServer.mStop;
}

std::string ServerConnection::ServerName() const {
    const char* name = mSsl != nullptr ? SSL_get_servername(mSsl, TLSEXT_NAMETYPE_host_name) : nullptr;
    return name != nullptr ? name : "";
}

bool ServerConnection::WaitFor(bool forWrite) const {
    pollfd entry{mSocket, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
    while (!Stopping()) {
        int ready = poll(&entry, 1, PollMs);
        if (ready > 0) return true;
        if (ready < 0 && errno != EINTR) return false;
    }
    return false;
}

bool ServerConnection::RetryAfter(long returned, bool writing) {
    if (mSsl != nullptr) {
        int error = SSL_get_error(mSsl, static_cast<int>(returned));
        if (error == SSL_ERROR_WANT_READ) return WaitFor(false);
        if (error == SSL_ERROR_WANT_WRITE) return WaitFor(true);
        return false;
    }
    if (returned < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return WaitFor(writing);
    return returned < 0 && errno == EINTR;
}

long ServerConnection::ReceiveSome(char* data, size_t size) {
    for (;;) {
        long returned = 0;
        if (mSsl != nullptr) {
            size_t read = 0;
            ERR_clear_error();
            returned = SSL_read_ex(mSsl, data, size, &read) == 1 ? static_cast<long>(read) : -1;
            if (returned < 0 && SSL_get_error(mSsl, -1) == SSL_ERROR_ZERO_RETURN) return 0;
        } else {
            returned = recv(mSocket, data, size, 0);
        }
        if (returned >= 0) return returned;
        if (!RetryAfter(returned, false)) return -1;
    }
}

std::string ServerConnection::ReadRequest() {
    std::string request;
    char buffer[4096];
    size_t headerEnd = std::string::npos;
    while (headerEnd == std::string::npos || request.size() < headerEnd + 4 + AnnouncedLength(request)) {
        long count = ReceiveSome(buffer, sizeof(buffer));
        if (count <= 0) break;
        request.append(buffer, static_cast<size_t>(count));
        if (headerEnd == std::string::npos) headerEnd = request.find("\r\n\r\n");
    }
    std::lock_guard<std::mutex> guard(mServer.mLock);
    mServer.mRequests.push_back(request);
    return request;
}

bool ServerConnection::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        long returned = 0;
        if (mSsl != nullptr) {
            size_t written = 0;
            ERR_clear_error();
            returned = SSL_write_ex(mSsl, bytes.data(), bytes.size(), &written) == 1
                           ? static_cast<long>(written)
                           : -1;
        } else {
            returned = send(mSocket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        }
        if (returned > 0)
            bytes.remove_prefix(static_cast<size_t>(returned));
        else if (!RetryAfter(returned, true))
            return false;
    }
    return true;
}

bool ServerConnection::WaitForClientToClose() {
    char buffer[4096];
    long count = 0;
    while ((count = ReceiveSome(buffer, sizeof(buffer))) > 0) {
    }
    return count == 0;
}

LoopbackServer::LoopbackServer(Handler handler, std::string address, std::optional<TlsFiles> tls)
    : mHandler(std::move(handler)), mAddress(std::move(address)) {
    bool v6 = mAddress.find(':') != std::string::npos;
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (v6) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
        in6->sin6_family = AF_INET6;
        if (inet_pton(AF_INET6, mAddress.c_str(), &in6->sin6_addr) != 1) return;
        length = sizeof(sockaddr_in6);
    } else {
        auto* in4 = reinterpret_cast<sockaddr_in*>(&storage);
        in4->sin_family = AF_INET;
        if (inet_pton(AF_INET, mAddress.c_str(), &in4->sin_addr) != 1) return;
        length = sizeof(sockaddr_in);
    }
    int listener = socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener < 0) return;
    if (bind(listener, reinterpret_cast<sockaddr*>(&storage), length) != 0 || listen(listener, 16) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&storage), &length) != 0) {
        close(listener);
        return;
    }
    mPort = ntohs(v6 ? reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port
                     : reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
    if (tls) {
        mTls = SSL_CTX_new(TLS_server_method());
        if (mTls == nullptr || SSL_CTX_use_certificate_chain_file(mTls, tls->certificateChain.c_str()) != 1 ||
            SSL_CTX_use_PrivateKey_file(mTls, tls->privateKey.c_str(), SSL_FILETYPE_PEM) != 1) {
            close(listener);
            return;
        }
    }
    mListener = listener;
    mThread = std::thread(&LoopbackServer::Serve, this);
}

LoopbackServer::~LoopbackServer() {
    mStop = true;
    if (mThread.joinable()) mThread.join();
    if (mListener >= 0) close(mListener);
    SSL_CTX_free(mTls);
}

std::string LoopbackServer::Url(const std::string& path) const {
    std::string host = mAddress.find(':') != std::string::npos ? "[" + mAddress + "]" : mAddress;
    return std::string(mTls != nullptr ? "https://" : "http://") + host + ":" + std::to_string(mPort) + path;
}

std::vector<std::string> LoopbackServer::Requests() const {
    std::lock_guard<std::mutex> guard(mLock);
    return mRequests;
}

LoopbackServer::Handler LoopbackServer::Answer(std::string response) {
    return [response = std::move(response)](ServerConnection& connection) {
        connection.ReadRequest();
        connection.Send(response);
    };
}

void LoopbackServer::Serve() {
    // A TLS write to a client that has gone raises SIGPIPE; here it is to be an error like any other.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    pollfd entry{mListener, POLLIN, 0};
    while (!mStop) {
        if (poll(&entry, 1, PollMs) <= 0) continue;
        int socket = accept4(mListener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (socket < 0) continue;
        ++mAccepted;
        ServeOne(socket);
        close(socket);
    }
}

void LoopbackServer::ServeOne(int socket) {
    SSL* ssl = nullptr;
    if (mTls != nullptr) {
        ssl = SSL_new(mTls);
        SSL_set_fd(ssl, socket);
        ServerConnection handshake(socket, ssl, *this);
        for (;;) {
            ERR_clear_error();
            int returned = SSL_accept(ssl);
            if (returned == 1) break;
            if (!handshake.RetryAfter(returned, false)) {
                ++mHandshakesFailed;
                SSL_free(ssl);
                return;
            }
        }
    }
    ServerConnection connection(socket, ssl, *this);
    mHandler(connection);
    if (ssl != nullptr) {
        SSL_shutdown(ssl);
        SSL_free(ssl);
    }
}

} // namespace ZorbelTest
