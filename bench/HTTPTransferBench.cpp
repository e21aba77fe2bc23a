// A 100 MB body over the loopback interface, received by HTTPTransfer and, in the same run from the
// same server, by curl (a process per fetch). The server is a thread of this
// program that answers every request with the same 100 MB from memory, length-delimited.
#include "framework/net/HTTPTransfer.h"
#include "framework/platform/process/Subprocess.h"

#include "support/LoopbackServer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

using namespace Zorbel;
using ZorbelTest::LoopbackServer;
using ZorbelTest::ServerConnection;

namespace {

constexpr size_t BodySize = 100u << 20;

const std::string& Body() {
    static const std::string body = [] {
        std::string bytes(BodySize, '\0');
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>('a' + i % 26);
        return bytes;
    }();
    return body;
}

LoopbackServer& Server() {
    // The body is made before the first fetch, so that no measurement includes making it.
    static const std::string& body = Body();
    static LoopbackServer server([](ServerConnection& connection) {
        connection.ReadRequest();
        if (connection.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(BodySize) + "\r\n\r\n"))
            connection.Send(body);
    });
    return server;
}

void BM_HTTPTransfer(benchmark::State& state) {
    const std::string url = Server().Url("/body");
    const std::string request = "GET /body HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    for (auto _ : state) {
        HTTPTransfer transfer;
        transfer.SendRequest(url, request);
        // The caller polls each millisecond, ten times as often as a game polls in its update steps.
        while (transfer.IsStarted())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::string content = transfer.TakeContent();
        if (transfer.GetResult() != HTTPTransfer::RESULT_DONE || content.size() != BodySize) {
            state.SkipWithError("the body did not arrive whole");
            break;
        }
        benchmark::DoNotOptimize(content.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * BodySize));
}
BENCHMARK(BM_HTTPTransfer)->Unit(benchmark::kMillisecond)->UseRealTime();

// curl writing the body to output: /dev/null (nothing is kept), or a file in memory (/dev/shm), which,
// like our content, needs 100 MB of fresh pages each time.
void RunCurl(benchmark::State& state, const std::string& output) {
    const std::string curl = FindProgramOnPath("curl");
    if (curl.empty()) {
        state.SkipWithError("curl is not installed");
        return;
    }
    const std::string url = Server().Url("/body");
    for (auto _ : state) {
        ProcessOutcome outcome = RunProcess(curl, {"--silent", "--fail", "--output", output, url});
        if (!outcome.exited || outcome.exitCode != 0) {
            state.SkipWithError("curl failed");
            break;
        }
        if (output != "/dev/null") std::filesystem::remove(output);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * BodySize));
}

void BM_CurlToDevNull(benchmark::State& state) {
    RunCurl(state, "/dev/null");
}
BENCHMARK(BM_CurlToDevNull)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CurlToMemoryFile(benchmark::State& state) {
    RunCurl(state, "/dev/shm/zorbel-bench-body-" + std::to_string(getpid()));
}
BENCHMARK(BM_CurlToMemoryFile)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
