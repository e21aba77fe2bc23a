#include "framework/app/ProgramInstance.h"

#include "framework/app/CommandLine.h"

#include <cstdio>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace Zorbel {

namespace {

struct HandedOver {
    std::mutex lock;
    bool set = false;
    std::string commandLine;
    std::string programPath;
};

HandedOver& Instance() {
    static HandedOver instance;
    return instance;
}

std::string ReadOwnCommandLine() {
    std::vector<std::string> arguments;
    if (FILE* file = std::fopen("/proc/self/cmdline", "rb")) {
        std::string current;
        int c;
        while ((c = std::fgetc(file)) != EOF) {
            if (c == 0) {
                arguments.push_back(current);
                current.clear();
            } else {
                current += static_cast<char>(c);
            }
        }
        std::fclose(file);
    }
    std::vector<const char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());
    return JoinCommandLine(static_cast<int>(argv.size()), argv.data());
}

std::string ReadOwnPath() {
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return std::string();
    return std::string(path, static_cast<size_t>(length));
}

} // namespace

void ProgramInstance::Set(int argc, const char* const* argv) {
    HandedOver& instance = Instance();
    std::lock_guard guard(instance.lock);
    instance.commandLine = JoinCommandLine(argc, argv);
    instance.programPath = ReadOwnPath();
    if (instance.programPath.empty() && argc > 0 && argv[0]) instance.programPath = argv[0];
    instance.set = true;
}

void ProgramInstance::SetCommandLine(const std::string& commandLine) {
    HandedOver& instance = Instance();
    std::lock_guard guard(instance.lock);
    if (!instance.set) instance.programPath = ReadOwnPath();
    instance.commandLine = commandLine;
    instance.set = true;
}

std::string ProgramInstance::CommandLine() {
    HandedOver& instance = Instance();
    std::lock_guard guard(instance.lock);
    return instance.set ? instance.commandLine : ReadOwnCommandLine();
}

std::string ProgramInstance::ProgramPath() {
    HandedOver& instance = Instance();
    std::lock_guard guard(instance.lock);
    return instance.set ? instance.programPath : ReadOwnPath();
}

} // namespace Zorbel
