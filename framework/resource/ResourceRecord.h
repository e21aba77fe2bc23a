#pragma once

#include "framework/app/SharedImageCache.h"
#include "framework/graphics/Image.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace Zorbel {

class ImageFont;
class MemoryImage;
class ResourceHost;

// One named resource of a resource manager's tables: what to load, and what was loaded. The three
// kinds are a closed family, so they live together here. The manager owns its records.
struct ResourceRecord {
    ResourceRecord() = default;
    ResourceRecord(const ResourceRecord&) = delete;
    ResourceRecord& operator=(const ResourceRecord&) = delete;
    virtual ~ResourceRecord();

    virtual bool IsLoaded() const = 0;
    // Lets go of what was loaded; the record can be loaded again.
    virtual void Release(ResourceHost* host) = 0;

    std::string id;
    std::string group;
    std::string path;
    // The program supplies the resource itself; it is never loaded from a file.
    bool fromProgram = false;
};

struct ImageRecord : ResourceRecord {
    // The hardware texture flags the three texture options stand for.
    static constexpr uint32_t TexturePowerOfTwoPieces = 1;
    static constexpr uint32_t TexturePrefer4444 = 4;
    static constexpr uint32_t TextureAlwaysAlpha = 8;

    bool IsLoaded() const override { return image != nullptr; }
    void Release(ResourceHost* host) override;

    SharedImageRef image;
    std::string alphaImagePath;
    std::string alphaGridImagePath;
    std::string variant;
    bool palletize = false;
    bool textureBit4 = false;
    bool textureBit8 = false;
    bool useDisplaySurface = false;
    bool purgeBits = false;
    bool textureBit1 = false;
    int32_t rows = 1;
    int32_t columns = 1;
    // 0xRRGGBB, for a picture that is only an alpha companion.
    uint32_t alphaColor = 0xFFFFFF;
    std::optional<AnimInfo> animation;
};

struct SoundRecord : ResourceRecord {
    bool IsLoaded() const override { return soundId >= 0; }
    void Release(ResourceHost* host) override;

    int32_t soundId = -1;
    // The slot the sound had when it was last loaded, taken again when it loads again (−1: none yet).
    int32_t lastSoundId = -1;
    // Negative keeps the sound manager's default.
    double baseVolume = -1.0;
    // 0 keeps the default.
    int32_t basePan = 0;
};

struct FontRecord : ResourceRecord {
    FontRecord();
    ~FontRecord() override;

    bool IsLoaded() const override { return font != nullptr; }
    void Release(ResourceHost* host) override;

    std::unique_ptr<ImageFont> font;
    // Empty for a descriptor font.
    std::string imagePath;
    std::shared_ptr<MemoryImage> image;
    // Separated by any of comma, space, CR, LF and tab.
    std::string tags;
};

} // namespace Zorbel
