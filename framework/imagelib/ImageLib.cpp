#include "framework/imagelib/ImageLib.h"

#include "framework/platform/files/Path.h"

#include <bit>
#include <cstdlib>

namespace Zorbel::ImageLib {

// The readers fill pixels as bytes B, G, R, A, which read as 0xAARRGGBB only on a little-endian machine.
static_assert(std::endian::native == std::endian::little, "pixel byte order assumes a little-endian machine");

uint32_t gAlphaFillColor = 0xFFFFFF;

std::unique_ptr<Image> Image::Create(int width, int height, bool cleared) {
    if (width <= 0 || height <= 0 || int64_t(width) * int64_t(height) > MaxPixels) return nullptr;
    size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    // Large blocks come straight from the system already zeroed, so clearing costs nothing there.
    void* bits = cleared ? std::calloc(count, sizeof(uint32_t)) : std::malloc(count * sizeof(uint32_t));
    if (!bits) return nullptr;
    return std::unique_ptr<Image>(new Image(width, height, static_cast<uint32_t*>(bits)));
}

Image::~Image() {
    std::free(mBits);
}

namespace {

using Reader = std::unique_ptr<Image> (*)(const std::string&);

struct ReaderEntry {
    const char* extension;
    Reader read;
};

// The order in which a name without extension tries the file kinds.
constexpr ReaderEntry Readers[] = {
    {".tga", ReadTga},
    {".jpg", ReadJpeg},
    {".png", ReadPng},
    {".gif", ReadGif},
};

// Splits "name" into base and extension. A dot before the last separator belongs to a directory, so
// such a name has no extension.
void SplitExtension(const std::string& name, std::string& base, std::string& extension) {
    size_t dot = name.rfind('.');
    size_t fileStart = name.size() - GetFileName(name).size();
    if (dot != std::string::npos && dot >= fileStart) {
        base = name.substr(0, dot);
        extension = name.substr(dot);
    } else {
        base = name;
        extension.clear();
    }
}

std::unique_ptr<Image> LoadMainPicture(const std::string& name) {
    std::string base;
    std::string extension;
    SplitExtension(name, base, extension);
    extension = StringToLower(extension);
    for (const ReaderEntry& reader : Readers) {
        if (!extension.empty() && extension != reader.extension) continue;
        if (auto image = reader.read(base + reader.extension)) return image;
    }
    return nullptr;
}

// "images/sky.png" gives "images/_sky.png", then "images/sky.png_".
std::unique_ptr<Image> LoadAlphaCompanion(const std::string& name) {
    size_t fileStart = name.size() - GetFileName(name).size();
    std::string prefixed = name.substr(0, fileStart) + "_" + name.substr(fileStart);
    if (auto companion = LoadMainPicture(prefixed)) return companion;
    return LoadMainPicture(name + "_");
}

// The companion's blue channel becomes the picture's alpha.
void MergeAlpha(Image& picture, const Image& companion) {
    uint32_t* bits = picture.GetBits();
    const uint32_t* alpha = companion.GetBits();
    size_t count = picture.GetPixelCount();
    for (size_t i = 0; i < count; ++i)
        bits[i] = (bits[i] & 0x00FFFFFF) | (alpha[i] << 24);
}

// A companion without a picture: its blue channel is the alpha of a picture in gAlphaFillColor.
void FillFromAlpha(Image& companion) {
    uint32_t color = gAlphaFillColor & 0x00FFFFFF;
    uint32_t* bits = companion.GetBits();
    size_t count = companion.GetPixelCount();
    for (size_t i = 0; i < count; ++i)
        bits[i] = (bits[i] << 24) | color;
}

} // namespace

std::unique_ptr<Image> LoadImageFile(const std::string& name, bool lookForAlpha) {
    std::unique_ptr<Image> picture = LoadMainPicture(name);
    if (!lookForAlpha) return picture;

    std::unique_ptr<Image> companion = LoadAlphaCompanion(name);
    if (!companion) return picture;
    if (!picture) {
        FillFromAlpha(*companion);
        return companion;
    }
    // A companion of another size is ignored without a word, as callers expect of optional files.
    if (companion->GetWidth() == picture->GetWidth() && companion->GetHeight() == picture->GetHeight())
        MergeAlpha(*picture, *companion);
    return picture;
}

} // namespace Zorbel::ImageLib
