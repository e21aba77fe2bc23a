#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Zorbel {

// The screenshots of the F11 key: numbered PNG files "image<n>.png" in a folder, each one numbered
// after the largest already there, so that no older shot is ever overwritten.
class ScreenshotWriter {
public:
    explicit ScreenshotWriter(std::string folder) : mFolder(std::move(folder)) {}

    // The largest n of the files "image<n>.png" in the folder; 0 when there is none.
    int64_t LargestNumber() const;
    // The file the next shot goes to: folder + "/image" + (LargestNumber() + 1) + ".png".
    std::string NextPath() const;
    // Creates the folder when needed and writes the pixels (opaque 0xAARRGGBB rows) to the next file,
    // atomically; the path written, or empty when nothing was.
    std::string Write(const std::vector<uint32_t>& pixels, int32_t width, int32_t height) const;

private:
    std::string mFolder;
};

} // namespace Zorbel
