#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace ZorbelTest {

// Bytes this process has read ("rchar") or written ("wchar") through system calls so far, from
// /proc/self/io: what a test reads to tell how often a file was read or written.
inline uint64_t IoCount(const std::string& field) {
    std::ifstream io("/proc/self/io");
    std::string name;
    uint64_t value = 0;
    while (io >> name >> value)
        if (name == field + ":") return value;
    return 0;
}

} // namespace ZorbelTest
