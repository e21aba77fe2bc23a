#include "framework/net/HTTPTransfer.h"

#include "support/Eventually.h"
#include "support/FakeTransferDemo.h"
#include "support/LoopbackServer.h"
#include "support/ScriptedNameResolver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
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

const std::string Request = "GET /news HTTP/1.1\r\nHost: tesserine.test\r\nConnection: close\r\n\r\n";
const std::string Answer = "HTTP/1.1 200 OK\r\nContent-Length: 11\r\n\r\nfresh news!";

// One run of a small program around a transfer, as the main loop drives it: the request goes out at
// step 3, and every step polls the status until the result it reports (recording) or reads (playback) is
// final, or a minute has passed (-1). Each step waits a moment, as real steps take time. Returns the step
// at which the result became final.
int32_t RunSteps(HTTPTransfer& transfer, FakeTransferDemo& demo, const std::string& url,
                 const std::function<void()>& afterSending = {}) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    for (int32_t step = 0; std::chrono::steady_clock::now() < deadline; ++step) {
        demo.SetStep(step);
        if (step == 3) transfer.SendRequest(url, Request);
        transfer.UpdateStatus();
        if (step == 3 && afterSending) afterSending();
        int32_t result = transfer.GetLastReportedResult();
        if (step > 3 && result != HTTPTransfer::RESULT_IN_PROGRESS) return step;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
}

bool NothingListensOn(uint16_t port) {
    int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool refused = connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0;
    close(probe);
    return refused;
}

} // namespace

TEST(HTTPTransferDemoTest, ARecordedRunReplaysItsTransferWithoutAConnection) {
    std::vector<FakeTransferDemo::Event> recording;
    std::string url;
    int32_t recordedEnd = 0;
    {
        // The server answers once the step that sent the request is over, so that the recording sees
        // the transfer in progress first.
        std::atomic<bool> stepOver{false};
        LoopbackServer server([&](ServerConnection& connection) {
            connection.ReadRequest();
            if (Eventually([&] { return stepOver.load(); })) connection.Send(Answer);
        });
        url = server.Url("/news");
        HTTPTransfer transfer;
        FakeTransferDemo demo(transfer.GetTransferId());
        recordedEnd = RunSteps(transfer, demo, url, [&] { stepOver = true; });
        ASSERT_GT(recordedEnd, 3);
        EXPECT_EQ(transfer.GetResult(), HTTPTransfer::RESULT_DONE);
        // Each change of the result is written once: in progress without content, then done with it.
        recording = demo.Events();
        ASSERT_EQ(recording.size(), 2u);
        EXPECT_EQ(recording[0].step, 3);
        EXPECT_EQ(recording[0].result, HTTPTransfer::RESULT_IN_PROGRESS);
        EXPECT_EQ(recording[0].content, "");
        EXPECT_EQ(recording[1].step, recordedEnd);
        EXPECT_EQ(recording[1].result, HTTPTransfer::RESULT_DONE);
        EXPECT_EQ(recording[1].content, "fresh news!");
        EXPECT_EQ(recording[0].transferId, recording[1].transferId);
    }

    // The server is gone; the replay neither resolves nor connects, and ends at the same step.
    ASSERT_TRUE(NothingListensOn(static_cast<uint16_t>(std::stoi(url.substr(url.rfind(':') + 1)))));
    ScriptedNameResolver resolver;
    HTTPTransfer transfer;
    transfer.SetNameResolver(&resolver);
    FakeTransferDemo demo(transfer.GetTransferId(), recording);
    EXPECT_EQ(RunSteps(transfer, demo, url), recordedEnd);
    EXPECT_EQ(transfer.GetResult(), HTTPTransfer::RESULT_DONE);
    EXPECT_EQ(transfer.GetContent(), "fresh news!");
    EXPECT_EQ(transfer.GetLastReportedResult(), HTTPTransfer::RESULT_DONE);
    EXPECT_EQ(demo.Consumed(), 2u);
    EXPECT_EQ(resolver.Lookups(), 0);
    // No worker ever ran, so the transfer still counts as started.
    EXPECT_TRUE(transfer.IsStarted());
    EXPECT_FALSE(transfer.IsThreadRunning());
}

TEST(HTTPTransferDemoTest, WaitingAndResettingDuringPlaybackTakeWhatTheRecordingSawAtThatStep) {
    HTTPTransfer transfer;
    int32_t first = transfer.GetTransferId();
    // A recorded wait saw the transfer progress and finish within one step; a recorded reset of the
    // second transfer saw it aborted, and another transfer's result followed at that step.
    FakeTransferDemo demo(first, {{2, 2, HTTPTransfer::RESULT_IN_PROGRESS, ""},
                                  {2, 2, HTTPTransfer::RESULT_DONE, "waited"},
                                  {8, 4, HTTPTransfer::RESULT_ABORTED, "partial"},
                                  {8, 9, HTTPTransfer::RESULT_DONE, "another"}});
    demo.SetStep(2);
    transfer.SendRequest("http://tesserine.test/", Request);
    transfer.WaitForTransfer();
    EXPECT_EQ(transfer.GetResult(), HTTPTransfer::RESULT_DONE);
    EXPECT_EQ(transfer.GetContent(), "waited");

    // With nothing recorded for it, a wait returns at once instead of waiting for a step that cannot come.
    demo.SetStep(6);
    transfer.SendRequest("http://tesserine.test/", Request);
    transfer.WaitForTransfer();
    EXPECT_EQ(transfer.GetResult(), HTTPTransfer::RESULT_IN_PROGRESS);
    EXPECT_EQ(demo.Consumed(), 2u);
    demo.SetStep(8);
    transfer.ResetTransfer();
    EXPECT_EQ(demo.Consumed(), 3u) << "another transfer's event is left in the demo";
    EXPECT_EQ(transfer.GetResult(), HTTPTransfer::RESULT_IDLE);
    EXPECT_FALSE(transfer.IsStarted());
}
