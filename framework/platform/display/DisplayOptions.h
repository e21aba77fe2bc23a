#pragma once

#include "framework/platform/GpuDevice.h"
#include "framework/platform/PixelFormat.h"

#include <functional>
#include <memory>

#include <optional>
#include <string>
#include <vector>

namespace Zorbel {

// Choices about the display that the desktop would otherwise make: mainly the layout of a windowed
// primary surface, so that the 16-bit paths can run for real on a 32-bit desktop.
struct DisplayOptions {
    // Layout of the primary surface in a window; the desktop's own when not given.
    std::optional<PixelFormat> desktopFormat;
    // Whether surfaces may be asked for in video memory (here they all live in system memory anyway).
    bool videoMemory = true;

    // What a headless desktop reports; a real desktop answers these itself.
    int32_t desktopWidth = 1024;
    int32_t desktopHeight = 768;
    uint32_t refreshRate = 60;
    bool refreshRateFails = false;
    // Exclusive full-screen modes the headless desktop offers.
    std::vector<std::pair<int32_t, int32_t>> fullScreenSizes = {{640, 480}, {800, 600}, {1024, 768}};
    // The graphics hardware of a headless desktop: none when not given.
    std::function<uint32_t(std::unique_ptr<GpuDevice>&)> gpuDevice;

    // Reads ZORBEL_DISPLAY_DEPTH: "16" for a 5-6-5 primary, "15" for 5-5-5, "32" for x8r8g8b8; anything
    // else leaves the desktop's layout.
    static DisplayOptions FromEnvironment();
    // The layout named by such a value, or none.
    static std::optional<PixelFormat> FormatFromName(const std::string& name);
};

} // namespace Zorbel
