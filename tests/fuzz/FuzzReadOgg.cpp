// Decodes an arbitrary byte string as an Ogg Vorbis sound file.
#include "FuzzFiles.h"
#include "framework/sound/OggDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzFiles::Write("input.ogg", data, size);
    auto sound = Zorbel::OggDecoder::ReadSound(FuzzFiles::PathOf("input.ogg"));
    if (sound && sound->FrameCount() == 0) std::abort();
    return 0;
}
