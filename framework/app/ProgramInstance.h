#pragma once

#include <string>

namespace Zorbel {

// What the program entry hands over before the application exists: the command line (as one string,
// the way the application parses it) and the program's own path. Without a hand-over both are read
// from the process itself.
class ProgramInstance {
public:
    ProgramInstance() = delete;

    static void Set(int argc, const char* const* argv);
    // Replaces the command line (the whole line, program path first).
    static void SetCommandLine(const std::string& commandLine);

    static std::string CommandLine();
    static std::string ProgramPath();
};

} // namespace Zorbel
