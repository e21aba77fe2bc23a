#pragma once

#include <chrono>
#include <csignal>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace ZorbelTest {

// How a child run by RunChildIn ended.
struct ChildEnd {
    bool exited = false;
    int exitCode = -1;
    int signal = 0;
    bool timedOut = false;
};

// Runs program with arguments in folder and waits for it at most patience; a child still running then
// is killed and the end says so.
inline ChildEnd RunChildIn(const std::string& folder, const std::string& program,
                           const std::vector<std::string>& arguments,
                           std::chrono::milliseconds patience = std::chrono::seconds(60)) {
    ChildEnd end;
    pid_t child = fork();
    if (child == 0) {
        if (chdir(folder.c_str()) != 0) _exit(127);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    if (child < 0) return end;
    auto deadline = std::chrono::steady_clock::now() + patience;
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            end.timedOut = true;
            return end;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    end.exited = WIFEXITED(status);
    end.exitCode = end.exited ? WEXITSTATUS(status) : -1;
    end.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return end;
}

} // namespace ZorbelTest
