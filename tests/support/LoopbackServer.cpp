#include "support/LoopbackServer.h"

#include <arpa/inet.h>
#include <cctype>
#include <csignal>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ZorbelTest {

namespace {

// The "Content-Length" of a header section, 0 without one.
size_t AnnouncedLength(const std::string& headers) {
    std::string lower;
    for (char c : headers)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    size_t at = lower.find("\r\ncontent-length:");
    return at == std::string::npos ? 0 : std::stoul(lower.substr(at + 17));
}

} // namespace

long ServerConnection::ReceiveSome(char* data, size_t size) {
    if (mSsl == nullptr) return recv(mSocket, data, size, 0);
    size_t read = 0;
    if (SSL_read_ex(mSsl, data, size, &read) == 1) return static_cast<long>(read);
    return SSL_get_error(mSsl, 0) == SSL_ERROR_ZERO_RETURN ? 0 : -1;
}

std::string ServerConnection::ReadRequest() {
    std::string request;
    char buffer[65536];
    size_t wanted = std::string::npos;
    while (request.size() < wanted) {
        long count = ReceiveSome(buffer, sizeof(buffer));
        if (count <= 0) break;
        request.append(buffer, static_cast<size_t>(count));
        size_t headerEnd = wanted == std::string::npos ? request.find("\r\n\r\n") : std::string::npos;
        if (headerEnd != std::string::npos)
            wanted = headerEnd + 4 + AnnouncedLength(request.substr(0, headerEnd + 2));
    }
    std::lock_guard<std::mutex> guard(mServer.mLock);
    mServer.mRequests.push_back(request);
    return request;
}

bool ServerConnection::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        size_t sent = 0;
        if (mSsl != nullptr) {
            if (SSL_write_ex(mSsl, bytes.data(), bytes.size(), &sent) != 1) return false;
        } else {
            long count = send(mSocket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (count <= 0) return false;
            sent = static_cast<size_t>(count);
        }
        bytes.remove_prefix(sent);
    }
    return true;
}

bool ServerConnection::WaitForClientToClose() {
    char buffer[4096];
    long count = 0;
    while ((count = ReceiveSome(buffer, sizeof(buffer))) > 0) {
    }
    std::lock_guard<std::mutex> guard(mServer.mLock);
    return count == 0 && !mServer.mStop;
}

std::string ServerConnection::ServerName() const {
    const char* name = mSsl != nullptr ? SSL_get_servername(mSsl, TLSEXT_NAMETYPE_host_name) : nullptr;
    return name != nullptr ? name : "";
}

LoopbackServer::LoopbackServer(Handler handler, std::string address, std::optional<TlsFiles> tls)
    : mHandler(std::move(handler)), mAddress(std::move(address)) {
    bool v6 = mAddress.find(':') != std::string::npos;
    sockaddr_in6 in6{};
    sockaddr_in in4{};
    in6.sin6_family = AF_INET6;
    in4.sin_family = AF_INET;
    auto* bound = v6 ? reinterpret_cast<sockaddr*>(&in6) : reinterpret_cast<sockaddr*>(&in4);
    socklen_t length = v6 ? sizeof(in6) : sizeof(in4);
    void* binary = v6 ? static_cast<void*>(&in6.sin6_addr) : static_cast<void*>(&in4.sin_addr);
    int listener = socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (inet_pton(v6 ? AF_INET6 : AF_INET, mAddress.c_str(), binary) != 1 || listener < 0 ||
        bind(listener, bound, length) != 0 || listen(listener, 16) != 0 ||
        getsockname(listener, bound, &length) != 0) {
        if (listener >= 0) close(listener);
        return;
    }
    mPort = ntohs(v6 ? in6.sin6_port : in4.sin_port);
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
    {
        // Shutting the sockets down ends a waiting accept and every wait of a handler.
        std::lock_guard<std::mutex> guard(mLock);
        mStop = true;
        if (mListener >= 0) shutdown(mListener, SHUT_RDWR);
        if (mServing >= 0) shutdown(mServing, SHUT_RDWR);
    }
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
    for (;;) {
        int socket = accept4(mListener, nullptr, nullptr, SOCK_CLOEXEC);
        {
            std::lock_guard<std::mutex> guard(mLock);
            if (mStop) {
                if (socket >= 0) close(socket);
                return;
            }
            mServing = socket;
        }
        if (socket < 0) continue;
        ++mAccepted;
        ServeOne(socket);
        std::lock_guard<std::mutex> guard(mLock);
        mServing = -1;
        close(socket);
    }
}

void LoopbackServer::ServeOne(int socket) {
    SSL* ssl = nullptr;
    if (mTls != nullptr) {
        ssl = SSL_new(mTls);
        if (SSL_set_fd(ssl, socket) != 1 || SSL_accept(ssl) != 1) {
            ++mHandshakesFailed;
            SSL_free(ssl);
            return;
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
