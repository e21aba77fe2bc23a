// The sound mixer at its busiest: 32 voices of 16-bit stereo, each pitch-shifted and panned, mixed
// into one second of 44100 Hz output in the device's buffers of 512 frames. The reference is SDL's own
// SDL_MixAudioFormat mixing the same 32 voices into the same buffers, without resampling (it has none).
#include "framework/platform/audio/HeadlessAudioSink.h"
#include "framework/sound/AudioOutput.h"
#include "framework/sound/BufferVoice.h"

#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

using namespace Zorbel;

constexpr int VoiceCount = 32;
constexpr size_t BufferFrames = 512;
constexpr size_t SecondFrames = 44100;
constexpr size_t SoundFrames = 44100;

// Each voice's sound: a second of a different tone on each side.
std::shared_ptr<SoundBuffer> MakeSound(int voice) {
    auto sound = SoundBuffer::Create(PcmFormat{2, 44100, 16}, SoundFrames * 4);
    auto* samples = reinterpret_cast<int16_t*>(sound->Data());
    for (size_t i = 0; i < SoundFrames; ++i) {
        double phase = 2 * M_PI * (200 + 37 * voice) * double(i) / 44100;
        samples[2 * i] = static_cast<int16_t>(8000 * std::sin(phase));
        samples[2 * i + 1] = static_cast<int16_t>(8000 * std::sin(1.5 * phase));
    }
    return sound;
}

// One iteration is one second of output, so its CPU time is also the share of a core the mix takes;
// the items are voice frames mixed.
void SetCounters(benchmark::State& state) {
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(SecondFrames) * VoiceCount);
}

void BM_MixerThirtyTwoVoicesPitchedAndPanned(benchmark::State& state) {
    auto output = AudioOutput::Open(std::make_unique<HeadlessAudioSink>());
    std::vector<VoicePtr<BufferVoice>> voices;
    for (int v = 0; v < VoiceCount; ++v) {
        voices.push_back(output->GetMixer().Add<BufferVoice>(MakeSound(v)));
        // −6 … +6 semitones, never exactly the sound's own rate, and pans across the whole width.
        double semitones = (v % 13) - 6 + 0.25;
        voices.back()->SetFrequency(static_cast<uint32_t>(44100 * std::pow(2.0, semitones / 12)));
        voices.back()->SetPan(v * 625 - 10000);
        voices.back()->SetVolume(-600);
        voices.back()->Play(true);
    }
    std::vector<int16_t> out(BufferFrames * 2);
    for (auto _ : state) {
        for (size_t done = 0; done < SecondFrames; done += BufferFrames)
            output->GetMixer().Render(out.data(), BufferFrames);
        benchmark::DoNotOptimize(out.data());
    }
    SetCounters(state);
}
BENCHMARK(BM_MixerThirtyTwoVoicesPitchedAndPanned)->Unit(benchmark::kMicrosecond);

void BM_SdlMixAudioFormatThirtyTwoVoices(benchmark::State& state) {
    std::vector<std::shared_ptr<SoundBuffer>> sounds;
    for (int v = 0; v < VoiceCount; ++v)
        sounds.push_back(MakeSound(v));
    std::vector<int16_t> out(BufferFrames * 2);
    const auto bytes = static_cast<Uint32>(BufferFrames * 4);
    size_t position = 0;
    for (auto _ : state) {
        for (size_t done = 0; done < SecondFrames; done += BufferFrames) {
            std::memset(out.data(), 0, bytes);
            // Each voice at its own volume, as the mixer's voices have theirs.
            for (int v = 0; v < VoiceCount; ++v)
                SDL_MixAudioFormat(reinterpret_cast<Uint8*>(out.data()), sounds[v]->Data() + position * 4,
                                   AUDIO_S16SYS, bytes, 64 + v);
            position = (position + BufferFrames) % (SoundFrames - BufferFrames);
        }
        benchmark::DoNotOptimize(out.data());
    }
    SetCounters(state);
}
BENCHMARK(BM_SdlMixAudioFormatThirtyTwoVoices)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
