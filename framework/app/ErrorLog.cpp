#include "framework/app/ErrorLog.h"

#include <cstdio>
#include <ctime>

namespace Zorbel {

void ErrorLog::Write(const std::string& text, uint32_t tickMs) {
    FILE* file = std::fopen(mPath.c_str(), mStarted ? "a" : "w");
    if (!file) return;
    mStarted = true;
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char clock[16];
    std::strftime(clock, sizeof clock, "%H:%M:%S", &local);
    std::fprintf(file, "%s %s %u\n", text.c_str(), clock, tickMs);
    std::fclose(file);
}

} // namespace Zorbel
