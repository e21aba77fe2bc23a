#pragma once

#include "framework/sound/AudioOutput.h"
#include "framework/sound/MusicVoice.h"
#include "framework/sound/SoundBuffer.h"

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace Zorbel {

// The music back end under both players: channels that play streams, tracker modules and samples on
// the shared mixer, each with its volume, and samples in memory that the caller may fill. Everything is
// reached by number (0 is never a valid one), so the players' function tables can pass it around. A
// feeding thread keeps every channel decoded a little ahead. Without an output nothing opens.
// Volumes are whole percentages; a channel sounds at its volume × its kind's global volume × master.
class MusicEngine {
public:
    using Handle = uint32_t;
    enum class Kind { Stream, Module, Sample };
    enum Activity : uint32_t { Stopped = 0, Playing = 1, Paused = 3 };

    // Without feed, channels are decoded ahead only when FeedAll is called (benchmarks measure so).
    explicit MusicEngine(std::shared_ptr<AudioOutput> output, bool feed = true);
    ~MusicEngine();
    MusicEngine(const MusicEngine&) = delete;
    MusicEngine& operator=(const MusicEngine&) = delete;

    bool HasOutput() const { return mOutput != nullptr; }

    // New channels, stopped at their start; 0 when the file or sample cannot be played.
    Handle OpenStream(const std::string& path);
    Handle OpenModule(const std::string& path);
    Handle OpenSampleChannel(Handle sample);
    bool FreeChannel(Handle channel);
    bool IsChannel(Handle channel) const;
    Kind KindOf(Handle channel) const;

    // Plays from where the channel is, or from a position (see MusicSource::Restart).
    bool Play(Handle channel, std::optional<int64_t> from = std::nullopt);
    bool Stop(Handle channel);
    bool Pause(Handle channel);
    bool Resume(Handle channel);
    bool SetPosition(Handle channel, int64_t position);
    bool SetLoop(Handle channel, bool loop);
    bool SetAmplify(Handle channel, int32_t amplify);
    Activity ActivityOf(Handle channel) const;
    bool SetVolume(Handle channel, int32_t percent);
    void SetGlobalVolume(Kind kind, int32_t percent);
    void SetMasterVolume(int32_t percent);
    // Stops every channel, keeping them.
    void StopAll();
    // Frees every channel and sample.
    void FreeAll();

    // Samples: sounds in memory (WAV, Ogg Vorbis or MPEG audio decoded whole) or made empty.
    Handle LoadSample(const std::string& path);
    Handle AllocateSample(const PcmFormat& format, size_t frames);
    bool FreeSample(Handle sample);
    // The sound of a sample, for reading and filling; null for an unknown one.
    SoundBuffer* SampleSound(Handle sample) const;
    // The looped part: length frames from start (0: to the end).
    bool SetLoopPoints(Handle sample, size_t start, size_t length);

    // Tops every channel's window up (the feeding thread's work).
    void FeedAll();

private:
    struct Channel {
        VoicePtr<MusicVoice> voice;
        Kind kind = Kind::Stream;
        int32_t volume = 100;
        bool paused = false;
    };
    struct Sample {
        std::shared_ptr<SoundBuffer> sound;
        size_t loopStart = 0;
        size_t loopLength = 0;
    };

    Handle AddChannel(std::unique_ptr<MusicSource> source, Kind kind);
    Channel* Find(Handle channel);
    const Channel* Find(Handle channel) const;
    void ApplyGain(Channel& channel) const;
    void FeedLoop();

    std::shared_ptr<AudioOutput> mOutput;
    mutable std::mutex mMutex;
    std::map<Handle, Channel> mChannels;
    std::map<Handle, Sample> mSamples;
    Handle mNextHandle = 1;
    int32_t mGlobalVolumes[3] = {100, 100, 100};
    int32_t mMasterVolume = 100;

    std::mutex mFeedMutex;
    std::condition_variable mFeedWake;
    bool mStopping = false;
    std::thread mFeeder;
};

} // namespace Zorbel
