#pragma once

#include "framework/sound/FileInput.h"
#include "framework/sound/SoundBuffer.h"

#include <cstdint>
#include <memory>
#include <string>

struct OggVorbis_File;

namespace Zorbel {

// Decodes Ogg Vorbis files to 16-bit PCM with the integer decoder (Tremor). Decodes a whole file into a
// sound, or piece by piece for a stream. Every link of a chained file must keep the first one's format.
class OggDecoder {
public:
    // The whole sound, or null when the file is no Vorbis file, is damaged, or ends before the length
    // its stream gives. Memory grows with what is really decoded, never with what the stream claims.
    static std::shared_ptr<SoundBuffer> ReadSound(const std::string& path);

    explicit OggDecoder(const std::string& path);
    ~OggDecoder();
    OggDecoder(const OggDecoder&) = delete;
    OggDecoder& operator=(const OggDecoder&) = delete;

    // False when the file is no playable Vorbis stream.
    [[nodiscard]] bool Open();
    const PcmFormat& Format() const { return mFormat; }
    // The length in frames that the stream gives for itself (it may be wrong).
    int64_t ClaimedFrames() const { return mClaimedFrames; }
    // Up to byteCount bytes of decoded samples: the number read, 0 at the end, negative when the stream
    // is damaged or changes its format.
    long Read(void* out, size_t byteCount);
    // Moves to a frame; false when the stream cannot.
    [[nodiscard]] bool SeekFrame(int64_t frame);

private:
    FileInput mFile;
    std::unique_ptr<OggVorbis_File> mVorbis;
    bool mOpen = false;
    PcmFormat mFormat;
    int64_t mClaimedFrames = 0;
};

} // namespace Zorbel
