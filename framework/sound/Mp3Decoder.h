#pragma once

#include "framework/sound/FileInput.h"
#include "framework/sound/SoundBuffer.h"

#include <memory>
#include <string>

struct mpg123_handle_struct;

namespace Zorbel {

// Decodes MPEG audio files (MP3, and MP2 and MP1 as well) to 16-bit PCM with libmpg123, whole or piece
// by piece for a stream.
class Mp3Decoder {
public:
    // The whole sound, or null when the file holds no MPEG audio, is damaged before its first frame or
    // decodes to more than a sound may hold. A stream damaged further on keeps what was decoded up to
    // there.
    static std::shared_ptr<SoundBuffer> ReadSound(const std::string& path);

    explicit Mp3Decoder(const std::string& path);
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    // False when the file holds no MPEG audio of one or two channels.
    [[nodiscard]] bool Open();
    const PcmFormat& Format() const { return mFormat; }
    // Up to byteCount bytes of decoded samples: the number read, 0 at the end, negative when the
    // stream is damaged or changes its format.
    long Read(void* out, size_t byteCount);
    // Moves to a frame; false when the stream cannot.
    [[nodiscard]] bool SeekFrame(int64_t frame);

private:
    FileInput mFile;
    mpg123_handle_struct* mHandle = nullptr;
    bool mOpen = false;
    PcmFormat mFormat;
};

} // namespace Zorbel
