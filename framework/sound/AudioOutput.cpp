#include "framework/sound/AudioOutput.h"

#include "framework/platform/audio/SdlAudioSink.h"

namespace Zorbel {

std::shared_ptr<AudioOutput> AudioOutput::Open(std::unique_ptr<AudioSink> sink, size_t maxVoices) {
    if (!sink) return nullptr;
    std::shared_ptr<AudioOutput> output(new AudioOutput(std::move(sink), maxVoices));
    Mixer* mixer = &output->mMixer;
    output->mSink->Start([mixer](int16_t* frames, size_t frameCount) { mixer->Render(frames, frameCount); });
    return output;
}

std::shared_ptr<AudioOutput> AudioOutput::OpenDefault() {
    return Open(SdlAudioSink::Open());
}

AudioOutput::AudioOutput(std::unique_ptr<AudioSink> sink, size_t maxVoices)
    : mMixer(maxVoices), mSink(std::move(sink)) {}

AudioOutput::~AudioOutput() {
    mSink->Stop();
}

} // namespace Zorbel
