#include "framework/platform/audio/SdlAudioSink.h"

#include "framework/platform/audio/AlsaMessages.h"

#include <SDL2/SDL.h>

namespace Zorbel {

std::unique_ptr<SdlAudioSink> SdlAudioSink::Open(std::string* error) {
    SilenceAlsaMessages();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        if (error) *error = SDL_GetError();
        return nullptr;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = SampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = Channels;
    wanted.samples = BufferFrames;
    wanted.callback = Callback;
    auto sink = std::unique_ptr<SdlAudioSink>(new SdlAudioSink(0));
    wanted.userdata = sink.get();
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the device really plays.
    sink->mDevice = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (sink->mDevice == 0) {
        if (error) *error = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    return sink;
}

SdlAudioSink::~SdlAudioSink() {
    Stop();
}

void SdlAudioSink::Start(RenderFunction render) {
    // The device is paused until here, so the callback never sees the function half set.
    SDL_LockAudioDevice(mDevice);
    mRender = std::move(render);
    SDL_UnlockAudioDevice(mDevice);
    SDL_PauseAudioDevice(mDevice, 0);
}

void SdlAudioSink::Stop() {
    if (mDevice == 0) return;
    SDL_CloseAudioDevice(mDevice);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    mDevice = 0;
}

void SdlAudioSink::Callback(void* self, Uint8* stream, int length) {
    auto& sink = *static_cast<SdlAudioSink*>(self);
    size_t frames = static_cast<size_t>(length) / (Channels * sizeof(int16_t));
    if (sink.mRender)
        sink.mRender(reinterpret_cast<int16_t*>(stream), frames);
    else
        SDL_memset(stream, 0, static_cast<size_t>(length));
}

} // namespace Zorbel
