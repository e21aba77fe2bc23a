#include "framework/platform/process/Subprocess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Zorbel {

namespace {

constexpr size_t MaxCapturedBytes = 1 << 20;

// A pipe whose ends close themselves, and never leak into other programs we start.
struct Pipe {
    int readEnd = -1;
    int writeEnd = -1;
    Pipe() {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) == 0) {
            readEnd = ends[0];
            writeEnd = ends[1];
        }
    }
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    bool IsOpen() const { return readEnd >= 0 && writeEnd >= 0; }
    void CloseRead() { Close(readEnd); }
    void CloseWrite() { Close(writeEnd); }
    static void Close(int& fd) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
};

// The child starts with default signal handling and nothing blocked, whatever this process set up.
class SpawnSettings {
public:
    SpawnSettings(int outputFd, int errorFd) {
        posix_spawn_file_actions_init(&mActions);
        posix_spawn_file_actions_addopen(&mActions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&mActions, outputFd, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&mActions, errorFd, STDERR_FILENO);
        posix_spawnattr_init(&mAttributes);
        sigset_t all, none;
        sigfillset(&all);
        sigemptyset(&none);
        posix_spawnattr_setsigdefault(&mAttributes, &all);
        posix_spawnattr_setsigmask(&mAttributes, &none);
        posix_spawnattr_setflags(&mAttributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    }
    ~SpawnSettings() {
        posix_spawnattr_destroy(&mAttributes);
        posix_spawn_file_actions_destroy(&mActions);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    const posix_spawn_file_actions_t* Actions() const { return &mActions; }
    const posix_spawnattr_t* Attributes() const { return &mAttributes; }

private:
    posix_spawn_file_actions_t mActions;
    posix_spawnattr_t mAttributes;
};

// Reads what is there; false once the stream has ended.
bool ReadSome(int fd, std::string& into) {
    char buffer[4096];
    ssize_t count = read(fd, buffer, sizeof buffer);
    if (count < 0) return errno == EINTR || errno == EAGAIN;
    if (count == 0) return false;
    size_t room = MaxCapturedBytes - std::min(into.size(), MaxCapturedBytes);
    into.append(buffer, std::min(static_cast<size_t>(count), room));
    return true;
}

// Reads both streams to their ends together, so that a child filling one pipe never stalls.
void Drain(int outputFd, int errorFd, ProcessOutcome& outcome) {
    pollfd fds[2] = {{outputFd, POLLIN, 0}, {errorFd, POLLIN, 0}};
    std::string* into[2] = {&outcome.output, &outcome.errors};
    int open = 2;
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            if (!ReadSome(fds[i].fd, *into[i])) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

void Wait(pid_t child, ProcessOutcome& outcome) {
    int status = 0;
    pid_t waited;
    do {
        waited = waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited != child) return;
    outcome.exited = WIFEXITED(status);
    if (outcome.exited) outcome.exitCode = WEXITSTATUS(status);
}

bool IsExecutableFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

} // namespace

ProcessOutcome RunProcess(const std::string& program, const std::vector<std::string>& arguments) {
    ProcessOutcome outcome;
    Pipe output, errors;
    if (!output.IsOpen() || !errors.IsOpen()) return outcome;

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t child = -1;
    {
        SpawnSettings settings(output.writeEnd, errors.writeEnd);
        if (posix_spawn(&child, program.c_str(), settings.Actions(), settings.Attributes(), argv.data(),
                        environ) != 0)
            return outcome;
    }
    outcome.started = true;
    // Only the child may hold the writing ends, or the streams would never end.
    output.CloseWrite();
    errors.CloseWrite();
    Drain(output.readEnd, errors.readEnd, outcome);
    Wait(child, outcome);
    return outcome;
}

std::string FindProgramOnPath(const std::string& name) {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        std::string folder = folders.substr(start, end - start);
        // An empty entry means the current folder, which we never search: a program planted there
        // must not pass for a desktop tool.
        if (!folder.empty() && folder[0] == '/') {
            std::string candidate = folder + (folder.back() == '/' ? "" : "/") + name;
            if (IsExecutableFile(candidate)) return candidate;
        }
        start = end + 1;
    }
    return {};
}

} // namespace Zorbel
