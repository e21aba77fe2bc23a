#include "framework/sound/SampleSource.h"

#include <algorithm>
#include <cstring>

namespace Zorbel {

SampleSource::SampleSource(std::shared_ptr<const SoundBuffer> sound, size_t loopStart, size_t loopLength)
    : mSound(std::move(sound)) {
    size_t frames = mSound->FrameCount();
    mLoopStart = std::min(loopStart, frames);
    mLoopEnd = loopLength == 0 ? frames : std::min(frames, mLoopStart + loopLength);
    if (mLoopEnd == mLoopStart) mLoopStart = 0, mLoopEnd = frames;
}

void SampleSource::CopyFrames(int16_t* out, size_t from, size_t count) const {
    const PcmFormat& format = mSound->Format();
    size_t samples = count * format.channels;
    size_t first = from * format.channels;
    if (format.bitsPerSample == 16) {
        std::memcpy(out, mSound->Data() + first * 2, samples * 2);
        return;
    }
    const uint8_t* narrow = mSound->Data() + first;
    for (size_t i = 0; i < samples; ++i)
        out[i] = static_cast<int16_t>((int32_t(narrow[i]) - 128) * 256);
}

long SampleSource::ReadFrames(int16_t* out, size_t frameCount) {
    size_t done = 0;
    while (done < frameCount) {
        size_t end = mLoop ? mLoopEnd : mSound->FrameCount();
        if (mPosition >= end) {
            if (!mLoop || mLoopEnd == 0) break;
            mPosition = mLoopStart;
        }
        size_t run = std::min(frameCount - done, end - mPosition);
        CopyFrames(out + done * Channels(), mPosition, run);
        mPosition += run;
        done += run;
    }
    return static_cast<long>(done);
}

bool SampleSource::Restart(int64_t frame) {
    if (frame < 0 || uint64_t(frame) > mSound->FrameCount()) return false;
    mPosition = static_cast<size_t>(frame);
    return true;
}

} // namespace Zorbel
