#include "framework/platform/net/TlsSession.h"

#include <arpa/inet.h>
#include <csignal>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace Zorbel {

namespace {

bool IsIpAddress(const std::string& host) {
    unsigned char address[16];
    return inet_pton(AF_INET, host.c_str(), address) == 1 || inet_pton(AF_INET6, host.c_str(), address) == 1;
}

// The context is made for each session, so that the trusted store is read as the environment names
// it at the time.
SSL_CTX* MakeClientContext() {
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (context == nullptr) return nullptr;
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    // Servers often close without a TLS goodbye; the end of such a body is judged by HTTP's own rules.
    SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF);
    if (SSL_CTX_set_default_verify_paths(context) != 1) {
        SSL_CTX_free(context);
        return nullptr;
    }
    return context;
}

bool ExpectHost(SSL* ssl, const std::string& hostName) {
    if (IsIpAddress(hostName))
        return X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), hostName.c_str()) == 1;
    return SSL_set_tlsext_host_name(ssl, hostName.c_str()) == 1 && SSL_set1_host(ssl, hostName.c_str()) == 1;
}

// OpenSSL writes to the socket with write(), which raises SIGPIPE when the peer has gone and would end
// the program. Blocked for this thread, the signal stays pending and the write fails with EPIPE.
void KeepBrokenPipesFromEndingTheProgram() {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
}

} // namespace

TlsSession::~TlsSession() {
    if (mSsl != nullptr) {
        // A goodbye without waiting: the socket is about to close either way.
        if (SSL_is_init_finished(mSsl)) SSL_shutdown(mSsl);
        SSL_free(mSsl);
    }
    SSL_CTX_free(mContext);
    // Errors of this session must not be mistaken for the next one's on this thread.
    ERR_clear_error();
}

NetStatus TlsSession::Start(int socket, const std::string& hostName, const Waiter& wait,
                            std::unique_ptr<TlsSession>& session) {
    KeepBrokenPipesFromEndingTheProgram();
    std::unique_ptr<TlsSession> started(new TlsSession);
    started->mContext = MakeClientContext();
    if (started->mContext == nullptr) return NetStatus::Failed;
    started->mSsl = SSL_new(started->mContext);
    SSL* ssl = started->mSsl;
    if (ssl == nullptr || SSL_set_fd(ssl, socket) != 1 || !ExpectHost(ssl, hostName))
        return NetStatus::Failed;
    // The caller drops sent bytes from the front of its request, so the bytes of a retried write move.
    SSL_set_mode(ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    for (;;) {
        ERR_clear_error();
        int returned = SSL_connect(ssl);
        if (returned == 1) break;
        NetStatus waited = started->WaitAfter(returned, wait);
        if (waited != NetStatus::Ok) return waited == NetStatus::Stopped ? waited : NetStatus::Failed;
    }
    session = std::move(started);
    return NetStatus::Ok;
}

NetStatus TlsSession::WaitAfter(int returned, const Waiter& wait) {
    switch (SSL_get_error(mSsl, returned)) {
        case SSL_ERROR_WANT_READ:
            return wait(false);
        case SSL_ERROR_WANT_WRITE:
            return wait(true);
        case SSL_ERROR_ZERO_RETURN:
            return NetStatus::Closed;
        default:
            return NetStatus::Failed;
    }
}

NetStatus TlsSession::Write(const char* data, size_t size, size_t& written, const Waiter& wait) {
    for (;;) {
        ERR_clear_error();
        int returned = SSL_write_ex(mSsl, data, size, &written);
        if (returned == 1) return NetStatus::Ok;
        NetStatus waited = WaitAfter(returned, wait);
        if (waited == NetStatus::Closed) return NetStatus::Failed;
        if (waited != NetStatus::Ok) return waited;
    }
}

NetStatus TlsSession::Read(char* data, size_t size, size_t& read, const Waiter& wait) {
    for (;;) {
        ERR_clear_error();
        int returned = SSL_read_ex(mSsl, data, size, &read);
        if (returned == 1) return NetStatus::Ok;
        NetStatus waited = WaitAfter(returned, wait);
        if (waited != NetStatus::Ok) return waited;
    }
}

} // namespace Zorbel
