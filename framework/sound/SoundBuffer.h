#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace Zorbel {

// Samples are used in the machine's own order, which must be the files' little-endian one.
static_assert(std::endian::native == std::endian::little, "the sound code reads samples as little-endian");

// The layout of PCM samples: 8-bit samples are unsigned (128 is silence), 16-bit ones signed and
// little-endian; channels are interleaved, left first.
struct PcmFormat {
    uint16_t channels = 1;
    uint32_t samplesPerSecond = 22050;
    uint16_t bitsPerSample = 16;

    uint32_t BlockAlign() const { return uint32_t(channels) * bitsPerSample / 8; }
    uint32_t BytesPerSecond() const { return BlockAlign() * samplesPerSecond; }
    // What the mixer can play: one or two channels of 8 or 16 bits at 100 ... 200000 Hz.
    bool IsPlayable() const;

    bool operator==(const PcmFormat&) const = default;
};

// A whole sound held in memory, shared by every voice that plays it. Its bytes are filled while it is
// made and never change once a voice plays it, so voices on the audio thread read it without a lock.
class SoundBuffer {
public:
    // The most a sound may hold (256 MiB, about 25 minutes of CD sound); larger claims are refused
    // before anything is allocated.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    static constexpr size_t MaxBytes = size_t(16) << 20;
#else
    static constexpr size_t MaxBytes = size_t(256) << 20;
#endif

    // A buffer of byteCount bytes of silence, or null when the format cannot be played or the size is
    // out of range (no whole frame, or beyond MaxBytes).
    static std::shared_ptr<SoundBuffer> Create(const PcmFormat& format, size_t byteCount);
    // A buffer that takes over bytes already decoded, or null as above.
    static std::shared_ptr<SoundBuffer> Create(const PcmFormat& format, std::vector<uint8_t>&& bytes);

    const PcmFormat& Format() const {
        return mFormat;
    }
    size_t Size() const {
        return mBytes.size();
    }
    size_t FrameCount() const {
        return mBytes.size() / mFormat.BlockAlign();
    }
    uint8_t* Data() {
        return mBytes.data();
    }
    const uint8_t* Data() const {
        return mBytes.data();
    }

private:
    SoundBuffer(const PcmFormat& format, std::vector<uint8_t>&& bytes)
        : mFormat(format), mBytes(std::move(bytes)) {}
    static bool Fits(const PcmFormat& format, size_t byteCount);

    PcmFormat mFormat;
    std::vector<uint8_t> mBytes;
};

} // namespace Zorbel
