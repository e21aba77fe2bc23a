#pragma once

#include "framework/platform/AudioSink.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace Zorbel {

// An output without a device or a thread: it plays only when told to, into memory. Tests use it to
// hear exactly what the mixer makes, frame by frame.
class HeadlessAudioSink : public AudioSink {
public:
    void Start(RenderFunction render) override;
    void Stop() override;

    // Asks for frameCount frames and keeps them; returns them too (empty once stopped).
    std::vector<int16_t> Play(size_t frameCount);
    // Everything played so far, interleaved left and right.
    const std::vector<int16_t>& Played() const { return mPlayed; }

private:
    std::mutex mMutex;
    RenderFunction mRender;
    std::vector<int16_t> mPlayed;
};

} // namespace Zorbel
