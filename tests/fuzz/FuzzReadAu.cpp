// Reads an arbitrary byte string as a Sun ".au" sound file.
#include "FuzzFiles.h"
#include "framework/sound/AuReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzFiles::Write("input.au", data, size);
    auto sound = Zorbel::AuReader::ReadSound(FuzzFiles::PathOf("input.au"));
    // µ-law doubles the data; nothing else may grow beyond the file.
    if (sound && sound->Size() > 2 * size) std::abort();
    return 0;
}
