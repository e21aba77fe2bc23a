// Reads an arbitrary byte string as a TGA file.
#include "FuzzFiles.h"
#include "framework/imagelib/ImageLib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzFiles::Write("input.tga", data, size);
    auto image = Zorbel::ImageLib::ReadTga(FuzzFiles::PathOf("input.tga"));
    volatile uint32_t sink = FuzzFiles::Touch(image);
    (void)sink;
    return 0;
}
