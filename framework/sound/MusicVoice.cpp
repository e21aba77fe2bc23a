#include "framework/sound/MusicVoice.h"

#include "framework/sound/MixKernels.h"

#include <algorithm>
#include <cstring>

namespace Zorbel {

MusicVoice::MusicVoice(Mixer& mixer, std::unique_ptr<MusicSource> source)
    : Voice(mixer, source->Rate()), mSource(std::move(source)), mChannels(mSource->Channels()) {
    size_t frames = size_t(mSource->Rate()) * AheadMilliseconds / 1000 + 1;
    mWindow.resize(frames * mChannels);
}

void MusicVoice::Compact() {
    size_t played = std::min(static_cast<size_t>(mPosition >> 32), mFrames);
    // Moved only once half the window has been played: the room left still holds a good stretch, and
    // the copy is made a few times a second rather than on every fill.
    if (played < mWindow.size() / mChannels / 2) return;
    std::memmove(mWindow.data(), mWindow.data() + played * mChannels, (mFrames - played) * mChannels * 2);
    mFrames -= played;
    mPosition -= uint64_t(played) << 32;
}

void MusicVoice::Fill() {
    std::lock_guard<std::mutex> sourceLock(mSourceMutex);
    size_t have = 0;
    {
        auto lock = Lock();
        if (mSourceEnded) return;
        Compact();
        have = mFrames;
    }
    // The source decodes straight into the window's free tail without the mixer's lock: the mixer only
    // reads the first mFrames frames, and only this thread (holding the source's lock) changes mFrames
    // or moves the frames.
    const size_t room = mWindow.size() / mChannels - have;
    if (room == 0) return;
    size_t decoded = 0;
    bool ended = false;
    while (decoded < room) {
        long got = mSource->ReadFrames(mWindow.data() + (have + decoded) * mChannels, room - decoded);
        if (got <= 0) {
            ended = true;
            break;
        }
        decoded += static_cast<size_t>(got);
    }
    auto lock = Lock();
    mFrames += decoded;
    mSourceEnded = ended;
}

bool MusicVoice::Restart(int64_t position) {
    std::lock_guard<std::mutex> sourceLock(mSourceMutex);
    if (!mSource->Restart(position)) return false;
    auto lock = Lock();
    mFrames = 0;
    mPosition = 0;
    mSourceEnded = false;
    return true;
}

void MusicVoice::SetLoop(bool loop) {
    std::lock_guard<std::mutex> sourceLock(mSourceMutex);
    mSource->SetLoop(loop);
    // A source that ended may go on again now.
    auto lock = Lock();
    if (loop) mSourceEnded = false;
}

void MusicVoice::SetAmplify(int32_t amplify) {
    std::lock_guard<std::mutex> sourceLock(mSourceMutex);
    mSource->SetAmplify(amplify);
}

bool MusicVoice::HasEnded() const {
    auto lock = Lock();
    return mSourceEnded && (mPosition >> 32) >= mFrames;
}

size_t MusicVoice::Mix(int32_t* sum, size_t frameCount, const VoiceMix& mix) {
    using namespace MixKernels;
    // The source loops by itself; the window is played straight through.
    VoiceMix straight = mix;
    straight.loop = false;
    size_t done = 0;
    if (mix.leftGain == 0 && mix.rightGain == 0)
        done = SkipFrames(mFrames, mPosition, straight, frameCount);
    else if (mChannels == 2)
        done = MixFrames<int16_t, 2>(mWindow.data(), mFrames, mPosition, straight, sum, frameCount);
    else
        done = MixFrames<int16_t, 1>(mWindow.data(), mFrames, mPosition, straight, sum, frameCount);
    // Short of frames but not at the end: the feeder is behind, and the rest of the turn is silence.
    return mSourceEnded ? done : frameCount;
}

} // namespace Zorbel
