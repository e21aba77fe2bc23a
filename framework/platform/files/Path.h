#pragma once

#include <string>

namespace Zorbel {

// Both "/" and "\" separate path parts, so paths written for either convention work.

// The text after the last separator (the whole path when it has none).
std::string GetFileName(const std::string& path);
// The text before the last separator (empty when there is none).
std::string GetFileDir(const std::string& path);
// Creates the directory and every missing parent, level by level. True when it exists afterwards.
bool MakeDirectories(const std::string& path);

// Byte-wise ASCII casing; other bytes are kept, so UTF-8 and Latin-1 texts pass through unharmed.
std::string StringToUpper(std::string text);
std::string StringToLower(std::string text);

} // namespace Zorbel
