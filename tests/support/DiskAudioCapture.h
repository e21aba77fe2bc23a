#pragma once

// SDL's disk audio driver as the sound card of a test: it plays in real time and writes the device's
// 16-bit stereo to "out.raw" in a folder, which the test reads back once the output is closed.
#include "framework/platform/audio/SdlAudioSink.h"
#include "framework/sound/AudioOutput.h"
#include "support/CountingSink.h"
#include "support/ScopedEnvironment.h"
#include "support/SoundTestFiles.h"

#include <memory>
#include <string>
#include <vector>

namespace ZorbelTest {

class DiskAudioCapture {
public:
    explicit DiskAudioCapture(const std::string& folder) : mPath(folder + "/out.raw") {
        mEnvironment.Set("SDL_AUDIODRIVER", "disk");
        mEnvironment.Set("SDL_DISKAUDIOFILE", mPath);
    }

    // The output over the disk device, counted by sink; null when the driver does not open. The
    // capture is complete once the last owner of the output has let it go.
    std::shared_ptr<Zorbel::AudioOutput> Open() {
        std::unique_ptr<Zorbel::AudioSink> device = Zorbel::SdlAudioSink::Open();
        if (!device) return nullptr;
        auto counting = std::make_unique<CountingSink>(std::move(device));
        sink = counting.get();
        return Zorbel::AudioOutput::Open(std::move(counting));
    }

    bool WaitForFrames(size_t frames) { return sink->WaitForFrames(frames); }
    // Everything the device played, stereo.
    std::vector<int16_t> Read() const { return ReadCapture(mPath); }

    CountingSink* sink = nullptr;

private:
    ScopedEnvironment mEnvironment;
    std::string mPath;
};

} // namespace ZorbelTest
