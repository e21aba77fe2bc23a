#pragma once

// The whole X screen named by DISPLAY as xwd dumps it, for the end-to-end drivers and probes.
#include <cstdint>
#include <cstdio>
#include <vector>

namespace ZorbelTest {

// Empty when xwd cannot be run.
inline std::vector<uint8_t> ScreenshotData() {
    std::vector<uint8_t> data;
    FILE* pipe = popen("xwd -root -silent", "r");
    if (!pipe) return data;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        data.insert(data.end(), buffer, buffer + n);
    pclose(pipe);
    return data;
}

} // namespace ZorbelTest
