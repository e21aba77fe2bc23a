#pragma once

#include "framework/app/SharedImageCache.h"

#include <memory>
#include <string>

namespace Zorbel {

class FontHost;
class MemoryImage;
class SoundManager;

// What the resource manager loads through: the application's shared and private pictures, its sound
// manager and its font host. The application is the one host of a program; tests and tools may bring
// their own.
class ResourceHost {
public:
    virtual ~ResourceHost() = default;

    // The picture shared by path and variant; its image is null when the file cannot be read. isNew
    // tells whether this call loaded it.
    virtual SharedImageRef GetSharedImage(const std::string& path, const std::string& variant,
                                          bool* isNew) = 0;
    // A picture of one's own, or null when the file cannot be read.
    virtual std::unique_ptr<MemoryImage> GetImage(const std::string& path, bool commit) = 0;
    // Null while there is none (before the application's Init).
    virtual SoundManager* GetSoundManager() = 0;
    virtual FontHost* GetFontHost() = 0;
};

} // namespace Zorbel
