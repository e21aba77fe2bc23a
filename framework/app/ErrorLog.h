#pragma once

#include <cstdint>
#include <string>

namespace Zorbel {

// The error log of one run: the first message truncates the file, later ones append. Each message
// is one line: the text, the local time as HH:MM:SS and the tick count in milliseconds.
class ErrorLog {
public:
    static constexpr const char* DefaultFileName = "TesError.txt";

    explicit ErrorLog(std::string path = DefaultFileName) : mPath(std::move(path)) {}

    // Nothing happens when the file cannot be opened.
    void Write(const std::string& text, uint32_t tickMs);

    const std::string& Path() const { return mPath; }

private:
    std::string mPath;
    bool mStarted = false;
};

} // namespace Zorbel
