#include "framework/sound/SoundCache.h"

#include "framework/platform/files/AtomicFile.h"
#include "framework/platform/files/FileTime.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace Zorbel {

namespace {

void PutTag(std::string& out, std::string_view tag) {
    out.append(tag);
}

void PutLe(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

} // namespace

std::string SoundCache::PathFor(const std::string& name) {
    bool relative = name.size() > 2 && name[0] != '\\' && name[0] != '/' && name[1] != ':';
    return relative ? Folder + name + ".wav" : std::string();
}

bool SoundCache::Write(const std::string& cachePath, const SoundBuffer& sound, uint32_t length,
                       const std::string& sourcePath) {
    length = static_cast<uint32_t>(std::min<size_t>(length, sound.Size()));
    return WriteWav(cachePath, sound.Format(), sound.Data(), length, &sourcePath);
}

bool SoundCache::WritePlain(const std::string& path, const PcmFormat& format, const uint8_t* data,
                            uint32_t length) {
    return WriteWav(path, format, data, length, nullptr);
}

bool SoundCache::WriteWav(const std::string& path, const PcmFormat& format, const uint8_t* data,
                          uint32_t length, const std::string* sourcePath) {
    std::string header;
    PutTag(header, "RIFF");
    // The dependency chunk is not counted in the RIFF size.
    PutLe(header, uint64_t(length) + 36, 4);
    PutTag(header, "WAVE");
    PutTag(header, "fmt ");
    PutLe(header, 16, 4);
    PutLe(header, 1, 2);
    PutLe(header, format.channels, 2);
    PutLe(header, format.samplesPerSecond, 4);
    PutLe(header, format.BytesPerSecond(), 4);
    PutLe(header, format.BlockAlign(), 2);
    PutLe(header, format.bitsPerSample, 2);
    if (sourcePath) {
        // The dependency chunk keeps at most 65535 bytes of the name; readers look at the first 255.
        std::string source = sourcePath->substr(0, 0xFFFF);
        PutTag(header, "dep ");
        PutLe(header, source.size() + 10, 4);
        PutLe(header, source.size(), 2);
        header += source;
        PutLe(header, LastWriteFileTime(*sourcePath), 8);
    }
    PutTag(header, "data");
    PutLe(header, length, 4);

    AtomicFile file(path);
    if (!file) return false;
    if (std::fwrite(header.data(), 1, header.size(), file.Get()) != header.size()) return false;
    if (length > 0 && std::fwrite(data, 1, length, file.Get()) != length) return false;
    return file.Commit();
}

} // namespace Zorbel
