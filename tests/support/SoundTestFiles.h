#pragma once

// Sound files and measurements for the sound tests: WAV and ".au" bytes written here, Ogg and MP3
// files from the reference encoders (zorbel_sound_file_maker), a working folder of their own, and the
// level and pitch of captured stereo output.
#include "framework/platform/process/Subprocess.h"
#include "framework/sound/SoundBuffer.h"
#include "support/WholeFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace ZorbelTest {

inline void PutLe(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

inline void PutBe(std::string& out, uint32_t value) {
    for (int i = 3; i >= 0; --i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// 16-bit samples of a sine tone at half scale (amplitude 16384), the same on every channel.
inline std::vector<int16_t> ToneSamples(double frequency, uint32_t frames, uint32_t rate, int channels = 1,
                                        double amplitude = 16384) {
    std::vector<int16_t> samples;
    for (uint32_t i = 0; i < frames; ++i) {
        auto value = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * frequency * i / rate)));
        for (int c = 0; c < channels; ++c)
            samples.push_back(value);
    }
    return samples;
}

inline std::string SampleBytes(const std::vector<int16_t>& samples) {
    std::string bytes;
    for (int16_t sample : samples)
        PutLe(bytes, static_cast<uint16_t>(sample), 2);
    return bytes;
}

inline std::string Chunk(const std::string& id, const std::string& body) {
    std::string chunk = id;
    PutLe(chunk, body.size(), 4);
    return chunk + body;
}

inline std::string FormatChunk(int channels, uint32_t rate, int bits, int tag = 1) {
    std::string body;
    PutLe(body, tag, 2);
    PutLe(body, channels, 2);
    PutLe(body, rate, 4);
    PutLe(body, rate * channels * bits / 8, 4);
    PutLe(body, channels * bits / 8, 2);
    PutLe(body, bits, 2);
    return Chunk("fmt ", body);
}

// A RIFF WAVE file of the chunks given, in order.
inline std::string WavFile(const std::string& chunks) {
    std::string file = "RIFF";
    PutLe(file, chunks.size() + 4, 4);
    return file + "WAVE" + chunks;
}

inline std::string PcmWav(const std::vector<int16_t>& samples, int channels, uint32_t rate) {
    return WavFile(FormatChunk(channels, rate, 16) + Chunk("data", SampleBytes(samples)));
}

// A Sun audio file: header, then the data.
inline std::string AuFile(uint32_t encoding, uint32_t rate, uint32_t channels, const std::string& data,
                          uint32_t declaredSize = 0xFFFFFFFEu) {
    std::string file = ".snd";
    PutBe(file, 24);
    PutBe(file, declaredSize == 0xFFFFFFFEu ? static_cast<uint32_t>(data.size()) : declaredSize);
    PutBe(file, encoding);
    PutBe(file, rate);
    PutBe(file, channels);
    return file + data;
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path().empty()
                                            ? std::filesystem::path(".")
                                            : std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path) {
    return ReadWholeFile(path);
}

// An Ogg Vorbis or MP3 tone from the reference encoders; claimedFrames makes an Ogg stream lie.
inline void MakeEncodedTone(const std::string& kind, const std::string& path, double frequency,
                            double seconds, int channels, int rate, long long claimedFrames = -1) {
    std::vector<std::string> arguments = {kind,
                                          path,
                                          std::to_string(frequency),
                                          std::to_string(seconds),
                                          std::to_string(channels),
                                          std::to_string(rate)};
    if (claimedFrames >= 0) arguments.push_back(std::to_string(claimedFrames));
    Zorbel::ProcessOutcome outcome = Zorbel::RunProcess(ZORBEL_SOUND_FILE_MAKER, arguments);
    ASSERT_TRUE(outcome.exited && outcome.exitCode == 0) << outcome.errors;
}

// A fresh folder that is the working folder while the object lives (the sound manager reads names
// and writes its cache relative to it).
class SoundFolder {
public:
    SoundFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zorbel-sound-XXXXXX").string();
        const char* made = mkdtemp(pattern.data());
        path = made ? made : "";
        old = std::filesystem::current_path();
        std::filesystem::current_path(path);
    }
    ~SoundFolder() {
        std::error_code ignored;
        std::filesystem::current_path(old, ignored);
        std::filesystem::remove_all(path, ignored);
    }
    SoundFolder(const SoundFolder&) = delete;
    SoundFolder& operator=(const SoundFolder&) = delete;

    std::string path;
    std::filesystem::path old;
};

// The 16-bit samples a sound holds.
inline std::vector<int16_t> SamplesOf(const Zorbel::SoundBuffer& sound) {
    std::vector<int16_t> samples(sound.Size() / 2);
    if (!samples.empty()) std::memcpy(samples.data(), sound.Data(), samples.size() * 2);
    return samples;
}

// One channel of interleaved stereo output.
inline std::vector<int16_t> Channel(const std::vector<int16_t>& stereo, int channel) {
    std::vector<int16_t> out;
    for (size_t i = static_cast<size_t>(channel); i < stereo.size(); i += 2)
        out.push_back(stereo[i]);
    return out;
}

inline std::vector<int16_t> Slice(const std::vector<int16_t>& samples, size_t from, size_t count) {
    from = std::min(from, samples.size());
    count = std::min(count, samples.size() - from);
    return std::vector<int16_t>(samples.begin() + long(from), samples.begin() + long(from + count));
}

inline double Rms(const std::vector<int16_t>& samples) {
    if (samples.empty()) return 0;
    double sum = 0;
    for (int16_t sample : samples)
        sum += double(sample) * sample;
    return std::sqrt(sum / double(samples.size()));
}

inline int PeakOf(const std::vector<int16_t>& samples) {
    int peak = 0;
    for (int16_t sample : samples)
        peak = std::max(peak, std::abs(int(sample)));
    return peak;
}

// The pitch of a tone from its upward zero crossings, interpolated between samples.
inline double FrequencyOf(const std::vector<int16_t>& samples, double rate) {
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            double at = double(i - 1) + double(-samples[i - 1]) / double(samples[i] - samples[i - 1]);
            if (first < 0)
                first = at;
            else
                ++crossings;
            last = at;
        }
    }
    return crossings > 0 ? crossings * rate / (last - first) : 0;
}

// The stretches louder than the threshold, split where at least gap samples are quieter: [start, end).
inline std::vector<std::pair<size_t, size_t>> SoundingRuns(const std::vector<int16_t>& samples, size_t gap,
                                                           int threshold = 64) {
    std::vector<std::pair<size_t, size_t>> runs;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(int(samples[i])) <= threshold) continue;
        if (!runs.empty() && i - runs.back().second < gap)
            runs.back().second = i + 1;
        else
            runs.emplace_back(i, i + 1);
    }
    return runs;
}

// Raw 16-bit stereo as SDL's disk driver writes it.
inline std::vector<int16_t> ReadCapture(const std::string& path) {
    std::string bytes = ReadFile(path);
    std::vector<int16_t> samples(bytes.size() / 2);
    if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

} // namespace ZorbelTest
