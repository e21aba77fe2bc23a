#pragma once

#include <cstddef>
#include <cstdint>

namespace Zorbel {

// Where a music channel's sound comes from, piece by piece: a decoded file, a tracker module rendered
// as it goes, or a sample in memory. Always 16-bit frames of one or two channels.
class MusicSource {
public:
    MusicSource() = default;
    MusicSource(const MusicSource&) = delete;
    MusicSource& operator=(const MusicSource&) = delete;
    virtual ~MusicSource() = default;

    virtual uint16_t Channels() const = 0;
    virtual uint32_t Rate() const = 0;
    // Up to frameCount frames into out: the frames read, 0 at the end (a looping source has none),
    // negative when the data is damaged.
    virtual long ReadFrames(int16_t* out, size_t frameCount) = 0;
    // Goes on from a position in the source's own unit: a byte of the decoded sound for a stream, an
    // order for a module, a frame for a sample. False when there is no such position.
    [[nodiscard]] virtual bool Restart(int64_t position) = 0;
    // Whether the source starts again at its end (at its loop start, for a sample).
    virtual void SetLoop(bool loop) = 0;
    // A module's amplification, 0 … 100 (50 plays as written); others have none.
    virtual void SetAmplify(int32_t) {}
};

} // namespace Zorbel
