#include "framework/app/VideoStats.h"

#include "framework/app/ReportText.h"
#include "framework/graphics/MemoryImage.h"

namespace Zorbel {

namespace {

const char* VerdictText(HardwareVerdict verdict) {
    switch (verdict) {
        case HardwareVerdict::Recommended:
            return "Recommended";
        case HardwareVerdict::Supported:
            return "Supported";
        case HardwareVerdict::Unsupported:
            break;
    }
    return "Unsupported";
}

std::string Kilobytes(uint64_t bytes) {
    return GroupThousands(bytes / 1024);
}

} // namespace

VideoStats VideoStats::Collect(DisplayDevice& display, const std::vector<MemoryImage*>& images) {
    VideoStats stats;
    stats.is3D = display.Is3D();
    stats.verdict = display.Get3DVerdict();
    stats.memory = display.GetVideoMemory();
    for (MemoryImage* image : images) {
        TextureUse use;
        if (image->GetHardwareTexture() == nullptr || !display.GetTextureUse(*image, use)) continue;
        stats.textureBytes += use.bytes;
        FormatUse& format = stats.formats[static_cast<size_t>(use.format)];
        ++format.count;
        format.bytes += use.bytes;
    }
    return stats;
}

std::string VideoStats::Text() const {
    const uint64_t used = memory.total > memory.free ? memory.total - memory.free : 0;
    std::string text = std::string("3D-Mode is ") + (is3D ? "On" : "Off") + " (3D is " +
                       VerdictText(verdict) + " on this system)\r\n\r\n";
    text += "Video Memory: " + Kilobytes(used) + "/" + Kilobytes(memory.total) + " KB\r\n\r\n";
    text += "Texture Memory: " + Kilobytes(textureBytes) + " KB\r\n";
    for (int i = 0; i < TextureFormatCount; ++i) {
        const FormatUse& format = formats[static_cast<size_t>(i)];
        text += std::string(TextureFormatName(static_cast<TextureFormat>(i))) + ": " +
                std::to_string(format.count) + " - " + Kilobytes(format.bytes) + " KB\r\n";
    }
    return text;
}

} // namespace Zorbel
