#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace Zorbel {

// Where mixed sound goes: an output that asks for samples as it needs them. Every sink plays 44100
// frames per second of two interleaved signed 16-bit channels (left first).
class AudioSink {
public:
    static constexpr uint32_t SampleRate = 44100;
    static constexpr uint32_t Channels = 2;

    // Fills frameCount stereo frames. Runs on the sink's own thread for a real device, so it must be
    // quick and must not wait for the main thread.
    using RenderFunction = std::function<void(int16_t* frames, size_t frameCount)>;

    virtual ~AudioSink() = default;

    // Starts asking render for sound. Called once.
    virtual void Start(RenderFunction render) = 0;
    // Stops asking; once it returns, render is never called again.
    virtual void Stop() = 0;
};

} // namespace Zorbel
