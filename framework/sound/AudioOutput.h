#pragma once

#include "framework/platform/AudioSink.h"
#include "framework/sound/Mixer.h"

#include <memory>

namespace Zorbel {

// The sound device as the framework uses it: one mixer playing into one output. Sound effects and
// music share it, each holding a reference; the output stops when the last one lets go, after all of
// their voices are gone.
class AudioOutput {
public:
    // Starts the sink playing a new mixer with room for maxVoices voices; null without a sink.
    static std::shared_ptr<AudioOutput> Open(std::unique_ptr<AudioSink> sink,
                                             size_t maxVoices = Mixer::DefaultMaxVoices);
    // The desktop's audio device, or null when there is none.
    static std::shared_ptr<AudioOutput> OpenDefault();

    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    Mixer& GetMixer() { return mMixer; }

private:
    AudioOutput(std::unique_ptr<AudioSink> sink, size_t maxVoices);

    Mixer mMixer;
    std::unique_ptr<AudioSink> mSink;
};

} // namespace Zorbel
