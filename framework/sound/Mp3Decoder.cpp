#include "framework/sound/Mp3Decoder.h"

#include <mpg123.h>

#include <algorithm>
#include <vector>

namespace Zorbel {

namespace {

constexpr size_t ReadPiece = 64 * 1024;

} // namespace

std::shared_ptr<SoundBuffer> Mp3Decoder::ReadSound(const std::string& path) {
    Mp3Decoder decoder(path);
    if (!decoder.Open()) return nullptr;
    std::vector<uint8_t> bytes;
    for (;;) {
        size_t have = bytes.size();
        // One byte beyond the most a sound may hold tells that it holds more.
        bytes.resize(std::min(have + ReadPiece, SoundBuffer::MaxBytes + 1));
        long got = decoder.Read(bytes.data() + have, bytes.size() - have);
        bytes.resize(have + static_cast<size_t>(std::max(got, 0L)));
        if (bytes.size() > SoundBuffer::MaxBytes) return nullptr;
        if (got <= 0) break;
    }
    bytes.resize(bytes.size() - bytes.size() % decoder.mFormat.BlockAlign());
    return SoundBuffer::Create(decoder.mFormat, std::move(bytes));
}

Mp3Decoder::Mp3Decoder(const std::string& path) : mFile(path) {}

Mp3Decoder::~Mp3Decoder() {
    if (!mHandle) return;
    if (mOpen) mpg123_close(mHandle);
    mpg123_delete(mHandle);
}

bool Mp3Decoder::Open() {
    if (!mFile || mHandle) return false;
    mHandle = mpg123_new(nullptr, nullptr);
    if (!mHandle) return false;
    mpg123_param(mHandle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    // Whatever the rate and channels, always signed 16-bit samples.
    mpg123_format_none(mHandle);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(mHandle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    // The decoder reads the file's descriptor directly; the FileInput only keeps it open.
    if (mpg123_open_fd(mHandle, fileno(mFile.Get())) != MPG123_OK) return false;
    mOpen = true;
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(mHandle, &rate, &channels, &encoding) != MPG123_OK ||
        encoding != MPG123_ENC_SIGNED_16)
        return false;
    mFormat = PcmFormat{static_cast<uint16_t>(channels), static_cast<uint32_t>(rate), 16};
    // The format stays as it starts; a stream that changes it ends there.
    mpg123_format_none(mHandle);
    mpg123_format(mHandle, rate, channels, encoding);
    return mFormat.IsPlayable();
}

long Mp3Decoder::Read(void* out, size_t byteCount) {
    if (!mOpen) return -1;
    size_t done = 0;
    int result = mpg123_read(mHandle, static_cast<unsigned char*>(out), byteCount, &done);
    if (done > 0) return static_cast<long>(done);
    return result == MPG123_DONE ? 0 : -1;
}

bool Mp3Decoder::SeekFrame(int64_t frame) {
    return mOpen && mpg123_seek(mHandle, static_cast<off_t>(frame), SEEK_SET) >= 0;
}

} // namespace Zorbel
