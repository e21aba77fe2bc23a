#pragma once

// The picture readers take file names, so the fuzz targets hand them their bytes through files in a
// scratch folder of their own (in memory where the system offers /dev/shm), removed at exit.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace FuzzFiles {

inline const std::filesystem::path& Folder() {
    // Never destroyed, so that the exit handler can still use it.
    static const std::filesystem::path* folder = [] {
        std::error_code error;
        std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                         ? std::filesystem::path("/dev/shm")
                                         : std::filesystem::temp_directory_path();
        std::filesystem::path made = base / ("zorbel-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(made);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(Folder(), ignored);
        });
        return new std::filesystem::path(made);
    }();
    return *folder;
}

inline std::string PathOf(const std::string& name) {
    return (Folder() / name).string();
}

inline void Write(const std::string& name, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(PathOf(name).c_str(), "wb");
    if (!file) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}

inline void Remove(const std::string& name) {
    std::remove(PathOf(name).c_str());
}

// Reads every pixel's row ends, so that a wrong size or pointer shows up under the sanitizers without
// touching every page of a huge, mostly untouched picture.
template <typename ImagePtr>
uint32_t Touch(const ImagePtr& image) {
    if (!image) return 0;
    int width = image->GetWidth();
    int height = image->GetHeight();
    if (width <= 0 || height <= 0) std::abort();
    const uint32_t* bits = image->GetBits();
    uint32_t sum = 0;
    for (int y = 0; y < height; y += 1 + height / 64)
        sum += bits[size_t(y) * size_t(width)] + bits[size_t(y) * size_t(width) + size_t(width) - 1];
    return sum;
}

} // namespace FuzzFiles
