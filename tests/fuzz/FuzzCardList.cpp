// Arbitrary bytes as the card lists "vhw.dat" and "vhwb.dat", and as a card's description.
#include "framework/graphics/D3DTester.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string description = bytes.substr(0, bytes.find('\n'));
    (void)Zorbel::D3DTester::IsCardSupported(description, 2001, &bytes, nullptr);
    (void)Zorbel::D3DTester::IsCardSupported(description, 1999, nullptr, &bytes);
    (void)Zorbel::D3DTester::IsCardSupported(bytes, 2001, nullptr, nullptr);
    return 0;
}
