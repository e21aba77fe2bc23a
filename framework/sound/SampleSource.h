#pragma once

#include "framework/sound/MusicSource.h"
#include "framework/sound/SoundBuffer.h"

#include <memory>

namespace Zorbel {

// A sound in memory played as a music source, with a loop that may start past the beginning: an intro
// followed by its loop in one sample goes straight from the loop's end back to its start, so the seam
// is as smooth as the recording.
class SampleSource final : public MusicSource {
public:
    // The loop covers loopLength frames from loopStart (to the end when the length is 0); it is
    // clipped to the sound.
    SampleSource(std::shared_ptr<const SoundBuffer> sound, size_t loopStart, size_t loopLength);

    uint16_t Channels() const override { return mSound->Format().channels; }
    uint32_t Rate() const override { return mSound->Format().samplesPerSecond; }
    long ReadFrames(int16_t* out, size_t frameCount) override;
    // The position is a frame.
    [[nodiscard]] bool Restart(int64_t frame) override;
    void SetLoop(bool loop) override { mLoop = loop; }

private:
    void CopyFrames(int16_t* out, size_t from, size_t count) const;

    std::shared_ptr<const SoundBuffer> mSound;
    size_t mLoopStart;
    size_t mLoopEnd;
    size_t mPosition = 0;
    bool mLoop = false;
};

} // namespace Zorbel
