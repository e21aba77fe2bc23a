// A map file of arbitrary bytes, read and then used on a report that holds addresses.
#include "framework/debug/MapFile.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream in(text);
    Zorbel::MapFile map;
    map.Read(in);
    // The input's own addresses, and a few of the common ones.
    (void)map.Symbolise(text);
    (void)map.Symbolise("Logical Address: 0001:00001234\r\n000F:00000000 0000:00000000 FFFF:FFFFFFFF");
    return 0;
}
