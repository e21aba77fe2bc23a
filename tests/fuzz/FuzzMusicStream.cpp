// Plays an arbitrary byte string as a music file: as a stream (WAV, Ogg Vorbis or MPEG audio, told apart
// by the first bytes, decoded piece by piece and looping back once) and as a tracker module, as far as
// a few seconds of sound.
#include "FuzzFiles.h"
#include "framework/sound/ModuleSource.h"
#include "framework/sound/StreamSource.h"

#include <vector>

namespace {

// Reads up to a few seconds of frames, in pieces of odd sizes.
void Drain(Zorbel::MusicSource& source) {
    std::vector<int16_t> frames(2 * 1031);
    long total = 0;
    for (int piece = 0; piece < 200 && total < 4 * 44100; ++piece) {
        long got = source.ReadFrames(frames.data(), 1031 - size_t(piece % 7) * 100);
        if (got <= 0) break;
        if (got > 1031) std::abort();
        total += got;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzFiles::Write("input.music", data, size);
    if (auto stream = Zorbel::StreamSource::Open(FuzzFiles::PathOf("input.music"))) {
        if (stream->Channels() < 1 || stream->Channels() > 2) std::abort();
        Drain(*stream);
        stream->SetLoop(true);
        if (stream->Restart(4)) Drain(*stream);
    }
    if (auto module = Zorbel::ModuleSource::FromMemory(data, size)) {
        Drain(*module);
        if (module->Restart(1)) Drain(*module);
    }
    return 0;
}
