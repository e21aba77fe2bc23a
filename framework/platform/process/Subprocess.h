#pragma once

#include <string>
#include <vector>

namespace Zorbel {

// How a program run by RunProcess ended and what it wrote.
struct ProcessOutcome {
    bool started = false;
    // True when it exited by itself; false when a signal ended it (or it never started).
    bool exited = false;
    int exitCode = -1;
    std::string output; // standard output
    std::string errors; // standard error
};

// Runs a program with an argument vector, no shell in between, standard input from /dev/null, and
// waits for it to end. Each captured stream keeps at most its first megabyte.
ProcessOutcome RunProcess(const std::string& program, const std::vector<std::string>& arguments);

// The absolute path of an executable file of that name in one of the folders of $PATH; empty when
// there is none. A name with a "/" in it is taken as it is.
std::string FindProgramOnPath(const std::string& name);

} // namespace Zorbel
