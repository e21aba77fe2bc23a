#include "framework/app/ScreenshotWriter.h"

#include "framework/imagelib/ImageLib.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <string_view>

namespace Zorbel {

namespace {

// The number of "image<n>.png"; none for any other name, and for numbers too large to count on from.
std::optional<int64_t> ShotNumber(const std::string& name) {
    constexpr std::string_view prefix = "image", suffix = ".png";
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return std::nullopt;
    int64_t number = 0;
    for (size_t i = prefix.size(); i < name.size() - suffix.size(); ++i) {
        const char c = name[i];
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + (c - '0');
        if (number >= std::numeric_limits<int32_t>::max()) return std::nullopt;
    }
    return number;
}

} // namespace

int64_t ScreenshotWriter::LargestNumber() const {
    int64_t largest = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(mFolder, error), end; !error && entry != end;
         entry.increment(error)) {
        if (std::optional<int64_t> number = ShotNumber(entry->path().filename().string()))
            largest = std::max(largest, *number);
    }
    return largest;
}

std::string ScreenshotWriter::NextPath() const {
    return mFolder + "/image" + std::to_string(LargestNumber() + 1) + ".png";
}

std::string ScreenshotWriter::Write(const std::vector<uint32_t>& pixels, int32_t width,
                                    int32_t height) const {
    if (width <= 0 || height <= 0 || pixels.size() != size_t(width) * size_t(height)) return {};
    std::error_code error;
    std::filesystem::create_directory(mFolder, error);
    std::unique_ptr<ImageLib::Image> picture = ImageLib::Image::Create(width, height, false);
    if (!picture) return {};
    std::memcpy(picture->GetBits(), pixels.data(), pixels.size() * sizeof(uint32_t));
    const std::string path = NextPath();
    return ImageLib::WritePng(path, *picture) ? path : std::string();
}

} // namespace Zorbel
