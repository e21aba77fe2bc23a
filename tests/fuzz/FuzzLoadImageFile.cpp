// Loads an arbitrary byte string through the name-based loader, so that every reader (TGA, JPEG, PNG
// and GIF) and the alpha companion merge see it. The first byte steers the run:
//   bit 0     look for an alpha companion
//   bits 1-2  the name asked for: "pic", "pic.png", "pic.JPG" or "pic.gif"
//   bit 3     the same bytes also stand as the companion "_pic.*"
//   bit 4     the companion is "pic_.*" instead
//   bit 5     load for display at 24 x 16, so that large pictures are reduced
// The remaining bytes are the file, present under all four extensions.
#include "FuzzFiles.h"
#include "framework/imagelib/ImageLib.h"

namespace {

const char* const Extensions[] = {".tga", ".jpg", ".png", ".gif"};
const char* const Requests[] = {"pic", "pic.png", "pic.JPG", "pic.gif"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    uint8_t steer = data[0];
    ++data;
    --size;
    for (const char* extension : Extensions) {
        FuzzFiles::Write(std::string("pic") + extension, data, size);
        FuzzFiles::Remove(std::string("_pic") + extension);
        FuzzFiles::Remove(std::string("pic_") + extension);
        if (steer & 8)
            FuzzFiles::Write(((steer & 16) ? "pic_" : "_pic") + std::string(extension), data, size);
    }
    bool lookForAlpha = (steer & 1) != 0;
    std::string name = FuzzFiles::PathOf(Requests[(steer >> 1) & 3]);
    auto image = (steer & 32) ? Zorbel::ImageLib::LoadImageFileForDisplay(name, lookForAlpha, 24, 16)
                              : Zorbel::ImageLib::LoadImageFile(name, lookForAlpha);
    volatile uint32_t sink = FuzzFiles::Touch(image);
    (void)sink;
    return 0;
}
