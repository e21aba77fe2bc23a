// Our own GIF decoder. It reads the first image of a file, with the transparent index of a graphic
// control block that comes before it, and keeps whatever was decoded when the data ends early or
// holds a bad code.
//
// The LZW stage writes colour indices in stored order into one byte buffer, and whole rows are then
// mapped through the palette into place. On a flat buffer every table entry can be a reference to its
// earlier occurrence in the output (position and length) instead of a prefix chain, so a code's string
// is one short block copy rather than a walk of one table lookup per pixel.
#include "framework/imagelib/ImageLib.h"
#include "framework/platform/files/InputFile.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace Zorbel::ImageLib {

namespace {

constexpr int Trailer = 0x3B;
constexpr int ExtensionIntroducer = 0x21;
constexpr int ImageSeparator = 0x2C;
constexpr int GraphicControlLabel = 0xF9;
constexpr int NoTransparency = -1;

// Indices beyond the file's colour table, and every index of a file without one, give opaque black.
constexpr uint32_t MissingColor = 0xFF000000;

using Palette = std::array<uint32_t, 256>;

class GifStream {
public:
    explicit GifStream(FILE* file) : mFile(file) {}

    // The next byte, or EOF.
    int Byte() { return std::getc(mFile); }
    // Reads up to count bytes and returns how many there were.
    size_t Read(uint8_t* out, size_t count) { return std::fread(out, 1, count, mFile); }
    bool ReadAll(uint8_t* out, size_t count) { return Read(out, count) == count; }
    // Reads one data sub-block into block (255 bytes at most) and returns its length: 0 at the end of
    // the chain and at the end of the file, fewer bytes than announced when the file ends inside it.
    size_t SubBlock(uint8_t* block) {
        int length = Byte();
        return length <= 0 ? 0 : Read(block, static_cast<size_t>(length));
    }

private:
    FILE* mFile;
};

int WordAt(const uint8_t* bytes) {
    return bytes[0] | (bytes[1] << 8);
}

struct ColorTable {
    std::array<uint8_t, 256 * 3> rgb{};
    int entries = 0;

    // A table of 2^((flags & 7) + 1) entries; when the file ends inside it, the entries read count.
    void Read(GifStream& in, int flags) {
        size_t wanted = (size_t(2) << (flags & 7)) * 3;
        entries = static_cast<int>(in.Read(rgb.data(), wanted) / 3);
    }
};

Palette BuildPalette(const ColorTable& table, int transparentIndex) {
    Palette palette;
    palette.fill(MissingColor);
    for (int i = 0; i < table.entries; ++i) {
        const uint8_t* c = &table.rgb[static_cast<size_t>(i) * 3];
        palette[i] = 0xFF000000u | (uint32_t(c[0]) << 16) | (uint32_t(c[1]) << 8) | c[2];
    }
    if (transparentIndex != NoTransparency) palette[transparentIndex] = 0;
    return palette;
}

// Skips an extension's sub-blocks; a graphic control block with its transparency flag set names the
// transparent index.
void ReadExtension(GifStream& in, int& transparentIndex) {
    int label = in.Byte();
    uint8_t block[255];
    uint8_t control[4];
    size_t controlBytes = 0;
    while (size_t length = in.SubBlock(block)) {
        size_t take = std::min(length, sizeof control - controlBytes);
        std::memcpy(control + controlBytes, block, take);
        controlBytes += take;
    }
    if (label == GraphicControlLabel && controlBytes == sizeof control && (control[0] & 1))
        transparentIndex = control[3];
}

// The data sub-blocks of an image, joined, up to the empty block, the end of the file, or the most
// that pixels could need (a 12-bit code for each, and as many again for clear codes). Zero bytes of
// slack let the bit reader fetch four bytes at any position.
constexpr size_t DataSlack = 4;

std::vector<uint8_t> ReadImageData(GifStream& in, size_t pixels) {
    const size_t most = pixels * 3 + 255;
    std::vector<uint8_t> data;
    uint8_t block[255];
    while (data.size() < most) {
        size_t length = in.SubBlock(block);
        if (length == 0) break;
        data.insert(data.end(), block, block + length);
    }
    data.resize(data.size() + DataSlack, 0);
    return data;
}

// A code is at least minCodeSize + 1 bits long and no string is longer than the table, so data of
// this size can fill no more pixels than this.
int64_t FillablePixels(const std::vector<uint8_t>& data, int minCodeSize) {
    int64_t bits = int64_t(data.size() - DataSlack) * 8;
    return bits / std::max(minCodeSize + 1, 1) * 4096;
}

// Output past the last index may be scribbled on this far, so the index buffer needs the slack.
constexpr size_t CopyChunk = 16;

// A string never overlaps its copy (an entry ends at or before the code being decoded starts), so
// whole chunks can be moved; what lands past the string's end is overwritten by what follows.
inline void CopyString(uint8_t* to, const uint8_t* from, size_t length) {
    for (size_t i = 0; i < length; i += CopyChunk) {
        uint8_t chunk[CopyChunk];
        std::memcpy(chunk, from + i, CopyChunk);
        std::memcpy(to + i, chunk, CopyChunk);
    }
}

// Turns LZW codes into colour indices. Decoding stops at the end code, at the end of the data, at a
// code that is not defined yet, or when the output is full. The state lives in locals: the byte
// stores into the output could alias anything else and would force it back to memory every code.
class LzwDecoder {
public:
    // Decodes data (with its slack) into out, which has room for total indices plus CopyChunk, and
    // returns how many indices came out.
    size_t Decode(int minCodeSize, const std::vector<uint8_t>& data, uint8_t* out, size_t total);

private:
    static constexpr uint32_t TableSize = 4096;

    // Where each table entry's string was last written, and its length.
    std::array<uint32_t, TableSize> mOffset{};
    std::array<uint16_t, TableSize> mLength{};
};

size_t LzwDecoder::Decode(int minCodeSize, const std::vector<uint8_t>& data, uint8_t* out, size_t total) {
    if (minCodeSize < 0 || minCodeSize > 11) return 0; // codes never grow past 12 bits
    const uint32_t clearCode = 1u << minCodeSize;
    const uint32_t endCode = clearCode + 1;
    uint32_t freeCode = clearCode + 2;
    int codeBits = minCodeSize + 1;
    uint32_t codeMask = (1u << codeBits) - 1;
    bool havePrevious = false;
    uint32_t* offsets = mOffset.data();
    uint16_t* lengths = mLength.data();

    const uint8_t* bytes = data.data();
    const uint64_t totalBits = uint64_t(data.size() - DataSlack) * 8;
    uint64_t bitPos = 0;
    size_t pos = 0;
    size_t previousPos = 0;
    uint32_t previousLength = 0;
    while (pos < total) {
        if (bitPos + uint64_t(codeBits) > totalBits) break;
        uint32_t window;
        std::memcpy(&window, bytes + (bitPos >> 3), sizeof window); // little-endian, as the codes
        uint32_t code = (window >> (bitPos & 7)) & codeMask;
        bitPos += uint64_t(codeBits);

        if (code > freeCode || code == endCode) break;
        if (code == clearCode) {
            freeCode = clearCode + 2;
            codeBits = minCodeSize + 1;
            codeMask = (1u << codeBits) - 1;
            havePrevious = false;
            continue;
        }

        uint32_t length;
        const size_t room = total - pos;
        if (code < clearCode) {
            out[pos] = static_cast<uint8_t>(code);
            length = 1;
        } else if (!havePrevious) {
            break; // a table code before any string it could extend
        } else if (code == freeCode) {
            // The entry being defined: the previous string plus its own first index.
            length = previousLength + 1;
            if (length > room) {
                std::memcpy(out + pos, out + previousPos, room);
            } else {
                CopyString(out + pos, out + previousPos, previousLength);
                out[pos + previousLength] = out[previousPos];
            }
        } else {
            length = lengths[code];
            if (length > room)
                std::memcpy(out + pos, out + offsets[code], room);
            else
                CopyString(out + pos, out + offsets[code], length);
        }
        if (length >= room) return total;

        // The new entry is the previous string followed by this one's first index, which is exactly
        // what the output holds from the previous string's start. A full table takes no more entries
        // but goes on decoding, as encoders that defer the clear code expect.
        if (havePrevious && freeCode < TableSize) {
            offsets[freeCode] = static_cast<uint32_t>(previousPos);
            lengths[freeCode] = static_cast<uint16_t>(previousLength + 1);
            ++freeCode;
            if ((freeCode & codeMask) == 0 && freeCode < TableSize) {
                ++codeBits;
                codeMask = codeMask * 2 + 1;
            }
        }
        havePrevious = true;
        previousPos = pos;
        previousLength = length;
        pos += length;
    }
    return pos;
}

// Rows in stored order: top to bottom, or the four interlace passes.
class RowOrder {
public:
    RowOrder(int height, bool interlaced) : mHeight(height), mPass(interlaced ? 0 : Progressive) {}

    int Row() const { return mRow; }
    void Advance() {
        mRow += Step[mPass];
        // Passes that start below the picture are skipped: a picture of two rows has only 0 and 1.
        while (mRow >= mHeight && mPass < LastPass)
            mRow = Start[++mPass];
    }

private:
    static constexpr int Start[] = {0, 4, 2, 1, 0};
    static constexpr int Step[] = {8, 8, 4, 2, 1};
    static constexpr int LastPass = 3;
    static constexpr int Progressive = 4;

    int mHeight;
    int mPass;
    int mRow = 0;
};

void MapRows(const uint8_t* indices, size_t count, const Palette& palette, Image& image, bool interlaced) {
    const size_t width = static_cast<size_t>(image.GetWidth());
    RowOrder rows(image.GetHeight(), interlaced);
    for (size_t done = 0; done < count; done += width, rows.Advance()) {
        uint32_t* to = image.GetBits() + static_cast<size_t>(rows.Row()) * width;
        const uint8_t* from = indices + done;
        size_t n = std::min(width, count - done);
        for (size_t x = 0; x < n; ++x)
            to[x] = palette[from[x]];
    }
}

bool DecodePixels(int minCodeSize, const std::vector<uint8_t>& data, Image& image, const Palette& palette,
                  bool interlaced) {
    size_t total = image.GetPixelCount();
    std::unique_ptr<uint8_t, decltype(&std::free)> indices(
        static_cast<uint8_t*>(std::malloc(total + CopyChunk)), &std::free);
    if (!indices) return false;
    auto decoder = std::make_unique<LzwDecoder>();
    size_t count = decoder->Decode(minCodeSize, data, indices.get(), total);
    MapRows(indices.get(), count, palette, image, interlaced);
    return true;
}

std::unique_ptr<Image> ReadImage(GifStream& in, const ColorTable& globalTable, int transparentIndex) {
    uint8_t descriptor[9];
    if (!in.ReadAll(descriptor, sizeof descriptor)) return nullptr;
    int width = WordAt(descriptor + 4);
    int height = WordAt(descriptor + 6);
    int flags = descriptor[8];
    const int64_t pixels = int64_t(width) * int64_t(height);
    if (width == 0 || height == 0 || pixels > MaxPixels) return nullptr;

    ColorTable localTable;
    if (flags & 0x80) localTable.Read(in, flags);
    Palette palette = BuildPalette((flags & 0x80) ? localTable : globalTable, transparentIndex);
    // The picture is made only once its data has shown that it can fill it.
    int minCodeSize = in.Byte();
    std::vector<uint8_t> data = ReadImageData(in, static_cast<size_t>(pixels));
    if (pixels > std::max(PlausibleAnySize, FillablePixels(data, minCodeSize))) return nullptr;
    std::unique_ptr<Image> image = Image::Create(width, height);
    if (!image || !DecodePixels(minCodeSize, data, *image, palette, (flags & 0x40) != 0)) return nullptr;
    return image;
}

} // namespace

std::unique_ptr<Image> ReadGif(const std::string& fileName) {
    InputFile file(fileName, MaxFileBytes);
    if (!file) return nullptr;
    GifStream in(file.Get());

    uint8_t signature[6];
    if (!in.ReadAll(signature, sizeof signature)) return nullptr;
    if (std::memcmp(signature, "GIF87", 5) != 0 && std::memcmp(signature, "GIF89", 5) != 0) return nullptr;

    // Logical screen: width, height (unused), flags, background index, aspect.
    uint8_t screen[7];
    if (!in.ReadAll(screen, sizeof screen)) return nullptr;
    ColorTable globalTable;
    if (screen[4] & 0x80) globalTable.Read(in, screen[4]);

    int transparentIndex = NoTransparency;
    for (;;) {
        int introducer = in.Byte();
        if (introducer == EOF || introducer == Trailer) return nullptr;
        if (introducer == ExtensionIntroducer)
            ReadExtension(in, transparentIndex);
        else if (introducer == ImageSeparator)
            return ReadImage(in, globalTable, transparentIndex);
        // Any other byte is noise between blocks.
    }
}

} // namespace Zorbel::ImageLib
