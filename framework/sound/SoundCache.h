#pragma once

#include "framework/sound/SoundBuffer.h"

#include <cstdint>
#include <string>

namespace Zorbel {

// Converted sounds kept as WAV files below "cached/" in the working folder, so that later runs read
// them in one go instead of decoding again. Each file names the source it was made from and that
// file's modification time, and is refused once the source has changed.
class SoundCache {
public:
    static constexpr const char* Folder = "cached/";

    // The cache file of a sound name: Folder + name + ".wav". Only names relative to the working folder
    // are cached: longer than two characters, not starting with a separator and without a drive
    // letter; any other name gives an empty path.
    static std::string PathFor(const std::string& name);

    // Writes the first length bytes of the sound to the cache file, naming the source and its
    // modification time, through a temporary file so that no reader ever sees half a file. False when
    // it could not be written.
    [[nodiscard]] static bool Write(const std::string& cachePath, const SoundBuffer& sound, uint32_t length,
                                    const std::string& sourcePath);
    // Writes samples as a plain WAV file without the source's name, atomically as above.
    [[nodiscard]] static bool WritePlain(const std::string& path, const PcmFormat& format,
                                         const uint8_t* data, uint32_t length);

private:
    // The dependency chunk names the source when there is one.
    static bool WriteWav(const std::string& path, const PcmFormat& format, const uint8_t* data,
                         uint32_t length, const std::string* sourcePath);
};

} // namespace Zorbel
