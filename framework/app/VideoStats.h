#pragma once

#include "framework/app/DisplayDevice.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace Zorbel {

class MemoryImage;

// The video statistics of the F8 key: whether 3D drawing is on and what the 3D tester thought of the
// machine, the video memory the device reports, and the textures of the live pictures by format.
struct VideoStats {
    struct FormatUse {
        int32_t count = 0;
        uint64_t bytes = 0;
    };

    bool is3D = false;
    HardwareVerdict verdict = HardwareVerdict::Unsupported;
    VideoMemory memory;
    uint64_t textureBytes = 0;
    std::array<FormatUse, TextureFormatCount> formats{};

    // The figures of the display and its live pictures (the display's lock is the caller's to hold).
    static VideoStats Collect(DisplayDevice& display, const std::vector<MemoryImage*>& images);

    // The message box's text, sizes in KB with commas.
    std::string Text() const;
};

} // namespace Zorbel
