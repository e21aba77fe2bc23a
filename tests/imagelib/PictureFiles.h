#pragma once

// Builds the small picture files the picture-file tests read: a scratch folder, raw byte files, TGA
// headers, and GIF files with a plain LZW encoder of their own, so that every byte is under the test's
// control.
#include "framework/imagelib/ImageLib.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace PictureFiles {

using Bytes = std::vector<uint8_t>;

// A folder of its own below the system's temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string Path(const std::string& name) const { return (mRoot / name).string(); }

private:
    std::filesystem::path mRoot;
};

void WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);
// Open file descriptors of this process, to show that failed reads close their files.
int OpenFileCount();
// Whether a temporary file of an atomic write of path is still lying beside it.
bool TemporaryLeftBeside(const std::string& path);

// A picture whose pixel (x, y) is pixel(x, y).
std::unique_ptr<Zorbel::ImageLib::Image> MakeImage(int width, int height,
                                                   const std::function<uint32_t(int, int)>& pixel);
uint32_t PixelAt(const Zorbel::ImageLib::Image& image, int x, int y);

// An 18-byte TGA header followed by the pixels as 32-bit little-endian values.
Bytes TgaFile(int width, int height, const std::vector<uint32_t>& pixels, uint8_t depth = 32,
              uint8_t descriptor = 0x28);

// LZW codes exactly as a GIF decoder reads them: least significant bit first, widening after code
// 2^n - 1 has been defined. With deferClear, a full table is kept rather than cleared.
Bytes LzwEncode(const Bytes& indices, int minCodeSize, bool deferClear = false);
// Packs codes of the given bit widths, least significant bit first.
Bytes PackCodes(const std::vector<std::pair<uint32_t, int>>& codes);
// Splits data into sub-blocks of at most 255 bytes and ends the chain with an empty block.
Bytes SubBlocks(const Bytes& data);

// A GIF file put together block by block.
class GifFile {
public:
    // "GIF89a" and a logical screen; a global colour table when colors is not empty (its size is
    // rounded up to a power of two with black entries).
    GifFile(int screenWidth, int screenHeight, const std::vector<uint32_t>& colors);

    // A graphic control block; transparentFlag sets bit 0 of its flags.
    GifFile& GraphicControl(bool transparentFlag, uint8_t transparentIndex);
    GifFile& Comment(const std::string& text);
    GifFile& Raw(const Bytes& bytes);
    // An image descriptor with an optional local table, then the LZW data of indices (stored order).
    GifFile& Frame(int width, int height, const Bytes& indices, bool interlaced = false,
                   const std::vector<uint32_t>& localColors = {}, int minCodeSize = 8);
    // An image descriptor whose data sub-blocks are given as they are.
    GifFile& FrameWithData(int width, int height, int minCodeSize, const Bytes& lzwData,
                           bool interlaced = false);
    GifFile& Trailer();

    const Bytes& GetBytes() const { return mBytes; }

private:
    void PutWord(int value);
    void PutColorTable(const std::vector<uint32_t>& colors);
    static int TableBits(size_t colors);

    Bytes mBytes;
};

// Appends a PNG chunk: length, type, data and checksum.
void PutPngChunk(Bytes& file, const char* type, const Bytes& data);

// Tiny files that claim enormous pictures, each 16384 × 16384 (a gigabyte of pixels):
// a 35-byte GIF with one pixel of data;
Bytes GifBomb();
// a baseline JPEG of a few hundred bytes, a 16 × 16 picture whose header was made to claim the size;
Bytes JpegBomb();
// a valid 8-bit grey PNG of zeros, deflated to some 260 KB.
Bytes PngBomb();

} // namespace PictureFiles
