#include "framework/net/HTTPTransfer.h"

#include "support/Eventually.h"
#include "support/FakeTransferDemo.h"
#include "support/LoopbackServer.h"
#include "support/ScriptedNameResolver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace Zorbel;
using ZorbelTest::Eventually;
using ZorbelTest::FakeTransferDemo;
using ZorbelTest::LoopbackServer;
using ZorbelTest::ScriptedNameResolver;
using ZorbelTest::ServerConnection;

namespace {

using Clock = std::chrono::steady_clock;

// Polls as the main thread does until the worker has ended; false when it does not end in time.
bool WaitForEnd(HTTPTransfer& transfer) {
    return Eventually([&] {
        transfer.UpdateStatus();
        return !transfer.IsStarted();
    });
}

std::string Get(const std::string& path = "/") {
    return "GET " + path + " HTTP/1.1\r\nHost: tesserine.test\r\nConnection: close\r\n\r\n";
}

struct Outcome {
    int32_t result = -1;
    std::string content;
};

Outcome Fetch(const std::string& url, const std::string& request = Get(), NameResolver* resolver = nullptr) {
    HTTPTransfer transfer;
    transfer.SetNameResolver(resolver);
    transfer.SendRequest(url, request);
    EXPECT_TRUE(WaitForEnd(transfer)) << url;
    EXPECT_FALSE(transfer.IsThreadRunning());
    return {transfer.GetResult(), transfer.GetContent()};
}

// What the transfer makes of a server that answers with these bytes and closes.
Outcome FetchAnswer(const std::string& response) {
    LoopbackServer server(LoopbackServer::Answer(response));
    EXPECT_TRUE(server.IsListening());
    return Fetch(server.Url("/"));
}

// A loopback port on which nothing listens.
uint16_t ClosedPort() {
    int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    bind(probe, reinterpret_cast<sockaddr*>(&address), length);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    close(probe);
    return ntohs(address.sin_port);
}

// A server that reads the request and then answers nothing until the client gives up.
void Stall(ServerConnection& connection) {
    connection.ReadRequest();
    connection.WaitForClientToClose();
}

char PatternByte(size_t index) {
    return static_cast<char>('a' + (index * 7 + index / 4093) % 26);
}

} // namespace

TEST(HTTPTransferTest, StartsIdleAndTakesIdsFromOneProcessWideCounter) {
    HTTPTransfer first;
    HTTPTransfer second;
    EXPECT_EQ(first.GetResult(), HTTPTransfer::RESULT_IDLE);
    EXPECT_EQ(first.GetLastReportedResult(), HTTPTransfer::RESULT_IDLE);
    EXPECT_FALSE(first.IsStarted());
    EXPECT_FALSE(first.IsThreadRunning());
    EXPECT_EQ(second.GetTransferId(), first.GetTransferId() + 1);

    // Preparing resets (one id) and then takes the transfer's own (another).
    first.PrepareTransfer("http://tesserine.test:8080/dir/file");
    EXPECT_EQ(first.GetTransferId(), second.GetTransferId() + 2);
    EXPECT_EQ(first.GetResult(), HTTPTransfer::RESULT_IN_PROGRESS);
    EXPECT_EQ(first.GetHost(), "tesserine.test");
    EXPECT_EQ(first.GetPort(), 8080);
    first.ResetTransfer();
    EXPECT_EQ(first.GetResult(), HTTPTransfer::RESULT_IDLE);
    EXPECT_EQ(first.GetUrl(), "");
    EXPECT_EQ(first.GetPath(), "");
}

TEST(HTTPTransferTest, EachAnswerEndsWithItsResultAndContent) {
    struct Case {
        const char* response;
        int32_t result;
        const char* content;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello, and more", HTTPTransfer::RESULT_DONE, "hello"},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
         HTTPTransfer::RESULT_DONE, "hello"},
        // Servers write header names in any case and with any white space around the value.
        {"HTTP/1.1 200 OK\r\ntransfer-encoding:  chunked \r\ncontent-length: 2\r\n\r\n"
         "3\r\nabc\r\nA\r\n0123456789\r\n0\r\n\r\n",
         HTTPTransfer::RESULT_DONE, "abc0123456789"},
        {"HTTP/1.0 200 OK\r\nServer: loopback\r\n\r\nall of this\r\nuntil the end", HTTPTransfer::RESULT_DONE,
         "all of this\r\nuntil the end"},
        {"HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot here.", HTTPTransfer::RESULT_NOT_FOUND, ""},
        {"HTTP/1.1 500 Internal Server Error\r\nContent-Length: 4\r\n\r\noops",
         HTTPTransfer::RESULT_HTTP_ERROR, ""},
        {"\r\nno status line\r\n", HTTPTransfer::RESULT_HTTP_ERROR, ""},
        // An answer cut short is a failed connection, not a done one.
        {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhalf", HTTPTransfer::RESULT_CONNECT_FAILED, "half"},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nhalf\r\n",
         HTTPTransfer::RESULT_CONNECT_FAILED, "half"},
        {"HTTP/1.1 200 OK\r\nContent-", HTTPTransfer::RESULT_CONNECT_FAILED, ""},
        {"", HTTPTransfer::RESULT_CONNECT_FAILED, ""},
    };
    for (const Case& expected : cases) {
        Outcome outcome = FetchAnswer(expected.response);
        EXPECT_EQ(outcome.result, expected.result) << expected.response;
        EXPECT_EQ(outcome.content, expected.content) << expected.response;
    }
}

TEST(HTTPTransferTest, ResponsesWithoutABodyEndWithTheirHeaders) {
    // Both servers keep the connection open: waiting for the close would never end.
    auto keepOpen = [](std::string response) {
        return [response](ServerConnection& connection) {
            connection.ReadRequest();
            connection.Send(response);
            connection.WaitForClientToClose();
        };
    };
    LoopbackServer empty(keepOpen("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
    Outcome emptyBody = Fetch(empty.Url());
    EXPECT_EQ(emptyBody.result, HTTPTransfer::RESULT_DONE);
    EXPECT_EQ(emptyBody.content, "");

    LoopbackServer head(keepOpen("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n"));
    Outcome headers = Fetch(head.Url(), "HEAD / HTTP/1.1\r\nHost: tesserine.test\r\n\r\n");
    EXPECT_EQ(headers.result, HTTPTransfer::RESULT_DONE);
    EXPECT_EQ(headers.content, "");
}

TEST(HTTPTransferTest, SendsTheRequestExactlyAsGiven) {
    LoopbackServer server(LoopbackServer::Answer("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"));
    std::string body(3 << 20, '\0');
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = PatternByte(i);
    std::string request =
        "POST /upload HTTP/1.1\r\nHost: x\r\nContent-Length: " + std::to_string(body.size()) +
        "\r\nConnection: close\r\n\r\n" + body;
    Outcome outcome = Fetch(server.Url("/upload"), request);
    EXPECT_EQ(outcome.result, HTTPTransfer::RESULT_DONE);
    EXPECT_EQ(outcome.content, "ok");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_TRUE(server.Requests()[0] == request) << "the request arrived changed";
}

TEST(HTTPTransferTest, ConnectionsThatCannotBeMadeEndWithTheirReason) {
    EXPECT_EQ(Fetch("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/").result,
              HTTPTransfer::RESULT_CONNECT_FAILED);
    EXPECT_EQ(Fetch("http://127.0.0.1:0/").result, HTTPTransfer::RESULT_CONNECT_FAILED);
    EXPECT_EQ(Fetch("http://127.0.0.1:70000/").result, HTTPTransfer::RESULT_CONNECT_FAILED);

    ScriptedNameResolver resolver;
    EXPECT_EQ(Fetch("http://no-such-host.test/", Get(), &resolver).result,
              HTTPTransfer::RESULT_HOST_NOT_FOUND);
    EXPECT_EQ(resolver.Lookups(), 1);
}

TEST(HTTPTransferTest, NamesAndAddressesOfEitherFamilyReachTheServer) {
    std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nhere";
    LoopbackServer server(LoopbackServer::Answer(answer));
    ScriptedNameResolver resolver;
    resolver.Alias("tesserine.test", "127.0.0.1");
    EXPECT_EQ(Fetch("http://tesserine.test:" + std::to_string(server.Port()) + "/", Get(), &resolver).content,
              "here");
    // The system's own resolver, with a name every system knows.
    EXPECT_EQ(Fetch("localhost:" + std::to_string(server.Port())).content, "here");

    LoopbackServer server6(LoopbackServer::Answer(answer), "::1");
    if (!server6.IsListening()) GTEST_SKIP() << "this machine has no IPv6 loopback";
    EXPECT_EQ(server6.Url(), "http://[::1]:" + std::to_string(server6.Port()) + "/");
    EXPECT_EQ(Fetch(server6.Url()).content, "here");
}

TEST(HTTPTransferTest, ResetDuringASlowTransferAbortsAndWaitsForTheWorker) {
    std::atomic<bool> clientLeft{false};
    LoopbackServer server([&](ServerConnection& connection) {
        connection.ReadRequest();
        connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nthe first bytes");
        clientLeft = connection.WaitForClientToClose();
    });
    HTTPTransfer transfer;
    int32_t firstId = transfer.GetTransferId();
    FakeTransferDemo demo(firstId);
    transfer.SendRequest(server.Url(), Get());
    ASSERT_TRUE(Eventually([&] { return transfer.GetContent() == "the first bytes"; }));
    int32_t id = transfer.GetTransferId();

    transfer.ResetTransfer();
    EXPECT_FALSE(transfer.IsThreadRunning());
    EXPECT_FALSE(transfer.IsStarted());
    EXPECT_EQ(transfer.GetResult(), HTTPTransfer::RESULT_IDLE);
    EXPECT_NE(transfer.GetTransferId(), id);
    // The wait recorded the abort, with what had arrived by then.
    ASSERT_FALSE(demo.Events().empty());
    EXPECT_EQ(demo.Events().back().transferId, id - firstId);
    EXPECT_EQ(demo.Events().back().result, HTTPTransfer::RESULT_ABORTED);
    EXPECT_EQ(demo.Events().back().content, "the first bytes");
    EXPECT_TRUE(Eventually([&] { return clientLeft.load(); }));
}

TEST(HTTPTransferTest, AServerThatStallsForeverIsAbortedWithin200Milliseconds) {
    LoopbackServer server(Stall);
    // The least of three tries, so that one slow moment of a busy machine does not count.
    auto fastest = std::chrono::milliseconds::max();
    for (int attempt = 0; attempt < 3; ++attempt) {
        HTTPTransfer transfer;
        transfer.SendRequest(server.Url(), Get());
        ASSERT_TRUE(Eventually([&] { return server.Requests().size() == static_cast<size_t>(attempt + 1); }));
        auto start = Clock::now();
        transfer.ResetTransfer();
        auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        EXPECT_FALSE(transfer.IsThreadRunning());
        fastest = std::min(fastest, took);
    }
    EXPECT_LT(fastest.count(), 200);

    // Destruction aborts the same way.
    auto transfer = std::make_unique<HTTPTransfer>();
    transfer->SendRequest(server.Url(), Get());
    ASSERT_TRUE(Eventually([&] { return server.Requests().size() == 4u; }));
    transfer.reset();
}

TEST(HTTPTransferTest, AHundredMegabyteBodyArrivesWhole) {
    constexpr size_t Size = 100u << 20;
    LoopbackServer server([](ServerConnection& connection) {
        connection.ReadRequest();
        if (!connection.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(Size) + "\r\n\r\n"))
            return;
        std::string block(1 << 20, '\0');
        for (size_t offset = 0; offset < Size; offset += block.size()) {
            for (size_t i = 0; i < block.size(); ++i)
                block[i] = PatternByte(offset + i);
            if (!connection.Send(block)) return;
        }
    });
    HTTPTransfer transfer;
    transfer.SendRequest(server.Url(), Get());
    ASSERT_TRUE(WaitForEnd(transfer));
    EXPECT_EQ(transfer.GetResult(), HTTPTransfer::RESULT_DONE);
    std::string content = transfer.TakeContent();
    ASSERT_EQ(content.size(), Size);
    size_t firstWrong = Size;
    for (size_t i = 0; i < Size && firstWrong == Size; ++i)
        if (content[i] != PatternByte(i)) firstWrong = i;
    EXPECT_EQ(firstWrong, Size) << "the body differs from the byte at " << firstWrong;
}
