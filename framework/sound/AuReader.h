#pragma once

#include "framework/sound/SoundBuffer.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Zorbel {

// Reads Sun/NeXT audio files (".au", magic ".snd", big-endian header) of 8-bit µ-law, made into 16-bit
// samples, or 8-bit linear PCM. Linear samples are signed in these files and unsigned in our buffers,
// so they are converted (a plain copy would play them distorted). A data size of all ones, which
// writers use when they cannot seek back, means "to the end of the file".
class AuReader {
public:
    // The whole sound, or null for another format, another encoding, or a short or damaged file.
    static std::shared_ptr<SoundBuffer> ReadSound(const std::string& path);

    // One µ-law byte as a 16-bit sample.
    static int16_t MuLawSample(uint8_t byte);
};

} // namespace Zorbel
