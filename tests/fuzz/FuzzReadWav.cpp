// Reads an arbitrary byte string as a WAV sound file.
#include "FuzzFiles.h"
#include "framework/sound/WavReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzFiles::Write("input.wav", data, size);
    auto sound = Zorbel::WavReader::ReadSound(FuzzFiles::PathOf("input.wav"));
    if (sound && (sound->Size() == 0 || sound->FrameCount() == 0)) std::abort();
    return 0;
}
