#include "framework/platform/files/Path.h"

#include <cerrno>
#include <sys/stat.h>

namespace Zorbel {

namespace {

size_t LastSeparator(const std::string& path) {
    return path.find_last_of("/\\");
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::string GetFileName(const std::string& path) {
    size_t separator = LastSeparator(path);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string GetFileDir(const std::string& path) {
    size_t separator = LastSeparator(path);
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

bool MakeDirectories(const std::string& path) {
    std::string native = path;
    for (char& c : native)
        if (c == '\\') c = '/';
    for (size_t i = 1; i <= native.size(); ++i) {
        if (i < native.size() && native[i] != '/') continue;
        std::string level = native.substr(0, i);
        if (mkdir(level.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    return IsDirectory(native);
}

std::string StringToUpper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string StringToLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace Zorbel
