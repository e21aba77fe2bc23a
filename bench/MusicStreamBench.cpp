// Music as the player plays it, against each decoder library's own plain loop over the same file: an
// Ogg Vorbis and an MP3 stream decoded piece by piece into the mixer, and a tracker module rendered into
// it, each ten seconds of 44100 Hz stereo in the device's buffers of 512 frames. The last benchmark
// counts the memory a ten-minute Ogg stream takes while it plays.
#include "framework/platform/audio/HeadlessAudioSink.h"
#include "framework/platform/process/Subprocess.h"
#include "framework/sound/AudioOutput.h"
#include "framework/sound/MusicEngine.h"

#include "support/MusicTestFiles.h"

#include <benchmark/benchmark.h>
#include <libopenmpt/libopenmpt.h>
#include <malloc.h>
#include <mpg123.h>
#include <tremor/ivorbisfile.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace Zorbel;

constexpr size_t BufferFrames = 512;
constexpr double Seconds = 10;

std::string BenchFile(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("zorbel-music-bench-" + name)).string();
}

// Encodes a tone with the test suite's encoder program, once per run.
const std::string& Encoded(const std::string& kind, double seconds) {
    static std::map<std::string, std::string> made;
    std::string key = kind + std::to_string(seconds);
    auto found = made.find(key);
    if (found != made.end()) return found->second;
    std::string path = BenchFile(key + "." + kind);
    RunProcess(ZORBEL_SOUND_FILE_MAKER, {kind, path, "440", std::to_string(seconds), "2", "44100"});
    return made[key] = path;
}

// A module of four bars of notes, ten seconds long or so with its loop.
const std::string& Module() {
    static const std::string path = [] {
        std::string file = BenchFile("tiny.mod");
        ZorbelTest::WriteFile(file, ZorbelTest::TinyMod({428, 381, 339, 320}));
        return file;
    }();
    return path;
}

// Plays a channel to its end (or ten seconds) through the engine's mixer, feeding it by hand.
void PlayThrough(benchmark::State& state, MusicEngine::Handle (MusicEngine::*open)(const std::string&),
                 const std::string& path, bool loop) {
    auto output = AudioOutput::Open(std::make_unique<HeadlessAudioSink>());
    MusicEngine engine(output, false);
    MusicEngine::Handle channel = (engine.*open)(path);
    engine.SetLoop(channel, loop);
    std::vector<int16_t> out(BufferFrames * 2);
    size_t frames = 0;
    for (auto _ : state) {
        engine.Play(channel, 0);
        for (size_t done = 0;
             done < size_t(Seconds * 44100) && engine.ActivityOf(channel) == MusicEngine::Playing;
             done += BufferFrames) {
            engine.FeedAll();
            output->GetMixer().Render(out.data(), BufferFrames);
            frames += BufferFrames;
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(int64_t(frames));
}

void BM_PlayerStreamsOgg(benchmark::State& state) {
    PlayThrough(state, &MusicEngine::OpenStream, Encoded("ogg", Seconds), false);
}
BENCHMARK(BM_PlayerStreamsOgg)->Unit(benchmark::kMillisecond);

void BM_TremorDecodeLoop(benchmark::State& state) {
    std::vector<char> out(BufferFrames * 4);
    size_t frames = 0;
    for (auto _ : state) {
        FILE* file = std::fopen(Encoded("ogg", Seconds).c_str(), "rb");
        OggVorbis_File vorbis;
        ov_open(file, &vorbis, nullptr, 0);
        int section = 0;
        long got = 0;
        while ((got = ov_read(&vorbis, out.data(), int(out.size()), &section)) > 0)
            frames += size_t(got) / 4;
        ov_clear(&vorbis);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(int64_t(frames));
}
BENCHMARK(BM_TremorDecodeLoop)->Unit(benchmark::kMillisecond);

void BM_PlayerStreamsMp3(benchmark::State& state) {
    PlayThrough(state, &MusicEngine::OpenStream, Encoded("mp3", Seconds), false);
}
BENCHMARK(BM_PlayerStreamsMp3)->Unit(benchmark::kMillisecond);

void BM_Mpg123DecodeLoop(benchmark::State& state) {
    std::vector<unsigned char> out(BufferFrames * 4);
    size_t frames = 0;
    for (auto _ : state) {
        mpg123_handle* handle = mpg123_new(nullptr, nullptr);
        mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
        mpg123_open(handle, Encoded("mp3", Seconds).c_str());
        size_t done = 0;
        int result = MPG123_OK;
        while (result == MPG123_OK || result == MPG123_NEW_FORMAT) {
            result = mpg123_read(handle, out.data(), out.size(), &done);
            frames += done / 4;
        }
        mpg123_close(handle);
        mpg123_delete(handle);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(int64_t(frames));
}
BENCHMARK(BM_Mpg123DecodeLoop)->Unit(benchmark::kMillisecond);

void BM_PlayerRendersModule(benchmark::State& state) {
    PlayThrough(state, &MusicEngine::OpenModule, Module(), true);
}
BENCHMARK(BM_PlayerRendersModule)->Unit(benchmark::kMillisecond);

void BM_OpenmptRenderLoop(benchmark::State& state) {
    std::string bytes = ZorbelTest::ReadFile(Module());
    std::vector<int16_t> out(BufferFrames * 2);
    size_t frames = 0;
    for (auto _ : state) {
        openmpt_module* module =
            openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr,
                                               nullptr, nullptr, nullptr, nullptr, nullptr);
        openmpt_module_set_repeat_count(module, -1);
        for (size_t done = 0; done < size_t(Seconds * 44100); done += BufferFrames)
            frames += openmpt_module_read_interleaved_stereo(module, 44100, BufferFrames, out.data());
        openmpt_module_destroy(module);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(int64_t(frames));
}
BENCHMARK(BM_OpenmptRenderLoop)->Unit(benchmark::kMillisecond);

// The heap a ten-minute Ogg stream holds while it plays, beyond the idle player: the counter "bytes".
void BM_TenMinuteOggStreamMemory(benchmark::State& state) {
    const std::string& path = Encoded("ogg", 600);
    auto output = AudioOutput::Open(std::make_unique<HeadlessAudioSink>());
    MusicEngine engine(output, false);
    std::vector<int16_t> out(BufferFrames * 2);
    double held = 0;
    for (auto _ : state) {
        size_t idle = mallinfo2().uordblks;
        MusicEngine::Handle channel = engine.OpenStream(path);
        engine.Play(channel, 0);
        size_t most = 0;
        for (size_t done = 0; done < 44100 * 20; done += BufferFrames) {
            engine.FeedAll();
            output->GetMixer().Render(out.data(), BufferFrames);
            most = std::max(most, mallinfo2().uordblks);
        }
        held = double(most - idle);
        engine.FreeChannel(channel);
    }
    state.counters["bytes"] = held;
}
BENCHMARK(BM_TenMinuteOggStreamMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
