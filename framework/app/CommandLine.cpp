#include "framework/app/CommandLine.h"

namespace Zorbel {

std::string JoinCommandLine(int argc, const char* const* argv) {
    std::string line = "\"";
    line += argc > 0 && argv[0] ? argv[0] : "";
    line += "\"";
    bool afterQuote = false;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i] ? argv[i] : "";
        // A closing quote already ends a parameter; a blank after it would add an empty one.
        if (!afterQuote) line += ' ';
        afterQuote = argument.find_first_of(" \"") != std::string::npos;
        if (!afterQuote) {
            line += argument;
        } else {
            // Quotes inside cannot be expressed; they are dropped like the parser would drop them.
            line += '"';
            for (char c : argument)
                if (c != '"') line += c;
            line += '"';
        }
    }
    return line;
}

std::string CommandLineArguments(const std::string& commandLine, bool& hasArguments) {
    hasArguments = false;
    size_t position = 0;
    if (!commandLine.empty() && commandLine[0] == '"') {
        size_t closing = commandLine.find('"', 1);
        if (closing == std::string::npos) return std::string();
        position = closing + 1;
    }
    size_t blank = commandLine.find(' ', position);
    if (blank == std::string::npos) return std::string();
    hasArguments = true;
    return commandLine.substr(blank + 1);
}

void SplitCommandLine(const std::string& arguments,
                      const std::function<void(const std::string& name, const std::string& value)>& handle) {
    std::string name;
    std::string value;
    bool inQuotes = false;
    bool afterEquals = false;
    bool pending = false; // something of the current parameter has been seen
    auto finish = [&] {
        handle(name, value);
        name.clear();
        value.clear();
        afterEquals = false;
        pending = false;
    };
    for (char c : arguments) {
        if (c == '"') {
            inQuotes = !inQuotes;
            pending = true;
            if (!inQuotes) finish();
        } else if (c == ' ' && !inQuotes) {
            finish();
        } else if (c == '=' && !afterEquals) {
            afterEquals = true;
            pending = true;
        } else {
            (afterEquals ? value : name) += c;
            pending = true;
        }
    }
    if (pending) finish();
}

} // namespace Zorbel
