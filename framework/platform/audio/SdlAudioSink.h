#pragma once

#include "framework/platform/AudioSink.h"

#include <SDL2/SDL_audio.h>

#include <memory>
#include <string>

namespace Zorbel {

// The desktop's audio output through SDL: 44100 Hz, stereo, signed 16-bit, with a short buffer so that
// a sound starts within about a hundredth of a second. SDL converts when the device itself differs.
// SDL_AUDIODRIVER chooses the driver as usual ("disk" writes the output to SDL_DISKAUDIOFILE).
class SdlAudioSink : public AudioSink {
public:
    // Frames per device buffer: 512 frames are 11.6 ms.
    static constexpr uint16_t BufferFrames = 512;

    // The default output device, or null when there is none (error says why).
    static std::unique_ptr<SdlAudioSink> Open(std::string* error = nullptr);
    ~SdlAudioSink() override;

    void Start(RenderFunction render) override;
    void Stop() override;

private:
    explicit SdlAudioSink(SDL_AudioDeviceID device) : mDevice(device) {}
    static void Callback(void* self, Uint8* stream, int length);

    SDL_AudioDeviceID mDevice;
    RenderFunction mRender;
};

} // namespace Zorbel
