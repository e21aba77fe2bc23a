#pragma once

#include "framework/app/DisplayDevice.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace Zorbel {

class MemoryImage;

// What one picture holds in memory, in bytes, by the categories of the dump's table; a category the
// picture does not have is empty.
struct ImageAccount {
    int32_t width = 0;
    int32_t height = 0;
    std::optional<uint64_t> bits;
    std::optional<uint64_t> palettized;
    std::optional<uint64_t> surface;
    std::optional<uint64_t> texture;
    std::optional<uint64_t> nativeAlpha;
    std::optional<uint64_t> rlAlpha;
    std::optional<uint64_t> rlAdditive;
    TextureFormat textureFormat = TextureFormat::A8R8G8B8;
    bool isVolatile = false;
    bool forced = false;
    bool hasAlpha = false;
    bool hasTrans = false;

    uint64_t Total() const;
};

// The image dump: every live picture written into a folder as "img%04d.png" with a 64 x 64 JPEG
// thumbnail "thumb%04d.jpg", and the page "imagelist.html" that lists them, largest first, with what
// each holds in memory. A developer opens the page in a browser to see where the memory went.
class ImageDump {
public:
    static constexpr int32_t ThumbnailSize = 64;
    static constexpr const char* PageName = "imagelist.html";

    // The texture a picture has on the hardware path; false when it has none.
    using TextureLookup = std::function<bool(const MemoryImage&, TextureUse&)>;

    ImageDump(std::string folder, TextureLookup textures);

    // Writes the page (dated with the text given) and every picture's files. The pictures must stay
    // alive and untouched meanwhile. Pictures that cannot be written are left out silently; false
    // when the page itself could not be written.
    bool Write(const std::vector<MemoryImage*>& images, const std::string& date) const;

    ImageAccount Account(const MemoryImage& image) const;

    // The page's order: largest total first; pictures of the same total by size, widest first.
    static bool ListedBefore(const ImageAccount& a, const ImageAccount& b);
    // The page's text for accounts in the order given, one piece a line.
    static std::string PageText(const std::vector<ImageAccount>& accounts, const std::string& date);
    // Thumbnail pixel (x, y) is source column floor((x + 0.5) * width / 64) of source row
    // floor((y + 0.5) * height / 64); an empty picture gives a black one.
    static std::vector<uint32_t> Thumbnail(const uint32_t* pixels, int32_t width, int32_t height);
    // The picture's 32-bit pixels, leaving the picture as it was (a picture that keeps only a palette,
    // a premultiplied copy, a surface or a texture builds them for the moment).
    static std::vector<uint32_t> PixelsOf(MemoryImage& image);

private:
    std::string mFolder;
    TextureLookup mTextures;
};

} // namespace Zorbel
