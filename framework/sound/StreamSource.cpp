#include "framework/sound/StreamSource.h"

#include "framework/sound/FileInput.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace Zorbel {

namespace {

enum class Container { Wav, Ogg, Mpeg, None };

Container ContainerOf(const std::string& path) {
    FileInput file(path);
    char magic[4];
    if (!file || !file.Read(magic, 4)) return Container::None;
    if (std::memcmp(magic, "RIFF", 4) == 0) return Container::Wav;
    if (std::memcmp(magic, "OggS", 4) == 0) return Container::Ogg;
    return Container::Mpeg;
}

// The most decoded bytes asked of a decoder at once.
constexpr size_t ReadPiece = 16 * 1024;

} // namespace

std::unique_ptr<StreamSource> StreamSource::Open(const std::string& path) {
    std::unique_ptr<StreamSource> source(new StreamSource);
    switch (ContainerOf(path)) {
        case Container::Wav:
            source->mWav = std::make_unique<WavReader>(path);
            if (!source->mWav->Open()) return nullptr;
            source->mFormat = source->mWav->Format();
            break;
        case Container::Ogg:
            source->mOgg = std::make_unique<OggDecoder>(path);
            if (!source->mOgg->Open()) return nullptr;
            source->mFormat = source->mOgg->Format();
            break;
        case Container::Mpeg:
            source->mMp3 = std::make_unique<Mp3Decoder>(path);
            if (!source->mMp3->Open()) return nullptr;
            source->mFormat = source->mMp3->Format();
            break;
        case Container::None:
            return nullptr;
    }
    return source;
}

std::shared_ptr<SoundBuffer> StreamSource::ReadWhole(const std::string& path) {
    switch (ContainerOf(path)) {
        case Container::Wav:
            return WavReader::ReadSound(path);
        case Container::Ogg:
            return OggDecoder::ReadSound(path);
        case Container::Mpeg:
            return Mp3Decoder::ReadSound(path);
        case Container::None:
            break;
    }
    return nullptr;
}

long StreamSource::ReadBytes(uint8_t* out, size_t byteCount) {
    if (mWav) return static_cast<long>(mWav->Read(out, byteCount));
    if (mOgg) return mOgg->Read(out, byteCount);
    return mMp3->Read(out, byteCount);
}

bool StreamSource::SeekFrame(int64_t frame) {
    mPartialBytes = 0;
    if (mWav) {
        uint64_t byte = uint64_t(frame) * mFormat.BlockAlign();
        return byte <= UINT32_MAX && mWav->Seek(static_cast<uint32_t>(byte));
    }
    if (mOgg) return mOgg->SeekFrame(frame);
    return mMp3->SeekFrame(frame);
}

long StreamSource::ReadOnce(int16_t* out, size_t frameCount) {
    const size_t block = mFormat.BlockAlign();
    const size_t channels = mFormat.channels;
    const bool narrow = mFormat.bitsPerSample == 8;
    // Sixteen-bit samples are decoded straight into out; eight-bit ones after its end would not fit,
    // so they go through a buffer of their own.
    frameCount = std::min(frameCount, ReadPiece / block);
    std::vector<uint8_t> narrowBytes;
    uint8_t* bytes = reinterpret_cast<uint8_t*>(out);
    if (narrow) {
        narrowBytes.resize(frameCount * block);
        bytes = narrowBytes.data();
    }
    std::memcpy(bytes, mPartial, mPartialBytes);
    size_t have = mPartialBytes;
    mPartialBytes = 0;
    while (have < block) {
        long got = ReadBytes(bytes + have, frameCount * block - have);
        if (got < 0) return -1;
        if (got == 0) return 0;
        have += static_cast<size_t>(got);
    }
    size_t frames = have / block;
    mPartialBytes = have - frames * block;
    std::memcpy(mPartial, bytes + frames * block, mPartialBytes);
    if (narrow) {
        for (size_t i = 0; i < frames * channels; ++i)
            out[i] = static_cast<int16_t>((int32_t(bytes[i]) - 128) * 256);
    }
    return static_cast<long>(frames);
}

long StreamSource::ReadFrames(int16_t* out, size_t frameCount) {
    if (frameCount == 0) return 0;
    long frames = ReadOnce(out, frameCount);
    if (frames != 0 || !mLoop) return frames;
    // At the end of a looping stream: from the start again (an empty stream ends all the same).
    if (!SeekFrame(0)) return 0;
    return ReadOnce(out, frameCount);
}

bool StreamSource::Restart(int64_t position) {
    if (position < 0) return false;
    return SeekFrame(position / (int64_t(mFormat.channels) * 2));
}

} // namespace Zorbel
