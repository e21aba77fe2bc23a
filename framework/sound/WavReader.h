#pragma once

#include "framework/sound/FileInput.h"
#include "framework/sound/SoundBuffer.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Zorbel {

// Reads RIFF WAVE files of plain PCM: walks the chunks up to "data", taking the format from "fmt "
// (one channel of 16 bits at 22050 Hz until one is seen) and refusing the file when a "dep " chunk
// names a source whose modification time has changed since (so stale cached conversions are not
// used). Chunks follow each other without a pad byte, as our cache files write them; a zero pad byte
// after an odd-sized chunk, as other writers put there, is passed over. Reads the whole sound at once,
// or the data piece by piece for a stream.
class WavReader {
public:
    // The whole sound of a file, or null when it is no playable PCM WAV file, is damaged or short, or
    // is a stale cached conversion.
    static std::shared_ptr<SoundBuffer> ReadSound(const std::string& path);

    explicit WavReader(const std::string& path);

    // Walks the chunks up to the data; false when the file cannot be played (as ReadSound).
    [[nodiscard]] bool Open();
    const PcmFormat& Format() const { return mFormat; }
    // The data chunk's declared size in bytes.
    uint32_t DataLength() const { return mDataLength; }
    // Up to byteCount further bytes of the data; returns how many were read.
    size_t Read(void* out, size_t byteCount);
    // Moves to a byte of the data (false beyond its end).
    [[nodiscard]] bool Seek(uint32_t dataOffset);

private:
    // Handles one chunk whose header has just been read; false fails the file.
    bool ReadFormatChunk();
    bool DependencyIsCurrent();

    FileInput mFile;
    PcmFormat mFormat;
    uint64_t mDataStart = 0;
    uint32_t mDataLength = 0;
    uint32_t mDataRead = 0;
};

} // namespace Zorbel
