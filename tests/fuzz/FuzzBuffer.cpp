// Reads an arbitrary byte string through every Buffer operation, steered by the bytes themselves,
// as a demo file's event stream would be read.
#include "framework/app/Buffer.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Zorbel::Buffer buffer;
    buffer.Assign(data, size);
    for (int guard = 0; guard < 4096 && !buffer.AtEnd(); ++guard) {
        switch (buffer.GetBits(3)) {
            case 0:
                buffer.GetBits(static_cast<int>(buffer.GetBits(5)), buffer.GetBits(1) != 0);
                break;
            case 1:
                buffer.GetByte();
                break;
            case 2:
                buffer.GetBool();
                break;
            case 3:
                buffer.GetInt32();
                break;
            case 4:
                buffer.GetText();
                break;
            case 5: {
                uint8_t bytes[16];
                buffer.GetBytes(bytes, buffer.GetBits(4));
                break;
            }
            case 6:
                buffer.PutBits(buffer.GetBits(8), static_cast<int>(buffer.GetBits(5)));
                break;
            default:
                buffer.PutText("x");
                break;
        }
    }
    return 0;
}
