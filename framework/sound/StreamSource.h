#pragma once

#include "framework/sound/Mp3Decoder.h"
#include "framework/sound/MusicSource.h"
#include "framework/sound/OggDecoder.h"
#include "framework/sound/WavReader.h"

#include <memory>
#include <string>

namespace Zorbel {

// A sound file decoded as it plays: WAV by our reader, Ogg Vorbis and MPEG audio by their decoders,
// told apart by their first bytes. Only the piece asked for is ever decoded.
class StreamSource final : public MusicSource {
public:
    // The stream of a file, or null when it is none of the three or cannot be played.
    static std::unique_ptr<StreamSource> Open(const std::string& path);
    // The whole sound of a file of any of the three kinds, or null (as each reader's ReadSound).
    static std::shared_ptr<SoundBuffer> ReadWhole(const std::string& path);

    uint16_t Channels() const override { return mFormat.channels; }
    uint32_t Rate() const override { return mFormat.samplesPerSecond; }
    long ReadFrames(int16_t* out, size_t frameCount) override;
    // The position is a byte of the decoded 16-bit sound.
    [[nodiscard]] bool Restart(int64_t position) override;
    void SetLoop(bool loop) override { mLoop = loop; }

private:
    StreamSource() = default;
    // Decoded bytes as the file gives them (8-bit WAV samples still 8-bit): the count, 0 at the end,
    // negative when damaged.
    long ReadBytes(uint8_t* out, size_t byteCount);
    [[nodiscard]] bool SeekFrame(int64_t frame);
    long ReadOnce(int16_t* out, size_t frameCount);

    std::unique_ptr<WavReader> mWav;
    std::unique_ptr<OggDecoder> mOgg;
    std::unique_ptr<Mp3Decoder> mMp3;
    PcmFormat mFormat;
    bool mLoop = false;
    // A frame that came in parts (decoders may stop inside one).
    uint8_t mPartial[4] = {};
    size_t mPartialBytes = 0;
};

} // namespace Zorbel
