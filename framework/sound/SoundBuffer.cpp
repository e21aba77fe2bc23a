#include "framework/sound/SoundBuffer.h"

namespace Zorbel {

bool PcmFormat::IsPlayable() const {
    return (channels == 1 || channels == 2) && (bitsPerSample == 8 || bitsPerSample == 16) &&
           samplesPerSecond >= 100 && samplesPerSecond <= 200000;
}

bool SoundBuffer::Fits(const PcmFormat& format, size_t byteCount) {
    return format.IsPlayable() && byteCount >= format.BlockAlign() && byteCount <= MaxBytes;
}

std::shared_ptr<SoundBuffer> SoundBuffer::Create(const PcmFormat& format, size_t byteCount) {
    if (!Fits(format, byteCount)) return nullptr;
    std::vector<uint8_t> silence(byteCount, format.bitsPerSample == 8 ? uint8_t(128) : uint8_t(0));
    return std::shared_ptr<SoundBuffer>(new SoundBuffer(format, std::move(silence)));
}

std::shared_ptr<SoundBuffer> SoundBuffer::Create(const PcmFormat& format, std::vector<uint8_t>&& bytes) {
    if (!Fits(format, bytes.size())) return nullptr;
    return std::shared_ptr<SoundBuffer>(new SoundBuffer(format, std::move(bytes)));
}

} // namespace Zorbel
