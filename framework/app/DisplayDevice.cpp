#include "framework/app/DisplayDevice.h"

#include "framework/graphics/MemoryImage.h"

namespace Zorbel {

std::string DisplayResultText(uint32_t result) {
    switch (result) {
        case DisplayResult::Ok:
            return "RESULT_OK";
        case DisplayResult::Fail:
            return "RESULT_FAIL";
        case DisplayResult::CreateFail:
            return "RESULT_DD_CREATE_FAIL";
        case DisplayResult::SurfaceFail:
            return "RESULT_SURFACE_FAIL";
        case DisplayResult::ExclusiveFail:
            return "RESULT_EXCLUSIVE_FAIL";
        case DisplayResult::DisplayChangeFail:
            return "RESULT_DISPCHANGE_FAIL";
        case DisplayResult::InvalidColorDepth:
            return "RESULT_INVALID_COLORDEPTH";
        default:
            return "RESULT_UNKNOWN";
    }
}

const char* TextureFormatName(TextureFormat format) {
    switch (format) {
        case TextureFormat::A8R8G8B8:
            return "A8R8G8B8";
        case TextureFormat::A4R4G4B4:
            return "A4R4G4B4";
        case TextureFormat::R5G6B5:
            return "R5G6B5";
        case TextureFormat::Palette8:
            return "Palette8";
    }
    return "";
}

bool DisplayDevice::ReadScreen(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height) {
    std::lock_guard<std::recursive_mutex> guard(GetLock());
    MemoryImage* screen = GetScreenImage();
    return screen != nullptr && CopyOpaque(*screen, pixels, width, height);
}

bool DisplayDevice::CopyOpaque(MemoryImage& image, std::vector<uint32_t>& pixels, int32_t& width,
                               int32_t& height) {
    const uint32_t* bits = image.GetPixels();
    if (bits == nullptr) return false;
    width = image.GetWidth();
    height = image.GetHeight();
    pixels.assign(bits, bits + image.PixelCount());
    for (uint32_t& pixel : pixels)
        pixel |= 0xFF000000;
    return true;
}

} // namespace Zorbel
