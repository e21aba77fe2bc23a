#include "framework/imagelib/ImageLib.h"

#include "framework/platform/files/Path.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

namespace Zorbel::ImageLib {

// The readers fill pixels as bytes B, G, R, A, which read as 0xAARRGGBB only on a little-endian machine.
static_assert(std::endian::native == std::endian::little, "pixel byte order assumes a little-endian machine");

uint32_t gAlphaFillColor = 0xFFFFFF;

std::unique_ptr<Image> Image::Create(int width, int height, bool cleared) {
    if (width <= 0 || height <= 0 || int64_t(width) * int64_t(height) > MaxPixels) return nullptr;
    // One word more than the pixels, so that a display picture can take the block over as it is.
    size_t count = static_cast<size_t>(width) * static_cast<size_t>(height) + 1;
    // Large blocks come straight from the system already zeroed, so clearing costs nothing there.
    void* bits = cleared ? std::calloc(count, sizeof(uint32_t)) : std::malloc(count * sizeof(uint32_t));
    if (!bits) return nullptr;
    return std::unique_ptr<Image>(new Image(width, height, static_cast<uint32_t*>(bits)));
}

Image::~Image() {
    std::free(mBits);
}

uint32_t* Image::ReleaseBits() {
    uint32_t* bits = mBits;
    mBits = nullptr;
    mWidth = mHeight = 0;
    return bits;
}

namespace {

// A display size to reduce to, or none for the full size.
struct DisplaySize {
    int width;
    int height;
};

using Reader = std::unique_ptr<Image> (*)(const std::string&);
using DisplayReader = std::unique_ptr<Image> (*)(const std::string&, int, int);

// Kinds without a reduced decode read the whole picture and reduce it before the next is loaded.
template <Reader read>
std::unique_ptr<Image> ReadAndReduce(const std::string& fileName, int displayWidth, int displayHeight) {
    std::unique_ptr<Image> image = read(fileName);
    if (!image) return image;
    int halvings = HalvingsToCover(image->GetWidth(), image->GetHeight(), displayWidth, displayHeight);
    return halvings == 0 ? std::move(image) : Reduce(*image, halvings);
}

struct ReaderEntry {
    const char* extension;
    Reader read;
    DisplayReader readForDisplay;

    std::unique_ptr<Image> Read(const std::string& fileName, const DisplaySize* display) const {
        return display ? readForDisplay(fileName, display->width, display->height) : read(fileName);
    }
};

// The order in which a name without extension tries the file kinds.
constexpr ReaderEntry Readers[] = {
    {".tga", ReadTga, ReadAndReduce<ReadTga>},
    {".jpg", ReadJpeg, ReadJpegForDisplay},
    {".png", ReadPng, ReadAndReduce<ReadPng>},
    {".gif", ReadGif, ReadAndReduce<ReadGif>},
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

// A name with an extension is tried as given first: cameras write "IMG_0001.JPG", and on a
// case-sensitive file system its lower-case form names another file.
std::unique_ptr<Image> LoadMainPicture(const std::string& name, const DisplaySize* display) {
    std::string base;
    std::string extension;
    SplitExtension(name, base, extension);
    std::string lowerExtension = StringToLower(extension);
    for (const ReaderEntry& reader : Readers) {
        if (!extension.empty() && lowerExtension != reader.extension) continue;
        if (!extension.empty() && extension != reader.extension)
            if (auto image = reader.Read(name, display)) return image;
        if (auto image = reader.Read(base + reader.extension, display)) return image;
    }
    return nullptr;
}

// "images/sky.png" gives "images/_sky.png", then "images/sky.png_".
std::unique_ptr<Image> LoadAlphaCompanion(const std::string& name, const DisplaySize* display) {
    size_t fileStart = name.size() - GetFileName(name).size();
    std::string prefixed = name.substr(0, fileStart) + "_" + name.substr(fileStart);
    if (auto companion = LoadMainPicture(prefixed, display)) return companion;
    return LoadMainPicture(name + "_", display);
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

std::unique_ptr<Image> Load(const std::string& name, bool lookForAlpha, const DisplaySize* display) {
    std::unique_ptr<Image> picture = LoadMainPicture(name, display);
    if (!lookForAlpha) return picture;

    std::unique_ptr<Image> companion = LoadAlphaCompanion(name, display);
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

// The mean of a box of pixels, colours weighted by alpha.
struct BoxSum {
    uint32_t alpha = 0, red = 0, green = 0, blue = 0, count = 0;

    void Add(uint32_t pixel) {
        uint32_t a = pixel >> 24;
        alpha += a;
        red += ((pixel >> 16) & 0xFF) * a;
        green += ((pixel >> 8) & 0xFF) * a;
        blue += (pixel & 0xFF) * a;
        ++count;
    }
    uint32_t Mean() const {
        if (alpha == 0) return 0;
        auto channel = [&](uint32_t sum) { return (sum + alpha / 2) / alpha; };
        return ((alpha + count / 2) / count) << 24 | channel(red) << 16 | channel(green) << 8 | channel(blue);
    }
};

} // namespace

std::unique_ptr<Image> LoadImageFile(const std::string& name, bool lookForAlpha) {
    return Load(name, lookForAlpha, nullptr);
}

std::unique_ptr<Image> LoadImageFileForDisplay(const std::string& name, bool lookForAlpha, int displayWidth,
                                               int displayHeight) {
    DisplaySize display{displayWidth, displayHeight};
    return Load(name, lookForAlpha, &display);
}

int HalvingsToCover(int width, int height, int displayWidth, int displayHeight) {
    int halvings = 0;
    while (halvings < 3 && ((width - 1) >> (halvings + 1)) + 1 >= displayWidth &&
           ((height - 1) >> (halvings + 1)) + 1 >= displayHeight)
        ++halvings;
    return halvings;
}

std::unique_ptr<Image> Reduce(const Image& image, int halvings) {
    const int box = 1 << halvings;
    const int width = image.GetWidth(), height = image.GetHeight();
    std::unique_ptr<Image> reduced =
        Image::Create(((width - 1) >> halvings) + 1, ((height - 1) >> halvings) + 1, false);
    if (!reduced) return nullptr;
    uint32_t* to = reduced->GetBits();
    for (int top = 0; top < height; top += box) {
        for (int left = 0; left < width; left += box) {
            BoxSum sum;
            for (int y = top; y < std::min(top + box, height); ++y) {
                const uint32_t* row = image.GetBits() + size_t(y) * size_t(width);
                for (int x = left; x < std::min(left + box, width); ++x)
                    sum.Add(row[x]);
            }
            *to++ = sum.Mean();
        }
    }
    return reduced;
}

} // namespace Zorbel::ImageLib
