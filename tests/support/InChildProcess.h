#pragma once

#include <chrono>
#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace ZorbelTest {

// How a body run in a child process ended.
enum class ChildOutcome { Passed, Failed, TimedOut };

// Runs body in a child process and waits for it at most limit. A body that blocks for good is
// killed when the time is up, so code that might hang (opening a named pipe) cannot hang the test.
inline ChildOutcome RunInChildProcess(const std::function<bool()>& body,
                                      std::chrono::milliseconds limit = std::chrono::minutes(1)) {
    pid_t child = fork();
    if (child < 0) return ChildOutcome::Failed;
    if (child == 0) _exit(body() ? 0 : 1);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return ChildOutcome::TimedOut;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ChildOutcome::Passed : ChildOutcome::Failed;
}

} // namespace ZorbelTest
