#pragma once

#include <functional>
#include <string>

namespace Zorbel {

// The program's command line as one string, the way the application parses it: the program path in
// double quotes, then the arguments separated by blanks, each argument holding a blank or a double
// quote wrapped in double quotes.
std::string JoinCommandLine(int argc, const char* const* argv);

// The argument part of a command line: after a quoted program path, everything behind the first blank
// that follows it; after an unquoted one, everything behind the first blank. A quoted path without
// its closing quote yields nothing. hasArguments is false when there is no argument part at all.
std::string CommandLineArguments(const std::string& commandLine, bool& hasArguments);

// Walks the argument string once and calls handle(name, value) for every parameter. A double quote
// toggles quoting and is dropped; closing a quoted part also ends the parameter. A blank outside
// quotes ends the parameter, so two blanks in a row give one with an empty name. The first "=" of a
// parameter switches from the name to the value; a later one belongs to the value.
void SplitCommandLine(const std::string& arguments,
                      const std::function<void(const std::string& name, const std::string& value)>& handle);

} // namespace Zorbel
