// JPEG reading and writing through libjpeg (62 interface). The library reports fatal errors by calling
// an exit routine that must not return; ours jumps back to the reader or writer. Every C++ object of a
// read or write lives in a coder object outside the jumped-over frames, and the frames between the jump
// and its target hold only plain values, so the jump skips no destructor. The coder's destructor then
// releases the library's state, and the caller's file object closes the file.
#include "framework/imagelib/ImageLib.h"
#include "framework/platform/files/AtomicFile.h"
#include "framework/platform/files/InputFile.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace Zorbel::ImageLib {

namespace {

// Pixels 0xAARRGGBB are bytes B, G, R, A, which libjpeg-turbo reads and writes directly.
constexpr J_COLOR_SPACE PixelColorSpace = JCS_EXT_BGRA;
constexpr J_COLOR_SPACE PixelColorSpaceNoAlpha = JCS_EXT_BGRX;
constexpr int WriteQuality = 80;

// Progressive files repeat a pass over the whole picture for every scan, so a small hostile file with
// endless tiny scans could keep the reader busy for hours. Real encoders use a few dozen at most.
constexpr int MaxScans = 500;
// Working memory the library may take beyond the picture itself (whole-picture coefficient buffers
// of progressive files).
constexpr long MaxLibraryMemory = 1536L << 20;

struct ErrorManager {
    jpeg_error_mgr standard;
    std::jmp_buf jump;
};

// The library's message goes out through its own output routine first, as it would without us.
[[noreturn]] void ExitOnError(j_common_ptr info) {
    (*info->err->output_message)(info);
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void LimitScans(j_common_ptr info) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > MaxScans)
        std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// a × b / 255, rounded.
inline uint32_t Multiply255(uint32_t a, uint32_t b) {
    uint32_t t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

// Ink amounts C, M, Y, K to RGB. Adobe's encoders store 255 minus the ink, which is the amount of
// light each channel lets through.
void CmykRowToPixels(const JSAMPLE* cmyk, uint32_t* pixels, size_t width, bool inverted) {
    uint32_t flip = inverted ? 0 : 255;
    for (size_t x = 0; x < width; ++x, cmyk += 4) {
        uint32_t k = cmyk[3] ^ flip;
        uint32_t r = Multiply255(cmyk[0] ^ flip, k);
        uint32_t g = Multiply255(cmyk[1] ^ flip, k);
        uint32_t b = Multiply255(cmyk[2] ^ flip, k);
        pixels[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
}

class JpegReader {
public:
    explicit JpegReader(const InputFile& file) : mFile(file.Get()), mFileBytes(file.Size()) {
        mInfo.err = jpeg_std_error(&mErrors.standard);
        mErrors.standard.error_exit = ExitOnError;
        mProgress.progress_monitor = LimitScans;
    }
    JpegReader(const JpegReader&) = delete;
    JpegReader& operator=(const JpegReader&) = delete;
    ~JpegReader() { jpeg_destroy_decompress(&mInfo); }

    // Decoding at a reduced scale: the smallest that still covers the display size.
    void ReduceFor(int displayWidth, int displayHeight) {
        mReduce = true;
        mDisplayWidth = displayWidth;
        mDisplayHeight = displayHeight;
    }

    std::unique_ptr<Image> Read() {
        if (setjmp(mErrors.jump)) return nullptr;
        if (!Decode()) return nullptr;
        return std::move(mImage);
    }

private:
    bool Decode() {
        jpeg_create_decompress(&mInfo);
        mInfo.progress = &mProgress;
        mInfo.mem->max_memory_to_use = MaxLibraryMemory;
        jpeg_stdio_src(&mInfo, mFile);
        jpeg_read_header(&mInfo, TRUE);
        // The library fills in whatever data is missing, so a header alone would be a whole picture.
        const int64_t pixels = int64_t(mInfo.image_width) * int64_t(mInfo.image_height);
        if (pixels > MaxPixels || !IsPlausibleSize(pixels, mFileBytes, PlausiblePixelsPerByte)) return false;
        if (mReduce) {
            mInfo.scale_num = 1;
            mInfo.scale_denom =
                1u << HalvingsToCover(static_cast<int>(mInfo.image_width),
                                      static_cast<int>(mInfo.image_height), mDisplayWidth, mDisplayHeight);
        }

        // Four-component files hold CMYK or YCCK; the library gives CMYK for both and we mix the light.
        bool cmyk = mInfo.jpeg_color_space == JCS_CMYK || mInfo.jpeg_color_space == JCS_YCCK;
        mInfo.out_color_space = cmyk ? JCS_CMYK : PixelColorSpace;
        jpeg_start_decompress(&mInfo);

        mImage =
            Image::Create(static_cast<int>(mInfo.output_width), static_cast<int>(mInfo.output_height), false);
        if (!mImage) return false;
        if (!(cmyk ? ReadCmykRows() : ReadRows())) return false;
        jpeg_finish_decompress(&mInfo);
        return true;
    }

    // Rows go straight into their place in the picture, several at a time where the upsampler makes
    // them in groups.
    bool ReadRows() {
        const size_t width = mInfo.output_width;
        while (mInfo.output_scanline < mInfo.output_height) {
            JSAMPROW rows[4];
            JDIMENSION count = std::min<JDIMENSION>(mInfo.output_height - mInfo.output_scanline, 4);
            for (JDIMENSION i = 0; i < count; ++i)
                rows[i] = reinterpret_cast<JSAMPROW>(mImage->GetBits() + (mInfo.output_scanline + i) * width);
            if (jpeg_read_scanlines(&mInfo, rows, count) == 0) return false;
        }
        return true;
    }

    bool ReadCmykRows() {
        const size_t width = mInfo.output_width;
        JSAMPARRAY row = (*mInfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&mInfo), JPOOL_IMAGE,
                                                    mInfo.output_width * 4, 1);
        while (mInfo.output_scanline < mInfo.output_height) {
            uint32_t* pixels = mImage->GetBits() + mInfo.output_scanline * width;
            if (jpeg_read_scanlines(&mInfo, row, 1) != 1) return false;
            CmykRowToPixels(row[0], pixels, width, mInfo.saw_Adobe_marker);
        }
        return true;
    }

    FILE* mFile;
    uint64_t mFileBytes;
    bool mReduce = false;
    int mDisplayWidth = 0;
    int mDisplayHeight = 0;
    jpeg_decompress_struct mInfo{};
    ErrorManager mErrors{};
    jpeg_progress_mgr mProgress{};
    std::unique_ptr<Image> mImage;
};

class JpegWriter {
public:
    explicit JpegWriter(FILE* file) : mFile(file) {
        mInfo.err = jpeg_std_error(&mErrors.standard);
        mErrors.standard.error_exit = ExitOnError;
    }
    JpegWriter(const JpegWriter&) = delete;
    JpegWriter& operator=(const JpegWriter&) = delete;
    ~JpegWriter() { jpeg_destroy_compress(&mInfo); }

    bool Write(const Image& image) {
        if (setjmp(mErrors.jump)) return false;
        Encode(image);
        return true;
    }

private:
    void Encode(const Image& image) {
        jpeg_create_compress(&mInfo);
        jpeg_stdio_dest(&mInfo, mFile);
        mInfo.image_width = static_cast<JDIMENSION>(image.GetWidth());
        mInfo.image_height = static_cast<JDIMENSION>(image.GetHeight());
        mInfo.input_components = 4;
        mInfo.in_color_space = PixelColorSpaceNoAlpha;
        jpeg_set_defaults(&mInfo);
        jpeg_set_quality(&mInfo, WriteQuality, TRUE);
        jpeg_start_compress(&mInfo, TRUE);
        const size_t width = static_cast<size_t>(image.GetWidth());
        while (mInfo.next_scanline < mInfo.image_height) {
            // The library only reads the rows it is given.
            auto* row = reinterpret_cast<JSAMPLE*>(const_cast<uint32_t*>(image.GetBits()) +
                                                   mInfo.next_scanline * width);
            jpeg_write_scanlines(&mInfo, &row, 1);
        }
        jpeg_finish_compress(&mInfo);
    }

    FILE* mFile;
    jpeg_compress_struct mInfo{};
    ErrorManager mErrors{};
};

} // namespace

std::unique_ptr<Image> ReadJpeg(const std::string& fileName) {
    InputFile file(fileName, MaxFileBytes);
    if (!file) return nullptr;
    JpegReader reader(file);
    return reader.Read();
}

std::unique_ptr<Image> ReadJpegForDisplay(const std::string& fileName, int displayWidth, int displayHeight) {
    InputFile file(fileName, MaxFileBytes);
    if (!file) return nullptr;
    JpegReader reader(file);
    reader.ReduceFor(displayWidth, displayHeight);
    return reader.Read();
}

bool WriteJpeg(const std::string& fileName, const Image& image) {
    AtomicFile file(fileName);
    if (!file) return false;
    JpegWriter writer(file.Get());
    return writer.Write(image) && file.Commit();
}

} // namespace Zorbel::ImageLib
