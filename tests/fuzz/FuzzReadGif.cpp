// Reads an arbitrary byte string as a GIF file.
#include "FuzzFiles.h"
#include "framework/imagelib/ImageLib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzFiles::Write("input.gif", data, size);
    auto image = Zorbel::ImageLib::ReadGif(FuzzFiles::PathOf("input.gif"));
    volatile uint32_t sink = FuzzFiles::Touch(image);
    (void)sink;
    return 0;
}
