// Section headers of arbitrary bytes read as an ELF file.
#include "framework/platform/files/ProductVersion.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)Zorbel::ReadProductVersionFromBytes(data, size);
    return 0;
}
