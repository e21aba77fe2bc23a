#pragma once

#include <cstdio>
#include <string>

namespace ZorbelTest {

// Every byte of the file at path, as a string or a byte vector; empty when it cannot be read. Read with
// stdio: GCC 12's optimiser reports a null dereference inside std::istreambuf_iterator when a whole
// stream is read through it.
template <typename Bytes = std::string>
Bytes ReadWholeFile(const std::string& path) {
    Bytes bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            bytes.insert(bytes.end(), buffer, buffer + n);
        std::fclose(file);
    }
    return bytes;
}

} // namespace ZorbelTest
