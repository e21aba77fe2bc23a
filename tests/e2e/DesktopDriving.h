#pragma once

// What the end-to-end drivers share: running a command for its output, a screenshot of the whole X
// screen, and waiting for a program they started, each bounded.
#include "support/XwdImage.h"

#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace ZorbelTest {

// The standard output of a shell command.
inline std::string RunCommand(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        pclose(pipe);
    }
    return output;
}

inline std::optional<Zorbel::Testing::XwdImage> ScreenShot() {
    FILE* pipe = popen("xwd -root -silent", "r");
    if (!pipe) return std::nullopt;
    std::vector<uint8_t> data;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        data.insert(data.end(), buffer, buffer + n);
    pclose(pipe);
    return Zorbel::Testing::XwdImage::Parse(data);
}

// Waits up to the given time for the process to end and gives its status; kills it when it does not.
inline std::optional<int> WaitForProcess(pid_t pid, int seconds) {
    int status = 0;
    for (int i = 0; i < seconds * 10; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid) return status;
        usleep(100000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return std::nullopt;
}

} // namespace ZorbelTest
