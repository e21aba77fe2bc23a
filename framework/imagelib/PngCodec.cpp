// PNG reading and writing through libpng. A library error jumps back to the setjmp of the reader or
// writer object; as with JPEG, everything that needs releasing lives in that object, and the frames
// the jump crosses hold only plain values.
#include "framework/imagelib/ImageLib.h"
#include "framework/platform/files/AtomicFile.h"
#include "framework/platform/files/InputFile.h"

#include <csetjmp>

#include <png.h>

namespace Zorbel::ImageLib {

namespace {

class PngReader {
public:
    explicit PngReader(const InputFile& file) : mFile(file.Get()), mFileBytes(file.Size()) {}
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;
    ~PngReader() {
        if (mPng) png_destroy_read_struct(&mPng, mInfo ? &mInfo : nullptr, nullptr);
    }

    std::unique_ptr<Image> Read() {
        mPng = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        if (!mPng) return nullptr;
        mInfo = png_create_info_struct(mPng);
        if (!mInfo) return nullptr;
        if (setjmp(png_jmpbuf(mPng))) return nullptr;
        if (!Decode()) return nullptr;
        return std::move(mImage);
    }

private:
    bool Decode() {
        png_init_io(mPng, mFile);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
        // Mutated files almost never keep their checksums right; let the fuzzer past them.
        png_set_crc_action(mPng, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#endif
        png_read_info(mPng, mInfo);
        png_uint_32 width = png_get_image_width(mPng, mInfo);
        png_uint_32 height = png_get_image_height(mPng, mInfo);
        const int64_t pixels = int64_t(width) * int64_t(height);
        if (pixels > MaxPixels || !IsPlausibleSize(pixels, mFileBytes, PlausiblePixelsPerByte)) return false;

        // Every kind of PNG becomes 8-bit B, G, R, A: palettes and grey below 8 bits are expanded, a
        // transparency chunk becomes alpha, pictures without alpha get an opaque filler, grey is
        // spread to three channels, and 16-bit channels are scaled to 8 bits with rounding.
        png_set_expand(mPng);
        png_set_filler(mPng, 0xFF, PNG_FILLER_AFTER);
        png_set_gray_to_rgb(mPng);
        png_set_bgr(mPng);
        png_set_scale_16(mPng);
        int passes = png_set_interlace_handling(mPng);
        png_read_update_info(mPng, mInfo);
        if (png_get_rowbytes(mPng, mInfo) != size_t(width) * 4) return false;

        mImage = Image::Create(static_cast<int>(width), static_cast<int>(height), false);
        if (!mImage) return false;
        // Each pass of an interlaced file fills in its own pixels of the rows and keeps the others.
        for (int pass = 0; pass < passes; ++pass) {
            for (png_uint_32 y = 0; y < height; ++y)
                png_read_row(mPng, reinterpret_cast<png_bytep>(mImage->GetBits() + size_t(y) * width),
                             nullptr);
        }
        png_read_end(mPng, nullptr);
        return true;
    }

    FILE* mFile;
    uint64_t mFileBytes;
    png_structp mPng = nullptr;
    png_infop mInfo = nullptr;
    std::unique_ptr<Image> mImage;
};

class PngWriter {
public:
    explicit PngWriter(FILE* file) : mFile(file) {}
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;
    ~PngWriter() {
        if (mPng) png_destroy_write_struct(&mPng, mInfo ? &mInfo : nullptr);
    }

    bool Write(const Image& image) {
        mPng = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        if (!mPng) return false;
        mInfo = png_create_info_struct(mPng);
        if (!mInfo) return false;
        if (setjmp(png_jmpbuf(mPng))) return false;
        Encode(image);
        return true;
    }

private:
    void Encode(const Image& image) {
        png_init_io(mPng, mFile);
        png_color_8 significantBits{};
        significantBits.red = 8;
        significantBits.green = 8;
        significantBits.blue = 8;
        significantBits.alpha = 8;
        png_set_sBIT(mPng, mInfo, &significantBits);
        png_set_bgr(mPng);
        png_set_IHDR(mPng, mInfo, static_cast<png_uint_32>(image.GetWidth()),
                     static_cast<png_uint_32>(image.GetHeight()), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(mPng, mInfo);
        const size_t width = static_cast<size_t>(image.GetWidth());
        for (int y = 0; y < image.GetHeight(); ++y)
            png_write_row(mPng, reinterpret_cast<png_const_bytep>(image.GetBits() + size_t(y) * width));
        png_write_end(mPng, nullptr);
    }

    FILE* mFile;
    png_structp mPng = nullptr;
    png_infop mInfo = nullptr;
};

} // namespace

std::unique_ptr<Image> ReadPng(const std::string& fileName) {
    InputFile file(fileName, MaxFileBytes);
    if (!file) return nullptr;
    PngReader reader(file);
    return reader.Read();
}

bool WritePng(const std::string& fileName, const Image& image) {
    AtomicFile file(fileName);
    if (!file) return false;
    PngWriter writer(file.Get());
    return writer.Write(image) && file.Commit();
}

} // namespace Zorbel::ImageLib
