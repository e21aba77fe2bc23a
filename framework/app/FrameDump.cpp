#include "framework/app/FrameDump.h"

#include "framework/graphics/MemoryImage.h"
#include "framework/imagelib/ImageLib.h"

#include <cstdlib>
#include <cstring>

namespace Zorbel {

std::unique_ptr<FrameDump> FrameDump::FromEnvironment() {
    const char* value = std::getenv("ZORBEL_FRAME_DUMP");
    return value ? Parse(value) : nullptr;
}

std::unique_ptr<FrameDump> FrameDump::Parse(const std::string& value) {
    size_t colon = value.rfind(':');
    if (colon == std::string::npos || colon == 0) return nullptr;
    auto dump = std::make_unique<FrameDump>();
    dump->mFolder = value.substr(0, colon);
    std::string steps = value.substr(colon + 1);
    size_t start = 0;
    while (start <= steps.size()) {
        size_t comma = steps.find(',', start);
        std::string part =
            steps.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        char* end = nullptr;
        long step = std::strtol(part.c_str(), &end, 10);
        if (!part.empty() && *end == 0 && step >= 0 && step <= INT32_MAX)
            dump->mSteps.insert(static_cast<int32_t>(step));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (dump->mSteps.empty()) return nullptr;
    return dump;
}

bool FrameDump::Write(int32_t step, MemoryImage& image) const {
    const uint32_t* pixels = image.GetPixels();
    if (!pixels || image.GetWidth() <= 0 || image.GetHeight() <= 0) return false;
    std::unique_ptr<ImageLib::Image> copy =
        ImageLib::Image::Create(image.GetWidth(), image.GetHeight(), false);
    if (!copy) return false;
    // The screen is opaque whatever its alpha bytes hold.
    for (size_t i = 0; i < copy->GetPixelCount(); ++i)
        copy->GetBits()[i] = pixels[i] | 0xFF000000u;
    return ImageLib::WritePng(mFolder + "/frame-" + std::to_string(step) + ".png", *copy);
}

} // namespace Zorbel
