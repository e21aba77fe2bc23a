#pragma once

#include <cstdint>
#include <memory>
#include <string>

// Picture files in and out: TGA, JPEG, PNG and GIF are read into plain 0xAARRGGBB pixel arrays; PNG
// and JPEG are written. Nothing here knows about display surfaces.
namespace Zorbel::ImageLib {

// No picture read from a file may have more pixels than this (a gigabyte of pixels). Headers that
// announce more are refused, so that a few hostile bytes cannot ask for unbounded memory. Fuzzing
// builds use a smaller limit: under the sanitizers every gigabyte-sized picture costs a tenth of a
// second, which would slow the fuzzer a hundredfold.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
inline constexpr int64_t MaxPixels = int64_t(1) << 22;
#else
inline constexpr int64_t MaxPixels = int64_t(1) << 28;
#endif

// No picture file larger than this is opened: it is what the largest picture takes as uncompressed
// TGA or as PNG of noise, with room to spare.
inline constexpr uint64_t MaxFileBytes = uint64_t(MaxPixels) * 5;

// A picture this small is accepted from any file, however little of its data the file holds (the
// readers fill in what is missing). Larger ones must be plausible for the file's size, so that a few
// hostile bytes cannot cost gigabytes: GIF data must be able to fill them at LZW's best ratio, and
// JPEG and PNG files must not claim more pixels per byte than pictures worth showing compress to (a
// flat 8-bit PNG, the extreme, packs about a thousand into each byte).
inline constexpr int64_t PlausibleAnySize = int64_t(1) << 24;
inline constexpr int64_t PlausiblePixelsPerByte = 512;

inline bool IsPlausibleSize(int64_t pixels, uint64_t fileBytes, int64_t pixelsPerByte) {
    return pixels <= PlausibleAnySize || fileBytes >= uint64_t(pixels / pixelsPerByte);
}

// A decoded picture: width × height pixels 0xAARRGGBB (bytes B, G, R, A in memory), rows from the top,
// no padding between rows. The image owns its pixels.
class Image {
public:
    // A picture of the given size, or null when a side is not positive, the area exceeds MaxPixels or
    // memory runs out. Cleared pictures start transparent black; others start undefined, for readers
    // that write every pixel anyway.
    static std::unique_ptr<Image> Create(int width, int height, bool cleared = true);

    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    virtual ~Image();

    int GetWidth() const { return mWidth; }
    int GetHeight() const { return mHeight; }
    size_t GetPixelCount() const { return static_cast<size_t>(mWidth) * static_cast<size_t>(mHeight); }
    uint32_t* GetBits() { return mBits; }
    const uint32_t* GetBits() const { return mBits; }
    // Hands the pixels over without a copy: a block from std::malloc of GetPixelCount() + 1 words, the
    // last one spare, which the caller frees with std::free. The picture is empty afterwards.
    uint32_t* ReleaseBits();

private:
    Image(int width, int height, uint32_t* bits) : mWidth(width), mHeight(height), mBits(bits) {}

    int mWidth;
    int mHeight;
    uint32_t* mBits; // from malloc or calloc, released with free
};

// The red, green and blue given to pictures that exist only as an alpha companion. The resource
// manager sets it around its loads; no lock guards it, so loads and changes stay on one thread.
extern uint32_t gAlphaFillColor;

// Loads "name", trying the readers whose extension matches the name's (case-insensitively), or all
// of them in the order .tga, .jpg, .png, .gif when the name has no extension. A reader opens the name
// as given and then, if that fails, the base name with its own lower-case extension. With
// lookForAlpha, an alpha companion "_name" or "name_" of the same size gives the picture its alpha
// from its blue channel; a companion alone becomes a picture of gAlphaFillColor with that alpha.
std::unique_ptr<Image> LoadImageFile(const std::string& name, bool lookForAlpha);

// Loads like LoadImageFile a picture that will be shown at displayWidth × displayHeight. One larger
// than twice that in both directions comes back halved up to three times (see HalvingsToCover), so
// that it still covers the display size: JPEG files are decoded at that scale directly, other kinds
// reduced after decoding, and no more than one full-size copy is ever held. A companion is reduced
// like the main picture, so that the two still match.
std::unique_ptr<Image> LoadImageFileForDisplay(const std::string& name, bool lookForAlpha, int displayWidth,
                                               int displayHeight);

// How many times, from 0 to 3, a width × height picture can be halved (rounding up) and still cover
// displayWidth × displayHeight.
int HalvingsToCover(int width, int height, int displayWidth, int displayHeight);
// The picture reduced by 2^halvings in each direction, sizes rounded up. Each pixel is the mean of
// its box, colours weighted by their alpha so that transparent pixels lend no colour. Null when
// memory runs out.
std::unique_ptr<Image> Reduce(const Image& image, int halvings);

// Each reader takes the full file name and returns null for a missing, unreadable or refused file.
// A 32-bit uncompressed TGA with its origin at the top left (descriptor 0x28) and nothing before the
// pixels.
std::unique_ptr<Image> ReadTga(const std::string& fileName);
// Greyscale, YCbCr, RGB and CMYK (plain or inverted as Adobe writes it) JPEG files; opaque.
std::unique_ptr<Image> ReadJpeg(const std::string& fileName);
// The same, decoded at the scale 1/2^HalvingsToCover(width, height, displayWidth, displayHeight).
std::unique_ptr<Image> ReadJpegForDisplay(const std::string& fileName, int displayWidth, int displayHeight);
// Any PNG: palettes, grey, transparency chunks, 16-bit channels and interlacing come out as 8-bit
// pixels with alpha.
std::unique_ptr<Image> ReadPng(const std::string& fileName);
// The first image of a GIF file at the size of its own descriptor. The transparent index gives
// transparent black; pixels after an early end of the data stay transparent black.
std::unique_ptr<Image> ReadGif(const std::string& fileName);

// Writers replace the file atomically, so a failed write leaves any earlier file untouched. True on
// success.
// Baseline JPEG at quality 80; alpha is dropped.
[[nodiscard]] bool WriteJpeg(const std::string& fileName, const Image& image);
// 8-bit RGBA PNG, not interlaced.
[[nodiscard]] bool WritePng(const std::string& fileName, const Image& image);

} // namespace Zorbel::ImageLib
