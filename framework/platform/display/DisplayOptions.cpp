#include "framework/platform/display/DisplayOptions.h"

#include <cstdlib>

namespace Zorbel {

std::optional<PixelFormat> DisplayOptions::FormatFromName(const std::string& name) {
    if (name == "16") return PixelFormat::R5G6B5();
    if (name == "15") return PixelFormat::X1R5G5B5();
    if (name == "32") return PixelFormat::X8R8G8B8();
    return std::nullopt;
}

DisplayOptions DisplayOptions::FromEnvironment() {
    DisplayOptions options;
    if (const char* depth = std::getenv("ZORBEL_DISPLAY_DEPTH"))
        options.desktopFormat = FormatFromName(depth);
    return options;
}

} // namespace Zorbel
