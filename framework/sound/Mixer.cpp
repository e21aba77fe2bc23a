#include "framework/sound/Mixer.h"

#include "framework/sound/MixKernels.h"
#include "framework/sound/Voice.h"

#include <algorithm>
#include <cassert>

namespace Zorbel {

void VoiceDeleter::operator()(Voice* voice) const {
    voice->mMixer.Detach(voice);
    delete voice;
}

Mixer::Mixer(size_t maxVoices) : mMaxVoices(maxVoices), mSum(ChunkFrames * 2) {
    mVoices.reserve(maxVoices);
}

Mixer::~Mixer() {
    assert(mVoices.empty() && "every voice must be deleted before its mixer");
}

bool Mixer::Attach(Voice* voice) {
    std::lock_guard<std::mutex> lock(mMutex);
    if (mVoices.size() >= mMaxVoices) return false;
    mVoices.push_back(voice);
    return true;
}

void Mixer::Detach(Voice* voice) {
    std::lock_guard<std::mutex> lock(mMutex);
    auto found = std::find(mVoices.begin(), mVoices.end(), voice);
    if (found != mVoices.end()) mVoices.erase(found);
}

size_t Mixer::VoiceCount() const {
    std::lock_guard<std::mutex> lock(mMutex);
    return mVoices.size();
}

void Mixer::Render(int16_t* out, size_t frameCount) {
    std::lock_guard<std::mutex> lock(mMutex);
    while (frameCount > 0) {
        size_t frames = std::min(frameCount, ChunkFrames);
        // The sums are 0 here: they start so, and every turn leaves them so.
        int32_t* sum = mSum.data();
        for (Voice* voice : mVoices) {
            if (voice->mPlaying && voice->Mix(sum, frames, voice->mMix) < frames) voice->mPlaying = false;
        }
        MixKernels::TakeClippedSums(sum, out, frames * 2);
        out += frames * 2;
        frameCount -= frames;
    }
}

} // namespace Zorbel
