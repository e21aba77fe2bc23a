#include "framework/sound/Mixer.h"

#include "framework/sound/Voice.h"

#include <algorithm>
#include <cassert>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Zorbel {

namespace {

// The sums clipped to 16 bits. SSE2's saturating pack is exactly the clamp, eight samples at a time.
void ClipSums(const int32_t* sum, int16_t* out, size_t count) {
    size_t i = 0;
#if defined(__SSE2__)
    for (; i + 8 <= count; i += 8) {
        __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sum + i));
        __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sum + i + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(low, high));
    }
#endif
    for (; i < count; ++i)
        out[i] = static_cast<int16_t>(std::clamp(sum[i], -32768, 32767));
}

} // namespace

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
        int32_t* sum = mSum.data();
        std::fill(sum, sum + frames * 2, 0);
        for (Voice* voice : mVoices) {
            if (voice->mPlaying && voice->Mix(sum, frames, voice->mMix) < frames) voice->mPlaying = false;
        }
        ClipSums(sum, out, frames * 2);
        out += frames * 2;
        frameCount -= frames;
    }
}

} // namespace Zorbel
