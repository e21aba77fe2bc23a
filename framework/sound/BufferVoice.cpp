#include "framework/sound/BufferVoice.h"

#include "framework/sound/MixKernels.h"

#include <algorithm>

namespace Zorbel {

BufferVoice::BufferVoice(Mixer& mixer, std::shared_ptr<const SoundBuffer> buffer)
    : Voice(mixer, buffer->Format().samplesPerSecond), mBuffer(std::move(buffer)) {}

void BufferVoice::SetPosition(size_t frame) {
    auto lock = Lock();
    mPosition = uint64_t(std::min(frame, mBuffer->FrameCount())) << 32;
}

size_t BufferVoice::GetPosition() const {
    auto lock = Lock();
    return static_cast<size_t>(mPosition >> 32);
}

size_t BufferVoice::Mix(int32_t* sum, size_t frameCount, const VoiceMix& mix) {
    using namespace MixKernels;
    const PcmFormat& format = mBuffer->Format();
    size_t frames = mBuffer->FrameCount();
    if (mix.leftGain == 0 && mix.rightGain == 0) return SkipFrames(frames, mPosition, mix, frameCount);
    const uint8_t* data = mBuffer->Data();
    const auto* wide = reinterpret_cast<const int16_t*>(data);
    if (format.bitsPerSample == 16)
        return format.channels == 2 ? MixFrames<int16_t, 2>(wide, frames, mPosition, mix, sum, frameCount)
                                    : MixFrames<int16_t, 1>(wide, frames, mPosition, mix, sum, frameCount);
    return format.channels == 2 ? MixFrames<uint8_t, 2>(data, frames, mPosition, mix, sum, frameCount)
                                : MixFrames<uint8_t, 1>(data, frames, mPosition, mix, sum, frameCount);
}

} // namespace Zorbel
