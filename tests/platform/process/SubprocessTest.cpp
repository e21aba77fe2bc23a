#include "framework/platform/process/Subprocess.h"

#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace Zorbel;

TEST(SubprocessTest, ArgumentsArriveUntouchedAndBothStreamsAreCaptured) {
    ProcessOutcome outcome = RunProcess(
        "/bin/sh", {"-c", "printf '[%s]' \"$@\"; echo oops >&2; exit 3", "sh", "a b", "'q'", "\"$x\"", ""});
    EXPECT_TRUE(outcome.started);
    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.exitCode, 3);
    EXPECT_EQ(outcome.output, "[a b]['q'][\"$x\"][]");
    EXPECT_EQ(outcome.errors, "oops\n");
}

TEST(SubprocessTest, InputIsEmptyAndFloodsOfOutputNeitherStallNorGrowWithoutBound) {
    // Far more than a pipe holds on standard error before anything on standard output, and more than
    // is kept on standard output.
    ProcessOutcome outcome = RunProcess(
        "/bin/sh", {"-c", "cat; head -c 300000 /dev/zero >&2; head -c 3000000 /dev/zero; echo done >&2"});
    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.output.size(), 1u << 20);
    EXPECT_EQ(outcome.errors.size(), 300000u + 5u);
    EXPECT_EQ(outcome.errors.substr(outcome.errors.size() - 5), "done\n");
}

TEST(SubprocessTest, SignalsAndMissingProgramsAreToldApart) {
    ProcessOutcome killed = RunProcess("/bin/sh", {"-c", "kill -9 $$"});
    EXPECT_TRUE(killed.started);
    EXPECT_FALSE(killed.exited);
    ProcessOutcome missing = RunProcess("/nonexistent/program", {});
    EXPECT_FALSE(missing.started);
    EXPECT_FALSE(missing.exited);
}

TEST(SubprocessTest, ProgramsAreFoundOnlyInAbsoluteFoldersOfThePath) {
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("zorbel-path-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "sub");
    std::ofstream(folder / "tool") << "#!/bin/sh\n";
    std::filesystem::permissions(folder / "tool", std::filesystem::perms::owner_all);
    std::ofstream(folder / "plain") << "text\n";

    ZorbelTest::ScopedEnvironment environment;
    environment.Set("PATH", "/nonexistent::" + folder.string() + "/:/bin");
    EXPECT_EQ(FindProgramOnPath("tool"), folder.string() + "/tool");
    EXPECT_EQ(FindProgramOnPath("plain"), "") << "not executable";
    EXPECT_EQ(FindProgramOnPath("sub"), "") << "a folder";
    EXPECT_EQ(FindProgramOnPath("sh"), "/bin/sh");
    EXPECT_EQ(FindProgramOnPath(folder.string() + "/tool"), folder.string() + "/tool");
    EXPECT_EQ(FindProgramOnPath(""), "");

    // An empty entry would mean the current folder, which is never searched.
    std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    environment.Set("PATH", ":/nonexistent");
    EXPECT_EQ(FindProgramOnPath("tool"), "");
    std::filesystem::current_path(old);
    std::filesystem::remove_all(folder);
}
