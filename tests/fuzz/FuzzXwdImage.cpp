// Screenshots read by the window tests come from outside the program: any bytes must be refused or
// read without touching memory outside them.
#include "../support/XwdImage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    auto image = Zorbel::Testing::XwdImage::Parse(bytes);
    if (image) {
        uint32_t sum = 0;
        for (uint32_t p : image->pixels)
            sum += p;
        (void)sum;
    }
    return 0;
}
