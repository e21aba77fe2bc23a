// The zorbel-fetch program, run as a process against servers of the test.
#include "framework/platform/process/Subprocess.h"

#include "support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using Zorbel::RunProcess;
using ZorbelTest::LoopbackServer;

namespace {

const std::string Program = std::string(ZORBEL_BINARY_DIR) + "/zorbel-fetch";

} // namespace

TEST(ZorbelFetchTest, WritesTheBodyAndExitsWithTheResult) {
    LoopbackServer server(LoopbackServer::Answer("HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\n\x01payload"));
    Zorbel::ProcessOutcome done = RunProcess(Program, {server.Url("/status")});
    EXPECT_EQ(done.exitCode, 0) << done.errors;
    EXPECT_EQ(done.output, "\x01payload");
    EXPECT_EQ(done.errors, "result 0: done\n");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], "GET /status HTTP/1.1\r\nHost: 127.0.0.1:" +
                                        std::to_string(server.Port()) + "\r\nConnection: close\r\n\r\n");

    LoopbackServer missing(LoopbackServer::Answer("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"));
    Zorbel::ProcessOutcome notFound = RunProcess(Program, {missing.Url()});
    EXPECT_EQ(notFound.exitCode, 3);
    EXPECT_EQ(notFound.output, "");
    EXPECT_EQ(notFound.errors, "result 3: not found (status 404)\n");
}

TEST(ZorbelFetchTest, PostsAFile) {
    LoopbackServer server(LoopbackServer::Answer("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"));
    std::string file =
        (std::filesystem::temp_directory_path() / ("zorbel-fetch-" + std::to_string(getpid()))).string();
    std::ofstream(file, std::ios::binary) << "crash report\n";
    Zorbel::ProcessOutcome outcome =
        RunProcess(Program, {"--post", file, "--content-type", "text/plain", "--header",
                             "X-Product: Tesserine", server.Url("/r")});
    std::filesystem::remove(file);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
    EXPECT_EQ(outcome.output, "ok");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0],
              "POST /r HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) +
                  "\r\nContent-Type: text/plain\r\nContent-Length: 13\r\nX-Product: Tesserine\r\n"
                  "Connection: close\r\n\r\ncrash report\n");
}

TEST(ZorbelFetchTest, UsageErrorsAndUnreadableFilesHaveTheirOwnCodes) {
    for (std::vector<std::string> arguments :
         std::vector<std::vector<std::string>>{{},
                                               {"--bogus", "http://x/"},
                                               {"http://x/", "http://y/"},
                                               {"--post"},
                                               {"--header", "no colon", "x"}}) {
        Zorbel::ProcessOutcome outcome = RunProcess(Program, arguments);
        EXPECT_EQ(outcome.exitCode, 64) << testing::PrintToString(arguments);
        EXPECT_NE(outcome.errors.find("usage: zorbel-fetch"), std::string::npos);
    }
    Zorbel::ProcessOutcome unreadable =
        RunProcess(Program, {"--post", "/no/such/file", "http://127.0.0.1:1/"});
    EXPECT_EQ(unreadable.exitCode, 66);
    EXPECT_EQ(unreadable.errors, "zorbel-fetch: cannot read /no/such/file: No such file or directory\n");
    Zorbel::ProcessOutcome folder = RunProcess(Program, {"--post", "/", "http://127.0.0.1:1/"});
    EXPECT_EQ(folder.exitCode, 66) << folder.errors;
}
