#include "framework/sound/OggDecoder.h"

#include <tremor/ivorbisfile.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace Zorbel {

namespace {

size_t ReadCallback(void* out, size_t size, size_t count, void* file) {
    return std::fread(out, size, count, static_cast<FILE*>(file));
}

int SeekCallback(void* file, ogg_int64_t offset, int whence) {
    return fseeko(static_cast<FILE*>(file), static_cast<off_t>(offset), whence);
}

// The file belongs to the decoder's FileInput, which closes it.
int CloseCallback(void*) {
    return 0;
}

long TellCallback(void* file) {
    return static_cast<long>(ftello(static_cast<FILE*>(file)));
}

// Decoded bytes asked for in one go.
constexpr size_t ReadPiece = 64 * 1024;

} // namespace

std::shared_ptr<SoundBuffer> OggDecoder::ReadSound(const std::string& path) {
    OggDecoder decoder(path);
    if (!decoder.Open() || decoder.mClaimedFrames <= 0) return nullptr;
    uint64_t wanted = uint64_t(decoder.mClaimedFrames) * decoder.mFormat.BlockAlign();
    if (wanted > SoundBuffer::MaxBytes) return nullptr;
    std::vector<uint8_t> bytes;
    while (bytes.size() < wanted) {
        size_t have = bytes.size();
        bytes.resize(have + std::min<size_t>(ReadPiece, wanted - have));
        long got = decoder.Read(bytes.data() + have, bytes.size() - have);
        if (got <= 0) return nullptr;
        bytes.resize(have + static_cast<size_t>(got));
    }
    return SoundBuffer::Create(decoder.mFormat, std::move(bytes));
}

OggDecoder::OggDecoder(const std::string& path) : mFile(path), mVorbis(std::make_unique<OggVorbis_File>()) {}

OggDecoder::~OggDecoder() {
    if (mOpen) ov_clear(mVorbis.get());
}

bool OggDecoder::Open() {
    if (!mFile || mOpen) return false;
    ov_callbacks callbacks{ReadCallback, SeekCallback, CloseCallback, TellCallback};
    if (ov_open_callbacks(mFile.Get(), mVorbis.get(), nullptr, 0, callbacks) != 0) return false;
    mOpen = true;
    vorbis_info* info = ov_info(mVorbis.get(), -1);
    if (!info || info->channels < 1 || info->channels > 2 || info->rate <= 0 || info->rate > INT_MAX)
        return false;
    mFormat = PcmFormat{static_cast<uint16_t>(info->channels), static_cast<uint32_t>(info->rate), 16};
    mClaimedFrames = ov_pcm_total(mVorbis.get(), -1);
    return mFormat.IsPlayable();
}

long OggDecoder::Read(void* out, size_t byteCount) {
    if (!mOpen) return -1;
    int section = 0;
    int length = static_cast<int>(std::min<size_t>(byteCount, INT_MAX));
    long got = ov_read(mVorbis.get(), static_cast<char*>(out), length, &section);
    if (got <= 0) return got;
    vorbis_info* info = ov_info(mVorbis.get(), section);
    if (!info || info->channels != mFormat.channels || info->rate != long(mFormat.samplesPerSecond))
        return -1;
    return got;
}

bool OggDecoder::SeekFrame(int64_t frame) {
    return mOpen && ov_pcm_seek(mVorbis.get(), frame) == 0;
}

} // namespace Zorbel
