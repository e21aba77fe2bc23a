#include "framework/platform/audio/HeadlessAudioSink.h"

namespace Zorbel {

void HeadlessAudioSink::Start(RenderFunction render) {
    std::lock_guard<std::mutex> lock(mMutex);
    mRender = std::move(render);
}

void HeadlessAudioSink::Stop() {
    std::lock_guard<std::mutex> lock(mMutex);
    mRender = nullptr;
}

std::vector<int16_t> HeadlessAudioSink::Play(size_t frameCount) {
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mRender) return {};
    std::vector<int16_t> frames(frameCount * Channels);
    mRender(frames.data(), frameCount);
    mPlayed.insert(mPlayed.end(), frames.begin(), frames.end());
    return frames;
}

} // namespace Zorbel
