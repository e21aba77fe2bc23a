#include "framework/net/HTTPTransfer.h"

#include "support/Eventually.h"
#include "support/LoopbackServer.h"
#include "support/ScopedEnvironment.h"
#include "support/ScriptedNameResolver.h"
#include "support/TestCertificates.h"

#include <gtest/gtest.h>

#include <mutex>
#include <optional>

using namespace Zorbel;
using ZorbelTest::Eventually;
using ZorbelTest::LoopbackServer;
using ZorbelTest::ScopedEnvironment;
using ZorbelTest::ScriptedNameResolver;
using ZorbelTest::ServerConnection;
using ZorbelTest::TestCertificates;

namespace {

// A TLS server for "tesserine.test" and 127.0.0.1 with a certificate of an authority made for the test,
// and a resolver that knows the name (and "elsewhere.test", for which the certificate is not).
class HTTPTransferTlsTest : public testing::Test {
protected:
    HTTPTransferTlsTest()
        : mCertificates({"DNS:tesserine.test", "IP:127.0.0.1"}),
          mServer(
              [this](ServerConnection& connection) {
                  std::lock_guard<std::mutex> guard(mLock);
                  mServerName = connection.ServerName();
                  connection.ReadRequest();
                  connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nsecret");
              },
              "127.0.0.1",
              LoopbackServer::TlsFiles{mCertificates.ServerCertificateFile(),
                                       mCertificates.ServerKeyFile()}) {
        mResolver.Alias("tesserine.test", "127.0.0.1");
        mResolver.Alias("elsewhere.test", "127.0.0.1");
    }

    void SetUp() override {
        ASSERT_TRUE(mCertificates.IsValid());
        ASSERT_TRUE(mServer.IsListening());
    }

    // The result and content of a GET of https://host:port/.
    std::pair<int32_t, std::string> Fetch(const std::string& host) {
        HTTPTransfer transfer;
        transfer.SetNameResolver(&mResolver);
        std::string url = "https://" + host + ":" + std::to_string(mServer.Port()) + "/";
        transfer.SendRequest(url, "GET / HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n");
        EXPECT_TRUE(Eventually([&] { return !transfer.IsStarted(); })) << "the transfer did not end";
        return {transfer.GetResult(), transfer.GetContent()};
    }

    std::string ServerName() {
        std::lock_guard<std::mutex> guard(mLock);
        return mServerName;
    }

    std::mutex mLock;
    std::string mServerName;
    TestCertificates mCertificates;
    LoopbackServer mServer;
    ScriptedNameResolver mResolver;
    ScopedEnvironment mEnvironment;
};

} // namespace

TEST_F(HTTPTransferTlsTest, TrustedWhenTheAuthorityIsGiven) {
    mEnvironment.Set("SSL_CERT_FILE", mCertificates.AuthorityFile());
    auto [result, content] = Fetch("tesserine.test");
    EXPECT_EQ(result, HTTPTransfer::RESULT_DONE);
    EXPECT_EQ(content, "secret");
    EXPECT_EQ(ServerName(), "tesserine.test") << "the name goes out as the server name";

    // An address is checked against the certificate's addresses.
    EXPECT_EQ(Fetch("127.0.0.1"), std::make_pair(HTTPTransfer::RESULT_DONE + 0, std::string("secret")));
    ASSERT_EQ(mServer.Requests().size(), 2u);
    EXPECT_EQ(mServer.Requests()[0].substr(0, 16), "GET / HTTP/1.1\r\n");
}

TEST_F(HTTPTransferTlsTest, RefusedWhenTheAuthorityIsNotTrusted) {
    mEnvironment.Unset("SSL_CERT_FILE");
    EXPECT_EQ(Fetch("tesserine.test"),
              std::make_pair(HTTPTransfer::RESULT_CONNECT_FAILED + 0, std::string()));
    EXPECT_EQ(mServer.Requests().size(), 0u) << "nothing goes out in plain text instead";
    EXPECT_TRUE(Eventually([&] { return mServer.HandshakesFailed() == 1; }));
}

TEST_F(HTTPTransferTlsTest, RefusedWhenTheCertificateIsForAnotherName) {
    mEnvironment.Set("SSL_CERT_FILE", mCertificates.AuthorityFile());
    EXPECT_EQ(Fetch("elsewhere.test"),
              std::make_pair(HTTPTransfer::RESULT_CONNECT_FAILED + 0, std::string()));
    EXPECT_EQ(mServer.Requests().size(), 0u);
}

TEST(HTTPTransferTlsSendTest, AServerThatHangsUpDuringTheRequestIsASendFailure) {
    // Over TLS a write to a closed connection raises SIGPIPE; it must end the transfer, not the program.
    TestCertificates certificates({"IP:127.0.0.1"});
    ScopedEnvironment environment;
    environment.Set("SSL_CERT_FILE", certificates.AuthorityFile());
    LoopbackServer::TlsFiles files{certificates.ServerCertificateFile(), certificates.ServerKeyFile()};
    for (std::optional<LoopbackServer::TlsFiles> tls :
         {std::optional<LoopbackServer::TlsFiles>(), std::optional(files)}) {
        LoopbackServer server([](ServerConnection&) {}, "127.0.0.1", tls);
        HTTPTransfer transfer;
        transfer.SendRequest(server.Url(), "POST / HTTP/1.1\r\n\r\n" + std::string(32 << 20, 'x'));
        EXPECT_TRUE(Eventually([&] { return !transfer.IsStarted(); }));
        EXPECT_EQ(transfer.GetResult(), HTTPTransfer::RESULT_SEND_FAILED) << (tls ? "https" : "http");
    }
}
