#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace Zorbel {

class Voice;

// Deletes a voice after taking it out of its mixer, so that the rendering thread never meets a voice
// that is half destroyed.
struct VoiceDeleter {
    void operator()(Voice* voice) const;
};
template <typename T>
using VoicePtr = std::unique_ptr<T, VoiceDeleter>;

// Adds up every playing voice into 44100 Hz stereo 16-bit output. Rendering runs on the audio device's
// thread while the main thread makes, changes and deletes voices; one lock keeps the two apart, and it
// is only ever held for the few microseconds that one render or one change takes. Nothing is allocated
// while rendering.
class Mixer {
public:
    static constexpr uint32_t OutputRate = 44100;
    static constexpr size_t DefaultMaxVoices = 256;

    explicit Mixer(size_t maxVoices = DefaultMaxVoices);
    // Every voice must have been deleted before its mixer.
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // A new, stopped voice T(*this, args...), or null when the mixer already holds its most voices.
    template <typename T, typename... Args>
    VoicePtr<T> Add(Args&&... args) {
        VoicePtr<T> voice(new T(*this, std::forward<Args>(args)...));
        if (!Attach(voice.get())) voice.reset();
        return voice;
    }

    // Fills frameCount stereo frames of out with the sum of the playing voices, clipped to 16 bits.
    void Render(int16_t* out, size_t frameCount);

    size_t VoiceCount() const;

private:
    friend class Voice;
    friend struct VoiceDeleter;
    // Frames summed in one go; longer renders take several.
    static constexpr size_t ChunkFrames = 1024;

    bool Attach(Voice* voice);
    void Detach(Voice* voice);

    mutable std::mutex mMutex;
    size_t mMaxVoices;
    std::vector<Voice*> mVoices;
    // The stereo sums of one chunk, all 0 between renders.
    std::vector<int32_t> mSum;
};

} // namespace Zorbel
