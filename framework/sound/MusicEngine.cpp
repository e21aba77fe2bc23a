#include "framework/sound/MusicEngine.h"

#include "framework/sound/ModuleSource.h"
#include "framework/sound/SampleSource.h"
#include "framework/sound/StreamSource.h"

#include <algorithm>
#include <chrono>

namespace Zorbel {

namespace {

// How often the feeding thread tops the windows up: a small part of what they hold.
constexpr auto FeedPeriod = std::chrono::milliseconds(20);

int32_t Percent(int32_t value) {
    return std::clamp(value, 0, 100);
}

} // namespace

MusicEngine::MusicEngine(std::shared_ptr<AudioOutput> output, bool feed) : mOutput(std::move(output)) {
    if (mOutput && feed) mFeeder = std::thread([this] { FeedLoop(); });
}

MusicEngine::~MusicEngine() {
    {
        std::lock_guard<std::mutex> lock(mFeedMutex);
        mStopping = true;
    }
    mFeedWake.notify_all();
    if (mFeeder.joinable()) mFeeder.join();
    FreeAll();
}

void MusicEngine::FeedLoop() {
    std::unique_lock<std::mutex> lock(mFeedMutex);
    while (!mFeedWake.wait_for(lock, FeedPeriod, [this] { return mStopping; })) {
        lock.unlock();
        FeedAll();
        lock.lock();
    }
}

void MusicEngine::FeedAll() {
    std::lock_guard<std::mutex> lock(mMutex);
    for (auto& [handle, channel] : mChannels)
        channel.voice->Fill();
}

MusicEngine::Handle MusicEngine::AddChannel(std::unique_ptr<MusicSource> source, Kind kind) {
    if (!source || !mOutput) return 0;
    VoicePtr<MusicVoice> voice = mOutput->GetMixer().Add<MusicVoice>(std::move(source));
    if (!voice) return 0;
    std::lock_guard<std::mutex> lock(mMutex);
    Handle handle = mNextHandle++;
    Channel& channel = mChannels[handle];
    channel.voice = std::move(voice);
    channel.kind = kind;
    ApplyGain(channel);
    return handle;
}

MusicEngine::Handle MusicEngine::OpenStream(const std::string& path) {
    if (!mOutput) return 0;
    return AddChannel(StreamSource::Open(path), Kind::Stream);
}

MusicEngine::Handle MusicEngine::OpenModule(const std::string& path) {
    if (!mOutput) return 0;
    return AddChannel(ModuleSource::Open(path), Kind::Module);
}

MusicEngine::Handle MusicEngine::OpenSampleChannel(Handle sample) {
    std::unique_ptr<SampleSource> source;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        auto found = mSamples.find(sample);
        if (found == mSamples.end() || found->second.sound->FrameCount() == 0) return 0;
        const Sample& record = found->second;
        source = std::make_unique<SampleSource>(record.sound, record.loopStart, record.loopLength);
    }
    return AddChannel(std::move(source), Kind::Sample);
}

bool MusicEngine::FreeChannel(Handle handle) {
    std::lock_guard<std::mutex> lock(mMutex);
    return mChannels.erase(handle) > 0;
}

MusicEngine::Channel* MusicEngine::Find(Handle handle) {
    auto found = mChannels.find(handle);
    return found == mChannels.end() ? nullptr : &found->second;
}

const MusicEngine::Channel* MusicEngine::Find(Handle handle) const {
    auto found = mChannels.find(handle);
    return found == mChannels.end() ? nullptr : &found->second;
}

bool MusicEngine::IsChannel(Handle handle) const {
    std::lock_guard<std::mutex> lock(mMutex);
    return Find(handle) != nullptr;
}

MusicEngine::Kind MusicEngine::KindOf(Handle handle) const {
    std::lock_guard<std::mutex> lock(mMutex);
    const Channel* channel = Find(handle);
    return channel ? channel->kind : Kind::Stream;
}

bool MusicEngine::Play(Handle handle, std::optional<int64_t> from) {
    std::lock_guard<std::mutex> lock(mMutex);
    Channel* channel = Find(handle);
    if (!channel || (from && !channel->voice->Restart(*from))) return false;
    // Decoded ahead before it sounds, so that the start never waits for the feeder.
    channel->voice->Fill();
    channel->voice->Play(false);
    channel->paused = false;
    return true;
}

bool MusicEngine::Stop(Handle handle) {
    std::lock_guard<std::mutex> lock(mMutex);
    Channel* channel = Find(handle);
    if (!channel) return false;
    channel->voice->Stop();
    channel->paused = false;
    return true;
}

bool MusicEngine::Pause(Handle handle) {
    std::lock_guard<std::mutex> lock(mMutex);
    Channel* channel = Find(handle);
    if (!channel || !channel->voice->IsPlaying()) return false;
    channel->voice->Stop();
    channel->paused = true;
    return true;
}

bool MusicEngine::Resume(Handle handle) {
    std::lock_guard<std::mutex> lock(mMutex);
    Channel* channel = Find(handle);
    if (!channel || !channel->paused) return false;
    channel->voice->Play(false);
    channel->paused = false;
    return true;
}

bool MusicEngine::SetPosition(Handle handle, int64_t position) {
    std::lock_guard<std::mutex> lock(mMutex);
    Channel* channel = Find(handle);
    if (!channel || !channel->voice->Restart(position)) return false;
    channel->voice->Fill();
    return true;
}

bool MusicEngine::SetLoop(Handle handle, bool loop) {
    std::lock_guard<std::mutex> lock(mMutex);
    Channel* channel = Find(handle);
    if (!channel) return false;
    channel->voice->SetLoop(loop);
    return true;
}

bool MusicEngine::SetAmplify(Handle handle, int32_t amplify) {
    std::lock_guard<std::mutex> lock(mMutex);
    Channel* channel = Find(handle);
    if (!channel || channel->kind != Kind::Module) return false;
    channel->voice->SetAmplify(amplify);
    return true;
}

MusicEngine::Activity MusicEngine::ActivityOf(Handle handle) const {
    std::lock_guard<std::mutex> lock(mMutex);
    const Channel* channel = Find(handle);
    if (!channel) return Stopped;
    if (channel->paused) return Paused;
    return channel->voice->IsPlaying() ? Playing : Stopped;
}

void MusicEngine::ApplyGain(Channel& channel) const {
    int64_t product = int64_t(channel.volume) * mGlobalVolumes[int(channel.kind)] * mMasterVolume;
    channel.voice->SetGain(static_cast<int32_t>((product * 65536 + 500000) / 1000000));
}

bool MusicEngine::SetVolume(Handle handle, int32_t percent) {
    std::lock_guard<std::mutex> lock(mMutex);
    Channel* channel = Find(handle);
    if (!channel) return false;
    channel->volume = Percent(percent);
    ApplyGain(*channel);
    return true;
}

void MusicEngine::SetGlobalVolume(Kind kind, int32_t percent) {
    std::lock_guard<std::mutex> lock(mMutex);
    mGlobalVolumes[int(kind)] = Percent(percent);
    for (auto& [handle, channel] : mChannels)
        ApplyGain(channel);
}

void MusicEngine::SetMasterVolume(int32_t percent) {
    std::lock_guard<std::mutex> lock(mMutex);
    mMasterVolume = Percent(percent);
    for (auto& [handle, channel] : mChannels)
        ApplyGain(channel);
}

void MusicEngine::StopAll() {
    std::lock_guard<std::mutex> lock(mMutex);
    for (auto& [handle, channel] : mChannels) {
        channel.voice->Stop();
        channel.paused = false;
    }
}

void MusicEngine::FreeAll() {
    std::lock_guard<std::mutex> lock(mMutex);
    mChannels.clear();
    mSamples.clear();
}

MusicEngine::Handle MusicEngine::LoadSample(const std::string& path) {
    std::shared_ptr<SoundBuffer> sound = StreamSource::ReadWhole(path);
    if (!sound) return 0;
    std::lock_guard<std::mutex> lock(mMutex);
    Handle handle = mNextHandle++;
    mSamples[handle].sound = std::move(sound);
    return handle;
}

MusicEngine::Handle MusicEngine::AllocateSample(const PcmFormat& format, size_t frames) {
    if (frames > SoundBuffer::MaxBytes / std::max<uint32_t>(format.BlockAlign(), 1)) return 0;
    std::shared_ptr<SoundBuffer> sound = SoundBuffer::Create(format, frames * format.BlockAlign());
    if (!sound) return 0;
    std::lock_guard<std::mutex> lock(mMutex);
    Handle handle = mNextHandle++;
    mSamples[handle].sound = std::move(sound);
    return handle;
}

bool MusicEngine::FreeSample(Handle sample) {
    std::lock_guard<std::mutex> lock(mMutex);
    return mSamples.erase(sample) > 0;
}

SoundBuffer* MusicEngine::SampleSound(Handle sample) const {
    std::lock_guard<std::mutex> lock(mMutex);
    auto found = mSamples.find(sample);
    return found == mSamples.end() ? nullptr : found->second.sound.get();
}

bool MusicEngine::SetLoopPoints(Handle sample, size_t start, size_t length) {
    std::lock_guard<std::mutex> lock(mMutex);
    auto found = mSamples.find(sample);
    if (found == mSamples.end()) return false;
    found->second.loopStart = start;
    found->second.loopLength = length;
    return true;
}

} // namespace Zorbel
